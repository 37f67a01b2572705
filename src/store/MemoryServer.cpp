// The memory on a PostgreSQL server, for a team sharing one, through libpq. The same tables as
// the file's; fuzzy candidates come from pg_trgm's GiST index, nearest first.

#include "store/MemoryBackends.h"

#include "base/UiText.h"

#include <QDeadlineTimer>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <libpq-fe.h>
#include <poll.h>

namespace scrivlet {
namespace {

const char kSchema[] =
    "SET client_min_messages = warning;"
    "CREATE EXTENSION IF NOT EXISTS pg_trgm;"
    "CREATE TABLE IF NOT EXISTS tm_meta(key text PRIMARY KEY, value text NOT NULL);"
    "CREATE TABLE IF NOT EXISTS tm_unit(id bigserial PRIMARY KEY, skey bigint NOT NULL, "
    "source text NOT NULL, target text NOT NULL, slang text NOT NULL, tlang text NOT NULL, "
    "origin text NOT NULL, time bigint NOT NULL);"
    "CREATE INDEX IF NOT EXISTS tm_unit_skey ON tm_unit(skey);"
    "CREATE INDEX IF NOT EXISTS tm_unit_trgm ON tm_unit USING gist(source gist_trgm_ops);"
    "INSERT INTO tm_meta VALUES('tm_version', '1') ON CONFLICT DO NOTHING;";

constexpr int kCandidates = 120;

struct ResultFree {
    void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, ResultFree>;

struct ConnectionClose {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};

// A wait is cut into slices this long, so that an abandon is heard soon.
constexpr int kSliceMs = 100;

class ServerMemory : public TranslationMemory {
public:
    explicit ServerMemory(const MemoryWaits& waits) : waits_(waits) {}

    // Connects without blocking, so that neither a silent server nor an abandon leaves the
    // caller waiting past the timeout.
    Result Open(const QString& connection)
    {
        const QByteArray uri = connection.toUtf8();
        const char* keys[] = {"dbname", nullptr};
        const char* values[] = {uri.constData(), nullptr};
        connection_.reset(PQconnectStartParams(keys, values, 1));
        if (!connection_ || PQstatus(connection_.get()) == CONNECTION_BAD)
            return Failure();
        for (PostgresPollingStatusType state = PGRES_POLLING_WRITING;;) {
            if (state == PGRES_POLLING_OK)
                break;
            if (state == PGRES_POLLING_FAILED)
                return Failure();
            if (Result ready = Wait(state == PGRES_POLLING_WRITING); !ready)
                return ready;
            state = PQconnectPoll(connection_.get());
        }
        PQsetClientEncoding(connection_.get(), "UTF8");
        if (PQsetnonblocking(connection_.get(), 1) != 0)
            return Failure();
        return Run(kSchema, {});
    }

    Result Languages(MemoryLanguages* languages) override
    {
        PgResult rows;
        if (Result got = Run("SELECT key, value FROM tm_meta WHERE key IN ('source_lang', "
                             "'target_lang')",
                             {}, &rows);
            !got)
            return got;
        *languages = {};
        for (int i = 0; i < PQntuples(rows.get()); ++i)
            (Text(rows, i, 0) == QLatin1String("source_lang") ? languages->source
                                                              : languages->target) =
                Text(rows, i, 1);
        return {};
    }

    Result Add(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
               MemoryCounts* counts) override
    {
        Result added = inOne_ ? Result() : Begin();
        if (added) {
            added =
                Run("INSERT INTO tm_meta VALUES('source_lang', $1), ('target_lang', $2) "
                    "ON CONFLICT DO NOTHING",
                    {languages.source, languages.target});
        }
        for (size_t i = 0; added && i < units.size(); ++i)
            added = AddUnit(languages, units[i], counts);
        if (inOne_)
            return added;
        if (added)
            added = Run("COMMIT", {});
        else
            (void)Run("ROLLBACK", {});
        return added;
    }

    Result Suggest(const MemoryLanguages& languages, const QString& source, int minScore, int limit,
                   std::vector<MemoryMatch>* matches) override;

