#pragma once

#include "base/Result.h"
#include "store/Sqlite.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What a team shares of a project, as text that git can merge: the project file itself (its
// settings, format overrides and glossary) and, beside each translation, the notes of its
// fields (sources, review marks, states, comments, ignored problems, record ids). One line per
// row, sorted, each a JSON array: the table, then its columns. The project's SQLite database
// becomes a cache beside the project file that git ignores: rebuilt from the text when missing,
// and the text written anew from it whenever a shared row changes.

namespace scrivlet {

enum class SharedScope { Project, File };

// The first line of each kind of text, which tells it from anything else.
QByteArray SharedTextHeader(SharedScope scope);
// Whether data (a file's first bytes) is shared text of either kind.
bool IsSharedText(const QByteArray& data);

// The database beside a project file that holds the project's rows and everything that is one
// person's (the counts, the memory, an update under way).
QString ProjectCachePath(const QString& projectPath);
// Where a project keeps the notes of one file: beside its translation.
QString NotesTextPath(const QString& translationsDir, const QString& file);
inline constexpr QLatin1StringView kNotesTextSuffix(".notes");

// The shared rows of the project (file empty) or of one file, as text.
Result ExportShared(sql::Database& db, SharedScope scope, const QString& file, QByteArray* text);
// Replaces those rows by the text's; a text of another kind, or a line that does not read, is
// refused before anything is changed. Run it inside a transaction.
Result ImportShared(sql::Database& db, SharedScope scope, const QString& file,
                    const QByteArray& text);

// Records in the table text_dirty which project or file a change of this connection to a shared
// row concerns (in the same transaction, so that a run cut short before it wrote the text
// leaves the note).
Result WatchSharedRows(sql::Database& db);

// A three-way merge of shared text, row by row under each table's key. A side that left a row
// as it was takes the other side's; a field's notes merge column by column (needs work wins, a
// review mark stays, both comments are kept); a setting or the record ids changed two ways keep
// ours and count as a conflict.
struct SharedMergeCounts {
    qint64 rows = 0;       // rows of the merged text
    qint64 merged = 0;     // of them, those that took something of theirs where ours had another
    qint64 conflicts = 0;  // rows changed two ways that keep ours
};
Result MergeSharedText(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs,
                       QByteArray* merged, SharedMergeCounts* counts);

}  // namespace scrivlet
