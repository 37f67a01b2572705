// scrivlet-convert: lists the catalogue, dumps documents as JSON lines, converts them
// between .edt and .txt and between encodings, and finds and replaces in them, with the
// editor's own document files and search.

#include "base/UiText.h"
#include "convert/ProjectModes.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "documents/DocumentFiles.h"
#include "documents/DocumentPrompts.h"
#include "documents/Encodings.h"
#include "documents/RowLabels.h"
#include "exchange/Exchange.h"
#include "search/Replace.h"
#include "search/TranslationStatus.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>
#include <limits>
#include <optional>

using namespace scrivlet;

namespace {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

const char kUsage[] =
    "Usage:\n"
    "  scrivlet-convert [COMMON] --list-formats\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] --dump INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   [--strict] INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] --find TEXT [MATCH]\n"
    "                   INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   --find TEXT [MATCH] --replace-with R INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--yes] [--reference REF\n"
    "                   [--reference-encoding E2]] --export-po|--export-xliff OUT INPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2] [--yes]\n"
    "                   [--include-fuzzy] [--strict] --import-po|--import-xliff IN\n"
    "                   INPUT OUTPUT\n"
    "  scrivlet-convert [COMMON] --format N|auto --encoding E [--to-encoding E2]\n"
    "                   [--reference REF [--reference-encoding E3]] --stats INPUT\n"
    "\n"
    "COMMON:\n"
    "  --language en|de|pl|ru  interface language of the messages and the catalogue\n"
    "                          (default en: formats.en.ini beside this program)\n"
    "  --catalogue FILE        read the formats from FILE instead\n"
    "\n"
    "  --list-formats   print the catalogue as a JSON array\n"
    "  --format N|auto  format index in the catalogue, or detect it from INPUT's path\n"
    "  --encoding E     encoding of INPUT: 0 English, 1 German, 2 Polish (Kestrel 2),\n"
    "                   3 Russian, 4 Unicode\n"
    "  --to-encoding E2 encoding of OUTPUT (default: E)\n"
    "  --yes            open a file whose size is no whole number of records\n"
    "  --dump           print each record of INPUT as a JSON array of its cell texts\n"
    "  --find TEXT      print each match in INPUT as a JSON line {\"record\": R, \"field\": F,\n"
    "                   \"start\": S, \"length\": L}: record and field counted from 0 (field\n"
    "                   counts the text fields), start and length in UTF-16 units\n"
    "  --replace-with R replace every match, write OUTPUT and print {\"replaced\": N,\n"
    "                   \"records\": M, \"skipped_too_long\": K}; a field whose text with all\n"
    "                   its replacements would be longer than the field stays as it is\n"
    "  --export-po OUT, --export-xliff OUT\n"
    "                   write every non-empty text field of INPUT as a translation entry\n"
    "                   named \"record:field\"; with --reference the source texts are REF's\n"
    "                   and INPUT's differing texts the translations (REF is read in E2,\n"
    "                   default E, in INPUT's format)\n"
    "  --import-po IN, --import-xliff IN\n"
    "                   put the translations of IN into INPUT's fields, write OUTPUT and\n"
    "                   print {\"imported\": N, \"unchanged\": U, \"fuzzy_skipped\": F,\n"
    "                   \"too_long\": L, \"unknown\": K, \"not_storable\": S,\n"
    "                   \"duplicate\": D}; a translation longer than its field, an unknown\n"
    "                   name, a later entry for a field already given (a duplicate) and\n"
    "                   (unless --include-fuzzy) a fuzzy entry are left out; --strict fails\n"
    "                   when a translation cannot be stored in the output's encoding\n"
    "  --strict         fail (status 1) instead of saving characters OUTPUT's encoding\n"
    "                   changes, and list them (with an import: see above)\n"
    "  --stats          print INPUT's translation counts as one JSON object {\"records\",\n"
    "                   \"fields\", \"empty\", \"same_as_reference\" (with --reference),\n"
    "                   \"translated\", \"too_long\", \"not_storable\"}; not storable in\n"
    "                   E2 when given, else in E\n"
    "  --reference REF  the original INPUT is compared with (INPUT's format; encoding\n"
    "                   --reference-encoding, default E), for --stats and the exports\n"
    "MATCH: --match-case, --whole-word, --regex (then $1 to $9 and $& in R insert the\n"
    "       groups and the match, $$ a '$'). Without --match-case the case is ignored.\n"
    "Files ending in .edt (any case) are record files, all others text files.\n"
    "Exit status: 0 success (also when nothing matched), 1 failed load or save, a\n"
    "refused translation file or (--strict) a text not storable, 2 usage error or\n"
    "invalid pattern.\n";

void Print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
}

