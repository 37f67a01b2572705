#include "documents/RowLabels.h"

#include "base/UiText.h"

#include <cstdio>

namespace scrivlet {

RowLabels::RowLabels()
{
    pattern_ = UiText(str::RowLabelPattern).left(kMaxLabelPatternLength);
    // The usual pattern has one number in it; splitting it once saves formatting a million
    // labels through the general routine.
    const qsizetype percent = pattern_.indexOf(u'%');
    if (percent >= 0 && percent + 1 < pattern_.size() && pattern_[percent + 1] == u'1' &&
        !(percent + 2 < pattern_.size() && pattern_[percent + 2].isDigit()) &&
        pattern_.indexOf(u'%', percent + 2) < 0) {
        prefix_ = pattern_.left(percent);
        suffix_ = pattern_.mid(percent + 2);
        simple_ = true;
    }
}

QString RowLabels::Make(const FieldDef& field, int row) const
{
    if (row < field.labels.size())
        return field.labels[row];
    if (simple_) {
        // One allocation per label: a view scrolling a million rows asks for many of them.
        char digits[16];
        const int count = std::snprintf(digits, sizeof digits, "%d", row);
        QString label;
        label.reserve(prefix_.size() + count + suffix_.size());
        label.append(prefix_).append(QLatin1StringView(digits, count)).append(suffix_);
        return label;
    }
    return pattern_.arg(row);
}

QString RowLabels::RecordName(const EdtFormat& format, int record) const
{
    for (int column = 0; column < format.FieldCount(); ++column) {
        if (format.fields[column].type == kLabelField)
            return Make(format.fields[column], record);
    }
    return Make(FieldDef{}, record);
}

}  // namespace scrivlet
