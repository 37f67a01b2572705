// scrivlet-convert's project modes: a project file made from two folders, its counts, Find
// in Project, and a whole project's export and import, as JSON lines on stdout.

#include "convert/ProjectModes.h"

#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "convert/BoxModes.h"
#include "convert/CheckModes.h"
#include "convert/ConflictModes.h"
#include "convert/ConvertOptions.h"
#include "convert/ConvertSession.h"
#include "convert/StateModes.h"
#include "convert/UpdateModes.h"
#include "documents/Encodings.h"
#include "store/ProjectExchange.h"
#include "store/ProjectGlossary.h"
#include "store/ProjectPretranslate.h"
#include "store/ProjectSearch.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace scrivlet {
namespace {

using convert::Failed;
using convert::ImportCounts;
using convert::JsonString;
using convert::kExitFailed;
using convert::kExitOk;
using convert::kExitUsage;
using convert::LanguageOf;
using convert::Print;
using convert::UsageError;

const char kProjectUsageHead[] =
    "\nProject modes:\n"
    "  scrivlet-convert [COMMON] --new-project P.scrivlet --originals DIR\n"
    "                   --original-encoding E --translations DIR --encoding E2\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --stats\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet [CHECK OPTIONS] --check\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --find TEXT [MATCH]\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --states [RELPATH]\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --set-state RELPATH --record R --field F\n"
    "                   --state needs_work|translated|approved [--comment TEXT]\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --pretranslate [--min-score N]\n"
    "                   [--file RELPATH]\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --conflicts\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --resolve RELPATH --record R --field F\n"
    "                   --take ours|theirs\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --set-box FORMAT_INDEX FIELD --font FILE\n"
    "                   --size PX --width PX --lines N [--break space|anywhere]\n"
    "                   [--file RELPATH]\n";
// Then a line each for the exports and the imports of the translation file formats.
const char kProjectUsageTail[] =
    "  scrivlet-convert [COMMON] --project P.scrivlet --update-originals DIR\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --set-format RELPATH N|auto\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --allow-link RELPATH\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --import-glossary G.csv|G.tbx\n"
    "  scrivlet-convert [COMMON] --project P.scrivlet --export-glossary OUT.csv\n"
    "Files are paired by their paths below the two folders; formats are detected from the\n"
    "originals' paths unless --set-format chose one. Each result is one JSON line.\n"
    "--check uses the project's glossary unless --glossary names a file.\n"
    "--conflicts lists the fields a git merge changed two ways in the project's unmerged files;\n"
    "--resolve takes one side for one of them and stages the file once none is left.\n"
    "--update-originals keeps the translations of removed records in the project's memory;\n"
    "it is all or nothing: cut short, the next use of the project finishes or undoes it.\n"
    "Links among the translations are followed where they stay inside the folder, or where\n"
    "--allow-link named them (a translation is then written through them).\n";

// "--export-xliff OUT.xlf | --export-po DIR": a format that holds a whole project takes one
// file, the others a folder. The one-file formats come first.
QByteArray ExchangeUsage(bool exporting)
{
    QStringList bundles, folders;
    for (const TranslationFileFormat* format : TranslationFileFormats()) {
        const QString option = convert::ExchangeOptionName(*format, exporting) + u' ';
        if (format->Can(TranslationFileFormat::Bundle))
            bundles << option + (exporting ? "OUT." : "IN.") + format->Suffixes().front();
        else
            folders << option + QStringLiteral("DIR");
    }
    return "  scrivlet-convert [COMMON] --project P.scrivlet " +
           (bundles + folders).join(QStringLiteral(" | ")).toUtf8() + '\n';
}

struct ProjectOptions {
    QString language = QStringLiteral("en");
    QString catalogue;
    QString newProject, project;
    QString originals, translations;
    int originalEncoding = -1, encoding = -1;
    bool stats = false, includeFuzzy = false;
    std::optional<QString> find;
    quint32 searchFlags = 0;
    QString exportPath, importPath;
    const TranslationFileFormat* exchangeFormat = nullptr;
    convert::CheckRequest checkRequest;
    convert::BoxRequest boxRequest;
    QString updateOriginals;
    QString importGlossary, exportGlossary;
    QString allowLink;
    std::optional<std::pair<QString, QString>> setFormat;  // relative path, N or auto
    std::optional<QString> states;                         // the file, empty for all
    QString setState;
    convert::StateRequest stateRequest;
    bool pretranslate = false;
    bool conflicts = false;
    QString resolve, take;  // --resolve's file; its record and field are stateRequest's
    int minScore = 100;
    QString onlyFile;
};

bool IsValueOption(const QString& arg)
{
    static const QStringList options = {"--language",
                                        "--catalogue",
                                        "--new-project",
                                        "--project",
                                        "--originals",
                                        "--translations",
                                        "--original-encoding",
                                        "--encoding",
                                        "--find",
                                        "--update-originals",
                                        "--import-glossary",
                                        "--export-glossary",
                                        "--allow-link",
                                        "--set-state",
                                        "--record",
                                        "--field",
                                        "--state",
                                        "--comment",
                                        "--min-score",
                                        "--file",
                                        "--resolve",
                                        "--take"};
    bool exporting = false;
    return options.contains(arg) || convert::ExchangeOption(arg, &exporting);
}

bool ParseEncoding(const QString& text, int* encoding)
{
    bool ok = false;
    *encoding = text.toInt(&ok);
    return ok && *encoding >= 0 && *encoding < kEncodingCount;
}

// Puts one option with its value into options; empty on success.
QString TakeValue(const QString& arg, const QString& value, ProjectOptions* options)
{
    QString* const texts[] = {&options->language, &options->catalogue, &options->newProject,
                              &options->project,  &options->originals, &options->translations};
    const char* const names[] = {"--language", "--catalogue", "--new-project",
                                 "--project",  "--originals", "--translations"};
    for (size_t i = 0; i < std::size(names); ++i) {
        if (arg == QLatin1String(names[i])) {
            *texts[i] = value;
            return {};
        }
    }
    if (arg == QLatin1String("--original-encoding") || arg == QLatin1String("--encoding")) {
        int* target =
            arg == QLatin1String("--encoding") ? &options->encoding : &options->originalEncoding;
        return ParseEncoding(value, target)
                   ? QString()
                   : QStringLiteral("%1 must be 0 to 4, not '%2'").arg(arg, value);
    }
    if (arg == QLatin1String("--update-originals")) {
        options->updateOriginals = value;
        return {};
    }
    if (arg == QLatin1String("--allow-link")) {
        options->allowLink = value;
        return value.isEmpty() ? QStringLiteral("--allow-link needs a path") : QString();
    }
    if (arg == QLatin1String("--import-glossary") || arg == QLatin1String("--export-glossary")) {
        (arg == QLatin1String("--import-glossary") ? options->importGlossary
                                                   : options->exportGlossary) = value;
        return value.isEmpty() ? QStringLiteral("%1 needs a file").arg(arg) : QString();
    }
    if (arg == QLatin1String("--record") || arg == QLatin1String("--field")) {
        bool ok = false;
        (arg == QLatin1String("--record") ? options->stateRequest.record
                                          : options->stateRequest.field) = value.toInt(&ok);
        return ok && value.toInt() >= 0 ? QString()
                                        : QStringLiteral("%1 takes a number from 0").arg(arg);
    }
    if (arg == QLatin1String("--set-state") || arg == QLatin1String("--state")) {
        (arg == QLatin1String("--state") ? options->stateRequest.state : options->setState) = value;
        return value.isEmpty() ? QStringLiteral("%1 needs a value").arg(arg) : QString();
    }
    if (arg == QLatin1String("--min-score")) {
        bool ok = false;
        options->minScore = value.toInt(&ok);
        return ok && options->minScore >= 1 && options->minScore <= 100
                   ? QString()
                   : QStringLiteral("--min-score takes 1 to 100, not '%1'").arg(value);
    }
    if (arg == QLatin1String("--file")) {
        options->onlyFile = QDir::cleanPath(QDir::fromNativeSeparators(value));
        return value.isEmpty() ? QStringLiteral("--file needs a path") : QString();
    }
    if (arg == QLatin1String("--resolve") || arg == QLatin1String("--take")) {
        (arg == QLatin1String("--resolve") ? options->resolve : options->take) = value;
        return value.isEmpty() ? QStringLiteral("%1 needs a value").arg(arg) : QString();
    }
    if (arg == QLatin1String("--comment")) {
        options->stateRequest.comment = value;
        return {};
    }
    if (arg == QLatin1String("--find")) {
        options->find = value;
        return value.isEmpty() ? QStringLiteral("--find needs a text") : QString();
    }
    bool exporting = false;
    options->exchangeFormat = convert::ExchangeOption(arg, &exporting);
    (exporting ? options->exportPath : options->importPath) = value;
    return {};
}

convert::ResolveRequest ResolveOf(const ProjectOptions& options)
{
    return {options.resolve, options.stateRequest.record, options.stateRequest.field, options.take};
}

// What is wrong with the options as a whole (a mode alone, values with their mode); empty when
// nothing.
QString ProjectOptionsProblem(const ProjectOptions* options)
{
    if (!options->newProject.isEmpty()) {
        if (!options->project.isEmpty() || options->stats || options->find ||
            options->checkRequest.check || options->setFormat || !options->exportPath.isEmpty() ||
            !options->importPath.isEmpty() || !options->importGlossary.isEmpty() ||
            !options->exportGlossary.isEmpty() || !options->allowLink.isEmpty())
            return QStringLiteral("--new-project goes with no other project mode");
        if (options->originals.isEmpty() || options->translations.isEmpty() ||
            options->originalEncoding < 0 || options->encoding < 0)
            return QStringLiteral(
                "--new-project needs --originals, --original-encoding, --translations and "
                "--encoding");
        return {};
    }
    if (const QString problem = convert::CheckRequestProblem(options->checkRequest);
        !problem.isEmpty())
        return problem;
    const int modes =
        (options->checkRequest.check ? 1 : 0) + (options->stats ? 1 : 0) + (options->find ? 1 : 0) +
        (options->setFormat ? 1 : 0) + (options->exportPath.isEmpty() ? 0 : 1) +
        (options->importPath.isEmpty() ? 0 : 1) + (options->updateOriginals.isEmpty() ? 0 : 1) +
        (options->importGlossary.isEmpty() ? 0 : 1) + (options->exportGlossary.isEmpty() ? 0 : 1) +
        (options->allowLink.isEmpty() ? 0 : 1) + (options->states ? 1 : 0) +
        (options->setState.isEmpty() ? 0 : 1) + (options->pretranslate ? 1 : 0) +
        (options->conflicts ? 1 : 0) + (options->resolve.isEmpty() ? 0 : 1) +
        (options->boxRequest.setBox ? 1 : 0);
    if (modes != 1)
        return QStringLiteral(
            "--project takes one of --stats, --check, --find, --export-*, --import-*, "
            "--update-originals, --set-format, --allow-link, --import-glossary, "
            "--export-glossary, --states, --set-state, --pretranslate, --conflicts, --resolve and "
            "--set-box");
    if (const QString problem = convert::BoxRequestProblem(options->boxRequest); !problem.isEmpty())
        return problem;
    if (!options->checkRequest.boxes.isEmpty())
        return QStringLiteral("--box is for one file: a project keeps its boxes (--set-box)");
    if (!options->pretranslate && options->minScore != 100)
        return QStringLiteral("--min-score goes with --pretranslate");
    if (!options->pretranslate && !options->boxRequest.setBox && !options->onlyFile.isEmpty())
        return QStringLiteral("--file goes with --pretranslate and --set-box");
    const convert::StateRequest& request = options->stateRequest;
    if (!options->resolve.isEmpty()) {
        if (!request.state.isEmpty() || request.comment)
            return QStringLiteral("--state and --comment go with --set-state");
        if (const QString problem = convert::ResolveRequestProblem(ResolveOf(*options));
            !problem.isEmpty())
            return problem;
    } else if (!options->take.isEmpty()) {
        return QStringLiteral("--take goes with --resolve");
    } else if (!options->setState.isEmpty()) {
        if (const QString problem = convert::StateRequestProblem(request); !problem.isEmpty())
            return problem;
    } else if (request.record >= 0 || request.field >= 0 || !request.state.isEmpty() ||
               request.comment) {
        return QStringLiteral(
            "--record, --field, --state and --comment go with --set-state (--record and --field "
            "also with --resolve)");
    }
    if (!options->originals.isEmpty() || !options->translations.isEmpty() ||
        options->originalEncoding >= 0 || options->encoding >= 0)
        return QStringLiteral("the folders and encodings are the project's own");
    if (options->searchFlags && !options->find)
        return QStringLiteral("--match-case, --whole-word and --regex go with --find");
    if (options->includeFuzzy && options->importPath.isEmpty())
        return QStringLiteral("--include-fuzzy goes with ") + convert::ExchangeOptions(false);
    return {};
}

QString ParseProjectArguments(const QStringList& args, ProjectOptions* options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (QString problem; convert::TakeCheckOption(args, i, &options->checkRequest, &problem) ||
                             convert::TakeBoxOption(args, i, &options->boxRequest, &problem)) {
            if (!problem.isEmpty())
                return problem;
        } else if (IsValueOption(arg)) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            if (const QString problem = TakeValue(arg, args[++i], options); !problem.isEmpty())
                return problem;
        } else if (arg == QLatin1String("--set-format")) {
            if (i + 2 >= args.size())
                return QStringLiteral("--set-format needs a file and a format");
            options->setFormat.emplace(args[i + 1], args[i + 2]);
            i += 2;
        } else if (arg == QLatin1String("--stats")) {
            options->stats = true;
        } else if (arg == QLatin1String("--conflicts")) {
            options->conflicts = true;
        } else if (arg == QLatin1String("--pretranslate")) {
            options->pretranslate = true;
        } else if (arg == QLatin1String("--states")) {
            const bool named = i + 1 < args.size() && !args[i + 1].startsWith(u'-');
            options->states = named ? args[++i] : QString();
        } else if (arg == QLatin1String("--include-fuzzy")) {
            options->includeFuzzy = true;
        } else if (arg == QLatin1String("--match-case")) {
            options->searchFlags |= kSearchMatchCase;
        } else if (arg == QLatin1String("--whole-word")) {
            options->searchFlags |= kSearchWholeWord;
        } else if (arg == QLatin1String("--regex")) {
            options->searchFlags |= kSearchRegex;
        } else {
            return QStringLiteral("%1 does not go with a project").arg(arg);
        }
    }
    return ProjectOptionsProblem(options);
}