int UsageError(const QString& why)
{
    Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(why));
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

struct Options {
    QString language = QStringLiteral("en");
    QString catalogue;
    bool listFormats = false;
    bool dump = false;
    bool yes = false;
    bool help = false;
    QString format;
    std::optional<int> encoding;
    std::optional<int> toEncoding;
    std::optional<QString> find;
    std::optional<QString> replaceWith;
    quint32 searchFlags = 0;
    QStringList files;
    // Translation exchange, translation counts and the check before saving.
    QString exportPath, importPath;
    ExchangeFormat exchangeFormat = ExchangeFormat::Po;
    QString reference;
    std::optional<int> referenceEncoding;
    bool includeFuzzy = false, strict = false, stats = false;
};

std::optional<int> ParseEncoding(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value >= kEncodingCount)
        return std::nullopt;
    return value;
}

// Empty on success, else what is wrong with the command line.
QString ParseArguments(const QStringList& args, Options* options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString* out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        QString text;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options->help = true;
        } else if (arg == QLatin1String("--list-formats")) {
            options->listFormats = true;
        } else if (arg == QLatin1String("--dump")) {
            options->dump = true;
        } else if (arg == QLatin1String("--yes")) {
            options->yes = true;
        } else if (arg == QLatin1String("--match-case")) {
            options->searchFlags |= kSearchMatchCase;
        } else if (arg == QLatin1String("--whole-word")) {
            options->searchFlags |= kSearchWholeWord;
        } else if (arg == QLatin1String("--regex")) {
            options->searchFlags |= kSearchRegex;
        } else if (arg == QLatin1String("--find") || arg == QLatin1String("--replace-with")) {
            if (!value(&text))
                return QStringLiteral("%1 needs a text").arg(arg);
            (arg == QLatin1String("--find") ? options->find : options->replaceWith) = text;
        } else if (arg == QLatin1String("--language")) {
            if (!value(&options->language))
                return QStringLiteral("--language needs a value");
        } else if (arg == QLatin1String("--catalogue")) {
            if (!value(&options->catalogue))
                return QStringLiteral("--catalogue needs a file");
        } else if (arg == QLatin1String("--format")) {
            if (!value(&options->format))
                return QStringLiteral("--format needs an index or auto");
        } else if (arg == QLatin1String("--encoding") || arg == QLatin1String("--to-encoding")) {
            if (!value(&text))
                return QStringLiteral("%1 needs a value").arg(arg);
            const std::optional<int> encoding = ParseEncoding(text);
            if (!encoding)
                return QStringLiteral("%1 must be 0 to 4, not '%2'").arg(arg, text);
            (arg == QLatin1String("--encoding") ? options->encoding : options->toEncoding) =
                encoding;
        } else if (arg == QLatin1String("--export-po") || arg == QLatin1String("--export-xliff") ||
                   arg == QLatin1String("--import-po") || arg == QLatin1String("--import-xliff")) {
            const bool exporting = arg.startsWith(QLatin1String("--export"));
            if (!value(exporting ? &options->exportPath : &options->importPath))
                return QStringLiteral("%1 needs a file").arg(arg);
            options->exchangeFormat =
                arg.endsWith(QLatin1String("po")) ? ExchangeFormat::Po : ExchangeFormat::Xliff;
        } else if (arg == QLatin1String("--reference")) {
            if (!value(&options->reference))
                return QStringLiteral("--reference needs a file");
        } else if (arg == QLatin1String("--reference-encoding")) {
            if (!value(&text) || !(options->referenceEncoding = ParseEncoding(text)))
                return QStringLiteral("--reference-encoding must be 0 to 4");
        } else if (arg == QLatin1String("--include-fuzzy")) {
            options->includeFuzzy = true;
        } else if (arg == QLatin1String("--strict")) {
            options->strict = true;
        } else if (arg == QLatin1String("--stats")) {
            options->stats = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else {
            options->files.append(arg);
        }
    }
    if (options->help)
        return {};
    if (options->listFormats) {
        if (!options->files.isEmpty() || options->dump)
            return QStringLiteral("--list-formats takes no files");
        return {};
    }
    if (options->format.isEmpty())
        return QStringLiteral("--format is missing");
    if (!options->encoding)
        return QStringLiteral("--encoding is missing");
    if (options->find && options->find->isEmpty())
        return QStringLiteral("--find needs a text");
    if (!options->find && (options->replaceWith || options->searchFlags))
        return QStringLiteral(
            "--replace-with, --match-case, --whole-word and --regex go with "
            "--find");
    if (options->find && options->dump)
        return QStringLiteral("--find does not go with --dump");
    const bool exporting = !options->exportPath.isEmpty();
    const bool importing = !options->importPath.isEmpty();
    if ((exporting || importing) &&
        (options->find || options->dump || options->stats || (exporting && importing)))
        return QStringLiteral("one of --dump, --find, --stats, --export-* and --import-* at a time");
    if ((!options->reference.isEmpty() || options->referenceEncoding) && !exporting &&
        !options->stats)
        return QStringLiteral(
            "--reference and --reference-encoding go with --stats, --export-po or "
            "--export-xliff");
    if (options->referenceEncoding && options->reference.isEmpty())
        return QStringLiteral("--reference-encoding goes with --reference");
    if (options->includeFuzzy && !importing)
        return QStringLiteral("--include-fuzzy goes with --import-po or --import-xliff");
    if (options->strict && exporting)
        return QStringLiteral("--strict does not go with --export-po or --export-xliff");
    if (options->stats && (options->find || options->dump || options->strict))
        return QStringLiteral("--stats goes with none of --find, --dump and --strict");
    if (options->stats) {
        // --to-encoding names the encoding the counts judge storability in.
        return options->files.size() == 1 ? QString() : QStringLiteral("--stats takes one INPUT");
    }
    if (exporting && (options->files.size() != 1 || options->toEncoding))
        return QStringLiteral("an export takes one INPUT");
    // Listing the matches reads INPUT only, like --dump.
    const bool readOnly = options->dump || exporting || (options->find && !options->replaceWith);
    if (readOnly && options->files.size() != 1)
        return QStringLiteral("%1 takes one INPUT").arg(options->dump ? "--dump" : "--find");
    if (!readOnly && options->files.size() != 2)
        return QStringLiteral("give INPUT and OUTPUT");
    if (readOnly && options->toEncoding)
        return QStringLiteral("--to-encoding needs an OUTPUT");
    if (readOnly && options->strict)
        return QStringLiteral("--strict needs an OUTPUT");
    return {};
}

