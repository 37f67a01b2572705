#pragma once

#include "base/Result.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"

#include <QString>

#include <memory>

// Opening and saving documents: an .edt file (headerless fixed-size records of 16-bit units)
// or its .txt rendering (one line per text field, one group of lines per record). What goes
// wrong is told in the interface language, ready to show after the caller's own message.

namespace scrivlet {

class DocumentPrompts;

// What a load passed over or could not read cleanly, for the caller to tell.
struct LoadNotes {
    // Bytes at the end of an .edt that make no whole record: not read, so not saved back.
    qint64 bytesLeftOut = 0;
    // Bytes of a .txt not valid in its encoding (see DecodeProblems), and where the first is.
    qint64 invalidBytes = 0;
    bool invalidReplaced = false;  // invalid UTF-8, read as U+FFFD
    qint64 firstInvalidLine = 0;   // 1-based
    int firstInvalidRecord = -1;
    // Left-out bytes make the file differ from the document: it counts as modified, and a save
    // writes it as shown.
    bool DiffersFromFile() const { return bytesLeftOut > 0; }
};

struct LoadResult {
    std::unique_ptr<EdtDocument> document;  // null on failure
    QString error;                          // the user-facing reason on failure
    LoadNotes notes;
};

// The invalid bytes of a load in one sentence that names the line and the record (as the grid
// names it) of the first; empty without any.
QString InvalidBytesText(const LoadNotes& notes, const EdtFormat& format);
// The status-bar line for bytes left out at the end of an .edt; empty without any.
QString LeftOutText(const LoadNotes& notes);
// Why a file of fileSize bytes is no whole number of records.
QString InvalidSizeText(qint64 fileSize, qint64 recordBytes);
// The question before such a file opens: the file, why, the bytes left over and that they are
// not saved back, then whether to open the whole records.
QString InvalidSizeQuestion(const QString& path, qint64 fileSize, qint64 recordBytes);

// Reads the file at path into a new document of the format. quiet fails a file whose size is
// no whole number of records without asking; prompts may be null (then nothing is asked and
// the answer is No). The document comes back with path, type and encoding set, unmodified
// unless bytes were left out (then it no longer matches its file).
LoadResult LoadDocument(const QString& path, int fileType, int encoding, const EdtFormat& format,
                        int formatIndex, bool quiet, DocumentPrompts* prompts = nullptr);

// Writes to the document's own path, type and encoding, replacing the old file only once the
// new one is complete. On failure the old file is as before.
Result SaveDocument(EdtDocument& document);

// Saves to path as the file type (the document's own for kFileTypeAll) in encoding, and takes
// them on success only: a failed save leaves the document as it was.
Result SaveDocumentAs(EdtDocument& document, const QString& path, int fileType, int encoding);

// Writes the document to path as SaveDocumentAs does but leaves the document alone: for a
// copy written from a snapshot on another thread.
Result WriteDocumentCopy(const EdtDocument& document, const QString& path, int fileType,
                         int encoding);

// An empty document of a format: no records (a view shows only its add-row). It is unsaved
// until it is saved: its session counts it as modified, so closing it asks.
std::unique_ptr<EdtDocument> NewDocument(const EdtFormat& format, int formatIndex);

}  // namespace scrivlet
