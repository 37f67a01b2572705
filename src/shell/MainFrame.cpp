#include "shell/MainFrame.h"

#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/Autosave.h"
#include "shell/CheckCommands.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/FindDialog.h"
#include "shell/GlossaryPanel.h"
#include "shell/GoToDialog.h"
#include "shell/Icons.h"
#include "shell/MemoryCommands.h"
#include "shell/MessageBoxes.h"
#include "shell/Printing.h"
#include "shell/ProblemsPanel.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectPanel.h"
#include "shell/PropagateBar.h"
#include "shell/SpellingProgress.h"
#include "shell/StartPage.h"
#include "shell/SuggestionsPanel.h"
#include "shell/TranslationCommands.h"
#include "shell/UpdateCommand.h"
#include "store/ProjectFile.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

constexpr QSize kDefaultFrameSize(960, 640);
constexpr int kToolIconPixels = 16;
constexpr int kAboutIconPixels = 48;

CatalogueLoader& InstalledCatalogueLoader()
{
    static CatalogueLoader loader;
    return loader;
}

// "&" in a title would turn into an access key in tabs and menus.
QString EscapeAmpersands(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void SetEnabled(QAction* action, bool enabled)
{
    if (action && action->isEnabled() != enabled)
        action->setEnabled(enabled);
}

void SetChecked(QAction* action, bool checked)
{
    if (action && action->isChecked() != checked)
        action->setChecked(checked);
}

// A label that gives way before the window does: in a narrow window its text ends in "…"
// (the tooltip keeps the details) instead of holding the whole window wide.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override
    {
        return {fontMetrics().averageCharWidth() * kMinimumChars,
                QLabel::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }

private:
    static constexpr int kMinimumChars = 12;
};

// The pause after an edit before the project's other files are checked against it again.
constexpr int kProjectRecheckMs = 2000;

}  // namespace

MainFrame::MainFrame(FormatCatalogue* catalogue, QWidget* parent)
    : QMainWindow(parent),
      ownCatalogue_(catalogue ? nullptr : std::make_unique<FormatCatalogue>()),
      catalogue_(catalogue ? catalogue : ownCatalogue_.get()),
      workspace_(new Workspace(*catalogue_, this)),
      commands_(std::make_unique<DocumentCommands>(*this)),
      printing_(std::make_unique<PrintCommands>(this)),
      undoGroup_(new QUndoGroup(this))
{
    setWindowIcon(AppIcon());
    setAcceptDrops(true);
    // The toolbar's visibility belongs to the View menu alone.
    setContextMenuPolicy(Qt::NoContextMenu);

    // Asks for the project and the documents only once they are there.
    checks_ = new CheckCommands([this] { return workspace_->CurrentProject().File(); },
                                [this](const QString& path) {
                                    return workspace_->CurrentProject().RelativeTranslation(path);
                                },
                                [this] {
                                    std::vector<DocumentSession*> sessions;
                                    for (int index = 0; tabView_ && index < TabCount(); ++index)
                                        sessions.push_back(SessionAt(index));
                                    return sessions;
                                },
                                this);
    CreateActions();
    ConnectActions();
    ConnectPrinting();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateProblemsPanel();

    tabView_ = new TabView(this);
    tabView_->setObjectName(QStringLiteral("tabView"));
    projects_ = new ProjectCommands(
        *this, *workspace_, *this, *commands_, [this](int index) { return TabAt(index); },
        [this](int index) { SetActiveIndex(index); });
    startPage_ = new StartPage(Action(Command::New), Action(Command::Open), this);
    startPage_->AddProjectButtons(
        Action(Command::NewProject), Action(Command::OpenProject),
        [this](const QString& path) { projects_->OpenProjectFile(path); });
    startPage_->SetOpenHandler([this](const RecentFile& file) {
        if (file.format >= 0)
            commands_->OpenRecent(file);
        else
            commands_->OpenFiles({file.path}, -1, file.encoding);
    });
    pages_ = new QStackedWidget(this);
    pages_->addWidget(startPage_);
    pages_->addWidget(tabView_);
    setCentralWidget(pages_);
    ConnectProjectProblems();
    connect(projects_, &ProjectCommands::ProjectChanged, startPage_, &StartPage::Refresh);
    connect(projects_, &ProjectCommands::ProjectChanged, this, &MainFrame::ScheduleUpdate);
    connect(projects_, &ProjectCommands::ProjectChanged, checks_, &CheckCommands::Reload);
    checks_->Reload();
    connect(projects_, &ProjectCommands::ProjectChanged, this,
            [this] { suggestions_->SetLocation(MemoryInUse()); });
    suggestions_->SetLocation(MemoryInUse());
    connect(projects_, &ProjectCommands::GlossaryChanged, this, [this] {
        glossary_->SetGlossary(projects_->HasProject(), projects_->Glossary());
        ScheduleUpdate();
    });
    connect(Action(Command::ClearRecentFiles), &QAction::triggered, startPage_,
            &StartPage::Refresh);
    ConnectTabs();

    resize(kDefaultFrameSize);
    restoreGeometry(WindowGeometry());
    ShowWindowTitle();
    UpdateUi();
    LoadCatalogue();
}

