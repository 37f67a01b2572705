#include "shell/MainFrame.h"

#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/CheckChoices.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/AboutDialog.h"
#include "shell/Autosave.h"
#include "shell/BoxDialog.h"
#include "shell/CheckCommands.h"
#include "shell/ConflictView.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/EditingPane.h"
#include "shell/FindCommands.h"
#include "shell/FrameMenus.h"
#include "shell/GlossaryPanel.h"
#include "shell/Icons.h"
#include "shell/MemoryCommands.h"
#include "shell/MessageBoxes.h"
#include "shell/Printing.h"
#include "shell/ProblemsPanel.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectExchangeCommands.h"
#include "shell/ProjectFind.h"
#include "shell/ProjectPanel.h"
#include "shell/SessionCommands.h"
#include "shell/SpellingProgress.h"
#include "shell/StartPage.h"
#include "shell/StateCommands.h"
#include "shell/StatusCounts.h"
#include "shell/SuggestionsPanel.h"
#include "shell/TranslationCommands.h"
#include "shell/UpdateCommand.h"
#include "shell/WorkbenchCommands.h"
#include "translation/DocumentChecks.h"
#include "translation/TranslationStatus.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoGroup>

namespace scrivlet {

namespace {

constexpr QSize kDefaultFrameSize(960, 640);

CatalogueLoader& InstalledCatalogueLoader()
{
    static CatalogueLoader loader;
    return loader;
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
    checks_ = new CheckCommands(workspace_->CurrentProject(), catalogue_, this);
    actions_ = CreateCommandActions(this);
    find_ = new FindCommands(this, statusBar(), [this] { return TabAt(ActiveIndex()); });
    printing_->Connect(
        actions_, [this]() -> DialogHost& { return commands_->Host(); },
        [this] { return TabAt(ActiveIndex()); });
    CreateMenus(this, actions_, MenuHooks{[this](const char* key, QMenu* menu) {
                    if (qstrcmp(key, "menu.checks") == 0)
                        checks_->FillMenu(menu);
                    if (qstrcmp(key, "menu.window") == 0)
                        windowList_ = std::make_unique<WindowList>(windowMenu_ = menu, this);
                    if (qstrcmp(key, "recent.projects") == 0)
                        connect(menu, &QMenu::aboutToShow, this,
                                [this, menu] { projects_->FillRecentMenu(menu); });
                    if (qstrcmp(key, "recent.menu") == 0) {
                        recentMenu_ = menu;
                        connect(menu, &QMenu::aboutToShow, this, &MainFrame::RebuildRecentMenu);
                    }
                }});
    toolBar_ = CreateToolBar(this, actions_);
    CreateStatusBar();
    CreateDocks();
    ConnectActions();

    tabView_ = new TabView(this);
    tabView_->setObjectName(QStringLiteral("tabView"));
    projects_ = new ProjectCommands(
        *this, *workspace_, *this, *commands_, [this](int index) { return TabAt(index); },
        [this](int index) { SetActiveIndex(index); });
    CreatePages();
    ConnectProjectProblems();
    Action(Command::ResetLayout)->trigger();  // the docks in their places
    GiveMnemonics(menuBar());
    connect(projects_, &ProjectCommands::ProjectChanged, startPage_, &StartPage::Refresh);
    connect(projects_, &ProjectCommands::ProjectChanged, this, &MainFrame::ScheduleUpdate);
    CheckChoices& choices = checks_->Choices();
    connect(projects_, &ProjectCommands::ProjectChanged, checks_, [&choices] { choices.Reload(); });
    choices.Reload();
    suggestions_->FollowWorkspace(*workspace_);
    glossary_->FollowProject(workspace_->CurrentProject());
    connect(projects_, &ProjectCommands::GlossaryChanged, this, &MainFrame::ScheduleUpdate);
    ConnectTabs();

    resize(kDefaultFrameSize);
    restoreGeometry(WindowGeometry());
    ShowWindowTitle();
    UpdateUi();
    LoadCatalogue();
}

void MainFrame::CreatePages()
{
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
    connect(Action(Command::ClearRecentFiles), &QAction::triggered, startPage_,
            &StartPage::Refresh);
}

// The Problems panel's Whole Project list and the pane's conflicts follow the project; a click
// on a file's problem opens the file as the Project panel does.
void MainFrame::ConnectProjectProblems()
{
    problems_->FollowProject(*workspace_);
    pane_->Conflict()->Follow(&workspace_->CurrentProject().Conflicts());
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
            ExportTranslationsCommand(commands_->Host(), this, *tab->Document(), tab->Reference(),
                                      tab->Session()->States());
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
                projects_->Memory()->Add(workspace_->MemoryInUse(),
                                         LanguagesOfEncodings(session.Reference()->GetEncoding(),
                                                              session.Document()->GetEncoding()),
                                         std::move(units));
            };
            UpdateToNewOriginalCommand(
                commands_->Host(), this, session,
                [&] { return commands_->AskReference(*tab->Document()); }, keepRemoved);
        }
    });
    for (Command command : kStateCommands)
        on(command, [this, command] { RunStateCommand(command, TabAt(ActiveIndex()), this); });
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
    ConnectWorkbenchCommands(*this);
    ConnectProjectExchange(*this);
    ConnectSessionCommands(*this);
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
    on(Command::Find, [this] { find_->ShowFindDialog(); });
    on(Command::FindNext, [this] { find_->FindAgain(false); });
    on(Command::FindPrevious, [this] { find_->FindAgain(true); });
    on(Command::GoToRecord, [this] { find_->ShowGoToDialog(); });
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
    on(Command::Propagate, [this] {
        DocumentTab* tab = TabAt(ActiveIndex());
        if (tab && !tab->PropagateSelected()) {
            QApplication::beep();
            ShowStatus(UiText("propagate.none"));
        }
    });
    on(Command::Pretranslate, [this] {
        if (DocumentSession* session = SessionAt(ActiveIndex()))
            PretranslateCommand(commands_->Host(), this, workspace_->MemoryInUse(), *session);
    });
    on(Command::ChooseMemory, [this] {
        if (ChooseMemoryCommand(this))
            suggestions_->SetLocation(workspace_->MemoryInUse());
    });
    // Each of these shows or hides its part of the window; the item's check follows.
    const std::pair<Command, QWidget*> parts[] = {
        {Command::ViewEditingPane, pane_},  {Command::ViewSuggestions, suggestions_},
        {Command::ViewGlossary, glossary_}, {Command::ViewToolbar, toolBar_},
        {Command::ViewProblems, problems_}, {Command::ViewStatusBar, statusBar()}};
    for (const auto& [command, part] : parts) {
        on(command, [this, command = command, part = part] {
            part->setVisible(part->isHidden());
            SetChecked(Action(command), !part->isHidden());
        });
    }
    on(Command::NextUntranslated, [this] { SeekField(false, true); });
    on(Command::PreviousUntranslated, [this] { SeekField(false, false); });
    on(Command::NextProblem, [this] { SeekField(true, true); });
    on(Command::DoneAndNext, [this] { pane_->DoneAndNext(); });
    on(Command::ResetLayout, [this] {
        ArrangeDocks(this, docks_, projects_->Panel(), projects_->Find(),
                     workspace_->CurrentProject().IsOpen());
    });
    on(Command::PreviousProblem, [this] { SeekField(true, false); });
    for (const LanguageCommand& language : kLanguageCommands)
        on(language.command,
           [this, code = language.code] { ChooseLanguage(QString::fromLatin1(code)); });
    on(Command::About, [this] { ShowAboutDialog(this); });
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

