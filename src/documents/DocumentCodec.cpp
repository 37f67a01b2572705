#include "documents/DocumentCodec.h"

#include "documents/CodecDetail.h"
#include "documents/DocumentPrompts.h"
#include "documents/Encodings.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "base/UiText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

namespace scrivlet {
namespace codec {

bool MakeLayout(const EdtFormat& format, Layout* layout)
{
    if (format.recordLength <= 0 || format.recordLength > kMaxRecordLength)
        return false;
    layout->recordLength = format.recordLength;
    layout->fields.clear();
    layout->textFieldCount = 0;
    const int count = format.FieldCount();
    for (int k = 0; k < count; ++k) {
        const FieldDef& def = format.fields[k];
        FieldSpan span;
        span.type = def.type;
        span.def = &def;
        if (def.type == kTextField) {
            // Offsets and sizes count as unsigned: a negative one lies beyond the record.
            const qint64 offset = static_cast<uint32_t>(def.offset);
            const qint64 size = static_cast<uint32_t>(def.size);
            span.offset = std::min<qint64>(offset, layout->recordLength);
            span.size = std::min<qint64>(size, layout->recordLength - span.offset);
            ++layout->textFieldCount;
        }
        layout->fields.append(span);
    }
    return true;
}

GridCell* MakeNonTextCell(const FieldSpan& field, const RowLabels& labels, int row)
{
    // A field of an unknown type is stored nowhere and gets no cell, as in a new record.
    if (field.type == kLabelField)
        return CreateLabelCell(labels.Make(*field.def, row));
    return nullptr;
}

QString CellText(const RecordGrid& grid, int row, int column)
{
    GridCell* const* cells = grid.RowCells(row);
    if (!cells || column >= grid.ColumnCount() || !cells[column])
        return QString();
    QVariant value;
    if (!cells[column]->GetValue(&value))
        return QString();
    return value.toString();
}

bool PlaceCell(RecordGrid& grid, int row, int column, GridCell* cell, bool made)
{
    if (!made)
        return false;  // out of memory
    if (column == 0)
        return grid.InsertRecordRow(row, cell) == row;
    if (!cell || grid.SetCell(row, column, cell))
        return true;
    delete cell;
    return false;
}

int LastRecordToWrite(const RecordGrid& grid, const Layout& layout)
{
    int last = grid.RecordCount() - 1;
    while (last >= 1) {
        bool empty = true;
        for (int k = 0; k < layout.fields.size() && empty; ++k) {
            if (layout.fields[k].type == kTextField && !CellText(grid, last, k).isEmpty())
                empty = false;
        }
        if (!empty)
            break;
        --last;
    }
    return last;
}

namespace {

constexpr int kUnitCount = 65536;

bool ValidEncoding(int encoding)
{
    return encoding >= 0 && encoding < kEncodingCount;
}

}  // namespace

const char16_t* DecodeTable(int encoding)
{
    static std::array<std::unique_ptr<char16_t[]>, kEncodingCount> tables;
    std::unique_ptr<char16_t[]>& table = tables[encoding];
    if (!table) {
        table = std::make_unique<char16_t[]>(kUnitCount);
        for (int unit = 0; unit < kUnitCount; ++unit)
            table[unit] = DecodeEdtChar(encoding, static_cast<uint16_t>(unit));
    }
    return table.get();
}

const uint16_t* EncodeTable(int encoding)
{
    static std::array<std::unique_ptr<uint16_t[]>, kEncodingCount> tables;
    std::unique_ptr<uint16_t[]>& table = tables[encoding];
    if (!table) {
        table = std::make_unique<uint16_t[]>(kUnitCount);
        for (int ch = 0; ch < kUnitCount; ++ch)
            table[ch] = EncodeEdtChar(encoding, static_cast<char16_t>(ch));
    }
    return table.get();
}

namespace {

// Decodes one record's fields into cells of row `row`.
bool BuildEdtRow(RecordGrid& grid, const Layout& layout, const RowLabels& labels,
                 const uchar* record, const char16_t* decode, char16_t* scratch, int row)
{
    for (int k = 0; k < layout.fields.size(); ++k) {
        const FieldSpan& field = layout.fields[k];
        GridCell* cell;
        if (field.type == kTextField) {
            const uchar* units = record + field.offset * 2;
            qsizetype length = 0;
            while (length < field.size) {
                const char16_t ch = decode[units[length * 2] | (units[length * 2 + 1] << 8)];
                if (ch == 0)
                    break;
                scratch[length++] = ch;
            }
            // Built at its exact length: the cells are most of a document's memory.
            cell = CreateTextCell(QString(reinterpret_cast<const QChar*>(scratch), length));
        } else {
            cell = MakeNonTextCell(field, labels, row);
        }
        if (!PlaceCell(grid, row, k, cell, cell || !MakesCell(field)))
            return false;
    }
    return true;
}

bool ReadEdtRecords(RecordGrid& grid, const Layout& layout, QFile& file, int encoding, bool quiet,
                    DocumentPrompts* prompts)
{
    const qint64 recordBytes = static_cast<qint64>(layout.recordLength) * 2;
    const qint64 fileSize = file.size();
    if (fileSize % recordBytes != 0) {
        if (quiet || !prompts || !prompts->AskOpenInvalidSize())
            return false;
    }
    const qint64 recordCount = fileSize / recordBytes;
    if (recordCount == 0)
        return true;
    // Row indices are signed 32-bit and the add-row needs one more.
    if (recordCount > INT_MAX - 1)
        return false;

    // The buffer never exceeds what the file holds: at least one record, at most a chunk's
    // worth of whole records.
    const qint64 perChunk = std::max<qint64>(1, kIoChunkBytes / recordBytes);
    const qint64 chunkRecords = std::min(perChunk, recordCount);
    QByteArray buffer;
    buffer.resize(chunkRecords * recordBytes);
    if (buffer.size() != chunkRecords * recordBytes)
        return false;

    grid.ReserveRows(static_cast<int>(recordCount) + 1);
    const char16_t* decode = DecodeTable(encoding);
    std::vector<char16_t> scratch(layout.recordLength);
    const RowLabels labels;
    qint64 row = 0;
    while (row < recordCount) {
        const qint64 records = std::min(chunkRecords, recordCount - row);
        const qint64 wanted = records * recordBytes;
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n = file.read(buffer.data() + got, wanted - got);
            if (n <= 0)
                return false;  // the file shrank under us
            got += n;
        }
        const uchar* data = reinterpret_cast<const uchar*>(buffer.constData());
        for (qint64 r = 0; r < records; ++r, ++row) {
            if (!BuildEdtRow(grid, layout, labels, data + r * recordBytes, decode, scratch.data(),
                             static_cast<int>(row)))
                return false;
        }
    }
    return true;
}

// Encodes the records 0..last into big blocks and writes them.
bool WriteEdtRecords(QIODevice& file, const RecordGrid& grid, const Layout& layout, int encoding,
                     int last)
{
    if (last < 0)
        return true;
    const qint64 recordUnits = layout.recordLength;
    const qint64 perChunk = std::max<qint64>(1, kIoChunkBytes / (recordUnits * 2));
    const qint64 chunkRecords = std::min<qint64>(perChunk, static_cast<qint64>(last) + 1);
    QByteArray buffer;
    buffer.resize(chunkRecords * recordUnits * 2);
    if (buffer.size() != chunkRecords * recordUnits * 2)
        return false;
    const uint16_t* encode = EncodeTable(encoding);

    int row = 0;
    while (row <= last) {
        const qint64 records = std::min<qint64>(chunkRecords, static_cast<qint64>(last) - row + 1);
        const qint64 bytes = records * recordUnits * 2;
        uchar* data = reinterpret_cast<uchar*>(buffer.data());
        std::fill(data, data + bytes, uchar(0));
        for (qint64 r = 0; r < records; ++r, ++row) {
            uchar* record = data + r * recordUnits * 2;
            // Later fields overwrite earlier ones where they overlap; each clears the rest of
            // its field, so an earlier field's tail does not survive inside a later one.
            for (int k = 0; k < layout.fields.size(); ++k) {
                const FieldSpan& field = layout.fields[k];
                if (field.type != kTextField || field.size == 0)
                    continue;
                const QString text = CellText(grid, row, k);
                const qsizetype n = std::min(text.size(), field.size);
                const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
                uchar* out = record + field.offset * 2;
                for (qsizetype i = 0; i < field.size; ++i) {
                    const uint16_t unit = i < n ? encode[in[i]] : 0;
                    out[i * 2] = static_cast<uchar>(unit & 0xFF);
                    out[i * 2 + 1] = static_cast<uchar>(unit >> 8);
                }
            }
        }
        if (file.write(buffer.constData(), bytes) != bytes)
            return false;
    }
    return true;
}

// A path names something a document can live in: not a folder, not a link to nothing.
bool UsableFilePath(const QString& path, bool mustExist)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        return false;
    if (info.isDir())
        return false;
    if (mustExist && !info.isFile())
        return false;
    return true;
}

void SetUpColumns(RecordGrid& grid, const EdtFormat* format)
{
    grid.SetCellFontFamily(DocumentFontFamily());
    if (!format)
        return;
    const int count = format->FieldCount();
    for (int k = 0; k < count; ++k)
        grid.InsertColumn(k, format->fields[k].caption, format->fields[k].width);
}

void FinishGrid(RecordGrid& grid)
{
    grid.AppendAddRow();
    grid.SetModeFlags(kDocumentGridModes);
    grid.RefreshAppearance();
}

}  // namespace
}  // namespace codec

