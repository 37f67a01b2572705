// The .txt file type: one line per text field, one group of lines per record, in the code
// page of the document's encoding. Texts are read and written whole, whatever their field's
// size.

#include "documents/DocumentFileFormat.h"
#include "documents/DocumentPrompts.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"

#include <QByteArray>

#include <algorithm>
#include <climits>
#include <cstring>

namespace scrivlet {
namespace {

// Encoded text is written once this many UTF-16 units have gathered.
constexpr qsizetype kTextFlushUnits = 1024 * 1024;

// Hands out the lines of a file, each whole however long it is, without its line end. No
// library reader does both: QIODevice::readLine cuts long lines and keeps a lone CR's meaning
// to the caller, QTextStream decodes in its own way.
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

class TextFile : public DocumentFileFormat {
public:
    Result Read(QIODevice& in, EdtDocument& document, const ReadContext& context) const override;
    Result Write(QIODevice& out, const EdtDocument& document, int lastRecord,
                 int encoding) const override;
};

Result TextFile::Read(QIODevice& in, EdtDocument& document, const ReadContext& context) const
{
    // The record length plays no part in a text file, but a format without a usable one is
    // refused for both file types alike.
    const std::optional<RecordLayout> layout = MakeRecordLayout(document.Format());
    if (!layout)
        return FileFailure(str::FileErrorUnusableFormat);
    const int codePage = TextCodePage(document.GetEncoding());
    bool tooLong = false;
    LineReader reader(in);
    const char* data = nullptr;
    qsizetype size = 0;
    qint64 line = 0;
    DecodeProblems problems;
    LoadNotes notes;
    notes.invalidReplaced = codePage == kCodePageUtf8;
    bool haveLine = reader.Next(&data, &size);
    for (int record = 0; haveLine; ++record) {
        if (record == INT_MAX - 1)
            return FileFailure(str::FileErrorTooManyRecords);  // no row left for the add-row
        for (size_t k = 0; k < layout->texts.size(); ++k) {
            if (k > 0)
                haveLine = reader.Next(&data, &size);
            // The file ended inside this record: its missing texts are empty.
            QString text;
            if (haveLine) {
                ++line;
                // A zero byte ends the text of a line.
                if (const void* zero = memchr(data, 0, size))
                    size = static_cast<const char*>(zero) - data;
                const qsizetype before = problems.invalidBytes;
                text = DecodeText(codePage, data, size, &problems);
                if (before == 0 && problems.invalidBytes > 0)
                    notes.firstInvalidLine = line, notes.firstInvalidRecord = record;
                tooLong = tooLong || text.size() > layout->texts[k].size;
            }
            if (!document.AddLoadedText(text))
                return FileFailure(str::FileErrorNoMemory);
        }
        document.EndLoadedRecord();
        if (!haveLine)
            break;
        haveLine = reader.Next(&data, &size);
    }
    if (reader.Failed())
        return FileFailure(str::FileErrorReadFailed);
    notes.invalidBytes = problems.invalidBytes;
    if (context.notes)
        *context.notes = notes;
    if (tooLong && context.prompts)
        context.prompts->NotifyTextTooLong();
    return {};
}

Result TextFile::Write(QIODevice& out, const EdtDocument& document, int lastRecord,
                       int encoding) const
{
    const int codePage = TextCodePage(encoding);
    const int fields = document.TextFieldCount();
    QString pending;
    auto flush = [&]() {
        const QByteArray bytes = EncodeText(codePage, pending);
        pending.resize(0);  // keeps the capacity for the next batch
        return out.write(bytes) == bytes.size();
    };
    for (int record = 0; record <= lastRecord; ++record) {
        for (int k = 0; k < fields; ++k) {
            pending += document.FieldText(record, k);
            pending += u'\n';
        }
        // Flushing between records only, so no character is split between two encodings.
        if (pending.size() >= kTextFlushUnits && !flush())
            return FileFailure(str::FileErrorWriteFailed);
    }
    if (!pending.isEmpty() && !flush())
        return FileFailure(str::FileErrorWriteFailed);
    return {};
}

}  // namespace

const DocumentFileFormat& TextFileFormat()
{
    static const TextFile format;
    return format;
}

}  // namespace scrivlet
