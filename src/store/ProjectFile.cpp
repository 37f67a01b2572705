#include "store/ProjectFile.h"

#include "base/UiText.h"
#include "store/ProjectText.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <map>

#include <unistd.h>

namespace scrivlet {
namespace {

// Each step takes the schema from the version before it to its own; a step is never changed
// once released, a new one is added instead.
struct Migration {
    int version;
    const char* sql;
};

constexpr Migration kMigrations[] = {
    {1,
     "CREATE TABLE schema_version(version INTEGER NOT NULL);"
     "INSERT INTO schema_version VALUES(0);"
     "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
     "CREATE TABLE format_overrides(file TEXT PRIMARY KEY, format INTEGER NOT NULL);"
     "CREATE TABLE file_cache(file TEXT PRIMARY KEY,"
     " o_size INTEGER, o_modified INTEGER, o_hash INTEGER,"
     " t_size INTEGER, t_modified INTEGER, t_hash INTEGER, layout INTEGER,"
     " records INTEGER, fields INTEGER, empty INTEGER, same INTEGER, translated INTEGER,"
     " too_long INTEGER, not_storable INTEGER) WITHOUT ROWID;"},
    {2,
     "CREATE TABLE field_marks(file TEXT NOT NULL, record INTEGER NOT NULL,"
     " field INTEGER NOT NULL, source TEXT, reviewed INTEGER NOT NULL DEFAULT 0, note TEXT,"
     " PRIMARY KEY(file, record, field)) WITHOUT ROWID;"},
    // The project's glossary: one row per source and target pair, origin the file it came
    // from.
    {3,
     "CREATE TABLE glossary(id INTEGER PRIMARY KEY, source TEXT NOT NULL, target TEXT NOT NULL,"
     " note TEXT NOT NULL DEFAULT '', origin TEXT NOT NULL DEFAULT '', UNIQUE(source, target));"},
    // Problems the user chose to ignore while the texts stay as they were.
    {4,
     "CREATE TABLE ignored_problems(file TEXT NOT NULL, record INTEGER NOT NULL,"
     " field INTEGER NOT NULL, check_name TEXT NOT NULL, hash INTEGER NOT NULL,"
     " PRIMARY KEY(file, record, field, check_name)) WITHOUT ROWID;"},
    // An update of the originals under way: the translations written beside their files and
    // the marks that go with them, until the project switches to them.
    {5,
     "CREATE TABLE pending_files(file TEXT PRIMARY KEY) WITHOUT ROWID;"
     "CREATE TABLE pending_marks(file TEXT NOT NULL, record INTEGER NOT NULL,"
     " field INTEGER NOT NULL, source TEXT, reviewed INTEGER NOT NULL DEFAULT 0, note TEXT,"
     " PRIMARY KEY(file, record, field)) WITHOUT ROWID;"},
    // The lasting names of records (see RecordIds): per file the id of each record of its
    // original, 32-bit little-endian integers in record order, and the first id never given;
    // and the same staged by an update of the originals.
    {6,
     "CREATE TABLE record_ids(file TEXT PRIMARY KEY, next INTEGER NOT NULL, ids BLOB NOT NULL);"
     "CREATE TABLE pending_ids(file TEXT PRIMARY KEY, next INTEGER NOT NULL, ids BLOB NOT NULL);"},
    // A state per field (needs work, translated, approved) with the hash of the text it was
    // set on; the counts of needs work and approved, for which every file is counted again.
    {7,
     "ALTER TABLE field_marks ADD COLUMN state INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE field_marks ADD COLUMN state_hash INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE pending_marks ADD COLUMN state INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE pending_marks ADD COLUMN state_hash INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE file_cache ADD COLUMN needs_work INTEGER NOT NULL DEFAULT 0;"
     "ALTER TABLE file_cache ADD COLUMN approved INTEGER NOT NULL DEFAULT 0;"
     "DELETE FROM file_cache;"},
    // What is shared as text: the hash of each text as last read or written ('' for the project
    // file, else the file), and the texts a commit changed rows of, until they are written.
    {8,
     "CREATE TABLE text_sync(file TEXT PRIMARY KEY, hash INTEGER NOT NULL) WITHOUT ROWID;"
     "CREATE TABLE text_dirty(file TEXT PRIMARY KEY) WITHOUT ROWID;"},
    // The game's text boxes: of a format's text field (file empty) or of one file's, which
    // stands before its format's. The font is relative to the project file's folder.
    {9,
     "CREATE TABLE text_boxes(format INTEGER NOT NULL, field INTEGER NOT NULL,"
     " file TEXT NOT NULL DEFAULT '', font TEXT NOT NULL, size REAL NOT NULL,"
     " width INTEGER NOT NULL, lines INTEGER NOT NULL, breaks TEXT NOT NULL DEFAULT 'space',"
     " PRIMARY KEY(format, field, file)) WITHOUT ROWID;"},
};
static_assert(std::size(kMigrations) == ProjectFile::kSchemaVersion);

// The tables each version brings, to tell a project from another program's database (which may
// well have a table called schema_version) before anything is written to it.
constexpr std::pair<int, const char*> kTables[] = {
    {1, "settings"},   {1, "format_overrides"}, {1, "file_cache"},    {2, "field_marks"},
    {3, "glossary"},   {4, "ignored_problems"}, {5, "pending_files"}, {5, "pending_marks"},
    {6, "record_ids"}, {6, "pending_ids"},      {8, "text_sync"},     {8, "text_dirty"},
    {9, "text_boxes"},
};

// The column once held a bare flag: 1 reads as "changed", any unknown value as none.
ReviewReason ReviewOf(qint64 stored)
{
    return stored == 1 || stored == 2 ? static_cast<ReviewReason>(stored) : ReviewReason::None;
}

StoredState StateOf(qint64 stored)
{
    return stored >= 1 && stored <= 3 ? static_cast<StoredState>(stored) : StoredState::None;
}

// The marks tables' columns in the order PutMarks binds them.
#define kMarkColumns "file, record, field, source, reviewed, note, state, state_hash"

const QString kOriginals = QStringLiteral("originals");
const QString kTranslations = QStringLiteral("translations");
const QString kOriginalEncoding = QStringLiteral("original_encoding");
const QString kTranslationEncoding = QStringLiteral("translation_encoding");
const QString kOutsideLinks = QStringLiteral("outside_links");  // one per line

}  // namespace

// The WAL keeps readers (the editor's panel) going while a converter writes; NORMAL sync is
// safe with it and spares a flush per transaction.
Result ProjectFile::Configure(sql::Database& db)
{
    return db.Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
}

// The database is made under a name of its own and the project file linked into place only
// when both are complete: a creation cut short leaves no stub that blocks the next one.
Result ProjectFile::Create(const QString& path, const ProjectSettings& settings)
{
    path_ = path;
    if (QFileInfo::exists(path))
        return Result::Failure(UiText("project.exists").arg(path));
    // Said as such: the library's word for it is "unable to open database file".
    if (const QString folder = QFileInfo(path).absolutePath(); !QFileInfo(folder).isDir())
        return Result::Failure(
            UiText("project.cannotWrite").arg(path, UiText("project.folderMissing").arg(folder)));
    const QString part = CachePath() + QStringLiteral(".part");
    const QString textPart = path + QStringLiteral(".part");
    for (const QString& leftover : {part, part + "-journal", textPart})
        QFile::remove(leftover);
    // The system's reason (no permission, a full disk), where the library only says "unable to
    // open database file".
    if (QFile probe(part); !probe.open(QIODevice::WriteOnly))
        return Result::Failure(UiText("project.cannotWrite").arg(path, probe.errorString()));
    Result done = Build(part, settings);
    QByteArray text;
    if (done)
        done = ExportShared(db_, SharedScope::Project, QString(), &text);
    db_ = sql::Database();
    if (QFile file(textPart); done && !(file.open(QIODevice::WriteOnly) &&
                                        file.write(text) == text.size() && file.flush()))
        done = Result::Failure(UiText("project.cannotWrite").arg(path, file.errorString()));
    if (done &&
        ::link(QFile::encodeName(textPart).constData(), QFile::encodeName(path).constData()))
        done = Result::Failure(errno == EEXIST
                                   ? UiText("project.exists").arg(path)
                                   : UiText("project.cannotWrite")
                                         .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    QFile::remove(textPart);
    if (done) {
        QFile::remove(CachePath());
        if (!QFile::rename(part, CachePath()))
            done = Result::Failure(UiText("project.cannotWrite").arg(CachePath(), path));
    }
    QFile::remove(part);
    return done ? Open(path) : done;
}

// The schema and the settings in one transaction, in the rollback journal's mode: the project
// goes over to WAL when opened under its own name.
Result ProjectFile::Build(const QString& part, const ProjectSettings& settings)
{
    if (Result opened = db_.Open(part, true); !opened)
        return Result::Failure(UiText("project.cannotWrite").arg(path_, opened.Error()));
    Result done = db_.InTransaction([&] {
        Result stepped;
        for (const Migration& step : kMigrations) {
            if (stepped)
                stepped = Step(step.version, step.sql);
        }
        return stepped ? WriteSettings(settings) : stepped;
    });
    return done ? done : Result::Failure(UiText("project.cannotWrite").arg(path_, done.Error()));
}

Result ProjectFile::Open(const QString& path)
{
    path_ = path;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Result::Failure(UiText("project.notProject").arg(path));
    const QByteArray head = file.read(64);
    file.close();
    const bool database = head.startsWith(QByteArrayLiteral("SQLite format 3"));
    if (!database && !IsSharedText(head))
        return Result::Failure(UiText("project.notProject").arg(path));
    if (Result opened = database ? ConvertDatabase() : OpenCache(); !opened)
        return opened;
    if (Result read = ReadText(); !read)
        return Result::Failure(UiText("project.unreadable").arg(path, read.Error()));
    if (Result watched = WatchSharedRows(db_); !watched)
        return Result::Failure(UiText("project.unreadable").arg(path, watched.Error()));
    return Published(FinishPendingUpdate());
}

// A database of ours (of any version this build knows) made ready to use: checked, in WAL mode,
// migrated.
Result ProjectFile::OpenDatabase(const QString& file)
{
    if (Result opened = db_.Open(file, false); !opened)
        return Result::Failure(UiText("project.unreadable").arg(path_, opened.Error()));
    if (Result known = CheckKnown(); !known)
        return known;
    if (Result configured = Configure(db_); !configured)
        return Result::Failure(UiText("project.unreadable").arg(path_, configured.Error()));
    return Migrate();
}

// Reads only: the file's tables and version tell a project of ours (of any version this build
// knows) from anything else, and a damaged or unreadable file says why.
Result ProjectFile::CheckKnown()
{
    sql::Statement tables = db_.Prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
    QSet<QString> names;
    while (tables.IsValid() && tables.Step())
        names.insert(tables.Text(0));
    const Result listed = tables.IsValid() ? tables.Done() : Result::Failure(db_.Error());
    if (!listed)
        return Result::Failure(db_.ErrorIsNotDatabase()
                                   ? UiText("project.notProject").arg(path_)
                                   : UiText("project.unreadable").arg(path_, listed.Error()));
    if (!names.contains(QStringLiteral("schema_version")))
        return Result::Failure(UiText("project.notProject").arg(path_));
    sql::Statement query = db_.Prepare("SELECT version FROM schema_version");
    if (!query.IsValid())
        return Result::Failure(UiText("project.notProject").arg(path_));
    if (!query.Step()) {
        const Result done = query.Done();
        return Result::Failure(UiText("project.damaged")
                                   .arg(path_, done ? UiText("project.noVersion") : done.Error()));
    }
    const qint64 version = query.Int(0);
    if (version > kSchemaVersion)
        return Result::Failure(UiText("project.newer").arg(path_));
    for (const auto& [since, table] : kTables) {
        if (version >= since && !names.contains(QLatin1String(table)))
            return Result::Failure(UiText("project.notProject").arg(path_));
    }
    return version >= 1
               ? Result()
               : Result::Failure(UiText("project.damaged").arg(path_, UiText("project.noVersion")));
}

int ProjectFile::SchemaVersion()
{
    sql::Statement query = db_.Prepare("SELECT version FROM schema_version");
    return query.IsValid() && query.Step() ? static_cast<int>(query.Int(0)) : 0;
}

Result ProjectFile::Step(int version, const char* sql)
{
    Result done = db_.Exec(sql);
    if (done) {
        sql::Statement stamp = db_.Prepare("UPDATE schema_version SET version = ?");
        stamp.Bind(1, version).Step();
        done = stamp.Done();
    }
    return done;
}

Result ProjectFile::Migrate()
{
    const int current = SchemaVersion();
    for (const Migration& step : kMigrations) {
        if (step.version <= current)
            continue;
        if (Result done = db_.InTransaction([&] { return Step(step.version, step.sql); }); !done)
            return Result::Failure(UiText("project.cannotMigrate").arg(path_, done.Error()));
    }
    return {};
}

Result ProjectFile::WriteSettings(const ProjectSettings& settings)
{
    sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO settings VALUES(?, ?)");
    const std::pair<QString, QString> values[] = {
        {kOriginals, settings.originals},
        {kTranslations, settings.translations},
        {kOriginalEncoding, QString::number(settings.originalEncoding)},
        {kTranslationEncoding, QString::number(settings.translationEncoding)},
    };
    for (const auto& [key, value] : values) {
        put.Reset();
        put.Bind(1, key).Bind(2, value).Step();
        if (Result done = put.Done(); !done)
            return done;
    }
    settings_ = settings;
    return {};
}

Result ProjectFile::ReadSettings()
{
    sql::Statement query = db_.Prepare("SELECT key, value FROM settings");
    if (!query.IsValid())
        return Result::Failure(db_.Error());
    settings_ = {};
    outsideLinks_.clear();
    while (query.Step()) {
        const QString key = query.Text(0), value = query.Text(1);
        if (key == kOriginals)
            settings_.originals = value;
        else if (key == kTranslations)
            settings_.translations = value;
        else if (key == kOriginalEncoding)
            settings_.originalEncoding = value.toInt();
        else if (key == kTranslationEncoding)
            settings_.translationEncoding = value.toInt();
        else if (key == kOutsideLinks)
            outsideLinks_ = value.split(u'\n', Qt::SkipEmptyParts);
    }
    return query.Done();
}

Result ProjectFile::ReadSettingsAgain()
{
    const ProjectSettings settings = settings_;
    const QStringList links = outsideLinks_;
    const Result read = ReadSettings();
    if (!read) {
        settings_ = settings;
        outsideLinks_ = links;
    }
    return read;
}

QString ProjectFile::OriginalsDir() const
{
    return QDir::cleanPath(QFileInfo(path_).absoluteDir().filePath(settings_.originals));
}

QString ProjectFile::TranslationsDir() const
{
    return QDir::cleanPath(QFileInfo(path_).absoluteDir().filePath(settings_.translations));
}

Result ProjectFile::SetFormatOverride(const QString& file, int format)
{
    sql::Statement change =
        format < 0 ? db_.Prepare("DELETE FROM format_overrides WHERE file = ?")
                   : db_.Prepare("INSERT OR REPLACE INTO format_overrides VALUES(?, ?)");
    change.Bind(1, file);
    if (format >= 0)
        change.Bind(2, format);
    change.Step();
    return Published(change.Done());
}

QHash<QString, int> ProjectFile::FormatOverrides()
{
    QHash<QString, int> overrides;
    sql::Statement query = db_.Prepare("SELECT file, format FROM format_overrides");
    while (query.IsValid() && query.Step())
        overrides.insert(query.Text(0), static_cast<int>(query.Int(1)));
    return overrides;
}

QHash<QString, CachedCounts> ProjectFile::Cache()
{
    QHash<QString, CachedCounts> rows;
    sql::Statement query = db_.Prepare("SELECT * FROM file_cache");
    while (query.IsValid() && query.Step()) {
        CachedCounts& row = rows[query.Text(0)];
        int column = 1;
        for (FileStamp* stamp : {&row.original, &row.translation}) {
            stamp->size = query.Int(column++);
            stamp->modified = query.Int(column++);
            stamp->hash = query.Int(column++);
        }
        TranslationCounts& counts = row.counts;
        for (qint64* value : {&row.layout, &counts.records, &counts.fields, &counts.empty,
                              &counts.sameAsReference, &counts.translated, &counts.tooLong,
                              &counts.notStorable, &counts.needsWork, &counts.approved})
            *value = query.Int(column++);
    }
    return rows;
}

Result ProjectFile::StoreCache(const QHash<QString, CachedCounts>& rows)
{
    return db_.InTransaction([&] {
        Result done = db_.Exec("DELETE FROM file_cache");
        sql::Statement put = db_.Prepare(
            "INSERT INTO file_cache VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (auto it = rows.begin(); done && it != rows.end(); ++it) {
            const CachedCounts& row = it.value();
            put.Reset();
            int index = 1;
            put.Bind(index++, it.key());
            for (const FileStamp* stamp : {&row.original, &row.translation}) {
                put.Bind(index, stamp->size).Bind(index + 1, stamp->modified);
                put.Bind(index + 2, stamp->hash);
                index += 3;
            }
            const TranslationCounts& counts = row.counts;
            for (qint64 value : {row.layout, counts.records, counts.fields, counts.empty,
                                 counts.sameAsReference, counts.translated, counts.tooLong,
                                 counts.notStorable, counts.needsWork, counts.approved})
                put.Bind(index++, value);
            put.Step();
            done = put.Done();
        }
        return done;
    });
}

namespace {

// One row of a marks table (field_marks, or pending_marks during an update).
Result PutMarks(sql::Statement& put, const QString& file, int record, int field,
                const FieldMarks& marks)
{
    if (!put.IsValid())
        return put.Done();  // the statement was refused: SQLite's reason
    put.Reset();
    put.Bind(1, file).Bind(2, record).Bind(3, field).Bind(4, marks.source);
    put.Bind(5, static_cast<int>(marks.review)).Bind(6, marks.note);
    put.Bind(7, static_cast<int>(marks.state)).Bind(8, marks.stateHash).Step();
    return put.Done();
}

}  // namespace

Result ProjectFile::SetFieldMarks(const QString& file, int record, int field,
                                  const FieldMarks& marks)
{
    sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO field_marks(" kMarkColumns
                                     ") VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    return Published(PutMarks(put, file, record, field, marks));
}

std::optional<FieldMarks> ProjectFile::Marks(const QString& file, int record, int field)
{
    sql::Statement query = db_.Prepare(
        "SELECT source, reviewed, note, state, state_hash FROM field_marks WHERE file = ? AND "
        "record = ? AND field = ?");
    query.Bind(1, file).Bind(2, record).Bind(3, field);
    if (!query.IsValid() || !query.Step())
        return std::nullopt;
    return FieldMarks{query.Text(0), ReviewOf(query.Int(1)), query.Text(2), StateOf(query.Int(3)),
                      query.Int(4)};
}

std::vector<ProjectFile::PlacedMarks> ProjectFile::FileMarks(const QString& file)
{
    std::vector<PlacedMarks> rows;
    sql::Statement query = db_.Prepare(
        "SELECT record, field, source, reviewed, note, state, state_hash FROM field_marks "
        "WHERE file = ? ORDER BY record, field");
    query.Bind(1, file);
    while (query.IsValid() && query.Step()) {
        rows.push_back({static_cast<int>(query.Int(0)), static_cast<int>(query.Int(1)),
                        FieldMarks{query.Text(2), ReviewOf(query.Int(3)), query.Text(4),
                                   StateOf(query.Int(5)), query.Int(6)}});
    }
    return rows;
}

FieldNote FieldMarks::Note(bool withReview) const
{
    if (withReview && review != ReviewReason::None)
        return FieldNote{StoredState::NeedsWork, 0, note};
    return FieldNote{state, stateHash, note};
}

std::vector<PlacedNote> ProjectFile::FileNotes(const QString& file, bool withReview)
{
    std::vector<PlacedNote> notes;
    for (const PlacedMarks& row : FileMarks(file)) {
        if (const FieldNote note = row.marks.Note(withReview); !note.IsEmpty())
            notes.push_back({row.record, row.field, note});
    }
    return notes;
}

// Sources stay: the memory and the update need them whatever the state. A review mark is only
// kept where the field still needs work; an approval or confirmation settles it.
Result ProjectFile::ReplaceFileNotes(const QString& file, const std::vector<PlacedNote>& notes,
                                     bool withReview)
{
    return Published(db_.InTransaction([&] {
        std::map<std::pair<int, int>, FieldMarks> rows;
        for (PlacedMarks& placed : FileMarks(file)) {
            placed.marks.note.clear();
            placed.marks.state = StoredState::None;
            placed.marks.stateHash = 0;
            rows[{placed.record, placed.field}] = placed.marks;
        }
        std::map<std::pair<int, int>, bool> needsWork;
        for (const PlacedNote& placed : notes) {
            FieldMarks& marks = rows[{placed.record, placed.field}];
            marks.note = placed.note.comment;
            needsWork[{placed.record, placed.field}] = placed.note.state == StoredState::NeedsWork;
            // A review mark already says needs work, with its reason.
            if (!withReview || marks.review == ReviewReason::None ||
                placed.note.state != StoredState::NeedsWork) {
                marks.state = placed.note.state;
                marks.stateHash = placed.note.hash;
            }
        }
        for (auto& [place, marks] : rows) {
            if (withReview && marks.review != ReviewReason::None && !needsWork[place])
                marks.review = ReviewReason::None;
        }
        sql::Statement clear = db_.Prepare("DELETE FROM field_marks WHERE file = ?");
        clear.Bind(1, file).Step();
        Result done = clear.Done();
        for (auto it = rows.begin(); done && it != rows.end(); ++it) {
            const FieldMarks& marks = it->second;
            if (marks.source.isNull() && marks == FieldMarks{})
                continue;
            done = SetFieldMarks(file, it->first.first, it->first.second, marks);
        }
        sql::Statement stale = db_.Prepare("DELETE FROM file_cache WHERE file = ?");
        if (done)
            stale.Bind(1, file).Step();
        return done ? stale.Done() : done;
    }));
}

Result ProjectFile::ReplaceFileMarks(const QString& file, const std::vector<PlacedMarks>& rows)
{
    return Published(db_.InTransaction([&] {
        sql::Statement clear = db_.Prepare("DELETE FROM field_marks WHERE file = ?");
        clear.Bind(1, file).Step();
        Result done = clear.Done();
        for (size_t i = 0; done && i < rows.size(); ++i)
            done = SetFieldMarks(file, rows[i].record, rows[i].field, rows[i].marks);
        return done;
    }));
}

std::vector<qint32> RecordIds::Of(int count) const
{
    std::vector<qint32> out(ids.begin(), ids.begin() + std::min<qsizetype>(ids.size(), count));
    out.reserve(static_cast<size_t>(std::max(count, 0)));
    for (qint64 id = next; static_cast<int>(out.size()) < count; ++id)
        out.push_back(static_cast<qint32>(id));
    return out;
}

RecordIds RecordIds::Carried(const std::vector<int>& fromOld, int oldCount) const
{
    const std::vector<qint32> old = Of(oldCount);
    RecordIds out;
    out.next = next + std::max<qint64>(0, oldCount - static_cast<qint64>(ids.size()));
    out.ids.reserve(fromOld.size());
    for (const int i : fromOld) {
        out.ids.push_back(i >= 0 && i < static_cast<int>(old.size())
                              ? old[static_cast<size_t>(i)]
                              : static_cast<qint32>(out.next++));
    }
    return out;
}

namespace {

// One row of record_ids or pending_ids.
Result PutIds(sql::Statement& put, const QString& file, const RecordIds& ids)
{
    if (!put.IsValid())
        return put.Done();
    put.Reset();
    QByteArray blob(static_cast<qsizetype>(ids.ids.size()) * 4, Qt::Uninitialized);
    for (size_t i = 0; i < ids.ids.size(); ++i)
        qToLittleEndian<qint32>(ids.ids[i], blob.data() + 4 * i);
    put.Bind(1, file).Bind(2, ids.next).Bind(3, blob).Step();
    return put.Done();
}

}  // namespace

RecordIds ProjectFile::FileRecordIds(const QString& file)
{
    RecordIds ids;
    sql::Statement query = db_.Prepare("SELECT next, ids FROM record_ids WHERE file = ?");
    query.Bind(1, file);
    if (!query.IsValid() || !query.Step())
        return ids;
    const QByteArray blob = query.Blob(1);
    ids.ids.resize(static_cast<size_t>(blob.size() / 4));
    // A damaged row must still never give an id twice.
    ids.next = std::max<qint64>(query.Int(0), 0);
    for (size_t i = 0; i < ids.ids.size(); ++i) {
        ids.ids[i] = qFromLittleEndian<qint32>(blob.constData() + 4 * i);
        ids.next = std::max<qint64>(ids.next, qint64(ids.ids[i]) + 1);
    }
    return ids;
}

Result ProjectFile::SetFileRecordIds(const QString& file, const RecordIds& ids)
{
    sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO record_ids VALUES(?, ?, ?)");
    return Published(PutIds(put, file, ids));
}

QString ProjectFile::Value(const QString& key)
{
    sql::Statement query = db_.Prepare("SELECT value FROM settings WHERE key = ?");
    query.Bind(1, key);
    return query.IsValid() && query.Step() ? query.Text(0) : QString();
}

Result ProjectFile::SetValue(const QString& key, const QString& value)
{
    sql::Statement put = value.isNull()
                             ? db_.Prepare("DELETE FROM settings WHERE key = ?")
                             : db_.Prepare("INSERT OR REPLACE INTO settings VALUES(?, ?)");
    put.Bind(1, key);
    if (!value.isNull())
        put.Bind(2, value);
    put.Step();
    return Published(put.Done());
}

std::vector<IgnoredProblem> ProjectFile::IgnoredProblems(const QString& file)
{
    std::vector<IgnoredProblem> rows;
    sql::Statement query =
        db_.Prepare("SELECT record, field, check_name, hash FROM ignored_problems WHERE file = ?");
    query.Bind(1, file);
    while (query.IsValid() && query.Step()) {
        // A check this build does not know is left alone in the file.
        if (const std::optional<Check> check = CheckNamed(query.Text(2)))
            rows.push_back({static_cast<int>(query.Int(0)), static_cast<int>(query.Int(1)), *check,
                            static_cast<quint64>(query.Int(3))});
    }
    return rows;
}

Result ProjectFile::ReplaceIgnoredProblems(const QString& file,
                                           const std::vector<IgnoredProblem>& rows)
{
    return Published(db_.InTransaction([&] {
        sql::Statement clear = db_.Prepare("DELETE FROM ignored_problems WHERE file = ?");
        clear.Bind(1, file).Step();
        Result done = clear.Done();
        sql::Statement put =
            db_.Prepare("INSERT OR REPLACE INTO ignored_problems VALUES(?, ?, ?, ?, ?)");
        for (size_t i = 0; done && i < rows.size(); ++i) {
            put.Reset();
            put.Bind(1, file).Bind(2, rows[i].record).Bind(3, rows[i].field);
            put.Bind(4, QString::fromLatin1(CheckName(rows[i].check)));
            put.Bind(5, static_cast<qint64>(rows[i].hash)).Step();
            done = put.Done();
        }
        return done;
    }));
}

Result ProjectFile::AllowOutsideLink(const QString& link)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(link));
    if (outsideLinks_.contains(path))
        return {};
    QStringList links = outsideLinks_;
    links << path;
    if (Result stored = SetValue(kOutsideLinks, links.join(u'\n')); !stored)
        return stored;
    outsideLinks_ = links;
    return {};
}

Result ProjectFile::SetOriginalsDir(const QString& dir)
{
    return Published(db_.InTransaction([&] { return WriteSettings(SettingsWithOriginals(dir)); }));
}

ProjectSettings ProjectFile::SettingsWithOriginals(const QString& dir) const
{
    const QDir home = QFileInfo(path_).absoluteDir();
    ProjectSettings settings = settings_;
    settings.originals = home.relativeFilePath(QDir(home.filePath(dir)).absolutePath());
    return settings;
}

Result ProjectFile::ClearReviewMarks(const QString& file, std::span<const ReviewedField> fields)
{
    return Published(db_.InTransaction([&] {
        sql::Statement clear = db_.Prepare(
            "UPDATE field_marks SET reviewed = 0, source = ? WHERE file = ? AND record = ? AND "
            "field = ? AND reviewed <> 0");
        Result done;
        for (size_t i = 0; done && i < fields.size(); ++i) {
            clear.Reset();
            clear.Bind(1, fields[i].source).Bind(2, file).Bind(3, fields[i].record);
            clear.Bind(4, fields[i].field).Step();
            done = clear.Done();
        }
        return done;
    }));
}

bool ProjectFile::ChangedElsewhere()
{
    sql::Statement query = db_.Prepare("PRAGMA data_version");
    const qint64 now = query.IsValid() && query.Step() ? query.Int(0) : dataVersion_;
    const bool changed = dataVersion_ >= 0 && now != dataVersion_;
    dataVersion_ = now;
    return changed;
}

}  // namespace scrivlet