using namespace codec;

bool LoadDocument(RecordGrid& grid, const QString& path, int fileType, int encoding, int format,
                  bool quiet, DocumentPrompts* prompts)
{
    grid.Clear();
    grid.SetPath(path);
    grid.SetFileType(fileType);
    grid.SetEncoding(encoding);
    grid.SetFormatIndex(format);

    const EdtFormat* edtFormat = GlobalCatalogue().At(format);
    Layout layout;
    if (!edtFormat || !MakeLayout(*edtFormat, &layout) || !ValidEncoding(encoding))
        return false;
    if (fileType != kFileTypeEdt && fileType != kFileTypeText)
        return false;
    SetUpColumns(grid, edtFormat);

    if (!UsableFilePath(path, true))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool tooLong = false;
    bool read = false;
    try {
        read = fileType == kFileTypeEdt
                   ? ReadEdtRecords(grid, layout, file, encoding, quiet, prompts)
                   : ReadTextRecords(grid, layout, file, encoding, &tooLong);
    } catch (const std::exception&) {
        read = false;  // no memory for a buffer the size of a (huge) record or line
    }
    file.close();
    if (!read)
        return false;

    grid.SetModified(false);
    FinishGrid(grid);
    if (tooLong && prompts)
        prompts->NotifyTextTooLong();
    return true;
}

