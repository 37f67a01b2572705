#pragma once

#include "base/UiText.h"

#include <QByteArray>
#include <QKeySequence>

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
    ExportPdf,
    Exit,
    ClearRecentFiles,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Find,
    FindNext,
    FindPrevious,
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
    UpdateOriginal,
    NextUntranslated,
    PreviousUntranslated,
    NextProblem,
    PreviousProblem,
    ReferenceDocument,
    HideReference,
    CopyReference,
    ViewProblems,
    ConfirmReview,
    NewProject,
    OpenProject,
    FindInProject,
    Pretranslate,
    ChooseMemory,
    ViewSuggestions,
    UpdateOriginals,
    ImportGlossary,
    ClearGlossary,
    ViewGlossary,
    Propagate,
    ViewEditingPane,
    DoneAndNext,
    ResetLayout,
    FilterRows,
    SaveAll,
    ExportProject,
    ImportProject,
    ImportMemory,
    ExportMemory,
    ReopenSession,
    ToggleNeedsWork,
    Approve,
    EditComment,
    ViewLegend,
};

// The window list names at most this many tabs.
constexpr int kWindowMenuMaxEntries = 10;

struct CommandDef {
    Command command;
    const char* name;  // the action's object name
    // The command's texts in the language files: "menu.<textKey>" is the menu item; with
    // hasPrompt, "tip.<textKey>" holds the status-bar prompt, "\n", the tooltip.
    const char* textKey;
    bool hasPrompt;
    // The platform's own keys for the command come first, so the menu shows them the way
    // the user's system writes them; the portable ones after them keep the keys the
    // program has always had on every platform. Null or UnknownKey when unused.
    QKeySequence::StandardKey standardKey;
    const char* shortcut;
    const char* altShortcut;
    bool checkable;
};