// The Problems panel's Whole Project list: what a check of the project is given, what makes it
// run again, and where its results go.
void MainFrame::ConnectProjectProblems()
{
    problems_->SetProjectJob([this]() -> std::optional<ProjectCheckJob> {
        if (!projects_->HasProject())
            return std::nullopt;
        const Project& project = workspace_->CurrentProject();
        ProjectCheckJob job;
        job.projectPath = project.Path();
        job.catalogue = catalogue_;
        job.listing = project.Listing();
        job.enabled = checks_->Enabled();
        job.language = checks_->Language();
        job.words = checks_->WordList();
        job.patterns = checks_->Patterns();
        job.glossary = projects_->Glossary();
        for (int index = 0; index < TabCount(); ++index) {
            DocumentSession* session = SessionAt(index);
            const QString relative = project.RelativeTranslation(session->Document()->Path());
            if (!relative.isEmpty())
                job.open.emplace_back(relative, session);
        }
        return job;
    });
    // The project's list is made again whenever what it rests on changes.
    connect(projects_, &ProjectCommands::ProjectChanged, problems_, &ProblemsPanel::ProjectChanged);
    connect(&workspace_->CurrentProject(), &Project::Counted, problems_,
            [this] { problems_->ScheduleProjectCheck(); });
    connect(projects_, &ProjectCommands::GlossaryChanged, problems_,
            [this] { problems_->ScheduleProjectCheck(); });
    connect(checks_, &CheckCommands::Changed, problems_,
            [this] { problems_->ScheduleProjectCheck(); });
    connect(tabView_, &TabView::TabsChanged, problems_,
            [this] { problems_->ScheduleProjectCheck(); });
    connect(problems_, &ProblemsPanel::ClosedFileProblems, &workspace_->CurrentProject(),
            &Project::SetCheckedProblems);
    connect(problems_, &ProblemsPanel::ProjectProblemChosen, this,
            [this](const QString& path, int record, int field) {
                const ProjectEntry* entry = workspace_->CurrentProject().Entry(path);
                DocumentTab* tab = entry ? TabAt(projects_->OpenEntry(*entry)) : nullptr;
                if (tab && record < tab->Document()->RecordCount())
                    tab->View()->SelectCell(record, tab->Document()->TextColumn(field));
            });
}

// What follows the tabs coming, going and changing places, and the active tab's history.
void MainFrame::ConnectTabs()
{
    connect(tabView_, &TabView::TabsChanged, this, &MainFrame::ShowStartPageOrTabs);
    connect(tabView_, &TabView::TabsChanged, this, &MainFrame::RebuildWindowMenu);
    connect(tabView_, &QTabWidget::currentChanged, this, &MainFrame::RebuildWindowMenu);
    connect(tabView_, &QTabWidget::currentChanged, workspace_, &Workspace::SetActiveIndex);
    connect(workspace_, &Workspace::ActiveChanged, this, &MainFrame::ShowActive);
    connect(workspace_, &Workspace::SessionAdded, this, &MainFrame::ShowSession);
    connect(workspace_, &Workspace::SessionClosed, this, &MainFrame::DropSession);
    connect(tabView_, &TabView::TabsChanged, this, &MainFrame::ScheduleUpdate);
    for (auto changed : {&QUndoGroup::canUndoChanged, &QUndoGroup::canRedoChanged})
        connect(undoGroup_, changed, this, &MainFrame::ScheduleUpdate);
    for (auto changed : {&QUndoGroup::undoTextChanged, &QUndoGroup::redoTextChanged})
        connect(undoGroup_, changed, this, &MainFrame::ScheduleUpdate);
}

MainFrame::~MainFrame()
{
    // Closing the window hides the docks after this frame's own part is gone; their
    // signals must not reach it then.
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        dock->disconnect(this);
    // The project check reads the catalogue, which goes with this frame.
    problems_->StopProjectCheck();
    // A project closed on the way out must not re-check documents half gone.
    delete checks_;
    checks_ = nullptr;
    // The tabs go while the status bar their views write to still exists.
    while (TabCount() > 0)
        CloseTab(TabCount() - 1);
    // The project's count reads the catalogue, which may go with this frame.
    delete workspace_;
    workspace_ = nullptr;
}

void MainFrame::SetCatalogueLoader(CatalogueLoader loader)
{
    InstalledCatalogueLoader() = std::move(loader);
}

// --- building --------------------------------------------------------------------------

void MainFrame::CreateActions()
{
    for (const CommandDef& def : kCommands) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(def.name));
        if (def.hasPrompt) {
            // First line: the status-bar prompt; after the line break: the tooltip.
            const QString prompt = UiText(PromptTextKey(def.command).constData());
            const qsizetype lineBreak = prompt.indexOf(QLatin1Char('\n'));
            action->setStatusTip(lineBreak < 0 ? prompt : prompt.left(lineBreak));
            if (lineBreak >= 0)
                action->setToolTip(prompt.mid(lineBreak + 1));
        }
        QList<QKeySequence> shortcuts = QKeySequence::keyBindings(def.standardKey);
        for (const char* portable : {def.shortcut, def.altShortcut}) {
            const QKeySequence keys(QString::fromLatin1(portable));
            if (portable && !shortcuts.contains(keys))
                shortcuts << keys;
        }
        action->setShortcuts(shortcuts);
        action->setCheckable(def.checkable);
        // Shortcuts work also for commands that the language's menu leaves out (Find).
        addAction(action);
        actions_[static_cast<size_t>(def.command)] = action;
    }
}

