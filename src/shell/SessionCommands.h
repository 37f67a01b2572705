#pragma once

#include "session/Settings.h"
#include "shell/Autosave.h"

// The last session: what the window held when it closed (the project, each document with its
// reference and selected cell, the active one), opened again on the next start unless the
// user turned that off in the Window menu.

namespace scrivlet {

class FrameParts;

// What the frame shows now; documents never saved are left out.
LastSession CaptureSession(FrameParts& frame);
// Opens the session's project and documents as the user would: a document of the project with
// its original and states, another with the reference it had. Files gone are passed over.
void ReopenSession(FrameParts& frame, const LastSession& session);
// On start: the stored session, when the setting asks for it.
void ReopenLastSession(FrameParts& frame);
// The frame's project for the recovery copies: which one a file belongs to, and opening one
// for a restored copy when none is open.
RecoveryProjects RecoveryProjectsOf(FrameParts& frame);
// Connects Window > Reopen Documents at Start.
void ConnectSessionCommands(FrameParts& frame);

}  // namespace scrivlet
