#pragma once

#include "convert/BoxOptions.h"

#include <QString>
#include <QStringList>

// The converter's text boxes: --set-box, which keeps a box in a project, and whether a run
// measures with Qt's text layout (a TrueType or OpenType box is in play), for which it needs a
// GUI application.

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
}  // namespace scrivlet

namespace scrivlet::convert {

// Keeps the box in the project and prints it as one JSON line; file: an original's relative
// path, for its own box, or empty for the format's.
int SetProjectBox(ProjectFile& project, const FormatCatalogue& catalogue, const BoxRequest& request,
                  const QString& file);

// Whether the command line puts a TrueType or OpenType box in play: one given by --box or
// --set-box, or one kept in the project a --check runs over.
bool NeedsTextLayout(const QStringList& args);

}  // namespace scrivlet::convert
