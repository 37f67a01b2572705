#pragma once

#include "convert/ConvertOptions.h"

#include <QString>

#include <optional>

// The states and comments of fields on the command line: listed as JSON lines, or one set.

namespace scrivlet {
class EdtDocument;
class FormatCatalogue;
class ProjectFile;
struct ProjectListing;
}  // namespace scrivlet

namespace scrivlet::convert {

// {"file", "record", "field", "state"[, "comment"]} for each field with a note, of one file
// (relative path) or, file empty, of every file.
int ListProjectStates(ProjectFile& project, const FormatCatalogue& catalogue,
                      const ProjectListing& listing, const QString& file);
int SetProjectState(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, const QString& file,
                    const StateRequest& request);
// The same for a document outside a project, kept beside it; reference may be null.
int ListFileStates(const EdtDocument& document, const EdtDocument* reference, const QString& path);
int SetFileState(const EdtDocument& document, const EdtDocument* reference, const QString& path,
                 const StateRequest& request);

}  // namespace scrivlet::convert
