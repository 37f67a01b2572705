#include "store/ProjectWalk.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "translation/TranslationStatus.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QtConcurrent/QtConcurrentMap>

#include <zlib.h>

namespace scrivlet {
namespace {

// Qt's own hashes are seeded per process and its cryptographic ones read a few hundred MB/s;
// zlib's CRC-32 stays the same from run to run at over a GB/s. With the size it tells a
// changed file from a touched one, which is all that is asked of it.
qint64 HashBytes(const char* data, qsizetype size, qint64 crc = 0)
{
    return static_cast<qint64>(crc32_z(static_cast<uLong>(crc),
                                       reinterpret_cast<const Bytef*>(data),
                                       static_cast<z_size_t>(size)));
}

bool IsDocumentFile(const QString& name)
{
    return name.endsWith(QLatin1String(".edt"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

// Relative paths of the document files below dir, with '/' (QDir's own separator).
QStringList DocumentFilesBelow(const QString& dir)
{
    QStringList files;
    const QDir root(dir);
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsDocumentFile(path))
            files.append(root.relativeFilePath(path));
    }
    return files;
}

FileStamp StampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch(), 0};
}

qint64 HashOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // In pieces through one small buffer: no file-sized allocation to fault in.
    constexpr qint64 kPiece = 256 * 1024;
    QByteArray buffer(kPiece, Qt::Uninitialized);
    qint64 crc = 0;
    for (qint64 n; (n = file.read(buffer.data(), kPiece)) > 0;)
        crc = HashBytes(buffer.constData(), n, crc);
    return crc;
}

// What the counts of a pair depend on besides the two files: the record layout and the
// encodings. A changed catalogue or setting recounts.
qint64 LayoutOf(const EdtFormat& format, int formatIndex, const ProjectSettings& settings)
{
    QString key = QStringLiteral("%1|%2|%3|%4|")
                      .arg(formatIndex)
                      .arg(format.recordLength)
                      .arg(settings.originalEncoding)
                      .arg(settings.translationEncoding);
    for (const FieldDef& field : format.fields)
        key += QStringLiteral("%1,%2,%3;").arg(field.type).arg(field.offset).arg(field.size);
    const QByteArray bytes = key.toUtf8();
    return HashBytes(bytes.constData(), bytes.size());
}

// One pair's work: cached counts when the stamps still match, else the files read.
struct PairJob {
    const ProjectEntry* entry = nullptr;
    CachedCounts row;  // in: the cache's row (stamps of now, hashes as cached)
    const CachedCounts* cached = nullptr;
    PairCounts result;
    bool read = false;
};

void CopyCounts(const CachedCounts& from, PairCounts* to)
{
    to->records = from.records;
    to->fields = from.fields;
    to->empty = from.empty;
    to->sameAsReference = from.sameAsReference;
    to->translated = from.translated;
    to->tooLong = from.tooLong;
    to->notStorable = from.notStorable;
}

void Count(const ProjectFile& project, const FormatCatalogue& catalogue, PairJob& job)
{
    const ProjectEntry& entry = *job.entry;
    job.read = true;
    job.row.original.hash = HashOf(entry.OriginalIn(project));
    if (entry.hasTranslation)
        job.row.translation.hash = HashOf(entry.TranslationIn(project));
    // Only touched (same bytes, new time): the counts still hold under the new stamps.
    const CachedCounts* cached = job.cached;
    if (cached && cached->layout == job.row.layout &&
        cached->original.size == job.row.original.size &&
        cached->original.hash == job.row.original.hash &&
        cached->translation.size == job.row.translation.size &&
        cached->translation.hash == job.row.translation.hash) {
        const FileStamp original = job.row.original, translation = job.row.translation;
        job.row = *cached;
        job.row.original = original;
        job.row.translation = translation;
        CopyCounts(*cached, &job.result);
        return;
    }
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
        job.result.error = loaded.Error();
        return;
    }
    TranslationStatus status(*pair.translation);
    status.SetReference(pair.original.get());
    const TranslationCounts& counts = status.Counts();
    CachedCounts& row = job.row;
    row.records = pair.translation->RecordCount();
    row.fields = counts.fields;
    row.empty = counts.empty;
    row.sameAsReference = counts.sameAsReference;
    row.translated = counts.translated;
    row.tooLong = counts.tooLong;
    row.notStorable = counts.notStorable;
    CopyCounts(row, &job.result);
}

}  // namespace

QString ProjectEntry::OriginalIn(const ProjectFile& project) const
{
    return project.OriginalsDir() + u'/' + path;
}

QString ProjectEntry::TranslationIn(const ProjectFile& project) const
{
    return project.TranslationsDir() + u'/' + path;
}