void MainFrame::ConnectActions()
{
    auto on = [this](Command command, auto handler) {
        connect(Action(command), &QAction::triggered, this, handler);
    };
    on(Command::New, [this] { commands_->New(); });
    on(Command::Open, [this] { commands_->Open(); });
    on(Command::Save, [this] {
        if (ActiveIndex() >= 0)
            commands_->Save(ActiveIndex());
    });
    on(Command::SaveAs, [this] {
        if (ActiveIndex() >= 0)
            commands_->SaveAs(ActiveIndex());
    });
    on(Command::SaveAllAs, [this] { commands_->SaveAllAs(); });
    on(Command::ExportTranslations, [this] {
        if (DocumentTab* tab = TabAt(ActiveIndex()))
            ExportTranslationsCommand(commands_->Host(), this, *tab->View()->Document(),
                                      tab->Reference());
    });
    on(Command::ImportTranslations, [this] {
        if (GridView* view = ActiveView()) {
            view->EndEdit();
            ImportTranslationsCommand(commands_->Host(), this, *view->Session());
        }
    });
    on(Command::UpdateOriginal, [this] {
        if (DocumentTab* tab = TabAt(ActiveIndex())) {
            tab->View()->EndEdit();
            DocumentSession& session = *tab->Session();
            // Removed records' translations go to the memory in use, if any; while it has no
            // languages yet, the two documents' encodings name them.
            const auto keepRemoved = [this, &session](std::vector<MemoryUnit> units) {
                projects_->Memory()->Add(MemoryInUse(),
                                         LanguagesOfEncodings(session.Reference()->GetEncoding(),
                                                              session.Document()->GetEncoding()),
                                         std::move(units));
            };
            UpdateToNewOriginalCommand(
                commands_->Host(), this, session,
                [&] { return commands_->AskReference(*tab->Document()); }, keepRemoved);
        }
    });
    on(Command::ConfirmReview, [this] {
        DocumentTab* tab = TabAt(ActiveIndex());
        if (tab && !tab->Session()->ConfirmReview(tab->View()->SelectedRow(),
                                                  tab->View()->SelectedColumn()))
            QApplication::beep();
    });
    // A close request, handled once the menu has gone.
    on(Command::Exit,
       [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
    on(Command::ClearRecentFiles, [] { ForgetRecentFile(QString()); });
    on(Command::Close, [this] {
        if (ActiveIndex() >= 0)
            commands_->Close(ActiveIndex());
        else
            QApplication::beep();
    });
    on(Command::CloseAll, [this] { commands_->CloseAll(); });
    on(Command::NewProject, [this] { projects_->NewProject(); });
    on(Command::OpenProject, [this] { projects_->OpenProject(); });
    on(Command::FindInProject, [this] { projects_->ShowFind(); });
    on(Command::UpdateOriginals, [this] { projects_->UpdateOriginals(); });
    on(Command::ImportGlossary, [this] { projects_->ImportGlossary(); });
    on(Command::ClearGlossary, [this] { projects_->ClearGlossary(); });
    ConnectEditActions();
}

void MainFrame::ConnectEditActions()
{
    auto on = [this](Command command, auto handler) {
        connect(Action(command), &QAction::triggered, this, handler);
    };
    using Edit = GridCommands::EditAction;
    const std::pair<Command, Edit> editCommands[] = {
        {Command::Undo, Edit::Undo}, {Command::Redo, Edit::Redo},   {Command::Cut, Edit::Cut},
        {Command::Copy, Edit::Copy}, {Command::Paste, Edit::Paste},
    };
    for (const auto& [command, editAction] : editCommands) {
        on(command, [this, editAction = editAction] {
            if (DocumentTab* tab = TabAt(ActiveIndex()))
                tab->Commands()->EditCommand(editAction);
        });
    }
    on(Command::Find, [this] { ShowFindDialog(); });
    on(Command::FindNext, [this] { FindAgain(false); });
    on(Command::FindPrevious, [this] { FindAgain(true); });
    on(Command::GoToRecord, [this] { ShowGoToDialog(); });
    on(Command::ReferenceDocument, [this] {
        DocumentTab* tab = TabAt(ActiveIndex());
        if (!tab)
            return;
        if (std::unique_ptr<EdtDocument> reference = commands_->AskReference(*tab->Document()))
            tab->Session()->SetReference(std::move(reference));
    });
    on(Command::HideReference, [this] {
        if (DocumentSession* session = SessionAt(ActiveIndex()))
            session->SetReference(nullptr);
    });
    on(Command::CopyReference, [this] {
        if (DocumentTab* tab = TabAt(ActiveIndex()))
            tab->Commands()->CopyReference();
    });
    on(Command::Propagate, [this] { PropagateSelected(); });
    on(Command::Pretranslate, [this] {
        if (DocumentSession* session = SessionAt(ActiveIndex()))
            PretranslateCommand(commands_->Host(), this, MemoryInUse(), *session);
    });
    on(Command::ChooseMemory, [this] {
        if (ChooseMemoryCommand(this))
            suggestions_->SetLocation(MemoryInUse());
    });
    on(Command::ViewSuggestions, [this] { suggestions_->setVisible(suggestions_->isHidden()); });
    on(Command::ViewGlossary, [this] { glossary_->setVisible(glossary_->isHidden()); });
    on(Command::NextUntranslated, [this] { SeekField(false, true); });
    on(Command::PreviousUntranslated, [this] { SeekField(false, false); });
    on(Command::NextProblem, [this] { SeekField(true, true); });
    on(Command::PreviousProblem, [this] { SeekField(true, false); });
    on(Command::ViewToolbar, [this] {
        toolBar_->setHidden(!toolBar_->isHidden());
        SetChecked(Action(Command::ViewToolbar), !toolBar_->isHidden());
    });
    on(Command::ViewProblems, [this] {
        problems_->setVisible(problems_->isHidden());
        SetChecked(Action(Command::ViewProblems), !problems_->isHidden());
    });
    on(Command::ViewStatusBar, [this] {
        statusBar()->setHidden(!statusBar()->isHidden());
        SetChecked(Action(Command::ViewStatusBar), !statusBar()->isHidden());
    });
    for (const LanguageCommand& language : kLanguageCommands)
        on(language.command,
           [this, code = language.code] { ChooseLanguage(QString::fromLatin1(code)); });
    on(Command::About, [this] { ShowAbout(); });
}

// The selected field's translation to every other field with the same original.
void MainFrame::PropagateSelected()
{
    DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab)
        return;
    GridView* view = tab->View();
    view->EndEdit();
    const int field = tab->Document()->FieldOfColumn(view->SelectedColumn());
    if (field >= 0 && tab->Session()->Propagate(view->SelectedRow(), field) > 0)
        return;
    QApplication::beep();
    ShowStatus(UiText("propagate.none"));
}

// Page Setup needs no document: the paper it sets is kept for the next print or PDF.
void MainFrame::ConnectPrinting()
{
    const auto onTab = [this](Command command, void (PrintCommands::*print)(const PrintSource&)) {
        connect(Action(command), &QAction::triggered, this, [this, print] {
            if (const DocumentTab* tab = TabAt(ActiveIndex()))
                (printing_.get()->*print)(PrintSourceOf(*tab));
        });
    };
    onTab(Command::Print, &PrintCommands::Print);
    onTab(Command::PrintPreview, &PrintCommands::Preview);
    connect(Action(Command::ExportPdf), &QAction::triggered, this, [this] {
        if (const DocumentTab* tab = TabAt(ActiveIndex()))
            printing_->ExportPdf(commands_->Host(), PrintSourceOf(*tab), tab->Document()->Path());
    });
    connect(Action(Command::PrintSetup), &QAction::triggered, this,
            [this] { printing_->PageSetup(); });
}

void MainFrame::CreateMenus()
{
    QList<QMenu*> open;
    bool separatorPending = false;
    auto addPendingSeparator = [&](QMenu* menu) {
        if (separatorPending && !menu->isEmpty())
            menu->addSeparator();
        separatorPending = false;
    };
    for (const MenuEntry& entry : kMenuLayout) {
        switch (entry.kind) {
            case MenuEntryKind::Submenu: {
                const QString text = UiText(entry.textKey);
                QMenu* menu = nullptr;
                if (open.isEmpty()) {
                    menu = menuBar()->addMenu(text);
                } else {
                    addPendingSeparator(open.last());
                    menu = open.last()->addMenu(text);
                }
                menu->setObjectName(QString::fromLatin1(entry.textKey));
                if (qstrcmp(entry.textKey, "menu.checks") == 0)
                    checks_->FillMenu(menu);
                if (qstrcmp(entry.textKey, "menu.window") == 0)
                    windowMenu_ = menu;
                if (qstrcmp(entry.textKey, "recent.projects") == 0)
                    connect(menu, &QMenu::aboutToShow, this,
                            [this, menu] { projects_->FillRecentMenu(menu); });
                if (qstrcmp(entry.textKey, "recent.menu") == 0) {
                    recentMenu_ = menu;
                    connect(menu, &QMenu::aboutToShow, this, &MainFrame::RebuildRecentMenu);
                }
                open.append(menu);
                break;
            }
            case MenuEntryKind::EndSubmenu:
                open.removeLast();
                separatorPending = false;
                break;
            case MenuEntryKind::Separator:
                separatorPending = true;
                break;
            case MenuEntryKind::Item: {
                QAction* action = Action(entry.command);
                const QString text = UiText(MenuTextKey(entry.command).constData());
                if (text.isEmpty())
                    break;
                addPendingSeparator(open.last());
                action->setText(text);
                open.last()->addAction(action);
                break;
            }
        }
    }
    windowGroup_ = new QActionGroup(this);
    windowGroup_->setExclusive(true);
    // The languages are radio items, one of them (the stored choice) checked.
    auto* languages = new QActionGroup(this);
    languages->setExclusive(true);
    for (const LanguageCommand& language : kLanguageCommands) {
        QAction* action = Action(language.command);
        if (language.ownName && !action->text().isEmpty())
            action->setText(QString::fromUtf8(language.ownName));
        languages->addAction(action);
    }
}

void MainFrame::CreateToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(kToolIconPixels, kToolIconPixels));
    for (const std::optional<Command>& command : kToolbarLayout) {
        if (!command) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = Action(*command);
        action->setIcon(CommandIcon(*command));
        toolBar_->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void MainFrame::CreateStatusBar()
{
    // "Ready" is the bar's normal text; a menu prompt covers it while an item is
    // highlighted and it comes back when the prompt is cleared.
    statusBar()->addWidget(new QLabel(UiText(str::Ready), this), 1);
    spellingProgress_ = new SpellingProgress(this);
    statusBar()->addPermanentWidget(spellingProgress_);
    countsLabel_ = new ElidingLabel(this);
    countsLabel_->setObjectName(QStringLiteral("translationCounts"));
    statusBar()->addPermanentWidget(countsLabel_);
}

void MainFrame::ShowStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

void MainFrame::CreateProblemsPanel()
{
    problems_ = new ProblemsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, problems_);
    connect(problems_, &QDockWidget::visibilityChanged, this, &MainFrame::ScheduleUpdate);
    connect(problems_, &ProblemsPanel::ProblemChosen, this, [this](int record, int field) {
        DocumentTab* tab = TabAt(ActiveIndex());
        if (tab && record < tab->Document()->RecordCount())
            tab->View()->SelectCell(record, tab->Document()->TextColumn(field));
    });
    suggestions_ = new SuggestionsPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, suggestions_);
    // Room for a source and its translation side by side.
    resizeDocks({suggestions_}, {380}, Qt::Horizontal);
    connect(suggestions_, &QDockWidget::visibilityChanged, this, &MainFrame::ScheduleUpdate);
    glossary_ = new GlossaryPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, glossary_);
    // Out of the way until asked for from the View menu.
    glossary_->hide();
    connect(glossary_, &QDockWidget::visibilityChanged, this, &MainFrame::ScheduleUpdate);
}

