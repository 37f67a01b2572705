#include "shell/FrameMenus.h"

#include "base/UiText.h"
#include "grid/InplaceEdit.h"
#include "shell/Icons.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolBar>
#include <QUndoGroup>

#include <functional>
#include <vector>

namespace scrivlet {

namespace {

constexpr int kToolIconPixels = 16;

}  // namespace

QString EscapeAmpersands(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

CommandActions CreateCommandActions(QMainWindow* window)
{
    CommandActions actions{};
    for (const CommandDef& def : kCommands) {
        auto* action = new QAction(window);
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
        window->addAction(action);
        actions[static_cast<size_t>(def.command)] = action;
    }
    return actions;
}

void CreateMenus(QMainWindow* window, const CommandActions& actions, const MenuHooks& hooks)
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
                    menu = window->menuBar()->addMenu(text);
                } else {
                    addPendingSeparator(open.last());
                    menu = open.last()->addMenu(text);
                }
                menu->setObjectName(QString::fromLatin1(entry.textKey));
                if (hooks.made)
                    hooks.made(entry.textKey, menu);
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
                QAction* action = actions[static_cast<size_t>(entry.command)];
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
    // The languages are radio items, one of them (the stored choice) checked.
    auto* languages = new QActionGroup(window);
    languages->setExclusive(true);
    for (const LanguageCommand& language : kLanguageCommands) {
        QAction* action = actions[static_cast<size_t>(language.command)];
        if (language.ownName && !action->text().isEmpty())
            action->setText(QString::fromUtf8(language.ownName));
        languages->addAction(action);
    }
}

QToolBar* CreateToolBar(QMainWindow* window, const CommandActions& actions)
{
    auto* toolBar = new QToolBar(window);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(kToolIconPixels, kToolIconPixels));
    for (const std::optional<Command>& command : kToolbarLayout) {
        if (!command) {
            toolBar->addSeparator();
            continue;
        }
        QAction* action = actions[static_cast<size_t>(*command)];
        action->setIcon(CommandIcon(*command));
        toolBar->addAction(action);
    }
    window->addToolBar(Qt::TopToolBarArea, toolBar);
    return toolBar;
}

WindowList::WindowList(QMenu* menu, QObject* owner) : menu_(menu), group_(new QActionGroup(owner))
{
    group_->setExclusive(true);
}

void WindowList::Fill(const QStringList& titles, int active, const std::function<void(int)>& choose)
{
    for (QAction* action : group_->actions()) {
        group_->removeAction(action);
        menu_->removeAction(action);
        // An entry may be rebuilding the menu from its own triggered signal.
        action->deleteLater();
    }
    if (separator_) {
        menu_->removeAction(separator_);
        delete separator_;
        separator_ = nullptr;
    }
    const int entries = std::min(static_cast<int>(titles.size()), kWindowMenuMaxEntries);
    if (entries == 0)
        return;
    const QList<QAction*> items = menu_->actions();
    if (!items.isEmpty() && !items.last()->isSeparator())
        separator_ = menu_->addSeparator();
    for (int k = 0; k < entries; ++k) {
        const int number = k + 1;
        // The digit of the first nine is their access key.
        const QString pattern =
            number < kWindowMenuMaxEntries ? QStringLiteral("&%1 %2") : QStringLiteral("%1 %2");
        auto* action = new QAction(
            pattern.arg(QString::number(number), EscapeAmpersands(titles[k])), group_->parent());
        action->setCheckable(true);
        action->setChecked(k == active);
        group_->addAction(action);
        menu_->addAction(action);
        QObject::connect(action, &QAction::triggered, group_, [choose, k] { choose(k); });
    }
}

void ShowUndoTexts(const CommandActions& actions, const QUndoGroup& group,
                   const InplaceEdit* editor)
{
    auto show = [&](Command command, const char* patternKey, bool can, const QString& step) {
        QAction* action = actions[static_cast<size_t>(command)];
        const QString text = can && !editor ? UiText(patternKey).arg(step)
                                            : UiText(MenuTextKey(command).constData());
        if (action->text() != text)
            action->setText(text);
    };
    show(Command::Undo, "undo.menu", group.canUndo(), group.undoText());
    show(Command::Redo, "undo.redoMenu", group.canRedo(), group.redoText());
    // Nothing to take back or bring back: the items say so by being grey.
    const bool undo = editor ? editor->isUndoAvailable() : group.canUndo();
    const bool redo = editor ? editor->isRedoAvailable() : group.canRedo();
    for (const auto& [command, enabled] : {std::pair{Command::Undo, undo}, {Command::Redo, redo}}) {
        QAction* action = actions[static_cast<size_t>(command)];
        if (action->isEnabled() != enabled)
            action->setEnabled(enabled);
    }
}

void FillRecentMenu(QMenu* menu, QAction* clear, const std::function<void(const RecentFile&)>& open)
{
    for (QAction* action : menu->actions()) {
        if (action != clear) {
            menu->removeAction(action);
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
                        menu);
        QObject::connect(action, &QAction::triggered, menu, [open, file] { open(file); });
        menu->insertAction(clear, action);
    }
    if (!files.isEmpty())
        menu->insertSeparator(clear);
    clear->setEnabled(!files.isEmpty());
}

void GiveMnemonics(QWidget* menu)
{
    // Qt leaves choosing them to the application. A long menu (the checks) can run out of
    // letters when each item takes the first free one, so the letters are matched to the
    // items as a whole (augmenting paths), a word's first letter tried first.
    QSet<QChar> fixed;
    std::vector<QAction*> open;
    std::vector<std::vector<qsizetype>> choices;
    for (QAction* item : menu->actions()) {
        if (item->menu())
            GiveMnemonics(item->menu());
        const QString text = item->text();
        const QString key = QKeySequence::mnemonic(text).toString();
        if (!key.isEmpty()) {
            fixed.insert(key.back().toLower());
            continue;
        }
        if (item->isSeparator() || text.isEmpty())
            continue;
        std::vector<qsizetype> at;
        for (const bool wordStart : {true, false}) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool starts = i == 0 || !text[i - 1].isLetterOrNumber();
                if (text[i].isLetterOrNumber() && starts == wordStart)
                    at.push_back(i);
            }
        }
        open.push_back(item);
        choices.push_back(std::move(at));
    }
    QHash<QChar, size_t> owner;
    const auto keyOf = [&](size_t item, qsizetype at) { return open[item]->text()[at].toLower(); };
    std::function<bool(size_t, QSet<QChar>&)> place = [&](size_t item, QSet<QChar>& seen) {
        for (const qsizetype at : choices[item]) {
            const QChar key = keyOf(item, at);
            if (fixed.contains(key) || seen.contains(key))
                continue;
            seen.insert(key);
            if (!owner.contains(key) || place(owner[key], seen)) {
                owner[key] = item;
                return true;
            }
        }
        return false;
    };
    for (size_t item = 0; item < open.size(); ++item) {
        QSet<QChar> seen;
        place(item, seen);
    }
    for (auto it = owner.cbegin(); it != owner.cend(); ++it) {
        const size_t item = it.value();
        for (const qsizetype at : choices[item]) {
            if (keyOf(item, at) == it.key()) {
                open[item]->setText(open[item]->text().insert(at, u'&'));
                break;
            }
        }
    }
}

}  // namespace scrivlet