ProjectListing ListProject(ProjectFile& project, const FormatCatalogue& catalogue)
{
    // A map sorts by path as it goes.
    QMap<QString, ProjectEntry> byPath;
    for (const QString& path : DocumentFilesBelow(project.OriginalsDir())) {
        byPath[path].path = path;
        byPath[path].hasOriginal = true;
    }
    for (const QString& path : DocumentFilesBelow(project.TranslationsDir())) {
        byPath[path].path = path;
        byPath[path].hasTranslation = true;
    }
    const QHash<QString, int> overrides = project.FormatOverrides();
    const FormatDetector detector(catalogue);
    ProjectListing listing;
    for (ProjectEntry& entry : byPath) {
        if (entry.hasOriginal) {
            ++listing.originals;
            listing.missing += entry.hasTranslation ? 0 : 1;
            const Detection detection =
                detector.Detect(QFileInfo(entry.OriginalIn(project)).absoluteFilePath());
            entry.format = overrides.value(entry.path, detection.ask ? -1 : detection.format);
            if (!catalogue.At(entry.format))
                entry.format = -1;
        } else {
            ++listing.extra;
        }
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}

Result LoadPair(const ProjectFile& project, const FormatCatalogue& catalogue,
                const ProjectEntry& entry, LoadedPair* pair)
{
    const EdtFormat* format = catalogue.At(entry.format);
    if (!format)
        return Result::Failure(UiText("project.formatUnclear").arg(entry.path));
    const ProjectSettings& settings = project.Settings();
    const QString originalPath = entry.OriginalIn(project);
    LoadResult original = LoadDocument(originalPath, FileTypeForPath(originalPath),
                                       settings.originalEncoding, *format, entry.format, true);
    if (!original.document)
        return Result::Failure(UiText(str::OpenFailed).arg(originalPath) + u' ' + original.error);
    const QString translationPath = entry.TranslationIn(project);
    pair->created = !entry.hasTranslation;
    if (pair->created) {
        pair->translation = original.document->Snapshot();
        if (!pair->translation)
            return Result::Failure(UiText("xchg.noMemory"));
        pair->translation->SetPath(translationPath);
        pair->translation->SetFileType(FileTypeForPath(translationPath));
        pair->translation->SetEncoding(settings.translationEncoding);
    } else {
        LoadResult translation =
            LoadDocument(translationPath, FileTypeForPath(translationPath),
                         settings.translationEncoding, *format, entry.format, true);
        if (!translation.document)
            return Result::Failure(UiText(str::OpenFailed).arg(translationPath) + u' ' +
                                   translation.error);
        pair->translation = std::move(translation.document);
    }
    pair->original = std::move(original.document);
    return {};
}

Result CountProject(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, CountRun* run)
{
    *run = CountRun();
    const QHash<QString, CachedCounts> cache = project.Cache();
    std::vector<PairJob> jobs;
    for (const ProjectEntry& entry : listing.entries) {
        if (!entry.hasOriginal)
            continue;
        PairJob& job = jobs.emplace_back();
        job.entry = &entry;
        job.result.path = entry.path;
        job.result.missing = !entry.hasTranslation;
        job.row.original = StampOf(entry.OriginalIn(project));
        if (entry.hasTranslation)
            job.row.translation = StampOf(entry.TranslationIn(project));
        if (const EdtFormat* format = catalogue.At(entry.format))
            job.row.layout = LayoutOf(*format, entry.format, project.Settings());
        const auto hit = cache.constFind(entry.path);
        if (hit != cache.constEnd())
            job.cached = &hit.value();
    }
    std::vector<PairJob*> work;
    for (PairJob& job : jobs) {
        const CachedCounts* cached = job.cached;
        // Same size and time on both sides, same layout: the counts are taken unread.
        if (cached && cached->layout == job.row.layout &&
            cached->original.size == job.row.original.size &&
            cached->original.modified == job.row.original.modified &&
            cached->translation.size == job.row.translation.size &&
            cached->translation.modified == job.row.translation.modified) {
            CopyCounts(*cached, &job.result);
            job.row = *cached;
            ++run->fromCache;
        } else {
            work.push_back(&job);
        }
    }
    // Each pair is read, judged and let go on a thread of the pool (one per core).
    QtConcurrent::blockingMap(work, [&](PairJob* job) { Count(project, catalogue, *job); });
    QHash<QString, CachedCounts> rows;
    for (PairJob& job : jobs) {
        run->read += job.read ? 1 : 0;
        if (job.result.error.isEmpty())
            rows.insert(job.entry->path, job.row);
        run->pairs.push_back(std::move(job.result));
    }
    // Nothing new and nothing gone: the project file is left alone (no write, no sync).
    if (run->read == 0 && rows.size() == cache.size())
        return {};
    return project.StoreCache(rows);
}

}  // namespace scrivlet