// What the walk left out, and links it did not follow, each named on stderr.
void TellLeftOut(const ProjectListing& listing)
{
    for (const QString& name : listing.badNames)
        Print(stderr,
              QStringLiteral("scrivlet-convert: %1\n").arg(UiText("project.badName").arg(name)));
    for (const QString& link : listing.linksOutside)
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n")
                          .arg(UiText("project.linkNotFollowed").arg(link)));
}

// The folders are kept relative to the project file, so the project moves with them.
int NewProject(const ProjectOptions& options, const FormatCatalogue& catalogue)
{
    if (!QFileInfo(options.originals).isDir())
        return Failed(UiText("project.noFolder").arg(options.originals));
    const QDir home = QFileInfo(options.newProject).absoluteDir();
    const ProjectSettings settings{
        home.relativeFilePath(QFileInfo(options.originals).absoluteFilePath()),
        home.relativeFilePath(QFileInfo(options.translations).absoluteFilePath()),
        options.originalEncoding, options.encoding};
    ProjectFile project;
    if (Result made = project.Create(options.newProject, settings); !made)
        return Failed(made.Error());
    const ProjectListing listing = ListProject(project, catalogue);
    TellLeftOut(listing);
    Print(stdout, QStringLiteral("{\"files\": %1, \"missing\": %2, \"extra\": %3}\n")
                      .arg(listing.originals)
                      .arg(listing.missing)
                      .arg(listing.extra));
    return kExitOk;
}

