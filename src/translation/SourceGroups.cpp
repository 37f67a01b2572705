#include "translation/SourceGroups.h"

namespace scrivlet {

SourceGroups::SourceGroups(const EdtDocument& reference)
    : reference_(reference), fields_(reference.TextFieldCount())
{
    const int records = reference.RecordCount();
    next_.assign(static_cast<size_t>(records) * fields_, -1);
    QHash<QStringView, int> last;  // the group's end, where the next of its fields is linked
    first_.reserve(records);
    last.reserve(records);
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < fields_; ++field) {
            const QStringView text = reference.FieldText(record, field);
            if (text.isEmpty())
                continue;
            const int slot = record * fields_ + field;
            auto tail = last.find(text);
            if (tail == last.end()) {
                first_.insert(text, slot);
                last.insert(text, slot);
            } else {
                next_[static_cast<size_t>(*tail)] = slot;
                *tail = slot;
            }
        }
    }
}

std::vector<std::pair<int, int>> SourceGroups::SameSource(int record, int field) const
{
    std::vector<std::pair<int, int>> same;
    if (record < 0 || record >= reference_.RecordCount() || field < 0 || field >= fields_)
        return same;
    const int own = record * fields_ + field;
    for (int slot = first_.value(reference_.FieldText(record, field), -1); slot >= 0;
         slot = next_[static_cast<size_t>(slot)]) {
        if (slot != own)
            same.emplace_back(slot / fields_, slot % fields_);
    }
    return same;
}

std::vector<std::pair<int, int>> PropagationTargets(const SourceGroups& groups,
                                                    const EdtDocument& document,
                                                    const EdtDocument& reference, int record,
                                                    int field)
{
    std::vector<std::pair<int, int>> targets;
    if (record < 0 || record >= document.RecordCount() || record >= reference.RecordCount() ||
        field < 0 || field >= document.TextFieldCount())
        return targets;
    const QStringView source = reference.FieldText(record, field);
    const QStringView translation = document.FieldText(record, field);
    if (source.isEmpty() || translation.isEmpty() || translation == source)
        return targets;
    for (const auto& [other, otherField] : groups.SameSource(record, field)) {
        if (other >= document.RecordCount() || otherField >= document.TextFieldCount())
            continue;
        const QStringView text = document.FieldText(other, otherField);
        const int size = document.Format().fields[document.TextColumn(otherField)].size;
        if ((text.isEmpty() || text == source) && translation.size() <= size)
            targets.emplace_back(other, otherField);
    }
    return targets;
}

}  // namespace scrivlet
