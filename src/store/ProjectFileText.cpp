// The project's side that a team shares as text: the database beside the project file made from
// the text (or from a project of the kind that was one database), the text read again where git
// changed it, and written anew where a commit of ours changed its rows.

#include "base/UiText.h"
#include "store/ProjectFile.h"
#include "store/ProjectText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QtEndian>

namespace scrivlet {
namespace {

// Stored, so the same in every run (qHash is seeded per process).
qint64 TextHash(const QByteArray& text)
{
    return qFromBigEndian<qint64>(
        QCryptographicHash::hash(text, QCryptographicHash::Sha1).constData());
}

Result ReadAll(const QString& path, QByteArray* data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(file.errorString());
    *data = file.readAll();
    return {};
}

std::optional<qint64> SyncedHash(sql::Database& db, const QString& file)
{
    sql::Statement query = db.Prepare("SELECT hash FROM text_sync WHERE file = ?");
    query.Bind(1, file);
    return query.IsValid() && query.Step() ? std::optional(query.Int(0)) : std::nullopt;
}

// keep false: the text is gone, and so is its hash.
Result SetSynced(sql::Database& db, const QString& file, qint64 hash, bool keep = true)
{
    sql::Statement put = keep ? db.Prepare("INSERT OR REPLACE INTO text_sync VALUES(?, ?)")
                              : db.Prepare("DELETE FROM text_sync WHERE file = ?");
    put.Bind(1, file);
    if (keep)
        put.Bind(2, hash);
    put.Step();
    return put.Done();
}

void RemoveDatabase(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

}  // namespace

QString ProjectFile::CachePath() const
{
    return ProjectCachePath(path_);
}

// The database beside the project file, made empty when missing (a fresh clone): the text fills
// it.
Result ProjectFile::OpenCache()
{
    if (!QFileInfo::exists(CachePath())) {
        const QString part = CachePath() + QStringLiteral(".part");
        RemoveDatabase(part);
        Result built = Build(part, {});
        db_ = sql::Database();
        if (built && !QFile::rename(part, CachePath()))
            built = Result::Failure(UiText("project.cannotWrite").arg(CachePath(), path_));
        RemoveDatabase(part);
        if (!built)
            return built;
    }
    return OpenDatabase(CachePath());
}

// A project that was one database: a copy of it becomes the database beside the project file,
// and the project file is replaced by its text. The old file stays whole until the text takes
// its place, so a conversion cut short starts again on the next open.
Result ProjectFile::ConvertDatabase()
{
    if (Result opened = OpenDatabase(path_); !opened)
        return opened;
    const QString part = CachePath() + QStringLiteral(".part");
    RemoveDatabase(part);
    sql::Statement copy = db_.Prepare("VACUUM INTO ?");
    copy.Bind(1, part).Step();
    const Result copied = copy.Done();
    copy = sql::Statement();
    db_ = sql::Database();
    if (!copied)
        return Result::Failure(UiText("project.cannotWrite").arg(CachePath(), copied.Error()));
    RemoveDatabase(CachePath());
    if (!QFile::rename(part, CachePath()))
        return Result::Failure(UiText("project.cannotWrite").arg(CachePath(), path_));
    if (Result opened = OpenDatabase(CachePath()); !opened)
        return opened;
    // Every text is written from the database, the project file last (see Publish).
    return db_.Exec(
        "DELETE FROM text_sync;"
        "INSERT OR IGNORE INTO text_dirty SELECT file FROM field_marks UNION "
        "SELECT file FROM ignored_problems UNION SELECT file FROM record_ids;"
        "INSERT OR IGNORE INTO text_dirty VALUES('');");
}

// Texts a run cut short did not write are written first: the database holds the later work
// (git still has what it replaces). Then every text that changed since it was last read or
// written (a pull, a checkout, a fresh clone) is read into the database; a file's notes gone
// from the folder go from the database too.
Result ProjectFile::ReadText()
{
    if (Result read = ReadSettings(); !read)
        return read;
    if (Result published = Publish(); !published)
        return published;
    QByteArray project;
    if (Result read = ReadAll(path_, &project); !read)
        return read;
    if (SyncedHash(db_, QString()) != TextHash(project)) {
        if (Result imported = db_.InTransaction([&] {
                Result done = ImportShared(db_, SharedScope::Project, QString(), project);
                return done ? SetSynced(db_, QString(), TextHash(project)) : done;
            });
            !imported)
            return imported;
        if (Result read = ReadSettings(); !read)
            return read;
    }
    const QDir translations(TranslationsDir());
    QSet<QString> seen;
    QDirIterator it(translations.path(), {QStringLiteral("*") + kNotesTextSuffix}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString file = translations.relativeFilePath(path).chopped(kNotesTextSuffix.size());
        seen.insert(file);
        QByteArray text;
        if (Result read = ReadAll(path, &text); !read)
            return Result::Failure(path + QStringLiteral(": ") + read.Error());
        if (SyncedHash(db_, file) == TextHash(text))
            continue;
        if (Result imported = db_.InTransaction([&] {
                Result done = ImportShared(db_, SharedScope::File, file, text);
                return done ? SetSynced(db_, file, TextHash(text)) : done;
            });
            !imported)
            return Result::Failure(path + QStringLiteral(": ") + imported.Error());
    }
    QStringList gone;
    sql::Statement synced = db_.Prepare("SELECT file FROM text_sync WHERE file <> ''");
    while (synced.IsValid() && synced.Step()) {
        if (!seen.contains(synced.Text(0)))
            gone << synced.Text(0);
    }
    return db_.InTransaction([&] {
        Result done;
        for (qsizetype i = 0; done && i < gone.size(); ++i) {
            done =
                ImportShared(db_, SharedScope::File, gone[i], SharedTextHeader(SharedScope::File));
            if (done)
                done = SetSynced(db_, gone[i], 0, false);
        }
        return done;
    });
}

Result ProjectFile::Publish()
{
    if (db_.InTransaction())
        return {};
    QStringList files;
    sql::Statement dirty = db_.Prepare("SELECT file FROM text_dirty ORDER BY file DESC");
    while (dirty.IsValid() && dirty.Step())
        files << dirty.Text(0);
    if (Result listed = dirty.Done(); !listed)
        return listed;
    // Descending: the project file ('') comes last, so a conversion is done once it is text.
    for (const QString& file : files) {
        const SharedScope scope = file.isEmpty() ? SharedScope::Project : SharedScope::File;
        const QString path = file.isEmpty() ? path_ : NotesTextPath(TranslationsDir(), file);
        QByteArray text;
        if (Result exported = ExportShared(db_, scope, file, &text); !exported)
            return exported;
        const qint64 hash = TextHash(text);
        bool kept = true;
        if (scope == SharedScope::File && text == SharedTextHeader(scope) + '\n') {
            // A file without notes has no notes file.
            if (QFile::exists(path) && !QFile::remove(path))
                return Result::Failure(UiText("project.cannotWrite").arg(path, path_));
            kept = false;
        } else {
            QDir().mkpath(QFileInfo(path).path());
            QSaveFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
                return Result::Failure(UiText("project.cannotWrite").arg(path, out.errorString()));
        }
        if (Result synced = db_.InTransaction([&] {
                Result done = SetSynced(db_, file, hash, kept);
                sql::Statement clear = db_.Prepare("DELETE FROM text_dirty WHERE file = ?");
                clear.Bind(1, file).Step();
                return done ? clear.Done() : done;
            });
            !synced)
            return synced;
    }
    return {};
}

}  // namespace scrivlet