// The counts of a file or of the whole project, as --stats prints them.
QString CountsJson(const TranslationCounts& counts)
{
    return QStringLiteral(
               "\"records\": %1, \"fields\": %2, \"empty\": %3, \"same_as_reference\": %4, "
               "\"translated\": %5, \"needs_work\": %6, \"approved\": %7, \"too_long\": %8, "
               "\"not_storable\": %9")
        .arg(counts.records)
        .arg(counts.fields)
        .arg(counts.empty)
        .arg(counts.sameAsReference)
        .arg(counts.translated)
        .arg(counts.needsWork)
        .arg(counts.approved)
        .arg(counts.tooLong)
        .arg(counts.notStorable);
}

int Stats(ProjectFile& project, const FormatCatalogue& catalogue, const ProjectListing& listing)
{
    CountRun run;
    const Result stored = CountProject(project, catalogue, listing, &run);
    TranslationCounts total;
    int files = 0, missing = 0, failed = 0;
    QString out;
    for (const PairCounts& pair : run.pairs) {
        if (!pair.error.isEmpty()) {
            Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(pair.error));
            ++failed;
            continue;
        }
        ++files;
        missing += pair.missing ? 1 : 0;
        total += pair.counts;
        out += QStringLiteral("{\"file\": %1, ").arg(QString::fromUtf8(JsonString(pair.path))) +
               (pair.missing ? QStringLiteral("\"missing\": true, ") : QString()) +
               CountsJson(pair.counts) + QStringLiteral("}\n");
    }
    out += QStringLiteral("{\"files\": %1, %2, \"missing\": %3}\n")
               .arg(files)
               .arg(CountsJson(total))
               .arg(missing);
    Print(stdout, out);
    // The counts stand even when the cache could not be written (a read-only project).
    if (!stored)
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n")
                          .arg(UiText("project.cacheNotKept").arg(project.Path(), stored.Error())));
    return failed ? kExitFailed : kExitOk;
}

