// scrivlet-convert's git doors: the merge driver and the text conversion git calls for
// translation documents, and the set-up of a repository for them.

#include "convert/GitModes.h"

#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "convert/ConvertSession.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"
#include "documents/RowLabels.h"
#include "store/FieldNotes.h"
#include "store/GitRepository.h"
#include "store/ProjectFile.h"
#include "store/ProjectPlace.h"
#include "store/ProjectText.h"
#include "translation/DocumentMerge.h"
#include "translation/NotesMerge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace scrivlet {
namespace {

using convert::Failed;
using convert::JsonString;
using convert::kExitFailed;
using convert::kExitOk;
using convert::kExitUsage;
using convert::Print;
using convert::UsageError;

const char kGitUsage[] =
    "\nGit modes (format and encoding from the project file found above the file, unless\n"
    "--format N|auto and --encoding E are given):\n"
    "  scrivlet-convert [COMMON] --merge BASE OURS THEIRS [--path RELPATH]\n"
    "      -> writes OURS, {\"fields\": F, \"merged\": M, \"conflicts\": C}; status 1 when C > 0\n"
    "  scrivlet-convert [COMMON] --textconv FILE\n"
    "      -> \"record label, field caption: text\" per field\n"
    "  scrivlet-convert [COMMON] --git-setup REPO_DIR\n"
    "      -> {\"attributes\": [..], \"ignore\": [..], \"config\": [..]}\n"
    "--merge is git's merge driver (%O %A %B %P): fields one side changed take its text, two\n"
    "different changes conflict and keep OURS's; a notes file (.states) merges per field without\n"
    "conflicts (needs work wins, both comments kept), M counting notes that took theirs; a\n"
    "project file and the notes beside a project's translations merge per row, a setting changed\n"
    "two ways a conflict (F counting rows). --git-setup writes the lines .gitattributes\n"
    "and .gitignore lack and sets the drivers in the repository's configuration, the COMMON\n"
    "options given passed on to them.\n";

// The name of the drivers in .gitattributes and the configuration.
const char kDriver[] = "scrivlet";

struct GitOptions {
    QString language = QStringLiteral("en"), catalogue;
    QStringList merge;  // BASE OURS THEIRS
    QString path, textconv, setup;
    QString format;  // empty: the project's
    std::optional<int> encoding;
};

QString TakeValue(const QString& arg, const QString& value, GitOptions* o)
{
    QString* const texts[] = {&o->language, &o->catalogue, &o->path,
                              &o->textconv, &o->setup,     &o->format};
    const char* const names[] = {"--language", "--catalogue", "--path",
                                 "--textconv", "--git-setup", "--format"};
    for (size_t i = 0; i < std::size(names); ++i) {
        if (arg == QLatin1String(names[i])) {
            *texts[i] = value;
            return value.isEmpty() ? QStringLiteral("%1 needs a value").arg(arg) : QString();
        }
    }
    bool ok = false;
    o->encoding = value.toInt(&ok);
    return ok && *o->encoding >= 0 && *o->encoding < kEncodingCount
               ? QString()
               : QStringLiteral("--encoding must be 0 to 4, not '%1'").arg(value);
}

QString Parse(const QStringList& args, GitOptions* o)
{
    static const QStringList valueOptions = {"--language", "--catalogue", "--path",
                                             "--textconv", "--git-setup", "--format",
                                             "--encoding"};
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--merge")) {
            if (i + 3 >= args.size())
                return QStringLiteral("--merge needs BASE, OURS and THEIRS");
            o->merge = args.mid(i + 1, 3);
            i += 3;
        } else if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            if (const QString problem = TakeValue(arg, args[++i], o); !problem.isEmpty())
                return problem;
        } else {
            return QStringLiteral("%1 does not go with --merge, --textconv or --git-setup")
                .arg(arg);
        }
    }
    const int modes = (o->merge.isEmpty() ? 0 : 1) + (o->textconv.isEmpty() ? 0 : 1) +
                      (o->setup.isEmpty() ? 0 : 1);
    if (modes != 1)
        return QStringLiteral("one of --merge, --textconv and --git-setup at a time");
    if (!o->path.isEmpty() && o->merge.isEmpty())
        return QStringLiteral("--path goes with --merge");
    if (!o->setup.isEmpty() && (!o->format.isEmpty() || o->encoding))
        return QStringLiteral("--git-setup takes neither --format nor --encoding");
    return {};
}

