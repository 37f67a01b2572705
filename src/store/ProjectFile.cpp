#include "store/ProjectFile.h"

#include "base/UiText.h"

#include <QDir>
#include <QFileInfo>

#include <iterator>

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
};
static_assert(std::size(kMigrations) == ProjectFile::kSchemaVersion);

// The column once held a bare flag: 1 reads as "changed", any unknown value as none.
ReviewReason ReviewOf(qint64 stored)
{
    return stored == 1 || stored == 2 ? static_cast<ReviewReason>(stored) : ReviewReason::None;
}

const QString kOriginals = QStringLiteral("originals");
const QString kTranslations = QStringLiteral("translations");
const QString kOriginalEncoding = QStringLiteral("original_encoding");
const QString kTranslationEncoding = QStringLiteral("translation_encoding");

// The WAL keeps readers (the editor's panel) going while a converter writes; NORMAL sync is
// safe with it and spares a flush per transaction.
Result Configure(sql::Database& db)
{
    return db.Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
}

}  // namespace

Result ProjectFile::Create(const QString& path, const ProjectSettings& settings)
{
    if (QFileInfo::exists(path))
        return Result::Failure(UiText("project.exists").arg(path));
    path_ = path;
    if (Result opened = db_.Open(path, true); !opened)
        return opened;
    Result done = Configure(db_);
    if (done)
        done = Migrate();
    if (done)
        done = WriteSettings(settings);
    if (!done) {
        db_ = sql::Database();
        QFile::remove(path);
    }
    return done;
}

Result ProjectFile::Open(const QString& path)
{
    path_ = path;
    if (!QFileInfo(path).isFile())
        return Result::Failure(UiText("project.notProject").arg(path));
    if (Result opened = db_.Open(path, false); !opened)
        return opened;
    {
        sql::Statement known =
            db_.Prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name='schema_version'");
        // A file that is no database at all fails here too.
        if (!known.IsValid() || !known.Step())
            return Result::Failure(UiText("project.notProject").arg(path));
    }
    if (Result configured = Configure(db_); !configured)
        return configured;
    if (Result migrated = Migrate(); !migrated)
        return migrated;
    return ReadSettings();
}

int ProjectFile::SchemaVersion()
{
    sql::Statement query = db_.Prepare("SELECT version FROM schema_version");
    return query.IsValid() && query.Step() ? static_cast<int>(query.Int(0)) : 0;
}

Result ProjectFile::Migrate()
{
    const int current = SchemaVersion();
    if (current > kSchemaVersion)
        return Result::Failure(UiText("project.newer").arg(path_));
    for (const Migration& step : kMigrations) {
        if (step.version <= current)
            continue;
        if (Result begun = db_.Begin(); !begun)
            return begun;
        Result done = db_.Exec(step.sql);
        if (done) {
            sql::Statement stamp = db_.Prepare("UPDATE schema_version SET version = ?");
            stamp.Bind(1, step.version).Step();
            done = stamp.Done();
        }
        if (done)
            done = db_.Commit();
        if (!done) {
            db_.Rollback();
            return done;
        }
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
    }
    return query.Done();
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
    return change.Done();
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
        for (qint64* value :
             {&row.layout, &row.records, &row.fields, &row.empty, &row.sameAsReference,
              &row.translated, &row.tooLong, &row.notStorable})
            *value = query.Int(column++);
    }
    return rows;
}

Result ProjectFile::StoreCache(const QHash<QString, CachedCounts>& rows)
{
    return db_.InTransaction([&] {
        Result done = db_.Exec("DELETE FROM file_cache");
        sql::Statement put = db_.Prepare(
            "INSERT INTO file_cache VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
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
            for (qint64 value : {row.layout, row.records, row.fields, row.empty,
                                 row.sameAsReference, row.translated, row.tooLong, row.notStorable})
                put.Bind(index++, value);
            put.Step();
            done = put.Done();
        }
        return done;
    });
}

Result ProjectFile::SetFieldMarks(const QString& file, int record, int field,
                                  const FieldMarks& marks)
{
    sql::Statement put = db_.Prepare("INSERT OR REPLACE INTO field_marks VALUES(?, ?, ?, ?, ?, ?)");
    put.Bind(1, file).Bind(2, record).Bind(3, field).Bind(4, marks.source);
    put.Bind(5, static_cast<int>(marks.review)).Bind(6, marks.note).Step();
    return put.Done();
}

std::optional<FieldMarks> ProjectFile::Marks(const QString& file, int record, int field)
{
    sql::Statement query = db_.Prepare(
        "SELECT source, reviewed, note FROM field_marks WHERE file = ? AND record = ? AND "
        "field = ?");
    query.Bind(1, file).Bind(2, record).Bind(3, field);
    if (!query.IsValid() || !query.Step())
        return std::nullopt;
    return FieldMarks{query.Text(0), ReviewOf(query.Int(1)), query.Text(2)};
}

std::vector<ProjectFile::PlacedMarks> ProjectFile::FileMarks(const QString& file)
{
    std::vector<PlacedMarks> rows;
    sql::Statement query = db_.Prepare(
        "SELECT record, field, source, reviewed, note FROM field_marks WHERE file = ? "
        "ORDER BY record, field");
    query.Bind(1, file);
    while (query.IsValid() && query.Step()) {
        rows.push_back({static_cast<int>(query.Int(0)), static_cast<int>(query.Int(1)),
                        FieldMarks{query.Text(2), ReviewOf(query.Int(3)), query.Text(4)}});
    }
    return rows;
}

Result ProjectFile::ReplaceFileMarks(const QString& file, const std::vector<PlacedMarks>& rows)
{
    return db_.InTransaction([&] {
        sql::Statement clear = db_.Prepare("DELETE FROM field_marks WHERE file = ?");
        clear.Bind(1, file).Step();
        Result done = clear.Done();
        for (size_t i = 0; done && i < rows.size(); ++i)
            done = SetFieldMarks(file, rows[i].record, rows[i].field, rows[i].marks);
        return done;
    });
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
    return put.Done();
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
    return db_.InTransaction([&] {
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
    });
}

Result ProjectFile::SetOriginalsDir(const QString& dir)
{
    const QDir home = QFileInfo(path_).absoluteDir();
    ProjectSettings settings = settings_;
    settings.originals = home.relativeFilePath(QDir(home.filePath(dir)).absolutePath());
    return WriteSettings(settings);
}

}  // namespace scrivlet
