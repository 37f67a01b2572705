// scrivlet-convert's memory modes: filling a translation memory from TMX, PO, XLIFF and pairs
// of documents, writing it as TMX, asking it for matches and pre-translating a document, each
// result as JSON lines on stdout.

#include "convert/MemoryModes.h"

#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "convert/ConvertSession.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"
#include "store/FieldNotes.h"
#include "store/MemoryExchange.h"
#include "store/ProjectPretranslate.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace scrivlet {
namespace {

using convert::ConverterPrompts;
using convert::Failed;
using convert::JsonString;
using convert::kExitFailed;
using convert::kExitOk;
using convert::kExitUsage;
using convert::Print;
using convert::UsageError;

const char kMemoryUsage[] =
    "\nTranslation memory modes (TM: an SQLite file, made when missing, or a\n"
    "postgresql:// connection string):\n"
    "  scrivlet-convert --tm TM [--source-lang L1 --target-lang L2] --tm-import FILE\n"
    "                   (.tmx, or a .po/.xlf written by an export)\n"
    "  scrivlet-convert --tm TM [--source-lang L1 --target-lang L2] [COMMON]\n"
    "                   --tm-import-pair ORIGINAL TRANSLATION --format N|auto\n"
    "                   [--reference-encoding E1] --encoding E2 [--yes]\n"
    "      -> {\"segments\": S, \"added\": A, \"duplicates\": D}\n"
    "  scrivlet-convert --tm TM --tm-export OUT.tmx  -> {\"exported\": N, \"left_out\": K}\n"
    "  scrivlet-convert --tm TM --suggest TEXT [--min-score 70] [--limit 5]\n"
    "      -> {\"source\": ..., \"target\": ..., \"score\": 0-100} per match, best first\n"
    "  scrivlet-convert --tm TM [COMMON] --format N|auto --encoding E [--to-encoding E2]\n"
    "                   --reference REF [--reference-encoding E1] [--yes]\n"
    "                   --pretranslate INPUT OUTPUT [--min-score 100]\n"
    "      -> {\"filled\": F, \"exact\": X, \"fuzzy\": Z, \"too_long\": T}\n"
    "Each takes [--tm-timeout S] (seconds a server may keep silent, default 10); --tm-import\n"
    "takes [--tm-unit-limit K] (TMX units over K x 1024 characters are left out and counted\n"
    "as \"too_large\", default 64).\n"
    "The first import into a new memory needs --source-lang and --target-lang (BCP 47 codes;\n"
    "TMX languages are compared by their primary subtag); later runs use the memory's own\n"
    "unless both are given. --suggest and --pretranslate take matches at or above\n"
    "--min-score (default 70 and 100); --pretranslate fills fields that are empty or equal\n"
    "to REF's and leaves out matches longer than the field (too_long).\n";

struct MemoryOptions {
    QString tm, language = QStringLiteral("en"), catalogue, format;
    MemoryLanguages languages;
    QString importPath, exportPath;
    QStringList pair;  // ORIGINAL TRANSLATION
    std::optional<QString> suggest;
    QStringList pretranslate;  // INPUT OUTPUT
    QString reference;
    int encoding = -1, toEncoding = -1, referenceEncoding = -1;
    std::optional<int> minScore;
    std::optional<int> limit;
    int timeout = MemoryWaits().timeoutSeconds;
    std::optional<int> unitLimitK;
    bool yes = false;
};

QString Number(const QString& arg, const QString& value, int low, int high, int* target)
{
    bool ok = false;
    *target = value.toInt(&ok);
    return ok && *target >= low && *target <= high ? QString()
                                                   : QStringLiteral("%1 must be %2 to %3, not '%4'")
                                                         .arg(arg)
                                                         .arg(low)
                                                         .arg(high)
                                                         .arg(value);
}

// Puts one option with its value into options; empty on success.
QString TakeValue(const QString& arg, const QString& value, MemoryOptions* o)
{
    const std::pair<const char*, QString*> texts[] = {{"--tm", &o->tm},
                                                      {"--language", &o->language},
                                                      {"--catalogue", &o->catalogue},
                                                      {"--format", &o->format},
                                                      {"--source-lang", &o->languages.source},
                                                      {"--target-lang", &o->languages.target},
                                                      {"--tm-import", &o->importPath},
                                                      {"--tm-export", &o->exportPath},
                                                      {"--reference", &o->reference}};
    for (const auto& [name, target] : texts) {
        if (arg == QLatin1String(name))
            return *target = value, QString();
    }
    const std::pair<const char*, int*> encodings[] = {
        {"--encoding", &o->encoding},
        {"--to-encoding", &o->toEncoding},
        {"--reference-encoding", &o->referenceEncoding}};
    for (const auto& [name, target] : encodings) {
        if (arg == QLatin1String(name))
            return Number(arg, value, 0, kEncodingCount - 1, target);
    }
    if (arg == QLatin1String("--suggest"))
        return o->suggest = value, QString();
    if (arg == QLatin1String("--tm-timeout"))
        return Number(arg, value, 1, 3600, &o->timeout);
    if (arg == QLatin1String("--tm-unit-limit")) {
        int limit = 0;
        const QString problem = Number(arg, value, 1, 1 << 20, &limit);
        o->unitLimitK = limit;
        return problem;
    }
    if (arg == QLatin1String("--limit")) {
        int limit = 0;
        const QString problem = Number(arg, value, 1, 1000, &limit);
        o->limit = limit;
        return problem;
    }
    int score = 0;
    const QString problem = Number(arg, value, 0, 100, &score);
    o->minScore = score;
    return problem;
}

bool IsValueOption(const QString& arg)
{
    static const QStringList options = {
        "--tm",          "--language",           "--catalogue", "--format",    "--source-lang",
        "--target-lang", "--tm-import",          "--tm-export", "--reference", "--encoding",
        "--to-encoding", "--reference-encoding", "--suggest",   "--limit",     "--min-score",
        "--tm-timeout",  "--tm-unit-limit"};
    return options.contains(arg);
}

// Which mode; empty when the options go together.
QString CheckMode(const MemoryOptions& o)
{
    const int modes = !o.importPath.isEmpty() + !o.exportPath.isEmpty() + !o.pair.isEmpty() +
                      o.suggest.has_value() + !o.pretranslate.isEmpty();
    if (o.tm.isEmpty() || modes != 1)
        return QStringLiteral(
            "--tm takes one of --tm-import, --tm-import-pair, --tm-export, "
            "--suggest and --pretranslate");
    if (o.languages.source.isEmpty() != o.languages.target.isEmpty())
        return QStringLiteral("give both --source-lang and --target-lang");
    const bool document = !o.pair.isEmpty() || !o.pretranslate.isEmpty();
    if (document && (o.format.isEmpty() || o.encoding < 0))
        return QStringLiteral("--format and --encoding are missing");
    if (!document && (!o.format.isEmpty() || o.encoding >= 0 || o.referenceEncoding >= 0))
        return QStringLiteral(
            "--format and the encodings go with --tm-import-pair and "
            "--pretranslate");
    if (o.pretranslate.isEmpty() == !o.reference.isEmpty())
        return QStringLiteral("--pretranslate needs --reference, and --reference goes with it");
    if (o.toEncoding >= 0 && o.pretranslate.isEmpty())
        return QStringLiteral("--to-encoding goes with --pretranslate");
    if (o.limit && !o.suggest)
        return QStringLiteral("--limit goes with --suggest");
    if (o.unitLimitK && o.importPath.isEmpty())
        return QStringLiteral("--tm-unit-limit goes with --tm-import");
    if (o.minScore && !o.suggest && o.pretranslate.isEmpty())
        return QStringLiteral("--min-score goes with --suggest and --pretranslate");
    return {};
}

QString Parse(const QStringList& args, MemoryOptions* o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--yes")) {
            o->yes = true;
        } else if (arg == QLatin1String("--tm-import-pair") ||
                   arg == QLatin1String("--pretranslate")) {
            if (i + 2 >= args.size())
                return QStringLiteral("%1 needs two files").arg(arg);
            (arg == QLatin1String("--pretranslate") ? o->pretranslate : o->pair) =
                QStringList{args[i + 1], args[i + 2]};
            i += 2;
        } else if (IsValueOption(arg)) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            if (const QString problem = TakeValue(arg, args[++i], o); !problem.isEmpty())
                return problem;
        } else {
            return QStringLiteral("%1 does not go with --tm").arg(arg);
        }
    }
    return CheckMode(*o);
}