inline constexpr CommandDef kCommands[] = {
    {Command::New, "fileNew", "file.new", true, QKeySequence::New, "Ctrl+N", nullptr, false},
    {Command::Open, "fileOpen", "file.open", true, QKeySequence::Open, "Ctrl+O", nullptr, false},
    {Command::Save, "fileSave", "file.save", true, QKeySequence::Save, "Ctrl+S", nullptr, false},
    {Command::SaveAs, "fileSaveAs", "file.saveAs", true, QKeySequence::UnknownKey, nullptr, nullptr,
     false},
    {Command::SaveAllAs, "fileSaveAllAs", "file.saveAllAs", false, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::Print, "filePrint", "file.print", true, QKeySequence::Print, "Ctrl+P", nullptr,
     false},
    {Command::PrintPreview, "filePrintPreview", "file.printPreview", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::PrintSetup, "filePrintSetup", "file.printSetup", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::ExportPdf, "fileExportPdf", "file.exportPdf", true, QKeySequence::UnknownKey, nullptr,
     nullptr, false},
    {Command::Exit, "appExit", "file.exit", true, QKeySequence::UnknownKey, nullptr, nullptr,
     false},
    {Command::ClearRecentFiles, "fileClearRecent", "file.clearRecent", false,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::Undo, "editUndo", "edit.undo", true, QKeySequence::Undo, "Ctrl+Z", "Alt+Backspace",
     false},
    {Command::Redo, "editRedo", "edit.redo", true, QKeySequence::Redo, "Ctrl+Y", "Ctrl+Shift+Z",
     false},
    {Command::Cut, "editCut", "edit.cut", true, QKeySequence::Cut, "Ctrl+X", "Shift+Del", false},
    {Command::Copy, "editCopy", "edit.copy", true, QKeySequence::Copy, "Ctrl+C", "Ctrl+Ins", false},
    {Command::Paste, "editPaste", "edit.paste", true, QKeySequence::Paste, "Ctrl+V", "Shift+Ins",
     false},
    {Command::Find, "editFind", "edit.find", true, QKeySequence::Find, "Ctrl+F", nullptr, false},
    {Command::FindNext, "editFindNext", "edit.findNext", true, QKeySequence::FindNext, "F3",
     nullptr, false},
    {Command::FindPrevious, "editFindPrevious", "edit.findPrevious", true,
     QKeySequence::FindPrevious, "Shift+F3", nullptr, false},
    {Command::GoToRecord, "editGoToRecord", "edit.goToRecord", true, QKeySequence::UnknownKey,
     "Ctrl+G", nullptr, false},
    {Command::ViewToolbar, "viewToolbar", "view.toolbar", true, QKeySequence::UnknownKey, nullptr,
     nullptr, true},
    {Command::ViewStatusBar, "viewStatusBar", "view.statusBar", true, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::LanguageSystem, "languageSystem", "language.system", false, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::LanguageEnglish, "languageEnglish", "language.english", false,
     QKeySequence::UnknownKey, nullptr, nullptr, true},
    {Command::LanguageGerman, "languageGerman", "language.german", false, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::LanguagePolish, "languagePolish", "language.polish", false, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::LanguageRussian, "languageRussian", "language.russian", false,
     QKeySequence::UnknownKey, nullptr, nullptr, true},
    {Command::Close, "windowClose", "window.close", false, QKeySequence::Close, "Ctrl+F4", nullptr,
     false},
    {Command::CloseAll, "windowCloseAll", "window.closeAll", false, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::About, "appAbout", "help.about", true, QKeySequence::UnknownKey, nullptr, nullptr,
     false},
    {Command::ExportTranslations, "fileExportTranslations", "file.exportTranslations", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ImportTranslations, "fileImportTranslations", "file.importTranslations", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::UpdateOriginal, "fileUpdateOriginal", "file.updateOriginal", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::NextUntranslated, "editNextUntranslated", "edit.nextUntranslated", true,
     QKeySequence::UnknownKey, "F8", nullptr, false},
    {Command::PreviousUntranslated, "editPreviousUntranslated", "edit.previousUntranslated", true,
     QKeySequence::UnknownKey, "Shift+F8", nullptr, false},
    {Command::NextProblem, "editNextProblem", "edit.nextProblem", true, QKeySequence::UnknownKey,
     "F9", nullptr, false},
    {Command::PreviousProblem, "editPreviousProblem", "edit.previousProblem", true,
     QKeySequence::UnknownKey, "Shift+F9", nullptr, false},
    {Command::ReferenceDocument, "viewReference", "view.reference", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::HideReference, "viewHideReference", "view.hideReference", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ConfirmReview, "editConfirmReview", "edit.confirmReview", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::CopyReference, "editCopyReference", "edit.copyReference", true,
     QKeySequence::UnknownKey, "Ctrl+Shift+R", nullptr, false},
    {Command::ViewProblems, "viewProblems", "view.problems", true, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::NewProject, "fileNewProject", "file.newProject", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::OpenProject, "fileOpenProject", "file.openProject", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::FindInProject, "editFindInProject", "edit.findInProject", true,
     QKeySequence::UnknownKey, "Ctrl+Shift+F", nullptr, false},
    {Command::Pretranslate, "editPretranslate", "edit.pretranslate", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::ChooseMemory, "editMemory", "edit.memory", true, QKeySequence::UnknownKey, nullptr,
     nullptr, false},
    {Command::ViewSuggestions, "viewSuggestions", "view.suggestions", true,
     QKeySequence::UnknownKey, nullptr, nullptr, true},
    {Command::UpdateOriginals, "fileUpdateOriginals", "file.updateOriginals", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ImportGlossary, "fileImportGlossary", "file.importGlossary", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ClearGlossary, "fileClearGlossary", "file.clearGlossary", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ViewGlossary, "viewGlossary", "view.glossary", true, QKeySequence::UnknownKey,
     nullptr, nullptr, true},
    {Command::Propagate, "editPropagate", "edit.propagate", true, QKeySequence::UnknownKey,
     "Ctrl+Shift+P", nullptr, false},
    {Command::ViewEditingPane, "viewEditingPane", "view.editingPane", true,
     QKeySequence::UnknownKey, nullptr, nullptr, true},
    {Command::DoneAndNext, "editDoneAndNext", "edit.doneAndNext", true, QKeySequence::UnknownKey,
     "Ctrl+Return", "Ctrl+Enter", false},
    {Command::ResetLayout, "windowResetLayout", "window.resetLayout", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::FilterRows, "editFilterRows", "edit.filterRows", true, QKeySequence::UnknownKey,
     "Ctrl+L", nullptr, false},
    {Command::SaveAll, "fileSaveAll", "file.saveAll", true, QKeySequence::UnknownKey,
     "Ctrl+Shift+S", nullptr, false},
    {Command::ExportProject, "fileExportProject", "file.exportProject", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ImportProject, "fileImportProject", "file.importProject", true,
     QKeySequence::UnknownKey, nullptr, nullptr, false},
    {Command::ImportMemory, "fileImportMemory", "file.importMemory", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::ExportMemory, "fileExportMemory", "file.exportMemory", true, QKeySequence::UnknownKey,
     nullptr, nullptr, false},
    {Command::ReopenSession, "windowReopenSession", "window.reopenSession", true,
     QKeySequence::UnknownKey, nullptr, nullptr, true},
    {Command::ToggleNeedsWork, "editToggleNeedsWork", "edit.toggleNeedsWork", true,
     QKeySequence::UnknownKey, "Ctrl+U", nullptr, false},
    {Command::Approve, "editApprove", "edit.approve", true, QKeySequence::UnknownKey,
     "Ctrl+Shift+A", nullptr, false},
    {Command::EditComment, "editComment", "edit.comment", true, QKeySequence::UnknownKey,
     "Ctrl+Shift+M", nullptr, false},
    {Command::ViewLegend, "viewLegend", "view.legend", true, QKeySequence::UnknownKey, nullptr,
     nullptr, false},
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
    return QByteArray("menu.") + DefinitionOf(command).textKey;
}
inline QByteArray PromptTextKey(Command command)
{
    return QByteArray("tip.") + DefinitionOf(command).textKey;
}

