#pragma once

#include "catalogue/FormatCatalogue.h"

#include <QString>

// The text a label column shows in a row: the field's own label of that row, or the interface
// language's numbered pattern. Labels are never stored; views and the converter compute them.

namespace scrivlet {

// The row-label pattern is read into a buffer of this many characters.
constexpr int kMaxLabelPatternLength = 127;

class RowLabels {
public:
    RowLabels();
    QString Make(const FieldDef& field, int row) const;
    // A record as the grid names it, for messages: its first label column's text, or the
    // numbered pattern in a format without one.
    QString RecordName(const EdtFormat& format, int record) const;

private:
    QString pattern_;
    QString prefix_;
    QString suffix_;
    bool simple_ = false;
};

}  // namespace scrivlet
