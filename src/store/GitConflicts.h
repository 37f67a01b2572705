#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"
#include "store/ProjectPlace.h"
#include "translation/DocumentMerge.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The project's documents a merge left unmerged in its git repository, and their fields
// changed two ways, resolved one at a time. Git keeps the base, ours and theirs of such a file
// in its index; the working file is what gets resolved (the merge driver wrote the merged texts
// there, ours in every conflicting field). A field is open while the working file still holds
// ours there and ours was not chosen; the file is staged once none is open.

namespace scrivlet {

class FormatCatalogue;
class ProjectFile;

struct ConflictedFile {
    QString path;     // the working file, absolute
    QString gitPath;  // as git names it: below the repository's top
    QString repository;
    DocumentPlace place;  // relative path, format and encoding
    int fileType = 0;
    QByteArray blobs[3];                   // base, ours, theirs in the index
    std::unique_ptr<EdtDocument> working;  // what a resolution changes and writes
    bool redone = false;              // working is the merge made here, not yet in the working file
    std::vector<FieldConflict> all;   // records of working; ours' removals left out (they stand)
    std::vector<FieldConflict> open;  // of them, those not resolved yet
    QString error;  // the file could not be read as a document: why (nothing else is set)
};

struct ConflictList {
    std::vector<ConflictedFile> files;  // by relative path; only those with three versions
    // Unmerged files of the project that are no field conflict (removed or added on one side),
    // by relative path, to be resolved with git.
    QStringList others;
};

// The unmerged documents of the project's repository (none when the project is in none).
Result FindConflicts(ProjectFile& project, const FormatCatalogue& catalogue, ConflictList* list);

// Writes the merge made here into the working file where git left ours there (a clone
// without the merge driver), as the driver would have.
Result WriteMerged(ConflictedFile& file);

// The open conflict of file at (record, field); null when there is none.
const FieldConflict* OpenConflict(const ConflictedFile& file, int record, int field);

// Resolves an open conflict: theirs writes their text into the working file (atomically), ours
// is noted as chosen. The file is staged when that was its last open conflict (staged tells).
enum class Side { Ours, Theirs };
Result ResolveConflict(ConflictedFile& file, int record, int field, Side take, bool* staged);

// For a working file written by someone else (the editor saving a resolution): reads it again,
// notes keep as ours chosen at (record, field) when given, and stages the file when no conflict
// is left open.
Result SettleConflicts(ConflictedFile& file, const std::vector<std::pair<int, int>>& keep,
                       const FormatCatalogue& catalogue, bool* staged);

}  // namespace scrivlet
