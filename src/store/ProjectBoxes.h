#pragma once

#include "base/Result.h"
#include "translation/Checks.h"

#include <QString>
#include <QStringList>

#include <vector>

// The game's text boxes a project keeps: one per format's text field, and one per file's field
// that stands before its format's. Fonts are kept relative to the project file's folder, so
// that a team's copies of the project find them.

namespace scrivlet {

class ProjectFile;

struct StoredBox {
    FormatField field;
    QString file;  // relative path of the original; empty: every file of the format
    TextBox box;   // its font as kept
    bool operator==(const StoredBox&) const = default;
};

std::vector<StoredBox> ProjectBoxes(ProjectFile& project);
// Adds the box, or replaces the one of the same field (and file).
Result StoreProjectBox(ProjectFile& project, const StoredBox& box);
Result RemoveProjectBox(ProjectFile& project, const FormatField& field, const QString& file);
// A font path as the project keeps it (relative to its folder), and back.
QString KeptFontPath(const ProjectFile& project, const QString& font);
QString FontPathOf(const ProjectFile& project, const QString& kept);
// The project's boxes with their fonts loaded, into settings' boxes and fileBoxes; a font that
// cannot be loaded leaves its box out and says why in the list returned.
QStringList LoadProjectBoxes(ProjectFile& project, CheckSettings* settings);

}  // namespace scrivlet
