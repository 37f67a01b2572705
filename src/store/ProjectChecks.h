#pragma once

#include "store/ProjectWalk.h"
#include "translation/Checks.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// The quality checks over every translation of a project, each field's consistency judged
// against the same reference text in all the project's files, not only its own; and the
// choices of the checks the project keeps, which the editor and the converter both read.

namespace scrivlet {

class DocumentChecks;
class ProjectTranslations;

// Keys of the project's settings table; lists hold one entry per line (patterns may hold
// commas).
inline constexpr char kProjectDisabledChecks[] = "disabled_checks";
inline constexpr char kProjectSpelling[] = "spelling_language";
inline constexpr char kProjectWordList[] = "word_list";
inline constexpr char kProjectPlaceholders[] = "placeholder_patterns";
inline constexpr char kProjectTags[] = "tag_patterns";
inline constexpr char kProjectLengthRatio[] = "length_ratio";
inline constexpr char kProjectStartCaseOff[] = "start_case_off";

// The words the project's spelling accepts besides the dictionary's.
QStringList ProjectWordList(ProjectFile& project);
Result StoreProjectWordList(ProjectFile& project, const QStringList& words);
// The project's patterns, length ratio and fields whose start case is not checked.
CheckTuning ProjectCheckTuning(ProjectFile& project);
Result StoreCheckTuning(ProjectFile& project, const CheckTuning& tuning);

struct ProjectCheckCalls {
    // A file checked: its entry, its number (its index in the listing) and its checks.
    std::function<void(const ProjectEntry&, int file, const DocumentChecks&)> checked;
    // A file that could not be read, left out.
    std::function<void(const ProjectEntry&, const QString& error)> failed;
    // Files checked so far of all; may be empty.
    std::function<void(int done, int total)> progress;
    // Asked between files; may be empty.
    std::function<bool()> cancelled;
};

// Reads every original of listing with its translation, except the paths in skip (whose
// texts the caller has put into translations already, under their listing index), adds their
// texts to translations, then checks each with settings and the project's ignores, in path
// order. The caller's translations must outlive the run.
void CheckProjectFiles(ProjectFile& project, const FormatCatalogue& catalogue,
                       const ProjectListing& listing, const CheckSettings& settings,
                       ProjectTranslations* translations, const QSet<QString>& skip,
                       const ProjectCheckCalls& calls);

}  // namespace scrivlet
