#pragma once

#include "search/Replace.h"
#include "store/ProjectWalk.h"

#include <functional>
#include <vector>

// Find in Project: the query over every translation of a project.

namespace scrivlet {

struct FileHits {
    QString path;          // relative
    bool missing = false;  // no translation yet: the hits are in the original it copies
    std::vector<FieldMatch> hits;
    QString error;  // the translation could not be read: why
};

// Searches the translations (a missing one as the copy of its original) on all cores and hands each file's hits to found in path order,
// as soon as that file and those before it are searched (the first hits come before the walk
// ends). A file that cannot be read comes with its error. InvalidPattern stops the walk.
SearchOutcome FindInProject(const ProjectFile& project, const FormatCatalogue& catalogue,
                            const ProjectListing& listing, const SearchQuery& query,
                            const std::function<void(const FileHits&)>& found);

}  // namespace scrivlet
