#include "store/GitConflicts.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "store/GitRepository.h"
#include "store/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>

namespace scrivlet {
namespace {

// Where the fields whose ours was chosen are noted, in the repository's git folder: that choice
// leaves the working file as it was, so only a note tells it from a field not looked at yet.
// A line: ours blob, theirs blob, record, field, path (tab-separated; the blobs keep a note from
// holding for a later merge of the same file).
const char kKeptFile[] = "scrivlet-kept";

Result GitFailure(const char* command, const GitRun& run)
{
    return Result::Failure(UiText("git.failed").arg(QString::fromLatin1(command), run.err));
}

QString KeptPath(const QString& repository)
{
    const GitRun run = RunGit(repository, {"rev-parse", "--git-path", kKeptFile});
    const QString path = QString::fromUtf8(run.out).trimmed();
    return run.code == 0 ? QDir(repository).absoluteFilePath(path) : QString();
}

QStringList KeptLines(const QString& repository)
{
    QFile file(KeptPath(repository));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

Result WriteKept(const QString& repository, const QStringList& lines)
{
    const QString path = KeptPath(repository);
    if (lines.isEmpty()) {
        QFile::remove(path);
        return {};
    }
    QSaveFile out(path);
    const QByteArray bytes = (lines.join(u'\n') + u'\n').toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return Result::Failure(UiText(str::SaveFailed).arg(path) + u' ' + out.errorString());
    return {};
}

QString KeptPrefix(const ConflictedFile& file)
{
    return QString::fromLatin1(file.blobs[1] + '\t' + file.blobs[2] + '\t');
}

QString KeptLine(const ConflictedFile& file, int record, int field)
{
    return KeptPrefix(file) + QStringLiteral("%1\t%2\t").arg(record).arg(field) + file.gitPath;
}

Result LoadFile(const ConflictedFile& file, const FormatCatalogue& catalogue, const QString& path,
                std::unique_ptr<EdtDocument>* document)
{
    LoadResult loaded = LoadDocument(path, file.fileType, file.place.encoding,
                                     *catalogue.At(file.place.format), file.place.format, true);
    if (!loaded.document)
        return Result::Failure(UiText(str::OpenFailed).arg(file.gitPath) + u' ' + loaded.error);
    *document = std::move(loaded.document);
    return {};
}

// The three versions in the index, read as the project reads the file.
Result LoadVersions(const ConflictedFile& file, const FormatCatalogue& catalogue,
                    std::unique_ptr<EdtDocument> (*docs)[3])
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return Result::Failure(dir.errorString());
    for (int i = 0; i < 3; ++i) {
        const GitRun blob = RunGit(file.repository, {"cat-file", "blob", file.blobs[i]});
        if (blob.code != 0)
            return GitFailure("cat-file", blob);
        // The copy keeps the file's name, which says its type.
        const QString copy =
            dir.filePath(QString::number(i) + u'-' + QFileInfo(file.path).fileName());
        QFile written(copy);
        if (!written.open(QIODevice::WriteOnly) || written.write(blob.out) != blob.out.size())
            return Result::Failure(UiText(str::SaveFailed).arg(copy) + u' ' +
                                   written.errorString());
        written.close();
        if (Result loaded = LoadFile(file, catalogue, copy, &(*docs)[i]); !loaded)
            return loaded;
    }
    return {};
}

bool SameBytes(const QString& path, const QByteArray& blob, const QString& repository)
{
    const GitRun hash = RunGit(repository, {"hash-object", "--no-filters", path});
    return hash.code == 0 && hash.out.trimmed() == blob;
}

// The merge made again from the index, the working file read over it, and the conflicts still
// open in it.
Result Examine(ConflictedFile& file, const FormatCatalogue& catalogue)
{
    std::unique_ptr<EdtDocument> versions[3];
    if (Result loaded = LoadVersions(file, catalogue, &versions); !loaded)
        return loaded;
    DocumentMerge merge;
    if (Result merged = MergeDocuments(*versions[0], *versions[1], *versions[2], &merge); !merged)
        return merged;
    // A clone without the merge driver leaves ours (or git's markers) in the working file: then
    // the merge made here is what gets resolved, and written with the first resolution.
    std::unique_ptr<EdtDocument> working;
    if (SameBytes(file.path, file.blobs[1], file.repository) ||
        !LoadFile(file, catalogue, file.path, &working) ||
        working->RecordCount() != merge.output->RecordCount())
        working = std::move(merge.output), file.redone = true;
    else
        file.redone = false;
    working->SetPath(file.path);
    file.working = std::move(working);
    file.all.clear();
    std::copy_if(merge.conflicts.begin(), merge.conflicts.end(), std::back_inserter(file.all),
                 [](const FieldConflict& c) { return c.record >= 0; });
    const QStringList kept = KeptLines(file.repository);
    file.open.clear();
    for (const FieldConflict& c : file.all) {
        if (file.working->FieldText(c.record, c.field) == c.ours &&
            !kept.contains(KeptLine(file, c.record, c.field)))
            file.open.push_back(c);
    }
    return {};
}

// With none open: the working file written if it was never, the file staged, its notes gone.
Result StageIfSettled(ConflictedFile& file, bool* staged)
{
    *staged = false;
    if (!file.open.empty())
        return {};
    if (Result written = WriteMerged(file); !written)
        return written;
    const GitRun add = RunGit(file.repository, {"add", "--", file.gitPath});
    if (add.code != 0)
        return GitFailure("add", add);
    QStringList kept = KeptLines(file.repository);
    kept.removeIf([&](const QString& line) { return line.endsWith(u'\t' + file.gitPath); });
    *staged = true;
    return WriteKept(file.repository, kept);
}

// ls-files -u -z: "<mode> <blob> <stage>\t<path>" per index entry, NUL after each.
QMap<QString, QMap<int, QByteArray>> UnmergedEntries(const QByteArray& out)
{
    QMap<QString, QMap<int, QByteArray>> entries;
    for (const QByteArray& entry : out.split('\0')) {
        const qsizetype tab = entry.indexOf('\t');
        const QList<QByteArray> head = entry.left(tab).split(' ');
        if (tab < 0 || head.size() != 3)
            continue;
        entries[QString::fromUtf8(entry.mid(tab + 1))][head[2].toInt()] = head[1];
    }
    return entries;
}

}  // namespace

Result FindConflicts(ProjectFile& project, const FormatCatalogue& catalogue, ConflictList* list)
{
    *list = ConflictList();
    const QString home = QFileInfo(project.Path()).absolutePath();
    const GitRun top = RunGit(home, {"rev-parse", "--show-toplevel"});
    if (top.code != 0)
        return {};  // not in a repository: nothing can be unmerged
    const QString repository = QString::fromUtf8(top.out).trimmed();
    const GitRun unmerged = RunGit(repository, {"ls-files", "-u", "-z"});
    if (unmerged.code != 0)
        return GitFailure("ls-files", unmerged);
    const auto entries = UnmergedEntries(unmerged.out);
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        ConflictedFile file;
        file.repository = repository;
        file.gitPath = it.key();
        file.path = QDir(repository).absoluteFilePath(it.key());
        const std::optional<DocumentPlace> place = PlaceInProject(project, catalogue, file.path);
        if (!place)
            continue;
        file.place = *place;
        if (it->size() != 3) {
            list->others << place->relative;
            continue;
        }
        file.fileType = FileTypeForPath(file.path);
        for (int stage = 1; stage <= 3; ++stage)
            file.blobs[stage - 1] = it->value(stage);
        if (!catalogue.At(place->format))
            file.error = UiText("project.formatUnclear").arg(place->relative);
        else if (Result examined = Examine(file, catalogue); !examined)
            file.error = examined.Error();
        list->files.push_back(std::move(file));
    }
    std::sort(list->files.begin(), list->files.end(),
              [](const ConflictedFile& a, const ConflictedFile& b) {
                  return std::pair(a.place.relative, !a.place.translation) <
                         std::pair(b.place.relative, !b.place.translation);
              });
    list->others.sort();
    return {};
}