void MainFrame::CreateDocks()
{
    docks_ = CreateFrameDocks(this);
    pane_ = docks_.pane;
    problems_ = docks_.problems;
    suggestions_ = docks_.suggestions;
    glossary_ = docks_.glossary;
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        connect(dock, &QDockWidget::visibilityChanged, this, &MainFrame::ScheduleUpdate);
    pane_->SetNext([this] { SeekField(false, true); });
    connect(problems_, &ProblemsPanel::ProblemChosen, this, [this](int record, int field) {
        DocumentTab* tab = TabAt(ActiveIndex());
        if (tab && record < tab->Document()->RecordCount())
            tab->View()->SelectCell(record, tab->Document()->TextColumn(field));
    });
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

void MainFrame::SetRecovery(Autosave* recovery)
{
    recovery_ = recovery;
    if (recovery)
        recovery->SetProjects(RecoveryProjectsOf(*this));
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    // As it is before the tabs go, kept only once they all went.
    const LastSession session = CaptureSession(*this);
    if (!commands_->CloseAll()) {
        event->ignore();
        return;
    }
    StoreSession(session);
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
    if (commands_->OpenDropped(event->mimeData()->urls()))
        event->acceptProposedAction();
}

void MainFrame::RebuildRecentMenu()
{
    FillRecentMenu(recentMenu_, Action(Command::ClearRecentFiles),
                   [this](const RecentFile& file) { commands_->OpenRecent(file); });
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
    for (Command command : kStateCommands)
        SetEnabled(Action(command), hasTab);
    for (Command command : {Command::Find, Command::FindNext, Command::FindPrevious})
        SetEnabled(Action(command), hasTab);
    SetEnabled(Action(Command::GoToRecord), hasTab && document->RecordCount() > 0);
    for (Command command : {Command::NextUntranslated, Command::PreviousUntranslated,
                            Command::NextProblem, Command::PreviousProblem, Command::DoneAndNext})
        SetEnabled(Action(command), hasTab);
    SetEnabled(Action(Command::ReferenceDocument), hasTab);
    SetEnabled(Action(Command::CopyReference), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::HideReference), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::Pretranslate), hasTab && TabAt(ActiveIndex())->Reference());
    SetEnabled(Action(Command::Propagate), hasTab && TabAt(ActiveIndex())->Reference());
    UpdateWorkbenchActions(*this);
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
    const std::pair<Command, const QWidget*> parts[] = {
        {Command::ViewToolbar, toolBar_},         {Command::ViewStatusBar, statusBar()},
        {Command::ViewProblems, problems_},       {Command::ViewEditingPane, pane_},
        {Command::ViewSuggestions, suggestions_}, {Command::ViewGlossary, glossary_}};
    for (const auto& [command, part] : parts)
        SetChecked(Action(command), !part->isHidden());
}

