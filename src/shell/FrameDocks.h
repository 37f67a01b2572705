#pragma once

class QDockWidget;
class QMainWindow;

namespace scrivlet {

class EditingPane;
class GlossaryPanel;
class ProblemsPanel;
class SuggestionsPanel;

// The docks around the grid that the frame makes itself.
struct FrameDocks {
    EditingPane* pane = nullptr;
    ProblemsPanel* problems = nullptr;
    SuggestionsPanel* suggestions = nullptr;
    GlossaryPanel* glossary = nullptr;
};

// Makes them in window; a suggestion chosen while the user types in the pane goes there.
FrameDocks CreateFrameDocks(QMainWindow* window);

// Puts every dock in its place and shows or hides it as at the first start: two tabbed
// places, so that even with every dock open the grid keeps most of the window.
void ArrangeDocks(QMainWindow* window, const FrameDocks& docks, QDockWidget* projectFiles,
                  QDockWidget* projectFind, bool projectOpen);

}  // namespace scrivlet