std::optional<UiLanguage> LanguageOf(const QString& code)
{
    for (UiLanguage language :
         {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian}) {
        if (LanguageCode(language) == code)
            return language;
    }
    return std::nullopt;
}

// Answers the size question from the command line; notes go to stderr.
class ConverterPrompts : public DocumentPrompts {
public:
    explicit ConverterPrompts(bool yes) : yes_(yes) {}
    bool AskOpenInvalidSize() override
    {
        if (!yes_)
            Print(stderr, UiText(str::InvalidFileSize) + QStringLiteral(" (--yes)\n"));
        return yes_;
    }
    void NotifyTextTooLong() override { Print(stderr, UiText(str::TextTooLong) + u'\n'); }

private:
    bool yes_;
};

QJsonArray JsonStrings(const QStringList& list)
{
    QJsonArray array;
    for (const QString& s : list)
        array.append(s);
    return array;
}

void ListFormats()
{
    QJsonArray formats;
    const FormatCatalogue& catalogue = GlobalCatalogue();
    for (int i = 0; i < catalogue.Count(); ++i) {
        const EdtFormat& format = *catalogue.At(i);
        QJsonArray fields;
        for (int k = 0; k < format.FieldCount(); ++k) {
            const FieldDef& field = format.fields[k];
            fields.append(QJsonObject{{"caption", field.caption},
                                      {"width", field.width},
                                      {"type", field.type},
                                      {"offset", field.offset},
                                      {"size", field.size},
                                      {"labels", JsonStrings(field.labels)}});
        }
        formats.append(QJsonObject{{"index", i},
                                   {"name", format.name},
                                   {"path", format.path},
                                   {"width", format.recordLength},
                                   {"fields", fields}});
    }
    Print(stdout, QString::fromUtf8(QJsonDocument(formats).toJson(QJsonDocument::Indented)));
}

