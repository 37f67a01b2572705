#include "shell/MainFrame.h"

#include "catalogue/CatalogueLoader.h"
#include "shell/Commands.h"
#include "shell/DocumentTab.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridView.h"
#include "shell/Icons.h"
#include "shell/MessageBoxes.h"
#include "grid/RecordGrid.h"
#include "base/Settings.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace scrivlet {

static_assert(cmd::Copy == kCommandCopy && cmd::Cut == kCommandCut && cmd::Paste == kCommandPaste &&
              cmd::Undo == kCommandUndo);

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

}  // namespace

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(UiText(str::FrameCaption));
    setWindowIcon(AppIcon());
    // Documents come only through the commands, never by dropping files.
    setAcceptDrops(false);
    // The toolbar's visibility belongs to the View menu alone.
    setContextMenuPolicy(Qt::NoContextMenu);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    tabView_ = new TabView(this);
    tabView_->setObjectName(QStringLiteral("tabView"));
    setCentralWidget(tabView_);
    connect(tabView_, &TabView::TabsChanged, this, &MainFrame::RebuildWindowMenu);
    connect(tabView_, &QTabWidget::currentChanged, this, &MainFrame::RebuildWindowMenu);

    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainFrame::OnIdle);

    resize(kDefaultFrameSize);
    UpdateUi();
    LoadCatalogue();
}

MainFrame::~MainFrame()
{
    if (GridView::StatusBar() == statusBar())
        GridView::SetStatusBar(nullptr);
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
        action->setData(def.command);
        if (def.hasPrompt) {
            // First line: the status-bar prompt; after the line break: the tooltip.
            const QString prompt = UiText(def.command);
            const qsizetype lineBreak = prompt.indexOf(QLatin1Char('\n'));
            action->setStatusTip(lineBreak < 0 ? prompt : prompt.left(lineBreak));
            if (lineBreak >= 0)
                action->setToolTip(prompt.mid(lineBreak + 1));
        }
        QList<QKeySequence> shortcuts;
        if (def.shortcut)
            shortcuts << QKeySequence(QString::fromLatin1(def.shortcut));
        if (def.altShortcut)
            shortcuts << QKeySequence(QString::fromLatin1(def.altShortcut));
        action->setShortcuts(shortcuts);
        action->setCheckable(def.checkable);
        connect(action, &QAction::triggered, this,
                [this, command = def.command] { RunCommand(command); });
        // Shortcuts work also for commands that the language's menu leaves out (Find).
        addAction(action);
        actions_.insert(def.command, action);
    }
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
                const QByteArray key(entry.textKey);
                menu->setObjectName(QString::fromLatin1(key));
                if (key == "menu.edit")
                    editMenu_ = menu;
                else if (key == "menu.window")
                    windowMenu_ = menu;
                else if (key == "menu.language")
                    languageMenu_ = menu;
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
                const QString text = UiText(entry.textKey);
                if (text.isEmpty())
                    break;
                addPendingSeparator(open.last());
                QAction* action = Action(entry.command);
                action->setText(text);
                open.last()->addAction(action);
                break;
            }
        }
    }
    windowGroup_ = new QActionGroup(this);
    windowGroup_->setExclusive(true);
}

