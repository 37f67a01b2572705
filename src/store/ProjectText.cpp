#include "store/ProjectText.h"

#include "translation/NotesMerge.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

namespace scrivlet {
namespace {

// What a table's rows do when both sides changed one of them.
enum class BothChanged {
    KeepOurs,  // a detail (a glossary term's note, an ignore's hash): ours, quietly
    Conflict,  // a setting, the record ids: ours, counted as a conflict
    Marks,     // a field's notes: column by column
};

// A table shared as text: its columns (kinds: t text, i integer, b blob) with the first keys
// of them naming a row, the file column implied for a file's tables; shared, the rows that
// are not this computer's own.
struct SharedTable {
    SharedScope scope;
    const char* name;
    const char* columns;
    const char* kinds;
    int keys;
    BothChanged both;
    const char* shared = "1";
};

constexpr SharedTable kSharedTables[] = {
    {SharedScope::Project, "settings", "key, value", "tt", 1, BothChanged::Conflict,
     "key <> 'update_state'"},
    {SharedScope::Project, "format_overrides", "file, format", "ti", 1, BothChanged::Conflict},
    {SharedScope::Project, "glossary", "source, target, note, origin", "tttt", 2,
     BothChanged::KeepOurs},
    {SharedScope::Project, "text_boxes", "format, field, file, font, size, width, lines, breaks",
     "iittiiit", 3, BothChanged::Conflict},
    {SharedScope::File, "field_marks", "record, field, source, reviewed, note, state, state_hash",
     "iititii", 2, BothChanged::Marks},
    {SharedScope::File, "ignored_problems", "record, field, check_name, hash", "iiti", 3,
     BothChanged::KeepOurs},
    {SharedScope::File, "record_ids", "next, ids", "ib", 0, BothChanged::Conflict},
};

// field_marks' columns by position in a row (after the table's name).
enum MarkColumn { kSource = 3, kReviewed = 4, kNote = 5, kState = 6, kStateHash = 7 };

const SharedTable* TableNamed(const QString& name)
{
    for (const SharedTable& table : kSharedTables) {
        if (name == QLatin1String(table.name))
            return &table;
    }
    return nullptr;
}

// Integers beyond what a JSON number holds exactly (the hashes) are written as strings.
QJsonValue IntValue(qint64 value)
{
    constexpr qint64 kExact = qint64(1) << 53;
    return value > -kExact && value < kExact ? QJsonValue(double(value))
                                             : QJsonValue(QString::number(value));
}

std::optional<qint64> IntOf(const QJsonValue& value)
{
    if (value.isDouble())
        return static_cast<qint64>(value.toDouble());
    bool ok = false;
    const qint64 number = value.toString().toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

QByteArray Line(const QJsonArray& row)
{
    return QJsonDocument(row).toJson(QJsonDocument::Compact);
}

// The text's rows by table, after its header; nullopt for another kind of text or a line that
// does not read.
std::optional<std::vector<QJsonArray>> Rows(const QByteArray& text, SharedScope scope)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != SharedTextHeader(scope))
        return std::nullopt;
    std::vector<QJsonArray> rows;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument line = QJsonDocument::fromJson(lines[i], &error);
        if (error.error != QJsonParseError::NoError || !line.isArray())
            return std::nullopt;
        const QJsonArray row = line.array();
        const SharedTable* table = TableNamed(row.at(0).toString());
        if (!table || table->scope != scope ||
            row.size() != qsizetype(std::strlen(table->kinds)) + 1)
            return std::nullopt;
        rows.push_back(row);
    }
    return rows;
}

// The statement with the table's name, columns and condition for {table}, {columns}, {shared}
// (a format may leave any out, which QString::arg would not allow).
QByteArray SqlOf(const char* format, const SharedTable& table)
{
    return QByteArray(format)
        .replace("{table}", table.name)
        .replace("{columns}", table.columns)
        .replace("{shared}", table.shared);
}

}  // namespace

QByteArray SharedTextHeader(SharedScope scope)
{
    return scope == SharedScope::Project ? QByteArrayLiteral("[\"scrivlet project\",1]")
                                         : QByteArrayLiteral("[\"scrivlet notes\",1]");
}

bool IsSharedText(const QByteArray& data)
{
    const QByteArray first = data.left(data.indexOf('\n')).trimmed();
    return first == SharedTextHeader(SharedScope::Project) ||
           first == SharedTextHeader(SharedScope::File);
}

QString ProjectCachePath(const QString& projectPath)
{
    return projectPath + QStringLiteral("-cache");
}

QString NotesTextPath(const QString& translationsDir, const QString& file)
{
    return QDir(translationsDir).filePath(file) + kNotesTextSuffix;
}