QString MainFrame::MemoryInUse() const
{
    // A project keeps its memory in its own file.
    const ProjectFile* project = workspace_->CurrentProject().File();
    return project ? project->Path() : MemoryLocation();
}

void MainFrame::LoadCatalogue()
{
    QString missingFile;
    const CatalogueLoader& loader = InstalledCatalogueLoader();
    const bool loaded = loader
                            ? loader(*catalogue_, CurrentUiLanguage(), &missingFile)
                            : LoadFormatCatalogue(*catalogue_, CurrentUiLanguage(), &missingFile);
    if (loaded && catalogue_->Count() > 0)
        return;
    if (missingFile.isEmpty())
        missingFile = CatalogueFileName(CurrentUiLanguage());
    // An empty, binary or UTF-16 file loads as a catalogue without formats.
    const QString message =
        loaded ? UiText("catalogue.noFormats").arg(QFileInfo(missingFile).fileName())
               : UiText(str::CatalogueMissing).arg(QFileInfo(missingFile).fileName());
    ShowMessageBox(this, QMessageBox::Critical, AppCaption(), message);
    // Without its formats the editor cannot work; the start counts as failed.
    startupExitCode_ = kExitCatalogueMissing;
}

// --- commands --------------------------------------------------------------------------

void MainFrame::ChooseLanguage(const QString& code)
{
    SetInterfaceLanguage(code);
    UpdateLanguageChecks();
    // The choice takes effect at the next start; say so every time.
    ShowMessageBox(this, QMessageBox::Information, AppCaption(), UiText(str::LanguageChangeNotice));
}

