#pragma once

#include "base/Result.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/LoadNotes.h"

#include <QIODevice>

#include <optional>
#include <vector>

// One reader and writer per file type, behind one small interface, so that DocumentFiles
// opens, checks and replaces files the same way for all of them. Not for use outside
// src/documents.

namespace scrivlet {

class DocumentPrompts;
class EdtDocument;

// Reasons a file operation fails, in the interface texts.
namespace str {
constexpr const char* FileErrorNotAFile = "fileError.notAFile";
constexpr const char* FileErrorCannotRead = "fileError.cannotRead";
constexpr const char* FileErrorInvalidSize = "fileError.invalidSize";
constexpr const char* FileErrorTooManyRecords = "fileError.tooManyRecords";
constexpr const char* FileErrorReadFailed = "fileError.readFailed";
constexpr const char* FileErrorNoMemory = "fileError.noMemory";
constexpr const char* FileErrorUnusableFormat = "fileError.unusableFormat";
constexpr const char* FileErrorCannotWrite = "fileError.cannotWrite";
constexpr const char* FileErrorWriteFailed = "fileError.writeFailed";
constexpr const char* FileErrorUnknownType = "fileError.unknownType";
}  // namespace str

// A failure with one of the texts above.
Result FileFailure(const char* textKey);

// Large enough that the system calls disappear from the profile, small enough not to show in
// the peak memory of a big load.
constexpr qint64 kIoChunkBytes = 512 * 1024;
// Longest record a document can have, in 16-bit units (2 GB of file per record). Beyond it a
// format is unusable: a save would need a buffer of more than 2 GB for a single record.
constexpr qint64 kMaxRecordLength = qint64{1} << 30;

// Where one text field lies in a record, clipped to the record so that no reader or writer
// can reach outside it whatever the catalogue says.
struct TextSlot {
    qsizetype offset = 0;
    qsizetype size = 0;
};

struct RecordLayout {
    qsizetype recordLength = 0;
    std::vector<TextSlot> texts;  // in the order of the document's text fields
    bool overlapping = false;     // two non-empty text fields share a unit
};

// Nothing when the format has no usable record (a length of 0 or less, or above
// kMaxRecordLength); both file types refuse such a format.
std::optional<RecordLayout> MakeRecordLayout(const EdtFormat& format);

struct ReadContext {
    // Fail a file whose size is no whole number of records without asking.
    bool quiet = false;
    // May be null: then nothing is asked (the answer is No) and nothing is told.
    DocumentPrompts* prompts = nullptr;
    QString path;              // the file read, for the questions
    LoadNotes* notes = nullptr;  // filled in when given
};

class DocumentFileFormat {
public:
    virtual ~DocumentFileFormat() = default;
    // Appends the records of `in` to an empty document, in the document's encoding.
    virtual Result Read(QIODevice& in, EdtDocument& document, const ReadContext& context) const = 0;
    // Writes records 0..lastRecord (none when it is -1) in the encoding.
    virtual Result Write(QIODevice& out, const EdtDocument& document, int lastRecord,
                         int encoding) const = 0;
};

// The two file types: headerless records of 16-bit units, and one line per text field.
const DocumentFileFormat& EdtFileFormat();
const DocumentFileFormat& TextFileFormat();

}  // namespace scrivlet
