#pragma once

#include "search/Replace.h"
#include "store/ProjectWalk.h"

#include <atomic>
#include <functional>
#include <vector>

// Find in Project: the query over every translation of a project.

namespace scrivlet {

// What a list of hits shows beside each one: the record's name, the field's and the text
// around the match (around.mid(matchStart, hit length) is the match).
struct HitContext {
    QString record;
    QString field;
    QString around;
    int matchStart = 0;
};

// The context of a hit in document (a translation of the project or any other).
HitContext ContextOfHit(const EdtDocument& document, const FieldMatch& hit);

struct FileHits {
    QString path;          // relative
    bool missing = false;  // no translation yet: the hits are in the original it copies
    std::vector<FieldMatch> hits;
    std::vector<HitContext> context;  // one per hit, when asked for
    QString error;                    // the translation could not be read: why
};

struct ProjectSearchControl {
    bool context = false;  // fill FileHits::context
    // Set from another thread: the walk stops at the next file.
    const std::atomic<bool>* cancel = nullptr;
};

// Searches the translations (a missing one as the copy of its original) on all cores and hands
// each file's hits to found in path order, as soon as that file and those before it are
// searched (the first hits come before the walk ends). A file that cannot be read comes with
// its error. InvalidPattern stops the walk; so does a cancel (then the answer is NotFound).
SearchOutcome FindInProject(const ProjectFile& project, const FormatCatalogue& catalogue,
                            const ProjectListing& listing, const SearchQuery& query,
                            const std::function<void(const FileHits&)>& found,
                            const ProjectSearchControl& control = {});

}  // namespace scrivlet
