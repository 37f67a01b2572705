#pragma once

// Commands of the frame kept out of MainFrame.cpp: F8, F9 and Done and Next within the grid's
// filter, Edit > Filter Rows, File > Save All, a translation of the open project opened as the
// Project panel opens it whichever way it comes (Open, recent files, a drop, the command line),
// View > Legend, and their enabled states and those of File > Project Exchange.

namespace scrivlet {

class FrameParts;

// Selects the next or previous field to work on in the active view (untranslated, or with a
// problem), passing over the records the filter hides; beeps and says so when there is none.
void SeekField(FrameParts& frame, bool problem, bool forward);

// Saves every modified document from the first tab on (one never saved asks for its name);
// stops at the first that is cancelled or fails. True when all were saved.
bool SaveAll(FrameParts& frame);

// Connects the commands this file carries out.
void ConnectWorkbenchCommands(FrameParts& frame);
// Their enabled states, from MainFrame::UpdateUi.
void UpdateWorkbenchActions(FrameParts& frame);

}  // namespace scrivlet
