#include "store/ProjectWalk.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "translation/FieldStates.h"
#include "translation/TranslationStatus.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

#include <dirent.h>
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

// What a walk of one folder found.
struct FolderWalk {
    QString root;  // absolute
    QString canonicalRoot;
    bool followAll = false;    // every link, wherever it leads (reading only)
    QSet<QString> allowed;     // links (relative) that may lead outside the folder
    QStringList chain;         // canonical folders from the root down: a loop of links ends
    QStringList files;         // relative, with '/'
    QStringList badNames;      // absolute, the name's bytes escaped
    QStringList linksOutside;  // absolute
};

bool IsValidUtf8(const QByteArray& name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(decoder(name));
    return !decoder.hasError();
}

// The bytes past ASCII as \xNN: the name as it can be told, since it cannot be shown.
QString Escaped(const QByteArray& name)
{
    QString out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte >= 0x20 && byte < 0x80
                   ? QString(QChar(byte))
                   : QStringLiteral("\\x%1").arg(uint(byte), 2, 16, QChar(u'0'));
    }
    return out;
}

bool IsInside(const QString& canonical, const QString& canonicalRoot)
{
    return canonical == canonicalRoot || canonical.startsWith(canonicalRoot + u'/');
}

// One folder's entries by their bytes (a name that is no UTF-8 cannot go through QDir and
// would be lost without a word), sorted, so that every walk lists alike.
void WalkFolder(FolderWalk& walk, const QString& relative)
{
    DIR* dir = opendir(QFile::encodeName(walk.root + u'/' + relative).constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& raw : names) {
        const QString name = QFile::decodeName(raw);
        const QString path = relative + name;
        const QString full = walk.root + u'/' + path;
        if (!IsValidUtf8(raw)) {
            walk.badNames << walk.root + u'/' + relative + Escaped(raw);
            continue;
        }
        const QFileInfo info(full);
        const QString canonical = info.canonicalFilePath();
        if (canonical.isEmpty())
            continue;  // a link that leads nowhere
        if (info.isSymLink() && !walk.followAll && !IsInside(canonical, walk.canonicalRoot) &&
            !walk.allowed.contains(path)) {
            if (info.isDir() || IsDocumentFile(name))
                walk.linksOutside << full;
            continue;
        }
        if (info.isDir()) {
            if (walk.chain.contains(canonical))
                continue;
            walk.chain << canonical;
            WalkFolder(walk, path + u'/');
            walk.chain.removeLast();
        } else if (info.isFile() && IsDocumentFile(name)) {
            walk.files << path;
        }
    }
}

FolderWalk WalkDocuments(const QString& dir, bool followAll, const QStringList& allowed)
{
    FolderWalk walk;
    walk.root = dir;
    walk.canonicalRoot = QFileInfo(dir).canonicalFilePath();
    walk.followAll = followAll;
    walk.allowed = QSet<QString>(allowed.begin(), allowed.end());
    if (walk.canonicalRoot.isEmpty())
        return walk;
    walk.chain << walk.canonicalRoot;
    WalkFolder(walk, QString());
    return walk;
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
    std::vector<PlacedNote> notes;  // the fields' states, read before the pool starts
};

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
        job.result.counts = cached->counts;
        return;
    }
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
        job.result.error = loaded.Error();
        return;
    }
    FieldStates states(*pair.translation);
    states.Restore(job.notes);
    TranslationStatus status(*pair.translation);
    status.SetReference(pair.original.get());
    status.SetFieldStates(&states);
    job.row.counts = status.Counts();
    job.row.counts.sourceChanged = 0;  // the marks live in the project file, counted apart
    job.result.counts = job.row.counts;
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
    ProjectListing listing;
    // Originals are only read: any link is followed. A translation is written where the walk
    // found it, so only links that stay in the folder, or that the project names, are.
    const FolderWalk originals = WalkDocuments(project.OriginalsDir(), true, {});
    const FolderWalk translations =
        WalkDocuments(project.TranslationsDir(), false, project.OutsideLinks());
    for (const QString& path : originals.files) {
        byPath[path].path = path;
        byPath[path].hasOriginal = true;
    }
    for (const QString& path : translations.files) {
        byPath[path].path = path;
        byPath[path].hasTranslation = true;
    }
    listing.badNames = originals.badNames + translations.badNames;
    listing.linksOutside = translations.linksOutside;
    const QHash<QString, int> overrides = project.FormatOverrides();
    const FormatDetector detector(catalogue);
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

Result CheckNewTranslation(const ProjectFile& project, const ProjectEntry& entry)
{
    const QString path = entry.TranslationIn(project);
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return Result::Failure(UiText("project.notMissing").arg(path));
    // The deepest folder there is on the way decides where the file would go.
    const QString root = QFileInfo(project.TranslationsDir()).canonicalFilePath();
    QString relative = entry.path;
    QString folder = QFileInfo(path).path();
    while (!QFileInfo::exists(folder) && folder.size() > project.TranslationsDir().size())
        folder = QFileInfo(folder).path();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || canonical.isEmpty() || IsInside(canonical, root))
        return {};
    const QStringList allowed = project.OutsideLinks();
    for (qsizetype slash = 0; (slash = relative.indexOf(u'/', slash + 1)) > 0;) {
        if (allowed.contains(relative.left(slash)))
            return {};
    }
    return Result::Failure(UiText("project.linkOutside").arg(path));
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
            job.result.counts = cached->counts;
            job.row = *cached;
            ++run->fromCache;
        } else {
            work.push_back(&job);
        }
    }
    for (PairJob* job : work)
        job->notes = project.FileNotes(job->entry->path);
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