Result ExportShared(sql::Database& db, SharedScope scope, const QString& file, QByteArray* text)
{
    *text = SharedTextHeader(scope) + '\n';
    for (const SharedTable& table : kSharedTables) {
        if (table.scope != scope)
            continue;
        const char* query = scope == SharedScope::Project
                                ? "SELECT {columns} FROM {table} WHERE {shared} ORDER BY {columns}"
                                : "SELECT {columns} FROM {table} WHERE file = ? ORDER BY {columns}";
        sql::Statement select = db.Prepare(SqlOf(query, table).constData());
        if (!select.IsValid())
            return Result::Failure(db.Error());
        if (scope == SharedScope::File)
            select.Bind(1, file);
        while (select.Step()) {
            QJsonArray row{QLatin1String(table.name)};
            for (int c = 0; table.kinds[c]; ++c) {
                if (select.IsNull(c))
                    row.append(QJsonValue::Null);
                else if (table.kinds[c] == 'i')
                    row.append(IntValue(select.Int(c)));
                else if (table.kinds[c] == 'b')
                    row.append(QString::fromLatin1(select.Blob(c).toBase64()));
                else
                    row.append(select.Text(c));
            }
            *text += Line(row) + '\n';
        }
        if (Result done = select.Done(); !done)
            return done;
    }
    return {};
}

Result ImportShared(sql::Database& db, SharedScope scope, const QString& file,
                    const QByteArray& text)
{
    const std::optional<std::vector<QJsonArray>> rows = Rows(text, scope);
    if (!rows)
        return Result::Failure(QStringLiteral("not a shared text of this kind"));
    for (const SharedTable& table : kSharedTables) {
        if (table.scope != scope)
            continue;
        const bool perFile = scope == SharedScope::File;
        sql::Statement clear = db.Prepare(SqlOf(perFile ? "DELETE FROM {table} WHERE file = ?"
                                                        : "DELETE FROM {table} WHERE {shared}",
                                                table)
                                              .constData());
        if (perFile)
            clear.Bind(1, file);
        clear.Step();
        if (Result done = clear.Done(); !done)
            return done;
    }
    for (const QJsonArray& row : *rows) {
        const SharedTable& table = *TableNamed(row.at(0).toString());
        const int count = static_cast<int>(std::strlen(table.kinds));
        const bool perFile = scope == SharedScope::File;
        QStringList marks;
        for (int c = 0; c < count + (perFile ? 1 : 0); ++c)
            marks << QStringLiteral("?");
        const QString columns = perFile ? QStringLiteral("file, ") + QLatin1String(table.columns)
                                        : QString::fromLatin1(table.columns);
        sql::Statement put = db.Prepare(
            QStringLiteral("INSERT OR REPLACE INTO %1(%2) VALUES(%3)")
                .arg(QLatin1String(table.name), columns, marks.join(QStringLiteral(", ")))
                .toUtf8()
                .constData());
        int at = 1;
        if (perFile)
            put.Bind(at++, file);
        for (int c = 0; c < count; ++c, ++at) {
            const QJsonValue value = row.at(c + 1);
            if (value.isNull()) {
                put.BindNull(at);
            } else if (table.kinds[c] == 'i') {
                const std::optional<qint64> number = IntOf(value);
                if (!number)
                    return Result::Failure(
                        QStringLiteral("not a number: %1").arg(QString::fromUtf8(Line(row))));
                put.Bind(at, *number);
            } else if (table.kinds[c] == 'b') {
                put.Bind(at, QByteArray::fromBase64(value.toString().toLatin1()));
            } else {
                put.Bind(at, value.toString());
            }
        }
        put.Step();
        if (Result done = put.Done(); !done)
            return done;
    }
    return {};
}

namespace {

using RowKey = std::pair<QString, QByteArray>;  // table, its key columns as JSON

RowKey KeyOf(const QJsonArray& row)
{
    const SharedTable& table = *TableNamed(row.at(0).toString());
    QJsonArray key;
    for (int c = 1; c <= table.keys; ++c)
        key.append(row.at(c));
    return {row.at(0).toString(), Line(key)};
}

// A field's notes both sides changed: each column as a three-way merge of its own.
QJsonArray MergeMarks(const QJsonArray& base, const QJsonArray& ours, const QJsonArray& theirs)
{
    QJsonArray out = ours;
    const auto pick = [&](int c) {
        if (ours.at(c) == base.at(c))
            out[c] = theirs.at(c);
    };
    pick(kSource);
    // The state and the comment as the notes of a file outside a project merge.
    const auto noteOf = [](const QJsonArray& row) {
        return FieldNote{static_cast<StoredState>(IntOf(row.at(kState)).value_or(0)),
                         IntOf(row.at(kStateHash)).value_or(0), row.at(kNote).toString()};
    };
    const FieldNote mine = noteOf(ours);
    const FieldNote merged = MergeNote(noteOf(base), mine, noteOf(theirs)).note;
    if (merged.state != mine.state || merged.hash != mine.hash) {
        out[kState] = theirs.at(kState);
        out[kStateHash] = theirs.at(kStateHash);
    }
    if (merged.comment != mine.comment)
        out[kNote] = merged.comment;
    // Where both changed the review mark, a mark one of them set stays.
    if (ours.at(kReviewed) == base.at(kReviewed) ||
        (theirs.at(kReviewed) != base.at(kReviewed) && IntOf(ours.at(kReviewed)).value_or(0) == 0))
        out[kReviewed] = theirs.at(kReviewed);
    return out;
}

}  // namespace

