// The .txt branch of the codec: one line per text field, one group of lines per record, in
// the code page of the document's encoding.

#include "documents/CodecDetail.h"
#include "documents/Encodings.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"

#include <QByteArray>

#include <cstring>

#include <algorithm>
#include <climits>

namespace scrivlet::codec {
namespace {

// Encoded text is written once this many UTF-16 units have gathered.
constexpr qsizetype kTextFlushUnits = 1024 * 1024;

// Hands out the lines of a file, each whole however long it is, without the line feed.
class LineReader {
public:
    explicit LineReader(QIODevice& file) : file_(file) {}

    // False at the end of the file or on a read error (see Failed).
    bool Next(const char** data, qsizetype* size)
    {
        for (;;) {
            const qsizetype end = buffer_.size();
            const char* base = buffer_.constData();
            const void* lf =
                scanFrom_ < end ? memchr(base + scanFrom_, '\n', end - scanFrom_) : nullptr;
            if (lf) {
                const qsizetype at = static_cast<const char*>(lf) - base;
                TakeLine(at, at + 1, true, data, size);
                return true;
            }
            if (eof_) {
                if (pos_ >= end)
                    return false;
                TakeLine(end, end, false, data, size);
                return true;
            }
            Fill();
        }
    }

    bool Failed() const { return failed_; }

private:
    void TakeLine(qsizetype lineEnd, qsizetype next, bool hadLineFeed, const char** data,
                  qsizetype* size)
    {
        qsizetype length = lineEnd - pos_;
        // A carriage return belongs to the line end only when a line feed follows it.
        if (hadLineFeed && length > 0 && buffer_[pos_ + length - 1] == '\r')
            --length;
        *data = buffer_.constData() + pos_;
        *size = length;
        pos_ = next;
        scanFrom_ = next;
    }

    // Keeps the unread rest and appends the next chunk; a line longer than a chunk makes the
    // buffer grow, so it is read whole.
    void Fill()
    {
        const qsizetype scanned = buffer_.size() - pos_;
        buffer_.remove(0, pos_);
        pos_ = 0;
        scanFrom_ = scanned;
        const qsizetype old = buffer_.size();
        // Grow geometrically, so that one very long line is not copied over and over.
        if (buffer_.capacity() < old + kIoChunkBytes)
            buffer_.reserve(std::max(old + kIoChunkBytes, 2 * buffer_.capacity()));
        buffer_.resize(old + kIoChunkBytes);
        const qint64 n = file_.read(buffer_.data() + old, kIoChunkBytes);
        if (n < 0)
            failed_ = true;
        buffer_.resize(old + std::max<qint64>(n, 0));
        if (n <= 0)
            eof_ = true;
    }

    QIODevice& file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qsizetype scanFrom_ = 0;
    bool eof_ = false;
    bool failed_ = false;
};

}  // namespace

bool ReadTextRecords(RecordGrid& grid, const Layout& layout, QIODevice& file, int encoding,
                     bool* tooLong)
{
    const int codePage = TextCodePage(encoding);
    const RowLabels labels;
    LineReader reader(file);
    const char* data = nullptr;
    qsizetype size = 0;
    bool haveLine = reader.Next(&data, &size);
    for (int row = 0; haveLine; ++row) {
        if (row == INT_MAX - 1)
            return false;  // no room for the add-row
        bool firstTextField = true;
        for (int k = 0; k < layout.fields.size(); ++k) {
            const FieldSpan& field = layout.fields[k];
            GridCell* cell;
            if (field.type == kTextField) {
                QString text;
                if (!firstTextField)
                    haveLine = reader.Next(&data, &size);
                firstTextField = false;
                if (haveLine) {
                    // A zero byte ends the text of a line.
                    const void* zero = memchr(data, 0, size);
                    if (zero)
                        size = static_cast<const char*>(zero) - data;
                    text = DecodeText(codePage, data, size);
                    if (text.size() > field.size)
                        *tooLong = true;
                }
                cell = CreateTextCell(text);
            } else {
                cell = MakeNonTextCell(field, labels, row);
            }
            if (!PlaceCell(grid, row, k, cell, cell || !MakesCell(field)))
                return false;
        }
        // The file ended inside this record: its missing texts are empty and reading stops.
        if (!haveLine)
            break;
        haveLine = reader.Next(&data, &size);
    }
    return !reader.Failed();
}

bool WriteTextRecords(QIODevice& file, const RecordGrid& grid, const Layout& layout, int encoding,
                      int last)
{
    const int codePage = TextCodePage(encoding);
    QString pending;
    auto flush = [&]() {
        const QByteArray bytes = EncodeText(codePage, pending);
        pending.resize(0);  // keeps the capacity for the next batch
        return file.write(bytes) == bytes.size();
    };
    for (int row = 0; row <= last; ++row) {
        for (int k = 0; k < layout.fields.size(); ++k) {
            if (layout.fields[k].type != kTextField)
                continue;
            pending += CellText(grid, row, k);
            pending += u'\n';
        }
        // Flushing between records only, so no character is split between two encodings.
        if (pending.size() >= kTextFlushUnits && !flush())
            return false;
    }
    return pending.isEmpty() || flush();
}

}  // namespace scrivlet::codec
