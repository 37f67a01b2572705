#include "documents/DocumentFiles.h"

#include "documents/DocumentFileFormat.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <exception>

namespace scrivlet {

namespace {

// The reader and writer of a file type; null for any other number (kFileTypeAll included).
const DocumentFileFormat* FileFormatFor(int fileType)
{
    const DocumentFileType* type = FileTypeById(fileType);
    return type ? &type->format() : nullptr;
}

// A path a document can be read from or written to: not a folder, not a link to nothing, and
// for reading nothing but a plain file. A missing file is left to the open that follows.
bool NamesAFile(const QString& path, bool reading)
{
    const QFileInfo info(path);
    if (info.isDir() || (info.isSymLink() && !info.exists()))
        return false;
    return !reading || !info.exists() || info.isFile();
}

// The system's own words for what went wrong, after ours: "disk full" and "permission
// denied" need different remedies.
// A short write leaves the device without an error of its own; errno then still tells why.
Result WithSystemReason(Result result, const QFileDevice& file)
{
    if (result)
        return result;
    const QString reason = file.error() != QFileDevice::NoError ? file.errorString()
                           : errno != 0                         ? qt_error_string(errno)
                                                                : QString();
    return reason.isEmpty() ? result : Result::Failure(result.Error() + u'\n' + reason);
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
    if (done && (path.isEmpty() || !file.open(QIODevice::ReadOnly))) {
        errno = 0;
        done = WithSystemReason(FileFailure(str::FileErrorCannotRead), file);
    }
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
        done = FileFormatFor(fileType)->Read(file, *document,
                                             ReadContext{quiet, prompts, path, &result.notes});
    } catch (const std::exception&) {
        done = FileFailure(str::FileErrorNoMemory);
    }
    if (!done) {
        result.error = done.Error();
        return result;
    }
    result.document = std::move(document);
    return result;
}

namespace {

// Writes the document to path as fileType in encoding without touching the document, so a
// failure leaves its path, type, encoding and modified mark as they were.
Result WriteDocument(const EdtDocument& document, const QString& path, int fileType, int encoding)
{
    Result done = CheckDocumentSetup(document.Format(), fileType, encoding);
    if (!done)
        return done;
    if (!path.isEmpty() && !NamesAFile(path, false))
        return FileFailure(str::FileErrorNotAFile);

    // The old file is replaced only once the new one is completely written and flushed.
    QSaveFile file(path);
    errno = 0;
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly))
        return WithSystemReason(FileFailure(str::FileErrorCannotWrite), file);
    try {
        done =
            FileFormatFor(fileType)->Write(file, document, LastRecordToWrite(document), encoding);
    } catch (const std::exception&) {
        done = FileFailure(str::FileErrorNoMemory);  // as in LoadDocument
    }
    // The last buffered bytes go out only now: commit() would not notice that this write
    // failed (a full disk) and would put the cut file in place of the old one.
    if (done && !file.flush())
        done = FileFailure(str::FileErrorWriteFailed);
    if (!done) {
        done = WithSystemReason(done, file);
        file.cancelWriting();  // the temporary file goes with `file`
        return done;
    }
    if (!file.commit())
        return WithSystemReason(FileFailure(str::FileErrorWriteFailed), file);
    return {};
}

}  // namespace

Result SaveDocument(EdtDocument& document)
{
    const Result done =
        WriteDocument(document, document.Path(), document.GetFileType(), document.GetEncoding());
    return done;
}

Result SaveDocumentAs(EdtDocument& document, const QString& path, int fileType, int encoding)
{
    const int type = fileType != kFileTypeAll ? fileType : document.GetFileType();
    const Result done = WriteDocument(document, path, type, encoding);
    if (!done)
        return done;
    document.SetPath(path);
    document.SetFileType(type);
    document.SetEncoding(encoding);
    return done;
}

Result WriteDocumentCopy(const EdtDocument& document, const QString& path, int fileType,
                         int encoding)
{
    return WriteDocument(document, path, fileType, encoding);
}

std::unique_ptr<EdtDocument> NewDocument(const EdtFormat& format, int formatIndex)
{
    return std::make_unique<EdtDocument>(format, formatIndex);
}

}  // namespace scrivlet
