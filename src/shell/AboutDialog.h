#pragma once

class QWidget;

// Help > About: the program's icon, name, version and copyright in a small fixed dialog.

namespace scrivlet {

// Shown over the active window, else over owner; returns when it is closed.
void ShowAboutDialog(QWidget* owner);

}  // namespace scrivlet
