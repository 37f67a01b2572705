#pragma once

#include "base/UiText.h"

#include <QByteArray>

#include <optional>

// The commands of the main window and the tables the actions, menus and toolbar are built
// from. Every interface text the frame asks for is named here, so one test can check that all
// four languages have them.

namespace scrivlet {

// One QAction per command.
enum class Command {
    New,
    Open,
    Save,
    SaveAs,
    SaveAllAs,
    Print,
    PrintPreview,
    PrintSetup,
    Exit,
    ClearRecentFiles,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Find,
    GoToRecord,
    ViewToolbar,
    ViewStatusBar,
    LanguageSystem,
    LanguageEnglish,
    LanguageGerman,
    LanguagePolish,
    LanguageRussian,
    Close,
    CloseAll,
    About,
    ExportTranslations,
    ImportTranslations,
    NextUntranslated,
    PreviousUntranslated,
    NextProblem,
    PreviousProblem,
    ReferenceDocument,
    HideReference,
    CopyReference,
};

// The window list names at most this many tabs.
constexpr int kWindowMenuMaxEntries = 10;

struct CommandDef {
    Command command;
    const char* name;  // the action's object name
    // The key of the command's texts in the language files: "menu.<textId>" is the menu
    // item; with hasPrompt, "<textId>" holds the status-bar prompt, "\n", the tooltip.
    int textId;
    bool hasPrompt;
    // Key sequences in portable text form; null when unused.
    const char* shortcut;
    const char* altShortcut;
    bool checkable;
};

inline constexpr CommandDef kCommands[] = {
    {Command::New, "fileNew", 57600, true, "Ctrl+N", nullptr, false},
    {Command::Open, "fileOpen", 57601, true, "Ctrl+O", nullptr, false},
    {Command::Save, "fileSave", 57603, true, "Ctrl+S", nullptr, false},
    {Command::SaveAs, "fileSaveAs", 57604, true, nullptr, nullptr, false},
    {Command::SaveAllAs, "fileSaveAllAs", 32780, false, nullptr, nullptr, false},
    {Command::Print, "filePrint", 57607, true, "Ctrl+P", nullptr, false},
    {Command::PrintPreview, "filePrintPreview", 57609, true, nullptr, nullptr, false},
    {Command::PrintSetup, "filePrintSetup", 57606, true, nullptr, nullptr, false},
    {Command::Exit, "appExit", 57665, true, nullptr, nullptr, false},
    {Command::ClearRecentFiles, "fileClearRecent", 200, false, nullptr, nullptr, false},
    {Command::Undo, "editUndo", 57643, true, "Ctrl+Z", "Alt+Backspace", false},
    {Command::Redo, "editRedo", 57644, true, "Ctrl+Y", "Ctrl+Shift+Z", false},
    {Command::Cut, "editCut", 57635, true, "Ctrl+X", "Shift+Del", false},
    {Command::Copy, "editCopy", 57634, true, "Ctrl+C", "Ctrl+Ins", false},
    {Command::Paste, "editPaste", 57637, true, "Ctrl+V", "Shift+Ins", false},
    {Command::Find, "editFind", 57636, true, "Ctrl+F", nullptr, false},
    {Command::GoToRecord, "editGoToRecord", 170, true, "Ctrl+G", nullptr, false},
    {Command::ViewToolbar, "viewToolbar", 59392, true, nullptr, nullptr, true},
    {Command::ViewStatusBar, "viewStatusBar", 59393, true, nullptr, nullptr, true},
    {Command::LanguageSystem, "languageSystem", 32792, false, nullptr, nullptr, true},
    {Command::LanguageEnglish, "languageEnglish", 32793, false, nullptr, nullptr, true},
    {Command::LanguageGerman, "languageGerman", 32794, false, nullptr, nullptr, true},
    {Command::LanguagePolish, "languagePolish", 32795, false, nullptr, nullptr, true},
    {Command::LanguageRussian, "languageRussian", 32796, false, nullptr, nullptr, true},
    {Command::Close, "windowClose", 32772, false, "Ctrl+F4", nullptr, false},
    {Command::CloseAll, "windowCloseAll", 32773, false, nullptr, nullptr, false},
    {Command::About, "appAbout", 57664, true, nullptr, nullptr, false},
    {Command::ExportTranslations, "fileExportTranslations", 32960, true, nullptr, nullptr, false},
    {Command::ImportTranslations, "fileImportTranslations", 32961, true, nullptr, nullptr, false},
    {Command::NextUntranslated, "editNextUntranslated", 1401, true, "F8", nullptr, false},
    {Command::PreviousUntranslated, "editPreviousUntranslated", 1402, true, "Shift+F8", nullptr,
     false},
    {Command::NextProblem, "editNextProblem", 1403, true, "F9", nullptr, false},
    {Command::PreviousProblem, "editPreviousProblem", 1404, true, "Shift+F9", nullptr, false},
    {Command::ReferenceDocument, "viewReference", 1405, true, nullptr, nullptr, false},
    {Command::HideReference, "viewHideReference", 1406, true, nullptr, nullptr, false},
    {Command::CopyReference, "editCopyReference", 1407, true, "Ctrl+Shift+R", nullptr, false},
};

constexpr const CommandDef& DefinitionOf(Command command)
{
    for (const CommandDef& def : kCommands) {
        if (def.command == command)
            return def;
    }
    return kCommands[0];
}

inline QByteArray MenuTextKey(Command command)
{
    return "menu." + QByteArray::number(DefinitionOf(command).textId);
}

enum class MenuEntryKind { Submenu, EndSubmenu, Item, Separator };

struct MenuEntry {
    MenuEntryKind kind;
    Command command;      // Item only
    const char* textKey;  // Submenu only: its text; an item's is "menu.<textId>"
};

constexpr MenuEntry Submenu(const char* textKey)
{
    return {MenuEntryKind::Submenu, Command::New, textKey};
}
constexpr MenuEntry Item(Command command)
{
    return {MenuEntryKind::Item, command, nullptr};
}
constexpr MenuEntry kEndSubmenu{MenuEntryKind::EndSubmenu, Command::New, nullptr};
constexpr MenuEntry kSeparator{MenuEntryKind::Separator, Command::New, nullptr};

// The menu bar in order. An item whose text is empty is left out, and a separator is only
// drawn between two items that are present, so an item a language leaves out takes its
// separator with it.
inline constexpr MenuEntry kMenuLayout[] = {
    Submenu("menu.file"),
    Item(Command::New),
    Item(Command::Open),
    Item(Command::Save),
    Item(Command::SaveAs),
    Item(Command::SaveAllAs),
    kSeparator,
    Item(Command::ExportTranslations),
    Item(Command::ImportTranslations),
    kSeparator,
    Item(Command::Print),
    Item(Command::PrintPreview),
    Item(Command::PrintSetup),
    kSeparator,
    // The files themselves are listed above Clear List when the menu opens.
    Submenu("recent.menu"),
    Item(Command::ClearRecentFiles),
    kEndSubmenu,
    kSeparator,
    Item(Command::Exit),
    kEndSubmenu,

    Submenu("menu.edit"),
    Item(Command::Undo),
    Item(Command::Redo),
    kSeparator,
    Item(Command::Cut),
    Item(Command::Copy),
    Item(Command::Paste),
    kSeparator,
    Item(Command::Find),
    Item(Command::GoToRecord),
    kSeparator,
    Item(Command::NextUntranslated),
    Item(Command::PreviousUntranslated),
    Item(Command::NextProblem),
    Item(Command::PreviousProblem),
    Item(Command::CopyReference),
    kEndSubmenu,

    Submenu("menu.view"),
    Item(Command::ViewToolbar),
    Item(Command::ViewStatusBar),
    kSeparator,
    Item(Command::ReferenceDocument),
    Item(Command::HideReference),
    kSeparator,
    Submenu("menu.language"),
    Item(Command::LanguageSystem),
    Item(Command::LanguageEnglish),
    Item(Command::LanguageGerman),
    Item(Command::LanguagePolish),
    Item(Command::LanguageRussian),
    kEndSubmenu,
    kEndSubmenu,

    Submenu("menu.window"),
    Item(Command::Close),
    Item(Command::CloseAll),
    kEndSubmenu,

    Submenu("menu.help"),
    Item(Command::About),
    kEndSubmenu,
};

// Toolbar buttons in order; an empty entry is a gap.
inline constexpr std::optional<Command> kToolbarLayout[] = {
    Command::New,  Command::Open,  Command::Save, std::nullopt,   Command::Cut,
    Command::Copy, Command::Paste, std::nullopt,  Command::Print, Command::About,
};

// The language commands and the LanguageID value each one stores.
struct LanguageCommand {
    Command command;
    int languageId;
};
inline constexpr LanguageCommand kLanguageCommands[] = {
    {Command::LanguageSystem, kLangIdSystem},   {Command::LanguageEnglish, kLangIdEnglish},
    {Command::LanguageGerman, kLangIdGerman},   {Command::LanguagePolish, kLangIdPolish},
    {Command::LanguageRussian, kLangIdRussian},
};

// Strings and keyed texts the frame shows besides the menu and the prompts.
inline constexpr int kFrameStrings[] = {
    str::FrameCaption, str::CatalogueMissing, str::LanguageChangeNotice,
    str::Ready,        str::GoToCaption,      str::GoToPrompt,
};
inline constexpr const char* kFrameTextKeys[] = {
    "about.caption",
    "about.text",
    // The menu items while there is a step to undo or redo, and the steps' names.
    "undo.menu",
    "undo.redoMenu",
    "undo.typing",
    "undo.append",
    "undo.replace",
    "undo.replaceAll",
    // The find dialog's replace controls and what a replace says in the status bar.
    "replace.label",
    "replace.one",
    "replace.all",
    "replace.tooLong",
    "replace.done",
    "replace.skipped",
    "replace.unstorable",
    // Export and import of translations.
    "xchg.filter",
    "xchg.exportFailed",
    "xchg.importFailed",
    "xchg.fuzzyCount",
    "xchg.fuzzyCheck",
    "xchg.undo",
    "xchg.report0",
    "xchg.report1",
    "xchg.report2",
    "xchg.report3",
    "xchg.report4",
    "xchg.report5",
    "xchg.report6",
    "xchg.records",
    // The translation counts in the status bar.
    "work.translated",
    "work.filled",
    "work.problems",
    // The question before a save that would change characters.
    "work.unstorable",
    "work.unstorableField",
};

}  // namespace scrivlet