// Units left out for their size are counted only when there were any.
void PrintCounts(const MemoryCounts& counts, qint64 tooLarge = 0)
{
    Print(stdout,
          QStringLiteral("{\"segments\": %1, \"added\": %2, \"duplicates\": %3%4}\n")
              .arg(counts.segments)
              .arg(counts.added)
              .arg(counts.duplicates)
              .arg(tooLarge > 0 ? QStringLiteral(", \"too_large\": %1").arg(tooLarge) : QString()));
}

// A failure of the memory itself (a server gone silent), naming it.
QString MemoryFailed(const MemoryOptions& o, const Result& failed)
{
    return QStringLiteral("the memory %1: %2").arg(ShownLocation(o.tm), failed.Error());
}

// Everything a mode works with.
struct Run {
    const MemoryOptions& options;
    TranslationMemory& memory;
    MemoryLanguages languages;  // given, else the memory's own
    const FormatCatalogue* catalogue = nullptr;
};

// What the TMX reader left out or could not find, on stderr beside the counts.
void TellTmxNotes(const QString& path, const MemoryLanguages& languages, const TmxNotes& notes,
                  const TmxLimits& limits)
{
    for (const qint64 line : notes.tooLargeLines)
        Print(stderr,
              QStringLiteral("scrivlet-convert: %1: %2\n")
                  .arg(path, UiText("memory.unitTooLarge").arg(line).arg(limits.maxUnitText)));
    if (notes.tooLarge > qint64(notes.tooLargeLines.size()))
        Print(stderr,
              QStringLiteral("scrivlet-convert: %1: %2\n")
                  .arg(path, UiText("memory.moreTooLarge")
                                 .arg(notes.tooLarge - qint64(notes.tooLargeLines.size()))));
    if (notes.taken == 0 && notes.tooLarge == 0)
        Print(stderr, QStringLiteral("scrivlet-convert: %1: %2\n")
                          .arg(path, UiText("memory.noUnitInLanguages")
                                         .arg(languages.source, languages.target,
                                              notes.languages.isEmpty()
                                                  ? QStringLiteral("-")
                                                  : notes.languages.join(QStringLiteral(", ")))));
}

