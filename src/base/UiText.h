#pragma once

#include <QString>

// The interface texts of the four languages, read by number (or key) from the embedded
// language files. The language is fixed once at start-up, before any text is fetched.

namespace scrivlet {

enum class UiLanguage { English, German, Polish, Russian };

// Locale identifiers stored in the LanguageID setting.
constexpr int kLangIdSystem = 2048;
constexpr int kLangIdEnglish = 1033;
constexpr int kLangIdGerman = 1031;
constexpr int kLangIdPolish = 1045;
constexpr int kLangIdRussian = 1049;

// String numbers.
namespace str {
constexpr int FrameCaption = 128;
constexpr int AddRowText = 129;
constexpr int SavePrompt = 130;
constexpr int NewTabTitle = 131;
constexpr int OpenFailed = 133;
constexpr int SaveFailed = 134;
constexpr int SelectOutputFolder = 135;
constexpr int TextTooLong = 136;
constexpr int InvalidFileSize = 137;
constexpr int LanguageCode = 143;
constexpr int CatalogueMissing = 144;
constexpr int RowLabelPattern = 145;
constexpr int SymbolsUsed = 146;
constexpr int WizardFormatTitle = 147;
constexpr int WizardEncodingTitle = 148;
constexpr int WizardFileTypeTitle = 149;
constexpr int WizardSubtitle = 150;
constexpr int WizardFormatHeader = 151;
constexpr int WizardFileTypeHeader = 152;
constexpr int WizardEncodingHeader = 153;
constexpr int LanguageChangeNotice = 154;
constexpr int GoToCaption = 171;
constexpr int GoToPrompt = 172;
constexpr int Ready = 57345;
}  // namespace str

// The caption of questions and notes about a file's content, the catalogue and the language.
inline QString AppCaption() { return QStringLiteral("Scrivlet"); }

void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();

// Language of a LanguageID value: the four identifiers directly, 2048 from the system
// locale, anything else English.
UiLanguage LanguageFromId(int languageId);
// "en", "de", "pl" or "ru".
QString LanguageCode(UiLanguage language);

// A string of the current language by number; empty when the table has no such entry.
QString UiText(int id);
// A text by key ("menu.57600", "find.1003", ...); empty when absent.
QString UiText(const char* key);
// The same in a given language, for tests and for the converter.
QString UiTextIn(UiLanguage language, const QString& key);
// Every key of a language's file.
QStringList UiTextKeys(UiLanguage language);

// printf-style "%s" and "%i" filled in order, as the string table's texts expect.
QString FormatUiText(const QString& pattern, const QString& s);
QString FormatUiText(const QString& pattern, int i);
QString FormatUiText(const QString& pattern, int i, int j);

}  // namespace scrivlet
