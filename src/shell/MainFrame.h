#pragma once

#include "base/UiText.h"

#include <QHash>
#include <QMainWindow>

#include <functional>

class QActionGroup;
class QDialog;
class QLabel;
class QMenu;
class QToolBar;

// The application's main window: menu bar, toolbar, status bar and the tab view with one
// DocumentTab per open document. It routes the commands, forwards edit commands and find
// requests to the active grid and keeps enabled states, check marks and tab titles up to
// date whenever the event loop goes idle.

namespace scrivlet {

class DocumentCommands;
class DocumentTab;
class FormatCatalogue;
class GridView;
class TabView;

// Exit status of a start that could not load the format catalogue.
constexpr int kExitCatalogueMissing = 1;

// Loads the catalogue of a language; on a missing file fills missingFileName.
using CatalogueLoader =
    std::function<bool(FormatCatalogue& catalogue, UiLanguage language, QString* missingFileName)>;

class MainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window in the current interface language and, last, loads the catalogue.
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    // Replaces the catalogue loader of frames made from now on; empty restores the real one.
    static void SetCatalogueLoader(CatalogueLoader loader);

    // 0 after a good start; otherwise the program must end with this status.
    int StartupExitCode() const { return startupExitCode_; }

    // --- commands ----------------------------------------------------------------------
    QAction* Action(int command) const { return actions_.value(command); }
    // Runs a command as its menu item, shortcut or toolbar button does.
    void RunCommand(int command);
    // Enabled states, check marks and the active tab's modified mark.
    void UpdateUi();

    // --- tabs --------------------------------------------------------------------------
    // Appends a tab holding view (the frame takes it over) and makes it active.
    int AddDocumentTab(GridView* view, const QString& title);
    int TabCount() const;
    int ActiveIndex() const;
    DocumentTab* TabAt(int index) const;
    DocumentTab* ActiveTab() const;
    GridView* ViewAt(int index) const;
    GridView* ActiveView() const;
    int IndexOf(const DocumentTab* tab) const;
    void SetActiveIndex(int index);
    QString TabTitle(int index) const;
    void SetTabTitle(int index, const QString& title);
    // Removes the tab and destroys its document, without asking.
    void CloseTab(int index);

    // FindRequest from the find dialog: goes to the active grid, dropped without a tab.
    void FindRequest(const QString& pattern, quint32 flags);

    // --- document commands -----------------------------------------------------------
    void NewDocument();
    void OpenDocuments();
    // True when the document was saved.
    bool SaveActive(DocumentTab* tab);
    bool SaveAsDocument(DocumentTab* tab);
    void SaveAllAs();
    // True when the tab was closed.
    bool CloseDocument(DocumentTab* tab);
    // Closes from the last tab to the first and stops at the first that stays open; true
    // when no tab is left.
    bool CloseAllDocuments();
    void ShowFindDialog();
    // The document commands with their shell state and dialog host.
    DocumentCommands* Commands();

    // The About box, not yet shown.
    QDialog* CreateAboutDialog(QWidget* parent);

    TabView* Tabs() const { return tabView_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QMenu* WindowMenu() const { return windowMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* LanguageMenu() const { return languageMenu_; }
    QLabel* IdleLabel() const { return idleLabel_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void LoadCatalogue();
    void RebuildWindowMenu();
    void ChooseLanguage(int languageId);
    void ShowAbout();
    void OnIdle();

    QHash<int, QAction*> actions_;
    TabView* tabView_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QActionGroup* windowGroup_ = nullptr;
    QAction* windowSeparator_ = nullptr;
    QLabel* idleLabel_ = nullptr;
    int startupExitCode_ = 0;
    DocumentCommands* commands_ = nullptr;  // a child object, made on first use
    bool inIdleUpdate_ = false;
};

}  // namespace scrivlet