void MainFrame::ShowFindDialog()
{
    // Made on the first Find as the frame's child, so it dies with the frame; afterwards
    // only shown and hidden, keeping its text and options.
    auto* dialog = findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new FindDialog(this);
        dialog->SetFindRequestHandler([this](const SearchQuery& query) { FindRequest(query); });
        dialog->SetReplaceRequestHandler(
            [this](const SearchQuery& query, const QString& with, FindDialog::ReplaceScope scope) {
                ReplaceRequest(query, with, scope == FindDialog::ReplaceScope::All);
            });
    }
    dialog->ShowAndFocus();
}

void MainFrame::FindRequest(const SearchQuery& query)
{
    DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab || !Searchable(query))
        return;
    if (tab->Commands()->FindRequest(query) == SearchOutcome::InvalidPattern)
        ShowSearchProblem(UiText("find.tooCostly"));
}

void MainFrame::ReplaceRequest(const SearchQuery& query, const QString& replacement, bool all)
{
    DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab || !Searchable(query))
        return;
    if (all)
        tab->Commands()->ReplaceAllRequest(query, replacement);
    else
        tab->Commands()->ReplaceRequest(query, replacement);
}

bool MainFrame::Searchable(const SearchQuery& query)
{
    const QueryMatcher matcher(query);
    if (matcher.IsValid()) {
        ShowSearchProblem(QString());
        return true;
    }
    QApplication::beep();
    statusBar()->clearMessage();
    const QString detail = matcher.Error();
    ShowSearchProblem(detail.isEmpty() ? UiText("find.badPattern")
                                       : UiText("find.badPattern") + u'\n' + detail);
    return false;
}

void MainFrame::ShowSearchProblem(const QString& text)
{
    if (auto* dialog = findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly))
        dialog->ShowProblem(text);
}

void MainFrame::FindAgain(bool backwards)
{
    if (!ActiveView())
        return;
    auto* dialog = findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    // Nothing searched for yet: the dialog asks what.
    if (!dialog || dialog->SearchText()->text().isEmpty()) {
        ShowFindDialog();
        return;
    }
    const quint32 flags = dialog->SearchFlags() & ~quint32(kSearchBackwards);
    FindRequest(
        SearchQuery{dialog->SearchText()->text(), backwards ? flags | kSearchBackwards : flags});
}

void MainFrame::ShowGoToDialog()
{
    GridView* view = ActiveView();
    if (!view)
        return;
    GoToDialog dialog(view->Document()->RecordCount(), this);
    if (dialog.exec() == QDialog::Accepted)
        view->GoToRecord(dialog.Record());
}

void MainFrame::ShowAbout()
{
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("aboutDialog"));
    dialog.setWindowTitle(UiText("about.caption"));
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(AppIcon().pixmap(kAboutIconPixels, kAboutIconPixels));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(UiText("about.text").arg(QStringLiteral(SCRIVLET_VERSION)), &dialog);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.exec();
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (!commands_->CloseAll()) {
        event->ignore();
        return;
    }
    SetWindowGeometry(saveGeometry());
    event->accept();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* event)
{
    QStringList files;
    bool ignored = false;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).isFile())
            files << path;
        else
            ignored = true;
    }
    if (ignored)
        QApplication::beep();
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop has ended: the source waits for its answer while a wizard or a
    // message would run its own loop.
    QMetaObject::invokeMethod(
        this, [this, files] { commands_->OpenFiles(files); }, Qt::QueuedConnection);
}