    Result ForEach(const Visit& visit) override;

    Result Size(qint64* units) override
    {
        PgResult rows;
        if (Result got = Run("SELECT count(*) FROM tm_unit", {}, &rows); !got)
            return got;
        *units = Text(rows, 0, 0).toLongLong();
        return {};
    }

    Result InOneTransaction(const std::function<Result()>& work) override
    {
        Result done = Begin();
        if (!done)
            return done;
        inOne_ = true;
        done = work();
        inOne_ = false;
        if (done)
            done = Run("COMMIT", {});
        else
            (void)Run("ROLLBACK", {});
        return done;
    }

private:
    // Writers one after another, so that two members adding the same pair store it once.
    Result Begin() { return Run("BEGIN; LOCK TABLE tm_unit IN SHARE ROW EXCLUSIVE MODE", {}); }

    Result Failure() const
    {
        if (!connection_)
            return Result::Failure(UiText("memory.serverGone"));
        return Result::Failure(QString::fromUtf8(PQerrorMessage(connection_.get())).trimmed());
    }

    // Waits until the socket can be read (or written), the server silent for no longer than
    // the timeout. On a timeout or an abandon the connection is given up: a late answer to a
    // statement the caller no longer waits for must not be taken for the next one's.
    Result Wait(bool forWrite)
    {
        const QDeadlineTimer deadline(std::chrono::seconds(std::max(waits_.timeoutSeconds, 1)));
        pollfd socket{PQsocket(connection_.get()), short(forWrite ? POLLOUT : POLLIN), 0};
        for (;;) {
            if (waits_.abandon && waits_.abandon->load()) {
                connection_.reset();
                return Result::Failure(UiText("memory.abandoned"));
            }
            const int left = static_cast<int>(std::min<qint64>(deadline.remainingTime(), kSliceMs));
            const int ready = poll(&socket, 1, std::max(left, 0));
            if (ready > 0 || (ready < 0 && errno != EINTR))
                return {};
            if (deadline.hasExpired()) {
                connection_.reset();
                return Result::Failure(UiText("memory.serverSilent").arg(waits_.timeoutSeconds));
            }
        }
    }

    // Sends what is queued, then reads until the next result is whole.
    Result Await()
    {
        for (int left; (left = PQflush(connection_.get())) != 0;) {
            if (left < 0)
                return Failure();
            if (Result ready = Wait(true); !ready)
                return ready;
        }
        while (PQisBusy(connection_.get())) {
            if (Result ready = Wait(false); !ready)
                return ready;
            if (!PQconsumeInput(connection_.get()))
                return Failure();
        }
        return {};
    }

    // The statement's results; the last one counts, an error anywhere fails the whole.
    Result Collect(PgResult* rows)
    {
        Result outcome;
        for (;;) {
            if (Result ready = Await(); !ready)
                return ready;
            PgResult result(PQgetResult(connection_.get()));
            if (!result)
                return outcome;
            const ExecStatusType status = PQresultStatus(result.get());
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && outcome)
                outcome = Result::Failure(
                    QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed());
            else if (rows)
                *rows = std::move(result);
        }
    }

    static QString Text(const PgResult& rows, int row, int column)
    {
        return QString::fromUtf8(PQgetvalue(rows.get(), row, column),
                                 PQgetlength(rows.get(), row, column));
    }

    // Runs sql with text parameters; rows, when given, gets what it returns.
    Result Run(const char* sql, const QList<QString>& params, PgResult* rows = nullptr)
    {
        if (!connection_)
            return Failure();
        std::vector<QByteArray> bytes;
        std::vector<const char*> values;
        for (const QString& param : params)
            bytes.push_back(param.toUtf8());
        for (const QByteArray& b : bytes)
            values.push_back(b.constData());
        const int sent =
            params.isEmpty()
                ? PQsendQuery(connection_.get(), sql)
                : PQsendQueryParams(connection_.get(), sql, static_cast<int>(values.size()),
                                    nullptr, values.data(), nullptr, nullptr, 0);
        return sent ? Collect(rows) : Failure();
    }