int Import(Run& run)
{
    MemoryCounts counts;
    MemoryImportNotes notes;
    TmxLimits limits;
    if (run.options.unitLimitK)
        limits.maxUnitText = qsizetype(*run.options.unitLimitK) * 1024;
    const QString& path = run.options.importPath;
    if (Result read = ImportIntoMemory(run.memory, run.languages, path, &counts, &notes, limits);
        !read)
        return Failed(notes.memoryFailed
                          ? MemoryFailed(run.options, read)
                          : UiText(str::OpenFailed).arg(path) + u'\n' + read.Error());
    if (QFileInfo(path).suffix().compare(QLatin1String("tmx"), Qt::CaseInsensitive) == 0)
        TellTmxNotes(path, run.languages, notes.tmx, limits);
    PrintCounts(counts, notes.tmx.tooLarge);
    return kExitOk;
}

int Export(Run& run)
{
    qint64 written = 0, leftOut = 0;
    if (Result done = ExportMemory(run.memory, run.options.exportPath, &written, &leftOut); !done)
        return Failed(UiText(str::SaveFailed).arg(run.options.exportPath) + u'\n' + done.Error());
    Print(stdout,
          QStringLiteral("{\"exported\": %1, \"left_out\": %2}\n").arg(written).arg(leftOut));
    return kExitOk;
}

