#pragma once

#include "catalogue/FormatCatalogue.h"

#include <QString>

// The notes a load leaves and the sentences that tell them to the user: the file types'
// readers fill them in, the document files hand them to the caller.

namespace scrivlet {

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

}  // namespace scrivlet
