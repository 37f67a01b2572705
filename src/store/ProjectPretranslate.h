#pragma once

#include "base/Result.h"
#include "store/MemoryExchange.h"
#include "translation/FieldStates.h"

#include <QString>

#include <functional>
#include <vector>

// A whole project filled from its own memory, file by file: each changed translation written
// in one step, a fill from a fuzzy match kept as needs work.

namespace scrivlet {

class FormatCatalogue;
class ProjectFile;
struct ProjectListing;

struct FilePretranslation {
    QString path;  // relative
    PretranslateReport report;
    QString error;  // nothing written for this file: why
};

// The fields of every original's translation (or of the one named by only, a relative path)
// that are empty or the same as the original, from matches at or above minScore; done hears of
// each file. Fails when the memory cannot be opened or read.
Result PretranslateProject(ProjectFile& project, const FormatCatalogue& catalogue,
                           const ProjectListing& listing, int minScore, const QString& only,
                           const std::function<void(const FilePretranslation&)>& done);

// The notes with a needs-work state put on the guessed fields of document (hashed on their
// texts now), by record and field.
std::vector<PlacedNote> GuessesNeedWork(const EdtDocument& document,
                                        const std::vector<PlacedNote>& notes,
                                        const PretranslateReport& report);

}  // namespace scrivlet