Result WatchSharedRows(sql::Database& db)
{
    for (const SharedTable& table : kSharedTables) {
        const bool perFile = table.scope == SharedScope::File;
        for (const char* event : {"INSERT", "UPDATE", "DELETE"}) {
            const QString row = QLatin1String(qstrcmp(event, "DELETE") ? "NEW" : "OLD");
            QString when = QLatin1String(table.shared);
            when.replace(QLatin1String("key"), row + QLatin1String(".key"));
            const QString sql =
                QStringLiteral(
                    "CREATE TEMP TRIGGER IF NOT EXISTS shared_%1_%2 AFTER %2 ON main.%1 "
                    "WHEN %3 BEGIN INSERT OR IGNORE INTO text_dirty VALUES(%4); END;")
                    .arg(QLatin1String(table.name), QLatin1String(event), when,
                         perFile ? row + QLatin1String(".file") : QStringLiteral("''"));
            if (Result made = db.Exec(sql.toUtf8().constData()); !made)
                return made;
        }
    }
    return {};
}

Result MergeSharedText(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs,
                       QByteArray* merged, SharedMergeCounts* counts)
{
    const SharedScope scope = ours.startsWith(SharedTextHeader(SharedScope::File))
                                  ? SharedScope::File
                                  : SharedScope::Project;
    std::map<RowKey, QJsonArray> sides[3];
    const QByteArray* texts[3] = {&base, &ours, &theirs};
    for (int side = 0; side < 3; ++side) {
        // A file new on both sides has an empty base.
        if (side == 0 && texts[side]->trimmed().isEmpty())
            continue;
        const std::optional<std::vector<QJsonArray>> rows = Rows(*texts[side], scope);
        if (!rows)
            return Result::Failure(QStringLiteral("not a shared text of this kind"));
        for (const QJsonArray& row : *rows)
            sides[side][KeyOf(row)] = row;
    }
    std::map<RowKey, bool> keys;
    for (const auto& side : sides) {
        for (const auto& entry : side)
            keys[entry.first] = true;
    }
    const auto at = [&](int side, const RowKey& key) -> std::optional<QJsonArray> {
        const auto found = sides[side].find(key);
        return found == sides[side].end() ? std::nullopt : std::optional(found->second);
    };
    SharedMergeCounts tally;
    std::map<RowKey, QJsonArray> result;
    for (const auto& [key, unused] : keys) {
        const auto b = at(0, key), o = at(1, key), t = at(2, key);
        std::optional<QJsonArray> row = o;
        if (o == b) {
            row = t;
            tally.merged += t != o ? 1 : 0;
        } else if (t != b && t != o) {
            const SharedTable& table = *TableNamed(key.first);
            if (o && t && b && table.both == BothChanged::Marks) {
                row = MergeMarks(*b, *o, *t);
                tally.merged += *row != *o ? 1 : 0;
            } else if (!o) {
                // A change beats a removal: the words of the side that kept working are kept.
                row = t;
                tally.merged += 1;
            } else if (table.both == BothChanged::Conflict) {
                tally.conflicts += 1;
            }
        }
        if (row)
            result[key] = *row;
    }
    // Written in the order of the tables, each sorted by its key, as an export writes them.
    *merged = SharedTextHeader(scope) + '\n';
    for (const SharedTable& table : kSharedTables) {
        std::vector<QJsonArray> rows;
        for (const auto& [key, row] : result) {
            if (key.first == QLatin1String(table.name))
                rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end(), [&](const QJsonArray& a, const QJsonArray& b) {
            for (int c = 1; c <= table.keys; ++c) {
                if (a.at(c) != b.at(c))
                    return table.kinds[c - 1] == 'i'
                               ? IntOf(a.at(c)).value_or(0) < IntOf(b.at(c)).value_or(0)
                               : a.at(c).toString() < b.at(c).toString();
            }
            return false;
        });
        for (const QJsonArray& row : rows)
            *merged += Line(row) + '\n';
        tally.rows += qint64(rows.size());
    }
    if (counts)
        *counts = tally;
    return {};
}

}  // namespace scrivlet