int Find(const ProjectFile& project, const FormatCatalogue& catalogue,
         const ProjectListing& listing, const SearchQuery& query)
{
    bool failed = false;
    const SearchOutcome outcome =
        FindInProject(project, catalogue, listing, query, [&](const FileHits& found) {
            if (!found.error.isEmpty()) {
                Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(found.error));
                failed = true;
            }
            const QByteArray file =
                JsonString(found.path) + (found.missing ? ", \"missing\": true" : "");
            QByteArray out;
            for (const FieldMatch& match : found.hits) {
                out += "{\"file\": " + file + ", \"record\": " + QByteArray::number(match.record) +
                       ", \"field\": " + QByteArray::number(match.field) +
                       ", \"start\": " + QByteArray::number(match.start) +
                       ", \"length\": " + QByteArray::number(match.length) + "}\n";
            }
            std::fwrite(out.constData(), 1, out.size(), stdout);
            // Each file's hits shown as they come, not when the walk ends.
            std::fflush(stdout);
        });
    if (outcome == SearchOutcome::InvalidPattern)
        return convert::InvalidPattern(query.text);
    return failed ? kExitFailed : kExitOk;
}

int Import(ProjectFile& project, const FormatCatalogue& catalogue, const ProjectListing& listing,
           const ProjectOptions& options)
{
    ImportReport total;
    int files = 0;
    bool failed = false;
    const Result read = ImportProject(
        project, catalogue, listing, options.importPath, *options.exchangeFormat,
        options.includeFuzzy, [&](const FileImport& line) {
            if (!line.error.isEmpty()) {
                Print(stderr,
                      QStringLiteral("scrivlet-convert: %1%2\n")
                          .arg(line.path.isEmpty() ? QString() : line.path + QStringLiteral(": "),
                               line.error));
                failed = true;
                return;
            }
            ++files;
            for (int kind = 0; kind < ImportReport::KindCount; ++kind)
                total.count[kind] += line.report.count[kind];
            Print(stdout,
                  QStringLiteral("{\"file\": %1, ").arg(QString::fromUtf8(JsonString(line.path))) +
                      (line.created ? QStringLiteral("\"created\": true, ") : QString()) +
                      ImportCounts(line.report));
        });
    if (!read)
        return Failed(UiText(str::OpenFailed).arg(options.importPath) + u' ' + read.Error());
    Print(stdout, QStringLiteral("{\"files\": %1, ").arg(files) + ImportCounts(total));
    return failed ? kExitFailed : kExitOk;
}