// Every column as the editor shows it: label columns computed, text columns as stored, a
// column of any other type empty.
void Dump(const EdtDocument& document)
{
    const RowLabels labels;
    const EdtFormat& format = document.Format();
    for (int record = 0; record < document.RecordCount(); ++record) {
        QJsonArray texts;
        for (int column = 0; column < document.ColumnCount(); ++column) {
            const FieldDef& field = format.fields[column];
            texts.append(field.type == kLabelField ? labels.Make(field, record)
                                                   : document.Text(record, column));
        }
        QByteArray line = QJsonDocument(texts).toJson(QJsonDocument::Compact);
        line.append('\n');
        std::fwrite(line.constData(), 1, line.size(), stdout);
    }
}

// The JSON lines are written by hand: their keys come in the documented order, which a JSON
// object does not keep.
void ListMatches(const EdtDocument& document, const SearchQuery& query, SearchOutcome* outcome)
{
    QByteArray out;
    auto flush = [&out] {
        std::fwrite(out.constData(), 1, out.size(), stdout);
        out.clear();
    };
    *outcome = FindAll(document, query, [&](const FieldMatch& match) {
        out += "{\"record\": " + QByteArray::number(match.record) +
               ", \"field\": " + QByteArray::number(match.field) +
               ", \"start\": " + QByteArray::number(match.start) +
               ", \"length\": " + QByteArray::number(match.length) + "}\n";
        if (out.size() > (1 << 16))
            flush();
    });
    flush();
}

// One JSON object, keys in the documented order.
void PrintStats(const EdtDocument& document, const TranslationCounts& counts, bool reference)
{
    QString line = QStringLiteral("{\"records\": %1, \"fields\": %2, \"empty\": %3, ")
                       .arg(document.RecordCount())
                       .arg(counts.fields)
                       .arg(counts.empty);
    if (reference)
        line += QStringLiteral("\"same_as_reference\": %1, ").arg(counts.sameAsReference);
    line += QStringLiteral("\"translated\": %1, \"too_long\": %2, \"not_storable\": %3}\n")
                .arg(counts.translated)
                .arg(counts.tooLong)
                .arg(counts.notStorable);
    Print(stdout, line);
}

// Lists every field whose characters the storage would change; true when there is none.
bool CheckStorable(const EdtDocument& document, const TextStorage& storage, const QString& path)
{
    const std::vector<UnstorableField> fields =
        FindUnstorable(document, storage, std::numeric_limits<int>::max());
    for (const UnstorableField& field : fields) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1: record %2, %3: %4\n")
                          .arg(path)
                          .arg(field.record)
                          .arg(document.Format().fields[field.column].caption, field.characters));
    }
    if (!fields.empty())
        Print(stderr, QStringLiteral("scrivlet-convert: %1 not written: its encoding would change "
                                     "the characters of %2 fields\n")
                          .arg(path)
                          .arg(fields.size()));
    return fields.empty();
}

int InvalidPattern(const QString& text)
{
    Print(stderr, QStringLiteral("scrivlet-convert: '%1' is no valid regular expression, or "
                                 "matching it takes too long\n")
                      .arg(text));
    return kExitUsage;
}

// A failed load or save: the editor's message, then the reason.
int Failed(const char* messageKey, const QString& path, const QString& reason)
{
    Print(stderr, UiText(messageKey).arg(path) + u'\n' + reason + u'\n');
    return kExitFailed;
}

QString DescribeFormats(const QList<int>& formats)
{
    QStringList names;
    for (int index : formats)
        names << QStringLiteral("%1 (%2)").arg(index).arg(GlobalCatalogue().At(index)->name);
    return names.join(QStringLiteral(", "));
}

