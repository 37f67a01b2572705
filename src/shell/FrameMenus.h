#pragma once

#include "session/Settings.h"
#include "shell/Commands.h"

#include <QString>

#include <array>
#include <functional>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QWidget;
class QToolBar;
class QUndoGroup;

// The main window's commands as actions, and the menus and toolbar made of them from the
// layouts in Commands.h; the Window and Recent Files lists filled as they change.

namespace scrivlet {

class InplaceEdit;

using CommandActions = std::array<QAction*, std::size(kCommands)>;

// One action per command, owned by window, with its prompt, tooltip and shortcuts; added to
// window so that shortcuts work also for commands a language's menu leaves out.
CommandActions CreateCommandActions(QMainWindow* window);

// What the menu bar's builder hands back or asks for on the way.
struct MenuHooks {
    // Called for each submenu with its text key, once made (View > Checks, the Window menu,
    // the recent lists fill themselves).
    std::function<void(const char* key, QMenu* menu)> made;
};

// The menu bar from kMenuLayout; the language items become radio items named in their own
// language.
void CreateMenus(QMainWindow* window, const CommandActions& actions, const MenuHooks& hooks);

QToolBar* CreateToolBar(QMainWindow* window, const CommandActions& actions);

// Gives every item of menu (a menu or the menu bar) and its submenus that has no mnemonic the first letter of its text
// (a word's first letter first) that no other item of its menu uses: items made at run time
// (the checks, the spelling languages, the docks' own toggles) get keys as the others have.
void GiveMnemonics(QWidget* menu);

// "&" in a title would turn into an access key in tabs and menus.
QString EscapeAmpersands(QString text);

// The Window menu's list of open documents after its own items: titles in tab order, the
// active one checked, the first nine with their digit as access key; choose(k) shows tab k.
class WindowList {
public:
    WindowList(QMenu* menu, QObject* owner);
    void Fill(const QStringList& titles, int active, const std::function<void(int)>& choose);

private:
    QMenu* menu_;
    QActionGroup* group_;
    QAction* separator_ = nullptr;
};

// Undo and Redo named after the step they take ("Undo typing in row 12"), and enabled while
// there is one; while a cell editor is open they work inside it and say no more.
void ShowUndoTexts(const CommandActions& actions, const QUndoGroup& group,
                   const InplaceEdit* editor);

// File > Recent Files from the settings, above clear; open(file) reopens one.
void FillRecentMenu(QMenu* menu, QAction* clear,
                    const std::function<void(const RecentFile&)>& open);

}  // namespace scrivlet