void MainFrame::RebuildRecentMenu()
{
    QAction* clear = Action(Command::ClearRecentFiles);
    for (QAction* action : recentMenu_->actions()) {
        if (action != clear) {
            recentMenu_->removeAction(action);
            action->deleteLater();
        }
    }
    const QList<RecentFile> files = RecentFiles();
    for (int k = 0; k < files.size(); ++k) {
        const RecentFile& file = files[k];
        const int number = k + 1;
        const QString pattern =
            number < kMaxRecentFiles ? QStringLiteral("&%1 %2") : QStringLiteral("%1 %2");
        auto* action =
            new QAction(pattern.arg(QString::number(number),
                                    EscapeAmpersands(QDir::toNativeSeparators(file.path))),
                        recentMenu_);
        connect(action, &QAction::triggered, this, [this, file] { commands_->OpenRecent(file); });
        recentMenu_->insertAction(clear, action);
    }
    if (!files.isEmpty())
        recentMenu_->insertSeparator(clear);
    clear->setEnabled(!files.isEmpty());
}

// --- enabled states --------------------------------------------------------------------

void MainFrame::ScheduleUpdate()
{
    if (updatePending_)
        return;
    updatePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePending_ = false;
            UpdateUi();
        },
        Qt::QueuedConnection);
}

void MainFrame::FocusActiveView()
{
    GridView* view = ActiveView();
    if (!view)
        return;
    if (view->SelectedRow() < 0)
        view->SelectStartCell();
    view->setFocus(Qt::OtherFocusReason);
}

void MainFrame::UpdateUi()
{
    const EdtDocument* document = DocumentAt(ActiveIndex());
    const bool hasTab = document != nullptr;
    SetEnabled(Action(Command::Save), hasTab && SessionAt(ActiveIndex())->IsModified());
    SetEnabled(Action(Command::SaveAs), hasTab);
    SetEnabled(Action(Command::ExportTranslations), hasTab && document->RecordCount() > 0);
    SetEnabled(Action(Command::ImportTranslations), hasTab && document->RecordCount() > 0);
    SetEnabled(Action(Command::UpdateOriginal), hasTab);
    SetEnabled(Action(Command::ConfirmReview), hasTab);
    for (Command command : {Command::Find, Command::FindNext, Command::FindPrevious})
        SetEnabled(Action(command), hasTab);
    SetEnabled(Action(Command::GoToRecord), hasTab && document->RecordCount() > 0);
    for (Command command : {Command::NextUntranslated, Command::PreviousUntranslated,
                            Command::NextProblem, Command::PreviousProblem})
        SetEnabled(Action(command), hasTab);
    SetEnabled(Action(Command::ReferenceDocument), hasTab);
    SetEnabled(Action(Command::CopyReference), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::HideReference), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::Pretranslate), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::Propagate), hasTab && TabAt(ActiveIndex())->Reference());
    const DocumentSession* session = SessionAt(ActiveIndex());
    spellingProgress_->Follow(session ? session->Checks() : nullptr);
    // The counts are kept up to date by the document's status: reading them costs nothing.
    if (const QString counts = CountsText(); countsLabel_->text() != counts)
        countsLabel_->setText(counts);
    countsLabel_->setToolTip(CountsToolTip());
    UpdateUndoTexts();
    SetEnabled(Action(Command::SaveAllAs), TabCount() >= 2);
    SetEnabled(Action(Command::FindInProject), projects_->HasProject());
    SetEnabled(Action(Command::UpdateOriginals), projects_->HasProject());
    SetEnabled(Action(Command::ImportGlossary), projects_->HasProject());
    SetEnabled(Action(Command::ClearGlossary), !projects_->Glossary().empty());
    for (Command command : {Command::Print, Command::PrintPreview, Command::ExportPdf})
        SetEnabled(Action(command), hasTab);
    UpdateLanguageChecks();
    SetChecked(Action(Command::ViewToolbar), !toolBar_->isHidden());
    SetChecked(Action(Command::ViewStatusBar), !statusBar()->isHidden());
    SetChecked(Action(Command::ViewProblems), !problems_->isHidden());
    SetChecked(Action(Command::ViewSuggestions), !suggestions_->isHidden());
    SetChecked(Action(Command::ViewGlossary), !glossary_->isHidden());
}

void MainFrame::UpdateLanguageChecks()
{
    const QString code = InterfaceLanguage();
    for (const LanguageCommand& language : kLanguageCommands)
        SetChecked(Action(language.command), code == QLatin1String(language.code));
}

void MainFrame::UpdateUndoTexts()
{
    // While an editor is open, Undo and Redo work inside it: the items then say no more.
    const GridView* view = ActiveView();
    const bool editing = view && view->Editor();
    auto show = [&](Command command, const char* patternKey, bool can, const QString& step) {
        const QString text = can && !editing ? UiText(patternKey).arg(step)
                                             : UiText(MenuTextKey(command).constData());
        if (Action(command)->text() != text)
            Action(command)->setText(text);
    };
    show(Command::Undo, "undo.menu", undoGroup_->canUndo(), undoGroup_->undoText());
    show(Command::Redo, "undo.redoMenu", undoGroup_->canRedo(), undoGroup_->redoText());
    // Nothing to take back or bring back: the items say so by being grey.
    const InplaceEdit* editor = editing ? view->Editor() : nullptr;
    SetEnabled(Action(Command::Undo), editor ? editor->isUndoAvailable() : undoGroup_->canUndo());
    SetEnabled(Action(Command::Redo), editor ? editor->isRedoAvailable() : undoGroup_->canRedo());
}

