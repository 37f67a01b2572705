#pragma once

#include "base/UiText.h"

// Command numbers of the main window and the tables the menus, the toolbar and the
// shortcuts are built from. Every interface text the frame asks for is named here, so one
// test can check that all four languages have them.

namespace scrivlet {

namespace cmd {
constexpr int New = 57600;
constexpr int Open = 57601;
constexpr int Save = 57603;
constexpr int SaveAs = 57604;
constexpr int PrintSetup = 57606;
constexpr int Print = 57607;
constexpr int PrintPreview = 57609;
constexpr int Copy = 57634;
constexpr int Cut = 57635;
constexpr int Find = 57636;
constexpr int Paste = 57637;
constexpr int Undo = 57643;
constexpr int About = 57664;
constexpr int Exit = 57665;
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;
constexpr int Close = 32772;
constexpr int CloseAll = 32773;
constexpr int SaveAllAs = 32780;
constexpr int LanguageSystem = 32792;
constexpr int LanguageEnglish = 32793;
constexpr int LanguageGerman = 32794;
constexpr int LanguagePolish = 32795;
constexpr int LanguageRussian = 32796;
// Entries of the window list: command WindowFirst + k activates tab k.
constexpr int WindowFirst = 65280;
constexpr int WindowLast = 65533;
}  // namespace cmd

// The window list names at most this many tabs.
constexpr int kWindowMenuMaxEntries = 10;

struct CommandDef {
    int command;
    // The string with the command's number holds the status-bar prompt, then "\n" and the
    // toolbar tooltip.
    bool hasPrompt;
    // Key sequences in portable text form; null when unused.
    const char* shortcut;
    const char* altShortcut;
    bool checkable;
};

// One QAction per entry.
inline constexpr CommandDef kCommands[] = {
    {cmd::New, true, "Ctrl+N", nullptr, false},
    {cmd::Open, true, "Ctrl+O", nullptr, false},
    {cmd::Save, true, "Ctrl+S", nullptr, false},
    {cmd::SaveAs, true, nullptr, nullptr, false},
    {cmd::SaveAllAs, false, nullptr, nullptr, false},
    {cmd::Print, true, "Ctrl+P", nullptr, false},
    {cmd::PrintPreview, true, nullptr, nullptr, false},
    {cmd::PrintSetup, true, nullptr, nullptr, false},
    {cmd::Exit, true, nullptr, nullptr, false},
    {cmd::Undo, true, "Ctrl+Z", "Alt+Backspace", false},
    {cmd::Cut, true, "Ctrl+X", "Shift+Del", false},
    {cmd::Copy, true, "Ctrl+C", "Ctrl+Ins", false},
    {cmd::Paste, true, "Ctrl+V", "Shift+Ins", false},
    {cmd::Find, true, "Ctrl+F", nullptr, false},
    {cmd::ViewToolbar, true, nullptr, nullptr, true},
    {cmd::ViewStatusBar, true, nullptr, nullptr, true},
    {cmd::LanguageSystem, false, nullptr, nullptr, true},
    {cmd::LanguageEnglish, false, nullptr, nullptr, true},
    {cmd::LanguageGerman, false, nullptr, nullptr, true},
    {cmd::LanguagePolish, false, nullptr, nullptr, true},
    {cmd::LanguageRussian, false, nullptr, nullptr, true},
    {cmd::Close, false, "Ctrl+F4", nullptr, false},
    {cmd::CloseAll, false, nullptr, nullptr, false},
    {cmd::About, true, nullptr, nullptr, false},
};

enum class MenuEntryKind { Submenu, EndSubmenu, Item, Separator };

struct MenuEntry {
    MenuEntryKind kind;
    int command;          // Item only
    const char* textKey;  // Submenu and Item; an empty text leaves the item out
};

// The menu bar in order. A separator is only drawn between two items that are present,
// so the Find item that only some languages have takes its separator with it.
inline constexpr MenuEntry kMenuLayout[] = {
    {MenuEntryKind::Submenu, 0, "menu.file"},
    {MenuEntryKind::Item, cmd::New, "menu.57600"},
    {MenuEntryKind::Item, cmd::Open, "menu.57601"},
    {MenuEntryKind::Item, cmd::Save, "menu.57603"},
    {MenuEntryKind::Item, cmd::SaveAs, "menu.57604"},
    {MenuEntryKind::Item, cmd::SaveAllAs, "menu.32780"},
    {MenuEntryKind::Separator, 0, nullptr},
    {MenuEntryKind::Item, cmd::Print, "menu.57607"},
    {MenuEntryKind::Item, cmd::PrintPreview, "menu.57609"},
    {MenuEntryKind::Item, cmd::PrintSetup, "menu.57606"},
    {MenuEntryKind::Separator, 0, nullptr},
    {MenuEntryKind::Item, cmd::Exit, "menu.57665"},
    {MenuEntryKind::EndSubmenu, 0, nullptr},

    {MenuEntryKind::Submenu, 0, "menu.edit"},
    {MenuEntryKind::Item, cmd::Undo, "menu.57643"},
    {MenuEntryKind::Separator, 0, nullptr},
    {MenuEntryKind::Item, cmd::Cut, "menu.57635"},
    {MenuEntryKind::Item, cmd::Copy, "menu.57634"},
    {MenuEntryKind::Item, cmd::Paste, "menu.57637"},
    {MenuEntryKind::Separator, 0, nullptr},
    {MenuEntryKind::Item, cmd::Find, "menu.57636"},
    {MenuEntryKind::EndSubmenu, 0, nullptr},

    {MenuEntryKind::Submenu, 0, "menu.view"},
    {MenuEntryKind::Item, cmd::ViewToolbar, "menu.59392"},
    {MenuEntryKind::Item, cmd::ViewStatusBar, "menu.59393"},
    {MenuEntryKind::Separator, 0, nullptr},
    {MenuEntryKind::Submenu, 0, "menu.language"},
    {MenuEntryKind::Item, cmd::LanguageSystem, "menu.32792"},
    {MenuEntryKind::Item, cmd::LanguageEnglish, "menu.32793"},
    {MenuEntryKind::Item, cmd::LanguageGerman, "menu.32794"},
    {MenuEntryKind::Item, cmd::LanguagePolish, "menu.32795"},
    {MenuEntryKind::Item, cmd::LanguageRussian, "menu.32796"},
    {MenuEntryKind::EndSubmenu, 0, nullptr},
    {MenuEntryKind::EndSubmenu, 0, nullptr},

    {MenuEntryKind::Submenu, 0, "menu.window"},
    {MenuEntryKind::Item, cmd::Close, "menu.32772"},
    {MenuEntryKind::Item, cmd::CloseAll, "menu.32773"},
    {MenuEntryKind::EndSubmenu, 0, nullptr},

    {MenuEntryKind::Submenu, 0, "menu.help"},
    {MenuEntryKind::Item, cmd::About, "menu.57664"},
    {MenuEntryKind::EndSubmenu, 0, nullptr},
};

// Toolbar buttons in order; 0 is a gap.
inline constexpr int kToolbarLayout[] = {
    cmd::New, cmd::Open, cmd::Save, 0, cmd::Cut, cmd::Copy, cmd::Paste, 0, cmd::Print, cmd::About,
};

// The language commands and the LanguageID value each one stores.
struct LanguageCommand {
    int command;
    int languageId;
};
inline constexpr LanguageCommand kLanguageCommands[] = {
    {cmd::LanguageSystem, kLangIdSystem},   {cmd::LanguageEnglish, kLangIdEnglish},
    {cmd::LanguageGerman, kLangIdGerman},   {cmd::LanguagePolish, kLangIdPolish},
    {cmd::LanguageRussian, kLangIdRussian},
};

// Strings and keyed texts the frame shows besides the menu and the prompts.
inline constexpr int kFrameStrings[] = {
    str::FrameCaption,
    str::CatalogueMissing,
    str::LanguageChangeNotice,
    str::Ready,
};
inline constexpr const char* kFrameTextKeys[] = {
    "about.caption",
    "about.text",
};

}  // namespace scrivlet