// How a document is read: its path (which names the file type and finds the project), format
// and encoding.
struct Reading {
    QString path;
    int fileType = kFileTypeEdt;
    int format = -1;
    int encoding = -1;
};

// The project above the document (else above the working folder, where git runs its drivers)
// says how it is read; a copy elsewhere is found by its file name. --format and --encoding win.
int ChooseReading(const GitOptions& o, const FormatCatalogue& catalogue, const QString& path,
                  Reading* reading)
{
    reading->path = QFileInfo(path).absoluteFilePath();
    reading->fileType = FileTypeForPath(path);
    QString projectPath = FindProjectAbove(QFileInfo(reading->path).path());
    if (projectPath.isEmpty())
        projectPath = FindProjectAbove(QDir::currentPath());
    if (!projectPath.isEmpty() && (o.format.isEmpty() || !o.encoding)) {
        ProjectFile project;
        if (Result opened = project.Open(projectPath); !opened)
            return Failed(opened.Error());
        std::optional<DocumentPlace> place = PlaceInProject(project, catalogue, reading->path);
        if (!place)
            place = PlaceByName(project, catalogue, QFileInfo(path).fileName());
        if (place)
            reading->format = place->format, reading->encoding = place->encoding;
    }
    if (o.format == QLatin1String("auto")) {
        const Detection found = FormatDetector(catalogue).Detect(reading->path);
        reading->format = found.ask ? -1 : found.format;
    } else if (!o.format.isEmpty()) {
        bool ok = false;
        reading->format = o.format.toInt(&ok);
        if (!ok || !catalogue.At(reading->format))
            return UsageError(QStringLiteral("--format must be auto or 0 to %1, not '%2'")
                                  .arg(catalogue.Count() - 1)
                                  .arg(o.format),
                              kGitUsage);
    }
    reading->encoding = o.encoding.value_or(reading->encoding);
    if (reading->encoding < 0)
        return Failed(UiText("git.notPlaced").arg(path));
    if (!catalogue.At(reading->format))
        return Failed(UiText("project.formatUnclear").arg(path));
    return kExitOk;
}

std::unique_ptr<EdtDocument> Load(const FormatCatalogue& catalogue, const Reading& reading,
                                  const QString& file)
{
    convert::ConverterPrompts prompts(false);
    LoadResult loaded =
        LoadDocument(file, reading.fileType, reading.encoding, *catalogue.At(reading.format),
                     reading.format, false, &prompts);
    if (!loaded.document)
        convert::Failed(str::OpenFailed, file, loaded.error);
    return std::move(loaded.document);
}

// The states and comments kept beside a document: merged without a document or its format.
int MergeNotesFiles(const GitOptions& o)
{
    std::vector<PlacedNote> notes[3];
    for (int i = 0; i < 3; ++i) {
        if (Result read = NotesFile(o.merge[i])->Read(&notes[i]); !read)
            return convert::Failed(str::OpenFailed, o.merge[i], read.Error());
    }
    NotesMergeCounts counts;
    const std::vector<PlacedNote> merged = MergeNotes(notes[0], notes[1], notes[2], &counts);
    if (Result written = NotesFile(o.merge[1])->Write(merged); !written)
        return convert::Failed(str::SaveFailed, o.merge[1], written.Error());
    Print(stdout, QStringLiteral("{\"fields\": %1, \"merged\": %2, \"conflicts\": 0}\n")
                      .arg(counts.notes)
                      .arg(counts.merged));
    return kExitOk;
}