// --- tabs ------------------------------------------------------------------------------

int MainFrame::AddDocument(std::unique_ptr<EdtDocument> document, const QString& name, bool unsaved)
{
    return workspace_->Add(std::move(document), name, unsaved);
}

void MainFrame::ShowSession(int index)
{
    DocumentSession* session = workspace_->Session(index);
    auto* tab = new DocumentTab(session);
    if (recovery_)
        recovery_->Track(session);
    undoGroup_->addStack(session->UndoStack());
    Follow(tab);
    checks_->Follow(session);
    tabView_->insertTab(index, tab, EscapeAmpersands(TabDisplayTitle(tab->Title())));
}

void MainFrame::DropSession(int index)
{
    QWidget* page = tabView_->widget(index);
    tabView_->removeTab(index);
    delete page;
}

void MainFrame::ShowActive(int index)
{
    if (tabView_->currentIndex() != index)
        tabView_->setCurrentIndex(index);
    DocumentSession* session = workspace_->Session(index);
    undoGroup_->setActiveStack(session ? session->UndoStack() : nullptr);
    problems_->SetSession(session);
    suggestions_->Follow(TabAt(index));
    glossary_->Follow(TabAt(index));
    ShowWindowTitle();
    FocusActiveView();
    ScheduleUpdate();
}

int MainFrame::TabCount() const
{
    return workspace_->Count();
}

int MainFrame::ActiveIndex() const
{
    return workspace_->ActiveIndex();
}

DocumentTab* MainFrame::TabAt(int index) const
{
    return qobject_cast<DocumentTab*>(tabView_->widget(index));
}

DocumentSession* MainFrame::SessionAt(int index) const
{
    return workspace_->Session(index);
}

void MainFrame::Follow(DocumentTab* tab)
{
    DocumentSession* session = tab->Session();
    connect(session, &DocumentSession::TitleChanged, this, [this, tab] { ShowTitle(tab); });
    connect(session, &DocumentSession::ReferenceChanged, this, [this, tab] {
        const EdtDocument* reference = tab->Reference();
        tabView_->setTabToolTip(
            tabView_->indexOf(tab),
            reference ? QDir::toNativeSeparators(reference->Path()) : QString());
        ScheduleUpdate();
    });
    connect(session, &DocumentSession::FileChanged, this,
            [this, session] { commands_->FileChanged(*session); });
    // Deleted or renamed away: closing must ask, or the work would be lost with it.
    connect(session, &DocumentSession::FileRemoved, this, [this, session] {
        session->MarkChanged();
        commands_->Host().ShowMessage(
            this,
            UiText("file.removedOutside")
                .arg(QDir::toNativeSeparators(session->Document()->Path())),
            QMessageBox::Warning);
    });
    EdtDocument* document = session->Document();
    for (auto changed : {&EdtDocument::RecordsInserted, &EdtDocument::RecordsRemoved})
        connect(document, changed, this, &MainFrame::ScheduleUpdate);
    connect(session, &DocumentSession::ModifiedChanged, this, &MainFrame::ScheduleUpdate);
    connect(session->Status(), &TranslationStatus::CountsChanged, this, &MainFrame::ScheduleUpdate);
    connect(session->Checks(), &DocumentChecks::ProblemsChanged, this, &MainFrame::ScheduleUpdate);
    // Other files are judged against this one's texts: once the edits pause, again.
    connect(document, &EdtDocument::TextChanged, problems_,
            [this] { problems_->ScheduleProjectCheck(kProjectRecheckMs); });
    connect(document, &EdtDocument::TextsChanged, problems_,
            [this] { problems_->ScheduleProjectCheck(kProjectRecheckMs); });
    GridView* view = tab->View();
    connect(view, &GridView::EditingChanged, this, [this, view](bool editing) {
        // The editor's own history decides Undo and Redo while it is open.
        if (editing && view->Editor())
            connect(view->Editor(), &QLineEdit::textChanged, this, &MainFrame::ScheduleUpdate,
                    Qt::UniqueConnection);
        ScheduleUpdate();
    });
    connect(view, &GridView::WordAdded, this,
            [this](const QString& word) { checks_->AddWord(word); });
    connect(view, &GridView::StatusShown, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(view, &GridView::StatusCleared, this, [this](const QString& text) {
        if (statusBar()->currentMessage() == text)
            statusBar()->clearMessage();
    });
}

EdtDocument* MainFrame::DocumentAt(int index) const
{
    return workspace_->Document(index);
}

QString MainFrame::CountsText() const
{
    const DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab)
        return {};
    const TranslationCounts& counts = tab->Status()->Counts();
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    const qint64 done = counts.translated;
    const qint64 percent = counts.fields > 0 ? done * 100 / counts.fields : 0;
    const QString progress =
        UiText(tab->Status()->Reference() ? "work.translated" : "work.filled")
            .arg(locale.toString(done), locale.toString(counts.fields), locale.toString(percent));
    return progress + QStringLiteral("   ") +
           UiText("work.problems")
               .arg(locale.toString(tab->Session()->Checks()->Count() + counts.sourceChanged));
}