// --export-* writes the translation file; --import-* changes the document, then the caller saves
// it as after a conversion.
int ExchangeTranslations(const Options& options, EdtDocument& document, ConverterPrompts& prompts)
{
    if (!options.exportPath.isEmpty()) {
        LoadResult reference;
        if (!options.reference.isEmpty()) {
            reference = LoadDocument(options.reference, FileTypeFromPath(options.reference),
                                     options.referenceEncoding.value_or(*options.encoding),
                                     document.Format(), document.FormatIndex(), false, &prompts);
            if (!reference.document)
                return Failed(str::OpenFailed, options.reference, reference.error);
        }
        const Result exported = ExportTranslations(document, reference.document.get(),
                                                   options.exportPath, options.exchangeFormat);
        if (!exported)
            return Failed(str::SaveFailed, options.exportPath, exported.Error());
        return kExitOk;
    }
    std::vector<TranslationEntry> entries;
    const Result read = ReadTranslations(options.importPath, options.exchangeFormat, &entries);
    if (!read)
        return Failed(str::OpenFailed, options.importPath, read.Error());
    const QString output = options.files[1];
    // Storability is a question of where the texts go.
    document.SetEncoding(options.toEncoding.value_or(*options.encoding));
    document.SetFileType(FileTypeFromPath(output));
    ImportPlan plan;
    if (const Result planned = PlanImport(document, entries, options.includeFuzzy, &plan);
        !planned) {
        Print(stderr, planned.Error() + u'\n');
        return kExitFailed;
    }
    const ImportReport& report = plan.report;
    if (options.strict && report.count[ImportReport::NotStorable] > 0) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1 translations cannot be stored in the "
                                     "output's encoding (first in record %2); nothing written\n")
                          .arg(report.count[ImportReport::NotStorable])
                          .arg(report.records[ImportReport::NotStorable].front()));
        return kExitFailed;
    }
    document.ExchangeTexts(plan.changes);
    const Result saved =
        SaveDocumentAs(document, output, FileTypeFromPath(output), document.GetEncoding());
    if (!saved)
        return Failed(str::SaveFailed, output, saved.Error());
    Print(stdout, QStringLiteral("{\"imported\": %1, \"unchanged\": %2, \"fuzzy_skipped\": %3, "
                                 "\"too_long\": %4, \"unknown\": %5, \"not_storable\": %6, "
                                 "\"duplicate\": %7}\n")
                      .arg(report.count[ImportReport::Imported])
                      .arg(report.count[ImportReport::Unchanged])
                      .arg(report.count[ImportReport::FuzzySkipped])
                      .arg(report.count[ImportReport::TooLong])
                      .arg(report.count[ImportReport::Unknown])
                      .arg(report.count[ImportReport::NotStorable])
                      .arg(report.count[ImportReport::Duplicate]));
    return kExitOk;
}