Result WriteMerged(ConflictedFile& file)
{
    if (!file.redone || !file.working)
        return {};
    if (Result written =
            WriteDocumentCopy(*file.working, file.path, file.fileType, file.place.encoding);
        !written)
        return Result::Failure(UiText(str::SaveFailed).arg(file.path) + u' ' + written.Error());
    file.redone = false;
    return {};
}

const FieldConflict* OpenConflict(const ConflictedFile& file, int record, int field)
{
    for (const FieldConflict& c : file.open) {
        if (c.record == record && c.field == field)
            return &c;
    }
    return nullptr;
}

Result ResolveConflict(ConflictedFile& file, int record, int field, Side take, bool* staged)
{
    *staged = false;
    const auto at = std::find_if(file.open.begin(), file.open.end(), [&](const FieldConflict& c) {
        return c.record == record && c.field == field;
    });
    if (at == file.open.end())
        return Result::Failure(
            UiText("conflict.notOpen").arg(file.place.relative).arg(record).arg(field));
    if (take == Side::Theirs) {
        // The document's own edit refuses the same text; theirs differs from ours here.
        if (!file.working->SetText(record, file.working->TextColumn(field), at->theirs))
            return Result::Failure(UiText("fileError.noMemory"));
        if (Result written =
                WriteDocumentCopy(*file.working, file.path, file.fileType, file.place.encoding);
            !written)
            return Result::Failure(UiText(str::SaveFailed).arg(file.path) + u' ' + written.Error());
        file.redone = false;
    } else {
        QStringList kept = KeptLines(file.repository);
        kept << KeptLine(file, record, field);
        if (Result noted = WriteKept(file.repository, kept); !noted)
            return noted;
    }
    file.open.erase(at);
    return StageIfSettled(file, staged);
}

Result SettleConflicts(ConflictedFile& file, const std::vector<std::pair<int, int>>& keep,
                       const FormatCatalogue& catalogue, bool* staged)
{
    *staged = false;
    if (!keep.empty()) {
        QStringList kept = KeptLines(file.repository);
        for (const auto& [record, field] : keep)
            kept << KeptLine(file, record, field);
        if (Result noted = WriteKept(file.repository, kept); !noted)
            return noted;
    }
    if (Result examined = Examine(file, catalogue); !examined)
        return examined;
    return StageIfSettled(file, staged);
}

}  // namespace scrivlet
