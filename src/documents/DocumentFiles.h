#pragma once

#include "base/Result.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "documents/LoadNotes.h"

#include <QString>

#include <memory>

// Opening and saving documents: an .edt file (headerless fixed-size records of 16-bit units)
// or its .txt rendering (one line per text field, one group of lines per record). What goes
// wrong is told in the interface language, ready to show after the caller's own message.

namespace scrivlet {

class DocumentPrompts;

struct LoadResult {
    std::unique_ptr<EdtDocument> document;  // null on failure
    QString error;                          // the user-facing reason on failure
    LoadNotes notes;
};

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