int Run(const QStringList& args)
{
    if (const std::optional<int> status = RunProjectMode(args))
        return *status;
    Options options;
    const QString problem = ParseArguments(args, &options);
    if (!problem.isEmpty())
        return UsageError(problem);
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(ProjectUsage(), stdout);
        return kExitOk;
    }
    const std::optional<UiLanguage> language = LanguageOf(options.language);
    if (!language)
        return UsageError(QStringLiteral("unknown language '%1'").arg(options.language));
    SetUiLanguage(*language);

    // Without --catalogue: the language's catalogue beside the program, as the editor reads it.
    QString missing = options.catalogue;
    const bool loaded = options.catalogue.isEmpty()
                            ? LoadFormatCatalogue(GlobalCatalogue(), *language, &missing)
                            : LoadFormatCatalogueFile(GlobalCatalogue(), options.catalogue);
    if (!loaded) {
        Print(stderr, UiText(str::CatalogueMissing).arg(missing) + u'\n');
        return kExitFailed;
    }
    if (options.listFormats) {
        ListFormats();
        return kExitOk;
    }

    const QString input = options.files[0];
    int format = -1;
    if (options.format == QLatin1String("auto")) {
        const QString fullPath = QFileInfo(input).absoluteFilePath();
        const Detection detection = FormatDetector(GlobalCatalogue()).Detect(fullPath);
        if (detection.ask) {
            if (detection.candidates.size() > 1) {
                Print(stderr, QStringLiteral("scrivlet-convert: the format of '%1' is not clear: "
                                             "formats %2 match equally; choose one with --format\n")
                                  .arg(fullPath, DescribeFormats(detection.candidates)));
            } else if (!detection.candidates.isEmpty()) {
                Print(stderr, QStringLiteral("scrivlet-convert: the format of '%1' is not clear: "
                                             "format %2 matches without a distinguishing group; "
                                             "choose one with --format\n")
                                  .arg(fullPath, DescribeFormats(detection.candidates)));
            } else {
                Print(stderr, QStringLiteral("scrivlet-convert: no format matches '%1'; choose "
                                             "one with --format\n")
                                  .arg(fullPath));
            }
            return kExitFailed;
        }
        format = detection.format;
    } else {
        bool ok = false;
        format = options.format.toInt(&ok);
        if (!ok || !GlobalCatalogue().At(format)) {
            return UsageError(QStringLiteral("--format must be auto or 0 to %1, not '%2'")
                                  .arg(GlobalCatalogue().Count() - 1)
                                  .arg(options.format));
        }
    }

    std::optional<SearchQuery> query;
    if (options.find) {
        query = SearchQuery{*options.find, options.searchFlags};
        // A bad expression is the command line's fault: told before any file is read.
        if (!QueryMatcher(*query).IsValid())
            return InvalidPattern(query->text);
    }

    ConverterPrompts prompts(options.yes);
    const LoadResult opened = LoadDocument(input, FileTypeFromPath(input), *options.encoding,
                                           *GlobalCatalogue().At(format), format, false, &prompts);
    if (!opened.document)
        return Failed(str::OpenFailed, input, opened.error);
    if (options.dump) {
        Dump(*opened.document);
        return kExitOk;
    }
    if (!options.exportPath.isEmpty() || !options.importPath.isEmpty())
        return ExchangeTranslations(options, *opened.document, prompts);
    if (options.stats) {
        TranslationStatus status(*opened.document);
        LoadResult reference;
        if (!options.reference.isEmpty()) {
            reference = LoadDocument(options.reference, FileTypeFromPath(options.reference),
                                     options.referenceEncoding.value_or(*options.encoding),
                                     *GlobalCatalogue().At(format), format, false, &prompts);
            if (!reference.document)
                return Failed(str::OpenFailed, options.reference, reference.error);
            status.SetReference(reference.document.get());
        }
        if (options.toEncoding)
            status.SetStorage(TextStorage{*options.toEncoding, FileTypeFromPath(input)});
        PrintStats(*opened.document, status.Counts(), !options.reference.isEmpty());
        return kExitOk;
    }
    ReplacePlan plan;
    if (query && !options.replaceWith) {
        SearchOutcome outcome = SearchOutcome::NotFound;
        ListMatches(*opened.document, *query, &outcome);
        return outcome == SearchOutcome::InvalidPattern ? InvalidPattern(query->text) : kExitOk;
    }
    if (query) {
        switch (PlanReplaceAll(*opened.document, *query, *options.replaceWith, &plan)) {
            case ReplaceOutcome::Done:
                break;
            case ReplaceOutcome::InvalidPattern:
                return InvalidPattern(query->text);
            case ReplaceOutcome::NoMemory:
                Print(stderr, QStringLiteral("scrivlet-convert: not enough memory to replace\n"));
                return kExitFailed;
        }
        opened.document->ExchangeTexts(plan.changes);
    }
    const QString output = options.files[1];
    if (options.strict && !CheckStorable(*opened.document,
                                         TextStorage{options.toEncoding.value_or(*options.encoding),
                                                     FileTypeFromPath(output)},
                                         output))
        return kExitFailed;
    const Result saved = SaveDocumentAs(*opened.document, output, FileTypeFromPath(output),
                                        options.toEncoding.value_or(*options.encoding));
    if (!saved)
        return Failed(str::SaveFailed, output, saved.Error());
    if (query) {
        const ReplaceReport& report = plan.report;
        Print(stdout,
              QStringLiteral("{\"replaced\": %1, \"records\": %2, \"skipped_too_long\": %3}\n")
                  .arg(report.replaced)
                  .arg(report.records)
                  .arg(report.skippedTooLong));
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int status = Run(QCoreApplication::arguments());
    std::fflush(stdout);
    return status;
}
