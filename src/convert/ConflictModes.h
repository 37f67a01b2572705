#pragma once

#include <QString>

// The fields a git merge left in conflict in a project's files: listed as JSON lines, or one
// resolved.

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
}  // namespace scrivlet

namespace scrivlet::convert {

// What --resolve asks for: the file (relative path), record and field, and the side taken.
struct ResolveRequest {
    QString file;
    int record = -1, field = -1;
    QString take;  // ours or theirs
};

// What is wrong with a --resolve request; empty when nothing.
QString ResolveRequestProblem(const ResolveRequest& request);

// {"file", "record", "field", "base", "ours", "theirs"} per open conflict.
int ListConflicts(ProjectFile& project, const FormatCatalogue& catalogue);
// {"file", "record", "field", "text"}: the text the field now holds.
int ResolveProjectConflict(ProjectFile& project, const FormatCatalogue& catalogue,
                           const ResolveRequest& request);

}  // namespace scrivlet::convert
