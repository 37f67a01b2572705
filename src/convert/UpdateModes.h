#pragma once

#include <QString>

// The converter's update modes: a translation carried over to a new original (--update) and a
// whole project to a new originals folder (--project ... --update-originals).

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
}  // namespace scrivlet

namespace scrivlet::convert {

struct Options;
struct Session;

int RunUpdate(Session& session);

int UpdateProjectOriginals(ProjectFile& project, const FormatCatalogue& catalogue,
                           const QString& folder);

}  // namespace scrivlet::convert
