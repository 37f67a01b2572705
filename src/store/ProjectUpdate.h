#pragma once

#include "base/Result.h"
#include "store/Memory.h"
#include "store/ProjectFile.h"
#include "translation/Alignment.h"

#include <QString>

#include <functional>
#include <vector>

// A project moved on to a new version of its originals: each translation carried over (see
// translation/Alignment.h), its field marks following their records, and the fields to review
// marked with the source their translation was made from.

namespace scrivlet {

class FormatCatalogue;

// The marks of a file after the alignment: rows of removed records go, the others follow
// their record; each field to review gets its reason and, unless it already waits for review
// with an older one, the old original's text as its source.
std::vector<ProjectFile::PlacedMarks> CarryMarks(const std::vector<ProjectFile::PlacedMarks>& marks,
                                                 const Alignment& alignment,
                                                 const EdtDocument& oldOriginal);

struct FileUpdate {
    QString path;  // relative
    AlignmentCounts counts;
    QString error;  // the translation stayed as it was: why
    // The translations of removed records, added to the project's memory.
    MemoryCounts memory;
    QString memoryError;  // they could not go there: why (the update itself stands)
};

// Carries every translation over to the originals of the same relative path below newOriginals,
// then points the project at that folder, all or nothing: each changed translation is written
// beside its file first, and replaced only once the project has switched (a run cut short is
// finished or rolled back by the project's next open). done gets each translation in path
// order; a translation without a new original, or one that cannot be carried over, stays as
// it is (and is told as an error naming it). The translations of removed records go to the
// project's memory. Fails as a whole only when the folder cannot be read, another update is
// running, or the project cannot be written.
Result UpdateOriginals(ProjectFile& project, const FormatCatalogue& catalogue,
                       const QString& newOriginals,
                       const std::function<void(const FileUpdate&)>& done);

}  // namespace scrivlet
