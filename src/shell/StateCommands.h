#pragma once

#include "shell/Commands.h"

class QWidget;

// The reviewer's and translator's commands on the selected field: needs work toggled,
// approved (a confirmation of the translation), a comment written. Each is a step of the
// document's history.

namespace scrivlet {

class DocumentTab;

inline constexpr Command kStateCommands[] = {Command::ConfirmReview, Command::ToggleNeedsWork,
                                             Command::Approve, Command::EditComment};

// Runs one of kStateCommands on the tab's selected field (a beep when it changes nothing);
// parent holds the comment dialog.
void RunStateCommand(Command command, DocumentTab* tab, QWidget* parent);

}  // namespace scrivlet
