#pragma once

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

struct StateRequest {
    int record = -1, field = -1;
    QString state;  // needs_work, translated or approved
    std::optional<QString> comment;
};

// What is wrong with a --set-state request; empty when nothing.
QString StateRequestProblem(const StateRequest& request);

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