int Suggest(Run& run)
{
    std::vector<MemoryMatch> matches;
    const MemoryOptions& o = run.options;
    if (Result found = run.memory.Suggest(run.languages, *o.suggest, o.minScore.value_or(70),
                                          o.limit.value_or(5), &matches);
        !found)
        return Failed(MemoryFailed(o, found));
    QByteArray out;
    for (const MemoryMatch& match : matches) {
        out += "{\"source\": " + JsonString(match.source) +
               ", \"target\": " + JsonString(match.target) +
               ", \"score\": " + QByteArray::number(match.score) + "}\n";
    }
    std::fwrite(out.constData(), 1, out.size(), stdout);
    return kExitOk;
}

// The format --format names, or the one detected from path.
int ChooseFormat(const Run& run, const QString& path, int* format)
{
    const FormatCatalogue& catalogue = *run.catalogue;
    if (run.options.format == QLatin1String("auto")) {
        const Detection found =
            FormatDetector(catalogue).Detect(QFileInfo(path).absoluteFilePath());
        *format = found.format;
        return found.ask ? Failed(QStringLiteral("the format of '%1' is not clear; choose one "
                                                 "with --format")
                                      .arg(path))
                         : kExitOk;
    }
    bool ok = false;
    *format = run.options.format.toInt(&ok);
    return ok && catalogue.At(*format)
               ? kExitOk
               : UsageError(QStringLiteral("--format must be auto or 0 to %1, not '%2'")
                                .arg(catalogue.Count() - 1)
                                .arg(run.options.format),
                            kMemoryUsage);
}

// Loads the two documents of a pair: first (its path chooses the format under auto) in
// firstEncoding, second in secondEncoding.
int LoadTwo(const Run& run, const QString& first, int firstEncoding, const QString& second,
            int secondEncoding, LoadResult loaded[2])
{
    int format = -1;
    if (const int failed = ChooseFormat(run, first, &format))
        return failed;
    ConverterPrompts prompts(run.options.yes);
    const std::pair<const QString*, int> files[] = {{&first, firstEncoding},
                                                    {&second, secondEncoding}};
    for (int i = 0; i < 2; ++i) {
        const QString& path = *files[i].first;
        loaded[i] = LoadDocument(path, FileTypeForPath(path), files[i].second,
                                 *run.catalogue->At(format), format, false, &prompts);
        if (!loaded[i].document)
            return convert::Failed(str::OpenFailed, path, loaded[i].error);
    }
    return kExitOk;
}

int ImportPair(Run& run)
{
    const MemoryOptions& o = run.options;
    LoadResult loaded[2];
    const int originalEncoding = o.referenceEncoding >= 0 ? o.referenceEncoding : o.encoding;
    if (const int failed = LoadTwo(run, o.pair[0], originalEncoding, o.pair[1], o.encoding, loaded))
        return failed;
    MemoryCounts counts;
    if (Result added =
            ImportDocumentPair(run.memory, run.languages, *loaded[0].document, *loaded[1].document,
                               QFileInfo(o.pair[1]).fileName(), &counts);
        !added)
        return Failed(MemoryFailed(o, added));
    PrintCounts(counts);
    return kExitOk;
}

int Pretranslate(Run& run)
{
    const MemoryOptions& o = run.options;
    LoadResult loaded[2];
    const int referenceEncoding = o.referenceEncoding >= 0 ? o.referenceEncoding : o.encoding;
    if (const int failed =
            LoadTwo(run, o.pretranslate[0], o.encoding, o.reference, referenceEncoding, loaded))
        return failed;
    EdtDocument& document = *loaded[0].document;
    const QString& output = o.pretranslate[1];
    const int encoding = o.toEncoding >= 0 ? o.toEncoding : o.encoding;
    // Storability is a question of where the texts go.
    document.SetEncoding(encoding);
    document.SetFileType(FileTypeForPath(output));
    TextPlan plan;
    PretranslateReport report;
    if (Result planned =
            PlanPretranslation(run.memory, run.languages, document, *loaded[1].document,
                               o.minScore.value_or(100), &plan, &report);
        !planned)
        return Failed(MemoryFailed(o, planned));
    if (!convert::ApplyPlan(document, plan))
        return kExitFailed;
    if (report.notStorable > 0)
        Print(stderr, QStringLiteral("scrivlet-convert: %1 fields left as they were: their "
                                     "matches cannot be stored in the output's encoding\n")
                          .arg(report.notStorable));
    if (Result saved = SaveDocumentAs(document, output, FileTypeForPath(output), encoding); !saved)
        return convert::Failed(str::SaveFailed, output, saved.Error());
    // INPUT's states with the guesses as needs work, beside OUTPUT.
    std::vector<PlacedNote> notes;
    if (Result read = NotesBesideFile(o.pretranslate[0])->Read(&notes); !read)
        return convert::Failed("error.openFailed", NotesFilePath(o.pretranslate[0]), read.Error());
    if (Result written = NotesBesideFile(output)->Write(GuessesNeedWork(document, notes, report));
        !written)
        return convert::Failed("error.saveFailed", NotesFilePath(output), written.Error());
    Print(stdout,
          QStringLiteral("{\"filled\": %1, \"exact\": %2, \"fuzzy\": %3, \"too_long\": %4}\n")
              .arg(report.filled)
              .arg(report.exact)
              .arg(report.fuzzy)
              .arg(report.tooLong));
    return kExitOk;
}