QString PretranslateCounts(const PretranslateReport& report)
{
    return QStringLiteral("\"filled\": %1, \"exact\": %2, \"fuzzy\": %3, \"too_long\": %4}\n")
        .arg(report.filled)
        .arg(report.exact)
        .arg(report.fuzzy)
        .arg(report.tooLong);
}

// A line per file, then the total; each changed translation written whole.
int Pretranslate(ProjectFile& project, const FormatCatalogue& catalogue,
                 const ProjectListing& listing, const ProjectOptions& options)
{
    if (!options.onlyFile.isEmpty() &&
        std::none_of(listing.entries.begin(), listing.entries.end(), [&](const ProjectEntry& e) {
            return e.hasOriginal && e.path == options.onlyFile;
        }))
        return Failed(UiText("project.noSuchOriginal").arg(options.onlyFile));
    PretranslateReport total;
    int files = 0;
    bool failed = false;
    const Result run = PretranslateProject(
        project, catalogue, listing, options.minScore, options.onlyFile,
        [&](const FilePretranslation& line) {
            if (!line.error.isEmpty()) {
                Print(stderr,
                      QStringLiteral("scrivlet-convert: %1: %2\n").arg(line.path, line.error));
                failed = true;
                return;
            }
            ++files;
            total.filled += line.report.filled;
            total.exact += line.report.exact;
            total.fuzzy += line.report.fuzzy;
            total.tooLong += line.report.tooLong;
            Print(stdout,
                  QStringLiteral("{\"file\": %1, ").arg(QString::fromUtf8(JsonString(line.path))) +
                      PretranslateCounts(line.report));
        });
    if (!run)
        return Failed(run.Error());
    Print(stdout, QStringLiteral("{\"files\": %1, ").arg(files) + PretranslateCounts(total));
    return failed ? kExitFailed : kExitOk;
}