QString MainFrame::CountsToolTip() const
{
    const DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab)
        return {};
    const TranslationCounts& counts = tab->Status()->Counts();
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    QStringList lines;
    const std::pair<const char*, qint64> parts[] = {{"mark.translated", counts.translated},
                                                    {"mark.same", counts.sameAsReference},
                                                    {"mark.empty", counts.empty},
                                                    {"mark.tooLong", counts.tooLong},
                                                    {"mark.notStorable", counts.notStorable}};
    for (const auto& [key, count] : parts)
        lines << QStringLiteral("%1: %2").arg(UiText(key), locale.toString(count));
    return lines.join(u'\n');
}

void MainFrame::SeekField(bool problem, bool forward)
{
    DocumentTab* tab = TabAt(ActiveIndex());
    if (!tab)
        return;
    const EdtDocument& document = *tab->Document();
    GridView* view = tab->View();
    FieldPlace from{-1, 0};
    bool onField = false;
    const int row = view->SelectedRow();
    if (row >= 0 && row < document.RecordCount()) {
        // Text fields before the selected column; the selected one itself when it is one.
        const int column = view->SelectedColumn();
        int before = 0;
        while (before < document.TextFieldCount() && document.TextColumn(before) < column)
            ++before;
        onField = before < document.TextFieldCount() && document.TextColumn(before) == column;
        from = FieldPlace{row, onField || !forward ? before : before - 1};
    }
    const FieldSeek kind = problem ? FieldSeek::Problem : FieldSeek::Untranslated;
    const std::optional<Workspace::Stop> stop = workspace_->Seek(kind, forward, from, onField);
    if (!stop) {
        QApplication::beep();
        statusBar()->showMessage(UiText(problem ? "seek.noProblem" : "seek.noUntranslated"));
        return;
    }
    // Whatever the last seek said is past.
    statusBar()->clearMessage();
    view->SelectCell(stop->place.record, document.TextColumn(stop->place.field));
    if (problem)
        statusBar()->showMessage(Workspace::StopText(*tab->Session(), *stop));
}

GridView* MainFrame::ActiveView() const
{
    DocumentTab* tab = TabAt(ActiveIndex());
    return tab ? tab->View() : nullptr;
}

void MainFrame::SetActiveIndex(int index)
{
    if (index >= 0 && index < TabCount())
        workspace_->SetActiveIndex(index);
}

QString MainFrame::TabName(int index) const
{
    DocumentTab* tab = TabAt(index);
    return tab ? tab->Name() : QString();
}

QString MainFrame::TabTitle(int index) const
{
    DocumentTab* tab = TabAt(index);
    return tab ? tab->Title() : QString();
}

void MainFrame::SetTabName(int index, const QString& name)
{
    if (DocumentSession* session = SessionAt(index))
        session->SetName(name);
}

void MainFrame::ShowTitle(DocumentTab* tab)
{
    const int index = tabView_->indexOf(tab);
    if (index < 0)
        return;
    tabView_->setTabText(index, EscapeAmpersands(TabDisplayTitle(tab->Title())));
    // The window list shows titles too.
    RebuildWindowMenu();
    if (index == ActiveIndex())
        ShowWindowTitle();
}

void MainFrame::ShowStartPageOrTabs()
{
    QWidget* shown = TabCount() > 0 ? static_cast<QWidget*>(tabView_) : startPage_;
    if (pages_->currentWidget() == shown)
        return;
    // What was opened or saved since the page was last seen belongs on it.
    if (shown == startPage_)
        startPage_->Refresh();
    pages_->setCurrentWidget(shown);
}

void MainFrame::ShowWindowTitle()
{
    const QString caption = UiText(str::FrameCaption);
    const DocumentSession* session = SessionAt(ActiveIndex());
    if (!session) {
        setWindowTitle(caption);
        setWindowModified(false);
        return;
    }
    // Qt reads "[*]" as the modified mark; a name's own "[*]" is written doubled.
    QString name = session->Name();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, caption));
    setWindowModified(session->IsModified());
}

void MainFrame::CloseTab(int index)
{
    workspace_->Close(index);
}

void MainFrame::RebuildWindowMenu()
{
    if (!windowMenu_)
        return;
    for (QAction* action : windowGroup_->actions()) {
        windowGroup_->removeAction(action);
        windowMenu_->removeAction(action);
        // An entry may be rebuilding the menu from its own triggered signal.
        action->deleteLater();
    }
    if (windowSeparator_) {
        windowMenu_->removeAction(windowSeparator_);
        delete windowSeparator_;
        windowSeparator_ = nullptr;
    }
    const int entries = std::min(TabCount(), kWindowMenuMaxEntries);
    if (entries == 0)
        return;
    const QList<QAction*> items = windowMenu_->actions();
    if (!items.isEmpty() && !items.last()->isSeparator())
        windowSeparator_ = windowMenu_->addSeparator();
    const int active = ActiveIndex();
    for (int k = 0; k < entries; ++k) {
        const int number = k + 1;
        // The digit of the first nine is their access key.
        const QString pattern =
            number < kWindowMenuMaxEntries ? QStringLiteral("&%1 %2") : QStringLiteral("%1 %2");
        auto* action =
            new QAction(pattern.arg(QString::number(number), EscapeAmpersands(TabTitle(k))), this);
        action->setCheckable(true);
        action->setChecked(k == active);
        windowGroup_->addAction(action);
        windowMenu_->addAction(action);
        connect(action, &QAction::triggered, this, [this, k] { SetActiveIndex(k); });
    }
}

}  // namespace scrivlet
