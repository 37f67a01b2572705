#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// Record layouts of .edt files, read once at start-up from "formats.<lang>.ini".

namespace scrivlet {

// Names, paths and captions hold at most this many UTF-16 units (the file format's
// fixed 80-unit arrays with their terminating zero).
constexpr int kMaxNameUnits = 79;
constexpr int kMaxFields = 8;

enum FieldType : int {
    kLabelField = 0,  // stored nowhere; the cell shows a row label
    kTextField = 1,   // stored in every record at offset for at most size units
};

struct FieldDef {
    QString caption;     // empty caption ends the field list
    int width = 0;       // column width in pixels, -1 = the view's default
    int type = 0;        // FieldType; other values get a column no file operation fills
    int offset = 0;      // in 16-bit units from the record's start (as the file has it)
    int size = 0;        // maximum text length in 16-bit units (as the file has it)
    QStringList labels;  // label field only: labels[k] is the label of row k
};

struct EdtFormat {
    QString name;
    QString path;          // regular expression over a file's full path
    int recordLength = 0;  // in 16-bit units (as the file has it; the codec guards itself)
    std::array<FieldDef, kMaxFields> fields;

    // Number of fields in use: those before the first empty caption.
    int FieldCount() const;
};

class FormatCatalogue {
public:
    int Count() const { return static_cast<int>(formats_.size()); }
    // Null for an index outside the catalogue.
    const EdtFormat* At(int index) const;
    const std::vector<EdtFormat>& Formats() const { return formats_; }

    void Clear() { formats_.clear(); }
    void Append(EdtFormat format) { formats_.push_back(std::move(format)); }

private:
    std::vector<EdtFormat> formats_;
};

}  // namespace scrivlet
