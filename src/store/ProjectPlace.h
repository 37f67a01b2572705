#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A document file and the project that says how to read it: for the git drivers, which are
// handed a path and nothing else.

namespace scrivlet {

class FormatCatalogue;
class ProjectFile;

struct DocumentPlace {
    QString relative;  // below the project's folder, with '/'
    bool translation = false;
    int format = -1;  // the project's format for the original of that path; -1: none clear
    int encoding = 0;
};

// The project file (*.scrivlet, the first by name) in folder or the nearest folder above it;
// empty when there is none.
QString FindProjectAbove(const QString& folder);
// The project files in folder and below it (not in .git), sorted.
QStringList FindProjectsBelow(const QString& folder);

// Where path lies in the project: in the translations folder (looked at first) or the
// originals folder, with the format the project gives the original of that relative path and
// the folder's encoding; nullopt when it lies in neither.
std::optional<DocumentPlace> PlaceInProject(ProjectFile& project, const FormatCatalogue& catalogue,
                                            const QString& path);
// For a copy of a document made elsewhere under the same file name (git's temporary files):
// the project's files of that name, a translation before an original; nullopt when there is
// none, or several that are read differently.
std::optional<DocumentPlace> PlaceByName(ProjectFile& project, const FormatCatalogue& catalogue,
                                         const QString& name);

}  // namespace scrivlet