int NeedsLanguages()
{
    return UsageError(
        QStringLiteral("the first import into a new memory needs --source-lang and --target-lang"),
        kMemoryUsage);
}

// Opens the memory and settles the languages; a new memory takes them from the first import.
int RunOnMemory(const MemoryOptions& o, const FormatCatalogue* catalogue)
{
    const bool importing = !o.importPath.isEmpty() || !o.pair.isEmpty();
    // Told before a file for the memory is made.
    if (importing && o.languages.IsEmpty() && !IsServerLocation(o.tm) && !QFileInfo::exists(o.tm))
        return NeedsLanguages();
    std::unique_ptr<TranslationMemory> memory;
    MemoryWaits waits;
    waits.timeoutSeconds = o.timeout;
    if (Result opened = OpenMemory(o.tm, &memory, waits); !opened)
        // A connection string may carry a password, which has no place in a log.
        return Failed(QStringLiteral("the memory %1 cannot be opened: %2")
                          .arg(ShownLocation(o.tm), opened.Error()));
    Run run{o, *memory, o.languages, catalogue};
    if (run.languages.IsEmpty()) {
        if (Result got = memory->Languages(&run.languages); !got)
            return Failed(MemoryFailed(o, got));
    }
    if (importing && run.languages.IsEmpty())
        return NeedsLanguages();
    using Mode = std::pair<bool, int (*)(Run&)>;
    for (const auto& [chosen, mode] :
         {Mode{!o.importPath.isEmpty(), Import}, Mode{!o.exportPath.isEmpty(), Export},
          Mode{o.suggest.has_value(), Suggest}, Mode{!o.pair.isEmpty(), ImportPair},
          Mode{!o.pretranslate.isEmpty(), Pretranslate}}) {
        if (chosen)
            return mode(run);
    }
    return kExitUsage;
}

}  // namespace

const char* MemoryUsage()
{
    return kMemoryUsage;
}

std::optional<int> RunMemoryMode(const QStringList& args)
{
    if (!args.contains(QLatin1String("--tm")))
        return std::nullopt;
    MemoryOptions options;
    if (const QString problem = Parse(args, &options); !problem.isEmpty())
        return UsageError(problem, kMemoryUsage);
    const std::optional<UiLanguage> language = convert::LanguageOf(options.language);
    if (!language)
        return UsageError(QStringLiteral("unknown language '%1'").arg(options.language),
                          kMemoryUsage);
    SetUiLanguage(*language);
    if (options.pair.isEmpty() && options.pretranslate.isEmpty())
        return RunOnMemory(options, nullptr);
    FormatCatalogue catalogue;
    QString missing = options.catalogue;
    const bool loaded = options.catalogue.isEmpty()
                            ? LoadFormatCatalogue(catalogue, *language, &missing)
                            : LoadFormatCatalogueFile(catalogue, options.catalogue);
    if (!loaded)
        return Failed(UiText(str::CatalogueMissing).arg(missing));
    return RunOnMemory(options, &catalogue);
}

}  // namespace scrivlet
