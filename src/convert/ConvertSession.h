#pragma once

#include "base/UiText.h"
#include "convert/ConvertOptions.h"
#include "documents/DocumentPrompts.h"
#include "search/Search.h"

#include <QString>

#include <cstdio>
#include <optional>

// What every mode of the converter works with: the loaded document and the command line, the
// prompts answered from it, the exit statuses and the printing of results and failures.

namespace scrivlet {
class EdtDocument;
class TextPlan;
class FormatCatalogue;
struct ImportReport;
struct LoadResult;
}  // namespace scrivlet

namespace scrivlet::convert {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void Print(FILE* stream, const QString& text);
// text as a JSON string, quotes included, as Qt's JSON writer writes it.
QByteArray JsonString(const QString& text);
// The keys of an import's JSON line, "imported" to "duplicate", and the closing brace.
QString ImportCounts(const ImportReport& report);
// The interface language of a --language code; none for a code no language has.
std::optional<UiLanguage> LanguageOf(const QString& code);
int InvalidPattern(const QString& text);
// A failed load or save: the editor's message, then the reason.
int Failed(const char* messageKey, const QString& path, const QString& reason);
// Says why on the error stream: the status of a failed run.
int Failed(const QString& why);
// Says why and then usage on the error stream: the status of a wrong command line.
int UsageError(const QString& why, const char* usage);
// Puts a plan's texts into the document; false, after saying so, when no memory is left.
bool ApplyPlan(EdtDocument& document, const TextPlan& plan);

// Answers the size question from the command line; notes go to stderr.
class ConverterPrompts : public DocumentPrompts {
public:
    explicit ConverterPrompts(bool yes) : yes_(yes) {}
    bool AskOpenInvalidSize(const QString& path, qint64 fileSize, qint64 recordBytes) override;
    void NotifyTextTooLong() override;

private:
    bool yes_;
};

// Everything a mode works with.
struct Session {
    const Options& options;
    const FormatCatalogue& catalogue;
    ConverterPrompts& prompts;
    EdtDocument& document;                    // INPUT, loaded
    const std::optional<SearchQuery>& query;  // valid when given
};

// --reference, read in INPUT's format; an empty result when there is none.
int LoadReference(Session& s, LoadResult* reference);

}  // namespace scrivlet::convert