    Result AddUnit(const MemoryLanguages& languages, const MemoryUnit& unit, MemoryCounts* counts)
    {
        ++counts->segments;
        PgResult rows;
        Result added =
            Run("INSERT INTO tm_unit(skey, source, target, slang, tlang, origin, time) "
                "SELECT $1, $2, $3, $4, $5, $6, $7 WHERE NOT EXISTS (SELECT 1 FROM tm_unit WHERE "
                "skey = $1 AND slang = $4 AND tlang = $5 AND source = $2 AND target = $3)",
                {QString::number(StableHash(unit.source)), unit.source, unit.target,
                 languages.source, languages.target, unit.origin, QString::number(unit.time)},
                &rows);
        if (added)
            ++(QByteArrayView(PQcmdTuples(rows.get())) == "1" ? counts->added : counts->duplicates);
        return added;
    }

    MemoryWaits waits_;
    std::unique_ptr<PGconn, ConnectionClose> connection_;
    bool inOne_ = false;  // Adds join the transaction InOneTransaction holds open
};

Result ServerMemory::Suggest(const MemoryLanguages& languages, const QString& source, int minScore,
                             int limit, std::vector<MemoryMatch>* matches)
{
    matches->clear();
    PgResult rows;
    if (Result found =
            Run("SELECT id, source, target FROM tm_unit WHERE skey = $1 AND "
                "slang = $2 AND tlang = $3 ORDER BY time DESC, id DESC",
                {QString::number(StableHash(source)), languages.source, languages.target}, &rows);
        !found)
        return found;
    QSet<QString> taken;
    for (int i = 0; i < PQntuples(rows.get()); ++i) {
        if (Text(rows, i, 1) == source) {
            matches->push_back({source, Text(rows, i, 2), 100});
            taken.insert(Text(rows, i, 0));
        }
    }
    if (minScore < 100 && (limit < 0 || matches->size() < static_cast<size_t>(limit))) {
        if (Result found = Run(
                "SELECT id, source, target FROM tm_unit WHERE slang = $2 AND "
                "tlang = $3 ORDER BY source <-> $1 LIMIT $4",
                {source, languages.source, languages.target, QString::number(kCandidates)}, &rows);
            !found)
            return found;
        for (int i = 0; i < PQntuples(rows.get()); ++i) {
            if (taken.contains(Text(rows, i, 0)))
                continue;
            const QString text = Text(rows, i, 1);
            if (const int score = Similarity(source, text, minScore); score >= 0)
                matches->push_back({text, Text(rows, i, 2), score});
        }
    }
    RankMatches(matches, limit);
    return {};
}

Result ServerMemory::ForEach(const Visit& visit)
{
    // Row by row: a large memory is not held in the client at once.
    if (!connection_ ||
        !PQsendQuery(connection_.get(),
                     "SELECT slang, tlang, source, target, origin, time FROM "
                     "tm_unit ORDER BY id") ||
        !PQsetSingleRowMode(connection_.get()))
        return Failure();
    Result outcome;
    for (;;) {
        if (Result ready = Await(); !ready)
            return ready;
        PgResult row{PQgetResult(connection_.get())};
        if (!row)
            break;
        const ExecStatusType status = PQresultStatus(row.get());
        if (status == PGRES_SINGLE_TUPLE && outcome) {
            const MemoryLanguages languages{Text(row, 0, 0), Text(row, 0, 1)};
            outcome = visit(languages, {Text(row, 0, 2), Text(row, 0, 3), Text(row, 0, 4),
                                        Text(row, 0, 5).toLongLong()});
        } else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && outcome) {
            outcome = Failure();
        }
    }
    return outcome;
}

}  // namespace

Result OpenServerMemory(const QString& connection, std::unique_ptr<TranslationMemory>* memory,
                        const MemoryWaits& waits)
{
    auto server = std::make_unique<ServerMemory>(waits);
    if (Result opened = server->Open(connection); !opened)
        return opened;
    *memory = std::move(server);
    return {};
}

}  // namespace scrivlet