// Chooses a format for one original (or gives it back to detection) and prints what the file
// now has: {"file": .., "format": N or null when unclear, "override": true|false}.
int SetFormat(ProjectFile& project, const FormatCatalogue& catalogue, const QString& file,
              const QString& value)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(file));
    bool ok = value == QLatin1String("auto");
    const int format = ok ? -1 : value.toInt(&ok);
    if (!ok || (format >= 0 && !catalogue.At(format)))
        return UsageError(QStringLiteral("--set-format takes auto or 0 to %1, not '%2'")
                              .arg(catalogue.Count() - 1)
                              .arg(value),
                          ProjectUsage());
    const std::vector<ProjectEntry> entries = ListProject(project, catalogue).entries;
    const auto known = std::find_if(entries.begin(), entries.end(), [&](const ProjectEntry& e) {
        return e.hasOriginal && e.path == path;
    });
    if (known == entries.end())
        return Failed(UiText("project.noSuchOriginal").arg(path));
    if (Result set = project.SetFormatOverride(path, format); !set)
        return Failed(set.Error());
    // Listed again: with auto, what detection now makes of the file.
    int now = -1;
    for (const ProjectEntry& entry : ListProject(project, catalogue).entries)
        now = entry.path == path ? entry.format : now;
    Print(stdout, QStringLiteral("{\"file\": %1, \"format\": %2, \"override\": %3}\n")
                      .arg(QString::fromUtf8(JsonString(path)),
                           now < 0 ? QStringLiteral("null") : QString::number(now),
                           format < 0 ? QStringLiteral("false") : QStringLiteral("true")));
    return kExitOk;
}

// {"terms": N, "added": A, "duplicates": D}; nothing added from a file that cannot be read.
int ImportGlossary(ProjectFile& project, const QString& path)
{
    GlossaryImport counts;
    if (Result read = ImportProjectGlossary(project, path, &counts); !read)
        return Failed(counts.projectFailed
                          ? read.Error()
                          : UiText(str::OpenFailed).arg(path) + u' ' + read.Error());
    Print(stdout, QStringLiteral("{\"terms\": %1, \"added\": %2, \"duplicates\": %3}\n")
                      .arg(counts.terms)
                      .arg(counts.added)
                      .arg(counts.duplicates));
    return kExitOk;
}

int ExportGlossary(ProjectFile& project, const QString& path)
{
    qint64 exported = 0;
    if (Result written = ExportProjectGlossary(project, path, &exported); !written)
        return Failed(written.Error());
    Print(stdout, QStringLiteral("{\"exported\": %1}\n").arg(exported));
    return kExitOk;
}

int AllowLink(ProjectFile& project, const QString& link)
{
    if (Result allowed = project.AllowOutsideLink(link); !allowed)
        return Failed(UiText("project.cannotWrite").arg(project.Path(), allowed.Error()));
    Print(stdout, QStringLiteral("{\"links\": %1}\n").arg(project.OutsideLinks().size()));
    return kExitOk;
}