void MainFrame::UpdateLanguageChecks()
{
    const QString code = InterfaceLanguage();
    for (const LanguageCommand& language : kLanguageCommands)
        SetChecked(Action(language.command), code == QLatin1String(language.code));
}

void MainFrame::UpdateUndoTexts()
{
    // While an editor is open, Undo and Redo work inside it.
    const GridView* view = ActiveView();
    ShowUndoTexts(actions_, *undoGroup_, view ? view->Editor() : nullptr);
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
    checks_->Choices().Follow(session);
    OfferBoxes(tab, checks_->Choices());
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
    pane_->Follow(TabAt(index));
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
            [this](const QString& word) { checks_->Choices().AddWord(word); });
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
    return scrivlet::CountsText(SessionAt(ActiveIndex()));
}

QString MainFrame::CountsToolTip() const
{
    return scrivlet::CountsToolTip(SessionAt(ActiveIndex()));
}

void MainFrame::SeekField(bool problem, bool forward)
{
    scrivlet::SeekField(*this, problem, forward);
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
    if (!windowList_)
        return;
    QStringList titles;
    for (int k = 0; k < TabCount(); ++k)
        titles << TabTitle(k);
    windowList_->Fill(titles, ActiveIndex(), [this](int k) { SetActiveIndex(k); });
}

}  // namespace scrivlet
