#pragma once

#include "catalogue/FormatCatalogue.h"
#include "documents/RowLabels.h"

#include <QIODevice>
#include <QList>
#include <QString>

#include <cstdint>

// What the .edt and .txt branches of the codec share; not for use outside src/documents.

namespace scrivlet {

class RecordGrid;
class GridCell;

namespace codec {

// Large enough that the system calls disappear from the profile, small enough not to show in
// the peak memory of a big load.
constexpr qint64 kIoChunkBytes = 512 * 1024;
// Longest record a document can have, in 16-bit units (2 GB of file per record). Beyond it a
// format is unusable: a save would need a buffer of more than 2 GB for a single record.
constexpr qint64 kMaxRecordLength = qint64{1} << 30;
// One field of the format, with its place clipped to the record so that neither branch can
// reach outside it whatever the catalogue says.
struct FieldSpan {
    int type = 0;
    qsizetype offset = 0;
    qsizetype size = 0;
    const FieldDef* def = nullptr;
};

struct Layout {
    qsizetype recordLength = 0;
    QList<FieldSpan> fields;  // in column order, up to the first empty caption
    int textFieldCount = 0;
};

// False when the format has no usable record (a length of 0 or less, or above
// kMaxRecordLength).
bool MakeLayout(const EdtFormat& format, Layout* layout);

// Label and text fields have cells; a field of any other type has none.
inline bool MakesCell(const FieldSpan& field)
{
    return field.type == kLabelField || field.type == kTextField;
}

// The cell of a label field of row i; null for other fields.
GridCell* MakeNonTextCell(const FieldSpan& field, const RowLabels& labels, int row);

// The text of a cell, empty for a missing cell.
QString CellText(const RecordGrid& grid, int row, int column);

// Puts cell (possibly null) into row `row`, appending the row for column 0. made is false
// when a cell should exist but could not be allocated. False when the grid refuses.
bool PlaceCell(RecordGrid& grid, int row, int column, GridCell* cell, bool made);

// Index of the last record that a save writes: trailing records whose text fields are all
// empty are left out, record 0 never; -1 without records.
int LastRecordToWrite(const RecordGrid& grid, const Layout& layout);

// Per-encoding lookup tables over all 65536 units, built on first use.
const char16_t* DecodeTable(int encoding);
const uint16_t* EncodeTable(int encoding);

bool ReadTextRecords(RecordGrid& grid, const Layout& layout, QIODevice& file, int encoding,
                     bool* tooLong);
bool WriteTextRecords(QIODevice& file, const RecordGrid& grid, const Layout& layout, int encoding,
                      int last);

}  // namespace codec
}  // namespace scrivlet
