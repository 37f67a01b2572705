#pragma once

#include "translation/TextBox.h"

#include <QString>
#include <QStringList>

#include <optional>

// The converter's text boxes: --set-box, which keeps a box in a project, the single-file
// check's --box FIELD:FONT:SIZE:WIDTH:LINES[:BREAK], and whether a run measures with Qt's text
// layout (a TrueType or OpenType box is in play), for which it needs a GUI application.

namespace scrivlet {
class FormatCatalogue;
class ProjectFile;
}  // namespace scrivlet

namespace scrivlet::convert {

struct BoxRequest {
    std::optional<std::pair<QString, QString>> setBox;  // FORMAT_INDEX, FIELD as written
    QString font;
    QString size, width, lines, breaks;  // as written; checked by BoxRequestProblem
};

extern const char kBoxUsage[];

// Whether arg is a box option that takes one value (--font, --size, --width, --lines, --break).
bool IsBoxValueOption(const QString& arg);
// Takes args[i] (and its values, moving i past them) when it is a box option; a problem with
// it goes to *problem.
bool TakeBoxOption(const QStringList& args, int& i, BoxRequest* request, QString* problem);
// What is wrong with the request; empty when nothing is.
QString BoxRequestProblem(const BoxRequest& request);

// "FIELD:FONT:SIZE:WIDTH:LINES[:BREAK]" (the font may hold colons); nullopt, with the problem,
// for anything else.
std::optional<std::pair<int, TextBox>> ParseBoxSpec(const QString& spec, QString* problem);

// Keeps the box in the project and prints it as one JSON line; file: an original's relative
// path, for its own box, or empty for the format's.
int SetProjectBox(ProjectFile& project, const FormatCatalogue& catalogue, const BoxRequest& request,
                  const QString& file);

// Whether the command line puts a TrueType or OpenType box in play: one given by --box or
// --set-box, or one kept in the project a --check runs over.
bool NeedsTextLayout(const QStringList& args);

}  // namespace scrivlet::convert
