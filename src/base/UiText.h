#pragma once

#include <QString>

// The interface texts of the four languages, read by key from the embedded language files.
// Placeholders are Qt's %1, %2, filled with
// QString::arg. The language is fixed once at start-up, before any text is fetched.

namespace scrivlet {

enum class UiLanguage { English, German, Polish, Russian };

// Keys of texts asked for in more than one place.
namespace str {
constexpr const char* FrameCaption = "frame.caption";
constexpr const char* AddRowText = "grid.addRow";
constexpr const char* SavePrompt = "prompt.saveChanges";
constexpr const char* NewTabTitle = "doc.newTitle";
constexpr const char* OpenFailed = "error.openFailed";
constexpr const char* SaveFailed = "error.saveFailed";
constexpr const char* SelectOutputFolder = "dialog.selectOutputFolder";
constexpr const char* TextTooLong = "warn.textTooLong";
constexpr const char* InvalidFileSize = "warn.invalidFileSize";
constexpr const char* LanguageCode = "catalogue.languageCode";
constexpr const char* CatalogueMissing = "catalogue.missing";
constexpr const char* RowLabelPattern = "grid.rowLabel";
constexpr const char* SymbolsUsed = "edit.symbolsUsed";
constexpr const char* WizardFormatTitle = "wizard.formatTitle";
constexpr const char* WizardEncodingTitle = "wizard.encodingTitle";
constexpr const char* WizardFileTypeTitle = "wizard.fileTypeTitle";
constexpr const char* WizardSubtitle = "wizard.subtitle";
constexpr const char* WizardFormatHeader = "wizard.formatHeader";
constexpr const char* WizardFileTypeHeader = "wizard.fileTypeHeader";
constexpr const char* WizardEncodingHeader = "wizard.encodingHeader";
constexpr const char* LanguageChangeNotice = "language.changeNotice";
constexpr const char* GoToCaption = "goTo.caption";
constexpr const char* GoToPrompt = "goTo.prompt";
constexpr const char* Ready = "status.ready";
}  // namespace str

// The caption of the main window and of every message box: the "frame.caption" text.
QString AppCaption();

void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();

// Language of a stored code ("en", "de", "pl", "ru"): empty is the system locale's, an
// unknown code English.
UiLanguage LanguageFromCode(const QString& code);
// "en", "de", "pl" or "ru".
QString LanguageCode(UiLanguage language);

// A text by key ("menu.file.new", "find.matchCase", ...); empty when absent.
QString UiText(const char* key);
// The same in a given language, for tests and for the converter.
QString UiTextIn(UiLanguage language, const QString& key);
// Every key of a language's file, count texts included.
QStringList UiTextKeys(UiLanguage language);

// A count text holds one form per plural category its language tells apart for whole
// numbers ("count.records": {"one": "%1 record", "other": "%1 records"}): English and German
// one and other, Polish and Russian one, few and many. Qt's own plural handling works only
// through compiled .qm catalogues, which these language files are not, hence these few rules.
enum class PluralForm { One, Few, Many, Other };
PluralForm PluralFormOf(UiLanguage language, qint64 count);
// The count text's form for count, %1 being the count as the language writes numbers
// ("1,234", "1.234", "1 234"); empty when the key or that form is absent.
QString UiCount(const char* key, qint64 count);
QString UiCountIn(UiLanguage language, const QString& key, qint64 count);


}  // namespace scrivlet