// --- an update of the originals, all or nothing across files ---------------------------------

namespace scrivlet {
namespace {

const QString kUpdateState = QStringLiteral("update_state");
const QString kStaging = QStringLiteral("staging");      // new translations being written
const QString kSwitching = QStringLiteral("switching");  // the project switched; files follow

}  // namespace

QString ProjectFile::StagedPath(const QString& translation)
{
    return translation + QStringLiteral(".scrivlet-new");
}

QString ProjectFile::UpdateLockPath() const
{
    return path_ + QStringLiteral(".update-lock");
}

Result ProjectFile::BeginUpdate()
{
    updateLock_ = std::make_unique<QLockFile>(UpdateLockPath());
    if (!updateLock_->tryLock(0)) {
        updateLock_.reset();
        return Result::Failure(UiText("update.running").arg(path_));
    }
    RemoveStaged();
    return ClearPending(kStaging);
}

// No plan kept, the update in the given state (none: null).
Result ProjectFile::ClearPending(const QString& state)
{
    return db_.InTransaction([&] {
        Result done = db_.Exec(
            "DELETE FROM pending_files; DELETE FROM pending_marks; DELETE FROM pending_ids;");
        return done ? SetValue(kUpdateState, state) : done;
    });
}

Result ProjectFile::StageUpdate(const QString& file, const std::vector<PlacedMarks>& marks,
                                const RecordIds& ids)
{
    return db_.InTransaction([&] {
        sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO pending_files VALUES(?)");
        put.Bind(1, file).Step();
        Result done = put.Done();
        sql::Statement putIds = db_.Prepare("INSERT OR REPLACE INTO pending_ids VALUES(?, ?, ?)");
        if (done)
            done = PutIds(putIds, file, ids);
        sql::Statement mark = db_.Prepare("INSERT OR REPLACE INTO pending_marks(" kMarkColumns
                                          ") VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        for (size_t i = 0; done && i < marks.size(); ++i)
            done = PutMarks(mark, file, marks[i].record, marks[i].field, marks[i].marks);
        return done;
    });
}

Result ProjectFile::StageRecordIds(const QString& file, const RecordIds& ids)
{
    sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO pending_ids VALUES(?, ?, ?)");
    return PutIds(put, file, ids);
}

// The one commit that decides: before it the old originals stand, after it the new ones.
Result ProjectFile::SwitchUpdate(const QString& originals)
{
    const ProjectSettings settings = SettingsWithOriginals(originals);
    Result done = db_.InTransaction([&] {
        Result moved = db_.Exec(
            "DELETE FROM field_marks WHERE file IN (SELECT file FROM pending_files);"
            "INSERT INTO field_marks(" kMarkColumns ") SELECT " kMarkColumns
            " FROM pending_marks;"
            "DELETE FROM pending_marks;"
            "INSERT OR REPLACE INTO record_ids SELECT * FROM pending_ids;"
            "DELETE FROM pending_ids;");
        if (moved)
            moved = WriteSettings(settings);
        return moved ? SetValue(kUpdateState, kSwitching) : moved;
    });
    if (!done) {
        AbandonUpdate();
        return done;
    }
    // Past the commit a failed rename is finished by the next open.
    done = Published(RenameStaged());
    updateLock_.reset();
    return done;
}

void ProjectFile::AbandonUpdate()
{
    if (!updateLock_)
        return;
    RemoveStaged();
    (void)ClearPending(QString());
    updateLock_.reset();
}

// Every staged translation put in its place; one renamed before (by a run cut short) is gone
// from beside its file, so this may run again.
Result ProjectFile::RenameStaged()
{
    std::vector<QString> files;
    sql::Statement query = db_.Prepare("SELECT file FROM pending_files");
    while (query.IsValid() && query.Step())
        files.push_back(query.Text(0));
    for (const QString& file : files) {
        const QString translation = TranslationsDir() + u'/' + file;
        const QString staged = StagedPath(translation);
        if (QFileInfo::exists(staged) && ::rename(QFile::encodeName(staged).constData(),
                                                  QFile::encodeName(translation).constData()))
            return Result::Failure(
                UiText("project.cannotWrite")
                    .arg(translation, QString::fromLocal8Bit(std::strerror(errno))));
    }
    return db_.InTransaction([&] {
        Result done = db_.Exec("DELETE FROM pending_files;");
        return done ? SetValue(kUpdateState, QString()) : done;
    });
}

void ProjectFile::RemoveStaged()
{
    QDirIterator it(TranslationsDir(), {QStringLiteral("*.scrivlet-new")},
                    QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::remove(it.next());
}

// An update cut short (killed, the power gone) is finished when the project had switched, else
// rolled back; one still running in another process is left to it.
Result ProjectFile::FinishPendingUpdate()
{
    pendingNote_.clear();
    const QString state = Value(kUpdateState);
    if (state.isNull())
        return {};
    QLockFile lock(UpdateLockPath());
    if (!lock.tryLock(0))
        return {};
    if (state == kSwitching) {
        if (Result done = RenameStaged(); !done)
            return done;
        pendingNote_ = UiText("update.finished").arg(settings_.originals);
        return {};
    }
    RemoveStaged();
    const Result done = ClearPending(QString());
    if (done)
        pendingNote_ = UiText("update.rolledBack").arg(settings_.originals);
    return done;
}

}  // namespace scrivlet
