#pragma once

#include "base/UiText.h"
#include "shell/Commands.h"
#include "shell/FrameDocks.h"
#include "shell/FrameParts.h"
#include "translation/TranslationStatus.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QActionGroup;
class QDialog;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;
class QUndoGroup;

// The application's main window: menu bar, toolbar, status bar and the tab view with one
// DocumentTab per open document. It makes a DocumentSession for every document that opens,
// owns the document commands, forwards edit commands and find requests to the active view and
// updates enabled states and texts when the active tab, its history or its document change.

namespace scrivlet {

class Autosave;
class DocumentCommands;
class DocumentSession;
class DocumentTab;
class EditingPane;
class FindCommands;
class FormatCatalogue;
class GridView;
class PrintCommands;
class GlossaryPanel;
class CheckCommands;
class ProblemsPanel;
class SpellingProgress;
class SuggestionsPanel;
class ProjectCommands;
class StartPage;
class TabView;
class WindowList;
class Workspace;
struct SearchQuery;

// Exit status of a start that could not load the format catalogue.
constexpr int kExitCatalogueMissing = 1;

// Loads the catalogue of a language; on a missing file fills missingFileName.
using CatalogueLoader =
    std::function<bool(FormatCatalogue& catalogue, UiLanguage language, QString* missingFileName)>;

class MainFrame : public QMainWindow, public FrameParts {
    Q_OBJECT

public:
    // Builds the window in the current interface language and, last, loads catalogue (one of
    // the frame's own when null), which then outlives the frame.
    explicit MainFrame(FormatCatalogue* catalogue = nullptr, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Replaces the catalogue loader of frames made from now on; empty restores the real one.
    static void SetCatalogueLoader(CatalogueLoader loader);

    // 0 after a good start; otherwise the program must end with this status.
    int StartupExitCode() const { return startupExitCode_; }

    // --- FrameParts ------------------------------------------------------------------------
    QAction* Action(Command command) const override
    {
        return actions_[static_cast<size_t>(command)];
    }
    Workspace& Work() const override { return *workspace_; }
    DocumentCommands& Commands() const override { return *commands_; }
    ProjectCommands& Projects() const override { return *projects_; }
    DocumentTab* TabAt(int index) const override;
    GlossaryPanel* Glossary() const { return glossary_; }
    // Enabled states, the undo texts and the counts; runs on every change they follow.
    void UpdateUi();
    // The recovery writer every document opened from now on is given to; null for none.
    void SetRecovery(Autosave* recovery);

    // --- DocumentTabs ----------------------------------------------------------------------
    int TabCount() const override;
    EdtDocument* DocumentAt(int index) const override;
    DocumentSession* SessionAt(int index) const override;
    int ActiveIndex() const override;
    int AddDocument(std::unique_ptr<EdtDocument> document, const QString& name,
                    bool unsaved = false) override;
    void CloseTab(int index) override;
    QString TabName(int index) const override;
    void SetTabName(int index, const QString& name) override;
    void ShowStatus(const QString& text) override;
    QWidget* Window() override { return this; }
    const FormatCatalogue& Catalogue() const override { return *catalogue_; }

    GridView* ActiveView() const;
    void SetActiveIndex(int index);
    // The title as the tab and the window list show it, modified mark included.
    QString TabTitle(int index) const;

    // Find, Replace and Go to Record on the active view.
    FindCommands& Find() const { return *find_; }
    QUndoGroup* UndoGroup() const { return undoGroup_; }
    // The active document's translation counts as the status bar shows them; empty without
    // a tab.
    QString CountsText() const;
    // The counts of each state and problem, one a line.
    QString CountsToolTip() const;

    TabView* Tabs() const { return tabView_; }
    CheckCommands* Checks() const { return checks_; }
    // Shown in place of the tabs while no document is open.
    StartPage* Start() const { return startPage_; }
    QMenu* WindowMenu() const { return windowMenu_; }
    // Filled from the settings each time it opens.
    QMenu* RecentMenu() const { return recentMenu_; }
    void RebuildRecentMenu();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ConnectActions();
    void ConnectEditActions();
    void CreateStatusBar();
    void CreateDocks();
    void CreatePages();
    void ConnectProjectProblems();
    void ConnectTabs();
    void LoadCatalogue();
    void ShowTitle(DocumentTab* tab);
    // "name[*] - caption" for the active document, the caption alone without one.
    void ShowWindowTitle();
    void ShowStartPageOrTabs();
    void RebuildWindowMenu();
    void ChooseLanguage(const QString& code);
    void UpdateUndoTexts();
    // F8 / F9: selects the next or previous field to work on in the active view.
    void SeekField(bool problem, bool forward);
    // A tab for the session the workspace made at index, and the tab's going.
    void ShowSession(int index);
    void DropSession(int index);
    // The workspace's active session shown: its tab, history, panels.
    void ShowActive(int index);
    // One UpdateUi once the current event is handled, however many changes asked for it.
    void ScheduleUpdate();
    void Follow(DocumentTab* tab);
    void UpdateLanguageChecks();
    // Gives the active grid the keyboard, with a cell selected.
    void FocusActiveView();

    std::unique_ptr<FormatCatalogue> ownCatalogue_;
    FormatCatalogue* catalogue_;
    Workspace* workspace_;
    std::array<QAction*, std::size(kCommands)> actions_{};
    FindCommands* find_ = nullptr;
    std::unique_ptr<DocumentCommands> commands_;
    std::unique_ptr<PrintCommands> printing_;
    ProjectCommands* projects_ = nullptr;
    TabView* tabView_ = nullptr;
    StartPage* startPage_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    std::unique_ptr<WindowList> windowList_;
    // The active tab's edit history drives Undo and Redo.
    QUndoGroup* undoGroup_ = nullptr;
    int startupExitCode_ = 0;
    bool updatePending_ = false;
    Autosave* recovery_ = nullptr;
    QLabel* countsLabel_ = nullptr;
    SpellingProgress* spellingProgress_ = nullptr;
    ProblemsPanel* problems_ = nullptr;
    EditingPane* pane_ = nullptr;
    FrameDocks docks_;
    CheckCommands* checks_ = nullptr;
    SuggestionsPanel* suggestions_ = nullptr;
    GlossaryPanel* glossary_ = nullptr;
};

}  // namespace scrivlet
