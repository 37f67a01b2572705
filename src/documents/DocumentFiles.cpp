#include "documents/DocumentFiles.h"

#include "base/UiText.h"
#include "documents/DocumentFileFormat.h"
#include "documents/Encodings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <exception>

namespace scrivlet {

Result FileFailure(int textId)
{
    return Result::Failure(UiText(textId));
}

std::optional<RecordLayout> MakeRecordLayout(const EdtFormat& format)
{
    if (format.recordLength <= 0 || format.recordLength > kMaxRecordLength)
        return std::nullopt;
    RecordLayout layout;
    layout.recordLength = format.recordLength;
    const int count = format.FieldCount();
    for (int k = 0; k < count; ++k) {
        const FieldDef& field = format.fields[k];
        if (field.type != kTextField)
            continue;
        // Offsets and sizes count as unsigned: a negative one lies beyond the record.
        const qint64 offset =
            std::min<qint64>(static_cast<uint32_t>(field.offset), layout.recordLength);
        const qint64 size =
            std::min<qint64>(static_cast<uint32_t>(field.size), layout.recordLength - offset);
        for (const TextSpan& before : layout.texts) {
            if (size > 0 && before.size > 0 && offset < before.offset + before.size &&
                before.offset < offset + size)
                layout.overlapping = true;
        }
        layout.texts.push_back(TextSpan{offset, size});
    }
    return layout;
}

const DocumentFileFormat* FileFormatFor(int fileType)
{
    switch (fileType) {
        case kFileTypeEdt:
            return &EdtFileFormat();
        case kFileTypeText:
            return &TextFileFormat();
        default:
            return nullptr;
    }
}

namespace {

// A path a document can be read from or written to: not a folder, not a link to nothing, and
// for reading nothing but a plain file. A missing file is left to the open that follows.
bool NamesAFile(const QString& path, bool reading)
{
    const QFileInfo info(path);
    if (info.isDir() || (info.isSymLink() && !info.exists()))
        return false;
    return !reading || !info.exists() || info.isFile();
}

// What every load and save checks before it touches a file.
Result CheckDocumentSetup(const EdtFormat& format, int fileType, int encoding)
{
    if (!FileFormatFor(fileType) || !IsValidEncoding(encoding))
        return FileFailure(str::FileErrorUnknownType);
    if (!MakeRecordLayout(format))
        return FileFailure(str::FileErrorUnusableFormat);
    return {};
}

// Index of the last record a save writes: trailing records whose text fields are all empty
// are left out (they stay in the document), record 0 never; -1 without records.
int LastRecordToWrite(const EdtDocument& document)
{
    int last = document.RecordCount() - 1;
    for (; last >= 1; --last) {
        for (int k = 0; k < document.TextFieldCount(); ++k) {
            if (!document.FieldText(last, k).isEmpty())
                return last;
        }
    }
    return last;
}

}  // namespace

LoadResult LoadDocument(const QString& path, int fileType, int encoding, const EdtFormat& format,
                        int formatIndex, bool quiet, DocumentPrompts* prompts)
{
    LoadResult result;
    Result done = CheckDocumentSetup(format, fileType, encoding);
    if (done && !path.isEmpty() && !NamesAFile(path, true))
        done = FileFailure(str::FileErrorNotAFile);
    QFile file(path);
    if (done && (path.isEmpty() || !file.open(QIODevice::ReadOnly)))
        done = FileFailure(str::FileErrorCannotRead);
    if (!done) {
        result.error = done.Error();
        return result;
    }
    auto document = std::make_unique<EdtDocument>(format, formatIndex);
    document->SetPath(path);
    document->SetFileType(fileType);
    document->SetEncoding(encoding);
    // No memory for the texts or the buffer of a huge record shows as bad_alloc, or as
    // length_error for a size beyond any.
    try {
        done = FileFormatFor(fileType)->Read(file, *document, ReadContext{quiet, prompts});
    } catch (const std::exception&) {
        done = FileFailure(str::FileErrorNoMemory);
    }
    if (!done) {
        result.error = done.Error();
        return result;
    }
    document->SetModified(false);
    result.document = std::move(document);
    return result;
}

Result SaveDocument(EdtDocument& document)
{
    Result done =
        CheckDocumentSetup(document.Format(), document.GetFileType(), document.GetEncoding());
    if (!done)
        return done;
    const QString path = document.Path();
    if (!path.isEmpty() && !NamesAFile(path, false))
        return FileFailure(str::FileErrorNotAFile);

    // The old file is replaced only once the new one is completely written and flushed.
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly))
        return FileFailure(str::FileErrorCannotWrite);
    try {
        done = FileFormatFor(document.GetFileType())
                   ->Write(file, document, LastRecordToWrite(document));
    } catch (const std::exception&) {
        done = FileFailure(str::FileErrorNoMemory);  // as in LoadDocument
    }
    // The last buffered bytes go out only now: commit() would not notice that this write
    // failed (a full disk) and would put the cut file in place of the old one.
    if (done && !file.flush())
        done = FileFailure(str::FileErrorWriteFailed);
    if (!done) {
        file.cancelWriting();  // the temporary file goes with `file`
        return done;
    }
    if (!file.commit())
        return FileFailure(str::FileErrorWriteFailed);
    document.SetModified(false);
    return {};
}

Result SaveDocumentAs(EdtDocument& document, const QString& path, int fileType, int encoding)
{
    document.SetPath(path);
    if (fileType != kFileTypeAll)
        document.SetFileType(fileType);
    document.SetEncoding(encoding);
    return SaveDocument(document);
}

std::unique_ptr<EdtDocument> NewDocument(const EdtFormat& format, int formatIndex)
{
    auto document = std::make_unique<EdtDocument>(format, formatIndex);
    // Unsaved until it is saved: closing it asks, like closing an edited document.
    document->SetModified(true);
    return document;
}

}  // namespace scrivlet
