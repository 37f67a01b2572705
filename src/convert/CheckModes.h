#pragma once

#include "convert/CheckOptions.h"

// The converter's quality checks over a project's files; --check over one document is
// RunCheck of ConvertModes.h.

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
struct ProjectListing;
}  // namespace scrivlet

namespace scrivlet::convert {

int RunProjectCheck(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, const CheckRequest& request);

}  // namespace scrivlet::convert