int RunProject(const ProjectOptions& options, const FormatCatalogue& catalogue)
{
    if (!options.newProject.isEmpty())
        return NewProject(options, catalogue);
    ProjectFile project;
    if (Result opened = project.Open(options.project); !opened)
        return Failed(opened.Error());
    if (!project.PendingNote().isEmpty())
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(project.PendingNote()));
    if (!options.allowLink.isEmpty())
        return AllowLink(project, options.allowLink);
    if (!options.importGlossary.isEmpty())
        return ImportGlossary(project, options.importGlossary);
    if (!options.exportGlossary.isEmpty())
        return ExportGlossary(project, options.exportGlossary);
    if (options.conflicts)
        return convert::ListConflicts(project, catalogue);
    if (!options.resolve.isEmpty())
        return convert::ResolveProjectConflict(project, catalogue, ResolveOf(options));
    if (options.setFormat)
        return SetFormat(project, catalogue, options.setFormat->first, options.setFormat->second);
    if (options.boxRequest.setBox)
        return convert::SetProjectBox(project, catalogue, options.boxRequest, options.onlyFile);
    const ProjectListing listing = ListProject(project, catalogue);
    TellLeftOut(listing);
    if (options.stats)
        return Stats(project, catalogue, listing);
    if (options.pretranslate)
        return Pretranslate(project, catalogue, listing, options);
    if (options.states)
        return convert::ListProjectStates(project, catalogue, listing, *options.states);
    if (!options.setState.isEmpty())
        return convert::SetProjectState(project, catalogue, listing, options.setState,
                                        options.stateRequest);
    if (options.checkRequest.check)
        return convert::RunProjectCheck(project, catalogue, listing, options.checkRequest);
    if (options.find) {
        const SearchQuery query{*options.find, options.searchFlags};
        return Find(project, catalogue, listing, query);
    }
    if (!options.importPath.isEmpty())
        return Import(project, catalogue, listing, options);
    if (!options.updateOriginals.isEmpty())
        return convert::UpdateProjectOriginals(project, catalogue, options.updateOriginals);
    if (Result exported =
            ExportProject(project, catalogue, listing, options.exportPath, *options.exchangeFormat);
        !exported)
        return Failed(UiText(str::SaveFailed).arg(options.exportPath) + u' ' + exported.Error());
    return kExitOk;
}

// Whether --project or --new-project stands as an option, not as the value of one ("--find
// --project" searches for that text).
bool NamesProject(const QStringList& args)
{
    static const QStringList singleFileValues = {"--replace-with",       "--format",
                                                 "--to-encoding",        "--reference",
                                                 "--reference-encoding", "--old-reference"};
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--project") || args[i] == QLatin1String("--new-project"))
            return true;
        if (IsValueOption(args[i]) || singleFileValues.contains(args[i]) ||
            convert::IsCheckValueOption(args[i]) || convert::IsBoxValueOption(args[i]))
            ++i;
        else if (args[i] == QLatin1String("--set-format") || args[i] == QLatin1String("--set-box"))
            i += 2;
    }
    return false;
}

}  // namespace

const char* ProjectUsage()
{
    static const QByteArray usage = kProjectUsageHead + ExchangeUsage(true) + ExchangeUsage(false) +
                                    "                   [--include-fuzzy]\n" + kProjectUsageTail;
    return usage.constData();
}

std::optional<int> RunProjectMode(const QStringList& args)
{
    if (!NamesProject(args))
        return std::nullopt;
    ProjectOptions options;
    if (const QString problem = ParseProjectArguments(args, &options); !problem.isEmpty())
        return UsageError(problem, ProjectUsage());
    const std::optional<UiLanguage> language = LanguageOf(options.language);
    if (!language)
        return UsageError(QStringLiteral("unknown language '%1'").arg(options.language),
                          ProjectUsage());
    SetUiLanguage(*language);
    FormatCatalogue catalogue;
    QString missing = options.catalogue;
    const bool loaded = options.catalogue.isEmpty()
                            ? LoadFormatCatalogue(catalogue, *language, &missing)
                            : LoadFormatCatalogueFile(catalogue, options.catalogue);
    if (!loaded)
        return Failed(UiText(str::CatalogueMissing).arg(missing));
    return RunProject(options, catalogue);
}

}  // namespace scrivlet