// A project file, or the notes a project keeps beside a translation: merged row by row.
int MergeSharedFiles(const GitOptions& o)
{
    QByteArray texts[3];
    for (int i = 0; i < 3; ++i) {
        QFile file(o.merge[i]);
        if (!file.open(QIODevice::ReadOnly))
            return convert::Failed(str::OpenFailed, o.merge[i], file.errorString());
        texts[i] = file.readAll();
    }
    QByteArray merged;
    SharedMergeCounts counts;
    if (Result done = MergeSharedText(texts[0], texts[1], texts[2], &merged, &counts); !done)
        return convert::Failed(str::OpenFailed, o.merge[1], done.Error());
    QSaveFile out(o.merge[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(merged) != merged.size() || !out.commit())
        return convert::Failed(str::SaveFailed, o.merge[1], out.errorString());
    Print(stdout, QStringLiteral("{\"fields\": %1, \"merged\": %2, \"conflicts\": %3}\n")
                      .arg(counts.rows)
                      .arg(counts.merged)
                      .arg(counts.conflicts));
    return counts.conflicts == 0 ? kExitOk : kExitFailed;
}

// Git runs the driver at the top of the work tree, RELPATH relative to it; the three files
// are its temporary copies.
int Merge(const GitOptions& o, const FormatCatalogue& catalogue)
{
    const QString& ours = o.merge[1];
    const QString named = o.path.isEmpty() ? ours : o.path;
    if (IsNotesFile(named))
        return MergeNotesFiles(o);
    if (QFile file(ours); file.open(QIODevice::ReadOnly) && IsSharedText(file.read(64)))
        return MergeSharedFiles(o);
    Reading reading;
    if (const int failed = ChooseReading(o, catalogue, o.path.isEmpty() ? ours : o.path, &reading))
        return failed;
    std::unique_ptr<EdtDocument> documents[3];
    for (int i = 0; i < 3; ++i) {
        if (!(documents[i] = Load(catalogue, reading, o.merge[i])))
            return kExitFailed;
    }
    DocumentMerge merge;
    if (Result merged = MergeDocuments(*documents[0], *documents[1], *documents[2], &merge);
        !merged)
        return Failed(merged.Error());
    if (Result written = WriteDocumentCopy(*merge.output, ours, reading.fileType, reading.encoding);
        !written)
        return convert::Failed(str::SaveFailed, ours, written.Error());
    Print(stdout, QStringLiteral("{\"fields\": %1, \"merged\": %2, \"conflicts\": %3}\n")
                      .arg(merge.counts.fields)
                      .arg(merge.counts.merged)
                      .arg(merge.counts.conflicts));
    return merge.counts.conflicts == 0 ? kExitOk : kExitFailed;
}

// One line per field; a line break in a text is shown as \n so that each field stays a line.
int TextConv(const GitOptions& o, const FormatCatalogue& catalogue)
{
    Reading reading;
    if (const int failed = ChooseReading(o, catalogue, o.textconv, &reading))
        return failed;
    const std::unique_ptr<EdtDocument> document = Load(catalogue, reading, o.textconv);
    if (!document)
        return kExitFailed;
    const EdtFormat& format = document->Format();
    const RowLabels labels;
    QString out;
    for (int r = 0; r < document->RecordCount(); ++r) {
        const QString record = labels.RecordName(format, r);
        for (int k = 0; k < document->TextFieldCount(); ++k) {
            QString text = document->FieldText(r, k).toString();
            text.replace(u'\n', QLatin1String("\\n")).replace(u'\r', QLatin1String("\\r"));
            out += record + QLatin1String(", ") + format.fields[document->TextColumn(k)].caption +
                   QLatin1String(": ") + text + u'\n';
        }
    }
    Print(stdout, out);
    return kExitOk;
}

QString ShellQuoted(const QString& word)
{
    QString quoted = word;
    return u'\'' + quoted.replace(u'\'', QLatin1String("'\\''")) + u'\'';
}

// The lines of .gitattributes: both drivers for the documents below each project's folders
// that lie inside the repository.
Result AttributeLines(const QDir& repository, const QStringList& projects, QStringList* lines)
{
    *lines << QStringLiteral("*.scrivlet merge=%1").arg(QLatin1String(kDriver));
    for (const QString& path : projects) {
        ProjectFile project;
        if (Result opened = project.Open(path); !opened)
            return opened;
        for (const QString& dir : {project.TranslationsDir(), project.OriginalsDir()}) {
            const QString relative = repository.relativeFilePath(QDir::cleanPath(dir));
            if (relative.startsWith(QLatin1String("..")))
                continue;
            const QString prefix = relative == QLatin1String(".") ? QString() : relative + "/**/";
            for (const char* suffix : {"*.edt", "*.txt"}) {
                for (const QString& line :
                     {QStringLiteral("%1%2 merge=%3 diff=%3").arg(prefix, suffix, kDriver),
                      QStringLiteral("%1%2%3 merge=%4")
                          .arg(prefix, suffix, kNotesSuffix, QLatin1String(kDriver)),
                      QStringLiteral("%1%2%3 merge=%4")
                          .arg(prefix, suffix, kNotesTextSuffix, QLatin1String(kDriver))}) {
                    if (!lines->contains(line))
                        *lines << line;
                }
            }
        }
    }
    return {};
}

QByteArray JsonList(const QStringList& items)
{
    QByteArrayList quoted;
    for (const QString& item : items)
        quoted << JsonString(item);
    return '[' + quoted.join(", ") + ']';
}

int GitSetup(const GitOptions& o)
{
    const QDir repository(QFileInfo(o.setup).absoluteFilePath());
    const QStringList projects = FindProjectsBelow(repository.path());
    if (projects.isEmpty())
        return Failed(UiText("git.noProject").arg(repository.path()));
    QStringList attributes, ignore, config;
    if (Result made = AttributeLines(repository, projects, &attributes); !made)
        return Failed(made.Error());
    // The drivers run this program as it was called, with the catalogue and language given.
    QString command = ShellQuoted(QCoreApplication::applicationFilePath());
    if (!o.catalogue.isEmpty())
        command += " --catalogue " + ShellQuoted(QFileInfo(o.catalogue).absoluteFilePath());
    if (o.language != QLatin1String("en"))
        command += " --language " + ShellQuoted(o.language);
    const QString driver = QString::fromLatin1(kDriver);
    const std::pair<QString, QString> values[] = {
        {"merge." + driver + ".name",
         QStringLiteral("translation documents merged field by field")},
        {"merge." + driver + ".driver", command + " --merge %O %A %B --path %P"},
        {"diff." + driver + ".textconv", command + " --textconv"}};
    for (const auto& [key, value] : values) {
        bool changed = false;
        if (Result set = SetGitConfig(repository.path(), key, value, &changed); !set)
            return Failed(set.Error());
        if (changed)
            config << key;
    }
    QStringList written[2];
    if (Result added =
            AddMissingLines(repository.filePath(".gitattributes"), attributes, &written[0]);
        !added)
        return Failed(added.Error());
    if (Result added =
            AddMissingLines(repository.filePath(".gitignore"), ProjectLocalPatterns(), &written[1]);
        !added)
        return Failed(added.Error());
    Print(stdout, QString::fromUtf8("{\"attributes\": " + JsonList(written[0]) +
                                    ", \"ignore\": " + JsonList(written[1]) +
                                    ", \"config\": " + JsonList(config) + "}\n"));
    return kExitOk;
}

}  // namespace

const char* GitUsage()
{
    return kGitUsage;
}

std::optional<int> RunGitMode(const QStringList& args)
{
    if (!args.contains(QLatin1String("--merge")) && !args.contains(QLatin1String("--textconv")) &&
        !args.contains(QLatin1String("--git-setup")))
        return std::nullopt;
    GitOptions options;
    if (const QString problem = Parse(args, &options); !problem.isEmpty())
        return UsageError(problem, kGitUsage);
    const std::optional<UiLanguage> language = convert::LanguageOf(options.language);
    if (!language)
        return UsageError(QStringLiteral("unknown language '%1'").arg(options.language), kGitUsage);
    SetUiLanguage(*language);
    if (!options.setup.isEmpty())
        return GitSetup(options);
    FormatCatalogue catalogue;
    QString missing = options.catalogue;
    const bool loaded = options.catalogue.isEmpty()
                            ? LoadFormatCatalogue(catalogue, *language, &missing)
                            : LoadFormatCatalogueFile(catalogue, options.catalogue);
    if (!loaded)
        return Failed(UiText(str::CatalogueMissing).arg(missing));
    return options.merge.isEmpty() ? TextConv(options, catalogue) : Merge(options, catalogue);
}

}  // namespace scrivlet
