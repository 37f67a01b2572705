#pragma once

#include <QIcon>

// Icons of the toolbar and of the program. The desktop's icon theme comes first; where it
// has none, the style's standard icons, and for the edit and print buttons small drawings
// of our own, so that no button is ever blank.

namespace scrivlet {

enum class Command;

QIcon CommandIcon(Command command);
QIcon AppIcon();

}  // namespace scrivlet