enum class MenuEntryKind { Submenu, EndSubmenu, Item, Separator };

struct MenuEntry {
    MenuEntryKind kind;
    Command command;      // Item only
    const char* textKey;  // Submenu only: its text; an item's is MenuTextKey
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
    Item(Command::SaveAll),
    Item(Command::SaveAllAs),
    kSeparator,
    Item(Command::NewProject),
    Item(Command::OpenProject),
    Item(Command::UpdateOriginals),
    Item(Command::ImportGlossary),
    Item(Command::ClearGlossary),
    Submenu("menu.projectExchange"),
    Item(Command::ExportProject),
    Item(Command::ImportProject),
    kSeparator,
    Item(Command::ImportMemory),
    Item(Command::ExportMemory),
    kEndSubmenu,
    kSeparator,
    Item(Command::ExportTranslations),
    Item(Command::ImportTranslations),
    Item(Command::UpdateOriginal),
    kSeparator,
    Item(Command::Print),
    Item(Command::PrintPreview),
    Item(Command::ExportPdf),
    Item(Command::PrintSetup),
    kSeparator,
    // The files themselves are listed above Clear List when the menu opens.
    Submenu("recent.menu"),
    Item(Command::ClearRecentFiles),
    kEndSubmenu,
    // Filled with the recent projects when it opens.
    Submenu("recent.projects"),
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
    Item(Command::FindNext),
    Item(Command::FindPrevious),
    Item(Command::FindInProject),
    Item(Command::GoToRecord),
    Item(Command::FilterRows),
    kSeparator,
    Item(Command::NextUntranslated),
    Item(Command::PreviousUntranslated),
    Item(Command::NextProblem),
    Item(Command::PreviousProblem),
    Item(Command::DoneAndNext),
    Item(Command::CopyReference),
    Item(Command::ConfirmReview),
    Submenu("menu.review"),
    Item(Command::ToggleNeedsWork),
    Item(Command::Approve),
    Item(Command::EditComment),
    kEndSubmenu,
    Item(Command::Propagate),
    kSeparator,
    Item(Command::Pretranslate),
    Item(Command::ChooseMemory),
    kEndSubmenu,