bool SaveDocument(RecordGrid& grid)
{
    const EdtFormat* format = grid.Format();
    Layout layout;
    if (!format || !MakeLayout(*format, &layout))
        return false;
    const int fileType = grid.GetFileType();
    const int encoding = grid.GetEncoding();
    if ((fileType != kFileTypeEdt && fileType != kFileTypeText) || !ValidEncoding(encoding))
        return false;
    const QString path = grid.GetPath();
    if (!UsableFilePath(path, false))
        return false;

    // The old file is replaced only once the new one is completely written and flushed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const int last = LastRecordToWrite(grid, layout);
    bool written = false;
    try {
        written = fileType == kFileTypeEdt ? WriteEdtRecords(file, grid, layout, encoding, last)
                                           : WriteTextRecords(file, grid, layout, encoding, last);
    } catch (const std::exception&) {
        written = false;  // no memory for the record buffer of a huge record length
    }
    // The last buffered bytes go out only now: commit() would not notice that this write
    // failed (a full disk) and would put the cut file in place of the old one.
    if (!written || !file.flush()) {
        file.cancelWriting();  // the temporary file goes with `file`
        return false;
    }
    if (!file.commit())
        return false;
    grid.SetModified(false);
    return true;
}

void NewDocument(RecordGrid& grid, int format)
{
    grid.Clear();
    grid.SetFormatIndex(format);
    SetUpColumns(grid, GlobalCatalogue().At(format));
    FinishGrid(grid);
}

bool SaveDocumentAs(RecordGrid& grid, const QString& path, int fileType, int encoding, int format)
{
    grid.SetPath(path);
    if (fileType != kFileTypeAll)
        grid.SetFileType(fileType);
    grid.SetEncoding(encoding);
    if (format != -1)
        grid.SetFormatIndex(format);
    return SaveDocument(grid);
}

int FileTypeFromPath(const QString& path)
{
    return path.endsWith(QStringLiteral(".edt"), Qt::CaseInsensitive) ? kFileTypeEdt
                                                                      : kFileTypeText;
}

}  // namespace scrivlet