void MainFrame::CreateToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(kToolIconPixels, kToolIconPixels));
    for (int command : kToolbarLayout) {
        if (command == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = Action(command);
        action->setIcon(CommandIcon(command));
        toolBar_->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void MainFrame::CreateStatusBar()
{
    // "Ready" is the bar's normal text; a menu prompt covers it while an item is
    // highlighted and it comes back when the prompt is cleared.
    idleLabel_ = new QLabel(UiText(str::Ready), this);
    statusBar()->addWidget(idleLabel_, 1);
    GridView::SetStatusBar(statusBar());
}

void MainFrame::LoadCatalogue()
{
    QString missingFile;
    const CatalogueLoader& loader = InstalledCatalogueLoader();
    const bool loaded =
        loader ? loader(GlobalCatalogue(), CurrentUiLanguage(), &missingFile)
               : LoadFormatCatalogue(GlobalCatalogue(), CurrentUiLanguage(), &missingFile);
    if (loaded)
        return;
    if (missingFile.isEmpty())
        missingFile = CatalogueFileName(CurrentUiLanguage());
    ShowMessageBox(this, QMessageBox::Critical, AppCaption(),
                   FormatUiText(UiText(str::CatalogueMissing), QFileInfo(missingFile).fileName()));
    // Without its formats the editor cannot work; the start counts as failed.
    startupExitCode_ = kExitCatalogueMissing;
}

// --- commands --------------------------------------------------------------------------

void MainFrame::RunCommand(int command)
{
    if (command >= cmd::WindowFirst && command <= cmd::WindowLast) {
        const int index = command - cmd::WindowFirst;
        if (index < TabCount())
            SetActiveIndex(index);
        return;
    }
    for (const LanguageCommand& language : kLanguageCommands) {
        if (language.command == command) {
            ChooseLanguage(language.languageId);
            return;
        }
    }
    switch (command) {
        case cmd::New:
            NewDocument();
            break;
        case cmd::Open:
            OpenDocuments();
            break;
        case cmd::Save:
            if (DocumentTab* tab = ActiveTab())
                SaveActive(tab);
            break;
        case cmd::SaveAs:
            if (DocumentTab* tab = ActiveTab())
                SaveAsDocument(tab);
            break;
        case cmd::SaveAllAs:
            SaveAllAs();
            break;
        case cmd::Exit:
            // A close request, handled once the menu has gone.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            break;
        case cmd::Undo:
        case cmd::Cut:
        case cmd::Copy:
        case cmd::Paste:
            if (GridView* view = ActiveView())
                view->EditCommand(command);
            break;
        case cmd::Find:
            ShowFindDialog();
            break;
        case cmd::ViewToolbar:
            toolBar_->setHidden(!toolBar_->isHidden());
            SetChecked(Action(cmd::ViewToolbar), !toolBar_->isHidden());
            break;
        case cmd::ViewStatusBar:
            statusBar()->setHidden(!statusBar()->isHidden());
            SetChecked(Action(cmd::ViewStatusBar), !statusBar()->isHidden());
            break;
        case cmd::Close:
            if (DocumentTab* tab = ActiveTab())
                CloseDocument(tab);
            else
                QApplication::beep();
            break;
        case cmd::CloseAll:
            CloseAllDocuments();
            break;
        case cmd::About:
            ShowAbout();
            break;
        default:
            // Print, Print Preview and Print Setup have no handler.
            break;
    }
}

void MainFrame::ChooseLanguage(int languageId)
{
    LanguageSetting().Set(quint32(languageId));
    // The choice takes effect at the next start; say so every time.
    ShowMessageBox(this, QMessageBox::Information, AppCaption(), UiText(str::LanguageChangeNotice));
}

QDialog* MainFrame::CreateAboutDialog(QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("aboutDialog"));
    dialog->setWindowTitle(UiText("about.caption"));
    auto* icon = new QLabel(dialog);
    icon->setPixmap(AppIcon().pixmap(kAboutIconPixels, kAboutIconPixels));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(UiText("about.text"), dialog);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dialog;
}

void MainFrame::ShowAbout()
{
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    QDialog* dialog = CreateAboutDialog(owner);
    dialog->exec();
    delete dialog;
}

// --- idle update -----------------------------------------------------------------------

void MainFrame::OnIdle()
{
    // The update may itself spin a loop (a style repolish, a nested dialog); once is enough.
    if (inIdleUpdate_)
        return;
    inIdleUpdate_ = true;
    UpdateUi();
    inIdleUpdate_ = false;
}

void MainFrame::UpdateUi()
{
    DocumentTab* tab = ActiveTab();
    bool modified = false;
    if (tab) {
        RecordGrid* grid = tab->Grid();
        modified = grid && grid->IsModified();
        const QString title = tab->Title();
        const bool marked = title.startsWith(QChar(kModifiedMark));
        if (modified && !marked)
            SetTabTitle(ActiveIndex(), QChar(kModifiedMark) + title);
        else if (!modified && marked)
            SetTabTitle(ActiveIndex(), title.mid(1));
    }
    const bool hasTab = tab != nullptr;
    SetEnabled(Action(cmd::Save), hasTab && modified);
    SetEnabled(Action(cmd::SaveAs), hasTab);
    SetEnabled(Action(cmd::Find), hasTab);
    SetEnabled(Action(cmd::SaveAllAs), TabCount() >= 2);
    for (int command : {cmd::Print, cmd::PrintPreview, cmd::PrintSetup})
        SetEnabled(Action(command), false);
    for (int command : {cmd::Undo, cmd::Cut, cmd::Copy, cmd::Paste})
        SetEnabled(Action(command), true);

    const quint32 languageId = LanguageSetting().Get();
    for (const LanguageCommand& language : kLanguageCommands)
        SetChecked(Action(language.command), languageId == quint32(language.languageId));
    SetChecked(Action(cmd::ViewToolbar), !toolBar_->isHidden());
    SetChecked(Action(cmd::ViewStatusBar), !statusBar()->isHidden());
}

// --- tabs ------------------------------------------------------------------------------

int MainFrame::AddDocumentTab(GridView* view, const QString& title)
{
    auto* tab = new DocumentTab(view, title);
    const int index = tabView_->addTab(tab, EscapeAmpersands(TabDisplayTitle(title)));
    tabView_->setCurrentIndex(index);
    return index;
}

int MainFrame::TabCount() const
{
    return tabView_->count();
}

int MainFrame::ActiveIndex() const
{
    return tabView_->currentIndex();
}

DocumentTab* MainFrame::TabAt(int index) const
{
    return qobject_cast<DocumentTab*>(tabView_->widget(index));
}

DocumentTab* MainFrame::ActiveTab() const
{
    return TabAt(ActiveIndex());
}

GridView* MainFrame::ViewAt(int index) const
{
    DocumentTab* tab = TabAt(index);
    return tab ? tab->View() : nullptr;
}

GridView* MainFrame::ActiveView() const
{
    return ViewAt(ActiveIndex());
}

int MainFrame::IndexOf(const DocumentTab* tab) const
{
    return tab ? tabView_->indexOf(const_cast<DocumentTab*>(tab)) : -1;
}

void MainFrame::SetActiveIndex(int index)
{
    if (index >= 0 && index < TabCount())
        tabView_->setCurrentIndex(index);
}

QString MainFrame::TabTitle(int index) const
{
    DocumentTab* tab = TabAt(index);
    return tab ? tab->Title() : QString();
}

void MainFrame::SetTabTitle(int index, const QString& title)
{
    DocumentTab* tab = TabAt(index);
    if (!tab || tab->Title() == title)
        return;
    tab->SetTitle(title);
    tabView_->setTabText(index, EscapeAmpersands(TabDisplayTitle(title)));
    // The window list shows titles too.
    RebuildWindowMenu();
}

void MainFrame::CloseTab(int index)
{
    QWidget* page = tabView_->widget(index);
    if (!page)
        return;
    tabView_->removeTab(index);
    delete page;
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
        action->setData(cmd::WindowFirst + k);
        action->setCheckable(true);
        action->setChecked(k == active);
        windowGroup_->addAction(action);
        windowMenu_->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, command = cmd::WindowFirst + k] { RunCommand(command); });
    }
}

void MainFrame::FindRequest(const QString& pattern, quint32 flags)
{
    if (GridView* view = ActiveView())
        view->FindRequest(pattern, flags);
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (CloseAllDocuments())
        event->accept();
    else
        event->ignore();
}

}  // namespace scrivlet
