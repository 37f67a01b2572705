#include "shell/FrameDocks.h"

#include "shell/EditingPane.h"
#include "shell/GlossaryPanel.h"
#include "shell/ProblemsPanel.h"
#include "shell/SuggestionsPanel.h"

#include <QApplication>
#include <QMainWindow>

namespace scrivlet {

FrameDocks CreateFrameDocks(QMainWindow* window)
{
    FrameDocks docks{new EditingPane(window), new ProblemsPanel(window),
                     new SuggestionsPanel(window), new GlossaryPanel(window)};
    for (QDockWidget* dock :
         {static_cast<QDockWidget*>(docks.pane), static_cast<QDockWidget*>(docks.problems)})
        window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    for (QDockWidget* dock :
         {static_cast<QDockWidget*>(docks.suggestions), static_cast<QDockWidget*>(docks.glossary)})
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
    EditingPane* pane = docks.pane;
    docks.suggestions->SetTaker([pane](const QString& text) {
        if (!pane->isVisible() || !pane->isAncestorOf(QApplication::focusWidget()))
            return false;
        pane->Replace(text);
        return true;
    });
    return docks;
}

void ArrangeDocks(QMainWindow* window, const FrameDocks& docks, QDockWidget* projectFiles,
                  QDockWidget* projectFind, bool projectOpen)
{
    // What helps with the words at the right, the work on one field below the grid.
    const QList<QDockWidget*> right = {projectFiles, docks.suggestions, docks.glossary};
    const QList<QDockWidget*> below = {docks.pane, docks.problems, projectFind};
    for (const auto& [area, place] :
         {std::pair{Qt::RightDockWidgetArea, right}, std::pair{Qt::BottomDockWidgetArea, below}}) {
        for (QDockWidget* dock : place) {
            dock->setFloating(false);
            window->addDockWidget(area, dock);
            if (dock != place.first())
                window->tabifyDockWidget(place.first(), dock);
        }
    }
    // Out of the way until asked for: the glossary and the project's search; the project's
    // files while no project is open.
    projectFiles->setVisible(projectOpen);
    docks.glossary->hide();
    projectFind->hide();
    for (QDockWidget* shown :
         std::initializer_list<QDockWidget*>{docks.suggestions, docks.problems, docks.pane})
        shown->show();
    docks.suggestions->raise();
    docks.pane->raise();
    // Room for a source and its translation side by side; a few lines of each in the pane.
    window->resizeDocks({docks.suggestions}, {380}, Qt::Horizontal);
    window->resizeDocks({docks.pane}, {230}, Qt::Vertical);
}

}  // namespace scrivlet
