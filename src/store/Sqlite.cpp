#include "store/Sqlite.h"

#include <QFile>

#include <cstring>

#include <sqlite3.h>

namespace scrivlet::sql {
namespace {

// SQLite's message, and where the system refused (a read-only mount, a full disk, a file-size
// limit) the system's own reason, which the message leaves out.
QString Why(sqlite3* db)
{
    QString why = QString::fromUtf8(sqlite3_errmsg(db));
    const int code = sqlite3_errcode(db) & 0xff;
    const int system = sqlite3_system_errno(db);
    if (system != 0 && (code == SQLITE_IOERR || code == SQLITE_CANTOPEN || code == SQLITE_FULL))
        why += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(system)));
    return why;
}

}  // namespace

void Statement::Finalizer::operator()(sqlite3_stmt* stmt) const
{
    sqlite3_finalize(stmt);
}

void Database::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Statement& Statement::Bind(int index, qint64 value)
{
    sqlite3_bind_int64(stmt_.get(), index, value);
    return *this;
}

Statement& Statement::Bind(int index, const QString& text)
{
    sqlite3_bind_text16(stmt_.get(), index, text.utf16(), static_cast<int>(text.size() * 2),
                        SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, const QByteArray& blob)
{
    sqlite3_bind_blob(stmt_.get(), index, blob.constData(), static_cast<int>(blob.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index)
{
    sqlite3_bind_null(stmt_.get(), index);
    return *this;
}

bool Statement::Step()
{
    last_ = sqlite3_step(stmt_.get());
    return last_ == SQLITE_ROW;
}

Result Statement::Done() const
{
    if (last_ == SQLITE_DONE || last_ == SQLITE_ROW)
        return {};
    return Result::Failure(Why(db_));
}

void Statement::Reset()
{
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

qint64 Statement::Int(int column) const
{
    return sqlite3_column_int64(stmt_.get(), column);
}

QString Statement::Text(int column) const
{
    const void* text = sqlite3_column_text16(stmt_.get(), column);
    const int bytes = sqlite3_column_bytes16(stmt_.get(), column);
    return QString(reinterpret_cast<const QChar*>(text), bytes / 2);
}

QByteArray Statement::Blob(int column) const
{
    const void* blob = sqlite3_column_blob(stmt_.get(), column);
    return QByteArray(static_cast<const char*>(blob), sqlite3_column_bytes(stmt_.get(), column));
}

bool Statement::IsNull(int column) const
{
    return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL;
}

Result Database::Open(const QString& path, bool create)
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    db_.reset(db);
    if (code != SQLITE_OK) {
        const QString why = db ? Why(db) : QString::fromUtf8(sqlite3_errstr(code));
        db_.reset();
        return Result::Failure(why);
    }
    // Another program holding the file briefly (a second converter) is waited for.
    sqlite3_busy_timeout(db, 5000);
    return {};
}

Result Database::Exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    sqlite3_free(message);
    const QString why = Why(db_.get());
    return Result::Failure(why);
}

Statement Database::Prepare(const char* sql)
{
    Statement statement;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql, -1, &stmt, nullptr) == SQLITE_OK)
        statement.stmt_.reset(stmt);
    statement.db_ = db_.get();
    return statement;
}

QString Database::Error() const
{
    return Why(db_.get());
}

bool Database::InTransaction() const
{
    return db_ && !sqlite3_get_autocommit(db_.get());
}

bool Database::ErrorIsNotDatabase() const
{
    return (sqlite3_errcode(db_.get()) & 0xff) == SQLITE_NOTADB;
}

}  // namespace scrivlet::sql
