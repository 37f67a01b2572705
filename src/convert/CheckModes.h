#pragma once

#include "convert/CheckOptions.h"

// The converter's quality checks: --check over one document and over a project's files.

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
struct ProjectListing;
}  // namespace scrivlet

namespace scrivlet::convert {

struct Session;

int RunCheck(Session& session);

// The glossary check uses the project's terms unless the request names a file.
int RunProjectCheck(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, const CheckRequest& request);

}  // namespace scrivlet::convert