    Submenu("menu.view"),
    Item(Command::ViewToolbar),
    Item(Command::ViewStatusBar),
    Item(Command::ViewEditingPane),
    Item(Command::ViewProblems),
    Item(Command::ViewSuggestions),
    Item(Command::ViewGlossary),
    Submenu("menu.checks"),
    kEndSubmenu,
    Item(Command::ViewLegend),
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
    kSeparator,
    Item(Command::ResetLayout),
    Item(Command::ReopenSession),
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

// The language commands, the language code each one stores (empty: the system's) and the
// language's name in itself, which the menu shows whatever the interface speaks: someone who
// cannot read the current language still finds their own (UTF-8; none for the system's).
struct LanguageCommand {
    Command command;
    const char* code;
    const char* ownName;
};
inline constexpr LanguageCommand kLanguageCommands[] = {
    {Command::LanguageSystem, "", nullptr},
    {Command::LanguageEnglish, "en", "English"},
    {Command::LanguageGerman, "de", "Deutsch"},
    {Command::LanguagePolish, "pl", "Polski"},
    {Command::LanguageRussian, "ru", "\u0420\u0443\u0441\u0441\u043a\u0438\u0439"},
};

// Texts the frame shows besides the menu and the prompts.
inline constexpr const char* kFrameTextKeys[] = {
    str::FrameCaption,
    str::CatalogueMissing,
    str::LanguageChangeNotice,
    str::Ready,
    str::GoToCaption,
    str::GoToPrompt,
    "about.caption",
    "about.text",
    // The start page.
    "start.purpose",
    "start.sample",
    "start.recent",
    // What a search says in the status bar and the find dialog.
    "find.noMatch",
    "find.wrappedToStart",
    "find.wrappedToEnd",
    "find.badPattern",
    "find.tooCostly",
    "file.removedOutside",
    // What a field's mark means; what F8 and F9 say.
    "mark.translated",
    "mark.same",
    "mark.needsWork",
    "mark.approved",
    "undo.state",
    "undo.comment",
    "comment.title",
    "comment.label",
    "mark.empty",
    "mark.tooLong",
    "mark.notStorable",
    "seek.noProblem",
    "seek.noUntranslated",
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
    "replace.doneCounts",
    "replace.skipped",
    "replace.unstorable",
    // Printing and the PDF export.
    "print.page",
    "print.filter",
    "print.exportFailed",
    // Export and import of translations.
    "xchg.filter",
    "xchg.exportFailed",
    "xchg.importFailed",
    "xchg.undo",
    "xchg.report0",
    "xchg.report1",
    "xchg.report3",
    "xchg.report4",
    "xchg.report5",
    "xchg.report6",
    "xchg.report7",
    "xchg.record",
    "xchg.records",
    // The translation counts in the status bar.
    "work.translated",
    "work.filled",
    "work.problems",
    // The question before a save that would change characters.
    "work.unstorable",
    "work.unstorableRecord",
    "work.unstorableRecords",
    "work.unstorableEnds",
    "undo.storable",
    // The project.
    "recent.projects",
    "start.recentProjects",
    "project.panel",
    "project.file",
    "project.records",
    "project.fields",
    "project.translated",
    "project.problems",
    "project.translatedTip",
    "project.unfinishedOnly",
    "project.noOriginal",
    "project.noTranslation",
    "project.totals",
    "project.missingCount",
    "project.extraCount",
    "project.badNames",
    "project.linksOutside",
    "project.noRecent",
    "project.filter",
    "project.newCaption",
    "project.browse",
    "project.originals",
    "project.originalEncoding",
    "project.translations",
    "project.translationEncoding",
    "project.projectFile",
    "project.chooseFolder",
    "projectFind.panel",
    "projectFind.findLabel",
    "projectFind.replaceLabel",
    "projectFind.matchCase",
    "projectFind.wholeWord",
    "projectFind.regex",
    "projectFind.find",
    "projectFind.replaceAll",
    "projectFind.file",
    "projectFind.record",
    "projectFind.field",
    "projectFind.text",
    "projectFind.counting",
    "projectFind.count",
    "projectFind.listed",
    "projectFind.unread",
    "projectFind.confirm",
    "projectFind.report",
    "projectFind.tooLong",
    "projectFind.unstorable",
    // The project's glossary.
    "glossary.filter",
    "glossary.importFailed",
    "glossary.imported",
    "glossary.clearAsk",
    "glossary.panel",
    "glossary.source",
    "glossary.target",
    "glossary.note",
    "glossary.noProject",
    "glossary.empty",
    "glossary.noSource",
    "glossary.none",
    "glossary.insertTip",
    // The filter above the grid.
    "rowFilter.show",
    "rowFilter.text",
    "rowFilter.inTranslation",
    "rowFilter.inOriginal",
    "rowFilter.count",
    // File > Project Exchange.
    "projectXchg.saveFirst",
    "projectXchg.exported",
    "projectXchg.exportFailed",
    "projectXchg.importFailed",
    "projectXchg.notInProject",
    "projectXchg.created",
    "projectXchg.total",
    // Import and Export Memory.
    "memory.tmxFilter",
    "memory.importing",
    "memory.exporting",
    "memory.importedReport",
    "memory.importTooLarge",
    "memory.importFailed",
    "memory.exportedReport",
    "memory.exportLeftOut",
    "memory.exportFailed",
    "memory.languagesTitle",
    "memory.languagesLabel",
    "memory.sourceLanguage",
    "memory.targetLanguage",
};

}  // namespace scrivlet
