#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of an SQLite connection and its statements: the C API as it is, without
// leaked handles, and failures as Results that carry SQLite's own message.

namespace scrivlet::sql {

class Statement {
public:
    Statement() = default;
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    bool IsValid() const { return stmt_ != nullptr; }
    // Parameters count from 1, as SQLite numbers them.
    Statement& Bind(int index, qint64 value);
    Statement& Bind(int index, const QString& text);
    Statement& Bind(int index, const QByteArray& blob);
    Statement& BindNull(int index);
    // True while a row is there to read; false at the end or on an error (see Done()).
    bool Step();
    // The outcome of the last Step() that returned false.
    Result Done() const;
    void Reset();

    qint64 Int(int column) const;
    QString Text(int column) const;
    QByteArray Blob(int column) const;
    bool IsNull(int column) const;

private:
    friend class Database;
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
    sqlite3* db_ = nullptr;
    int last_ = 0;
};

class Database {
public:
    // Opens (create: or creates) the database file at path.
    Result Open(const QString& path, bool create);
    bool IsOpen() const { return db_ != nullptr; }
    // Runs one or more statements without results.
    Result Exec(const char* sql);
    // A prepared statement; invalid (and error set) when the SQL is refused.
    Statement Prepare(const char* sql);
    QString Error() const;
    // The last failure found a file that is no SQLite database.
    bool ErrorIsNotDatabase() const;

    // A transaction is open (BEGIN without its COMMIT or ROLLBACK yet).
    bool InTransaction() const;
    // All or nothing: a failed step rolls back what came before it.
    Result Begin() { return Exec("BEGIN IMMEDIATE"); }
    Result Commit() { return Exec("COMMIT"); }
    void Rollback() { (void)Exec("ROLLBACK"); }
    // Runs work (returning a Result) in one transaction: committed when it succeeds, else
    // rolled back.
    template <typename Work>
    Result InTransaction(Work work)
    {
        if (Result begun = Begin(); !begun)
            return begun;
        Result done = work();
        if (done)
            done = Commit();
        if (!done)
            Rollback();
        return done;
    }

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace scrivlet::sql
