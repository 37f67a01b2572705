// The memory in an SQLite file: a project file or one of its own. Exact matches come through an
// index on a hash of the source, fuzzy candidates through an FTS5 trigram index of the sources
// (contentless: the texts are stored once, in tm_unit).

#include "store/MemoryBackends.h"
#include "store/ProjectText.h"
#include "store/Sqlite.h"

#include <QFile>

#include <QHash>
#include <QSet>

#include <algorithm>

namespace scrivlet {
namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS tm_meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) "
    "WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS tm_unit(id INTEGER PRIMARY KEY, skey INTEGER NOT NULL, "
    "source TEXT NOT NULL, target TEXT NOT NULL, slang TEXT NOT NULL, tlang TEXT NOT NULL, "
    "origin TEXT NOT NULL, time INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS tm_unit_skey ON tm_unit(skey);"
    "CREATE VIRTUAL TABLE IF NOT EXISTS tm_fts USING fts5(source, content='', "
    "tokenize='trigram', detail='none');"
    "CREATE VIRTUAL TABLE IF NOT EXISTS tm_vocab USING fts5vocab(tm_fts, 'row');"
    "INSERT OR IGNORE INTO tm_meta VALUES('tm_version', '1');";

// Fuzzy candidates: the units sharing most of the query's rarest trigrams. Rare trigrams have
// short lists, so the lookup stays fast on a million units; a text within the usual fuzzy
// scores keeps most of them.
constexpr int kRareTrigrams = 12;
constexpr int kCandidates = 120;

class FileMemory : public TranslationMemory {
public:
    Result Open(const QString& location)
    {
        // A project's memory is kept in the database beside its project file.
        QString path = location;
        if (QFile file(location); file.open(QIODevice::ReadOnly) && IsSharedText(file.read(64)))
            path = ProjectCachePath(location);
        if (Result opened = db_.Open(path, true); !opened)
            return opened;
        // Another process may be writing: wait for it rather than fail at once.
        // Mapped and cached: a lookup walks a few pages, and a read call per page cost more
        // than the walk.
        if (Result setup = db_.Exec("PRAGMA busy_timeout=5000; PRAGMA journal_mode=WAL;"
                                    "PRAGMA synchronous=NORMAL; PRAGMA mmap_size=1073741824;"
                                    "PRAGMA cache_size=-65536;");
            !setup)
            return setup;
        return db_.Exec(kSchema);
    }

    Result Languages(MemoryLanguages* languages) override
    {
        sql::Statement get = db_.Prepare(
            "SELECT key, value FROM tm_meta WHERE key IN "
            "('source_lang', 'target_lang')");
        if (!get.IsValid())
            return Result::Failure(db_.Error());
        *languages = {};
        while (get.Step())
            (get.Text(0) == QLatin1String("source_lang") ? languages->source : languages->target) =
                get.Text(1);
        return get.Done();
    }

    Result Add(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
               MemoryCounts* counts) override;
    Result Suggest(const MemoryLanguages& languages, const QString& source, int minScore, int limit,
                   std::vector<MemoryMatch>* matches) override;
    Result ForEach(const Visit& visit) override;
    Result Size(qint64* units) override;
    Result InOneTransaction(const std::function<Result()>& work) override
    {
        documents_.clear();
        inOne_ = true;
        Result done = db_.InTransaction(work);
        inOne_ = false;
        return done;
    }

private:
    Result AddUnits(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
                    MemoryCounts* counts);
    Result Find(const MemoryLanguages& languages, const QString& source, int minScore, int limit,
                std::vector<MemoryMatch>* matches);
    // The query's rarest trigrams as FTS5 strings; none when the index has none of them.
    QStringList RareTrigrams(const QString& source);
    // The units sharing most of them, most first.
    std::vector<qint64> Candidates(const QString& source);
    // A statement prepared on first use and kept: a pre-translation asks a million times.
    sql::Statement& Cached(sql::Statement& statement, const char* text)
    {
        if (!statement.IsValid())
            statement = db_.Prepare(text);
        else
            statement.Reset();
        return statement;
    }

    sql::Database db_;
    sql::Statement exact_, fuzzy_, vocab_, match_;
    // How many units hold each trigram asked about: the vocabulary's lookups took longer than
    // the rest of a query. Only the order matters, so an import merely clears it.
    QHash<QString, qint64> documents_;
    bool inOne_ = false;  // Adds join the transaction InOneTransaction holds open
};

Result FileMemory::Add(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
                       MemoryCounts* counts)
{
    documents_.clear();
    if (inOne_)
        return AddUnits(languages, units, counts);
    return db_.InTransaction([&] { return AddUnits(languages, units, counts); });
}

Result FileMemory::AddUnits(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
                            MemoryCounts* counts)
{
    sql::Statement meta =
        db_.Prepare("INSERT OR IGNORE INTO tm_meta VALUES('source_lang', ?1), ('target_lang', ?2)");
    sql::Statement find = db_.Prepare(
        "SELECT 1 FROM tm_unit WHERE skey = ?1 AND slang = ?2 AND tlang = ?3 AND source = ?4 "
        "AND target = ?5 LIMIT 1");
    sql::Statement insert = db_.Prepare(
        "INSERT INTO tm_unit(skey, source, target, slang, tlang, origin, time) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    // The new units are indexed in one statement at the end, inside SQLite: a statement per
    // unit cost a fifth of an import.
    sql::Statement last = db_.Prepare("SELECT coalesce(max(id), 0) FROM tm_unit");
    sql::Statement index = db_.Prepare(
        "INSERT INTO tm_fts(rowid, source) SELECT id, source FROM tm_unit WHERE id > ?1");
    if (!meta.IsValid() || !find.IsValid() || !insert.IsValid() || !index.IsValid() ||
        !last.IsValid() || !last.Step())
        return Result::Failure(db_.Error());
    const qint64 before = last.Int(0);
    meta.Bind(1, languages.source).Bind(2, languages.target);
    meta.Step();
    if (Result done = meta.Done(); !done)
        return done;
    for (const MemoryUnit& unit : units) {
        const qint64 key = StableHash(unit.source);
        ++counts->segments;
        find.Reset();
        find.Bind(1, key).Bind(2, languages.source).Bind(3, languages.target);
        find.Bind(4, unit.source).Bind(5, unit.target);
        if (find.Step()) {
            ++counts->duplicates;
            continue;
        }
        if (Result done = find.Done(); !done)
            return done;
        insert.Reset();
        insert.Bind(1, key).Bind(2, unit.source).Bind(3, unit.target).Bind(4, languages.source);
        insert.Bind(5, languages.target).Bind(6, unit.origin).Bind(7, unit.time);
        insert.Step();
        if (Result done = insert.Done(); !done)
            return done;
        ++counts->added;
    }
    index.Bind(1, before);
    index.Step();
    return index.Done();
}

// A trigram as an FTS5 string: in double quotes, a quote doubled.
QString Quoted(QStringView trigram)
{
    QString text = trigram.toString();
    text.replace(u'"', QLatin1String("\"\""));
    return u'"' + text + u'"';
}

QStringList FileMemory::RareTrigrams(const QString& source)
{
    // The tokenizer folds case; the vocabulary holds the folded trigrams.
    const QString folded = source.toCaseFolded();
    QSet<QStringView> seen;
    std::vector<std::pair<qint64, QStringView>> rare;
    sql::Statement& count = Cached(vocab_, "SELECT doc FROM tm_vocab WHERE term = ?1");
    for (qsizetype i = 0; i + 3 <= folded.size(); ++i) {
        const QStringView trigram = QStringView(folded).mid(i, 3);
        if (seen.contains(trigram))
            continue;
        seen.insert(trigram);
        const QString term = trigram.toString();
        auto known = documents_.constFind(term);
        if (known == documents_.cend()) {
            count.Reset();
            count.Bind(1, term);
            known = documents_.insert(term, count.Step() ? count.Int(0) : 0);
        }
        if (*known > 0)
            rare.emplace_back(*known, trigram);
    }
    std::sort(rare.begin(), rare.end());
    if (rare.size() > static_cast<size_t>(kRareTrigrams))
        rare.resize(kRareTrigrams);
    QStringList terms;
    for (const auto& [docs, trigram] : rare)
        terms << Quoted(trigram);
    return terms;
}

std::vector<qint64> FileMemory::Candidates(const QString& source)
{
    // Counted here: with detail=none FTS5 ranks every hit alike.
    QHash<qint64, int> shared;
    sql::Statement& hits = Cached(match_, "SELECT rowid FROM tm_fts WHERE tm_fts MATCH ?1");
    for (const QString& term : RareTrigrams(source)) {
        hits.Reset();
        hits.Bind(1, term);
        while (hits.Step())
            ++shared[hits.Int(0)];
    }
    std::vector<std::pair<int, qint64>> ranked;
    ranked.reserve(shared.size());
    for (auto it = shared.cbegin(); it != shared.cend(); ++it)
        ranked.emplace_back(-it.value(), it.key());
    const size_t kept = std::min(ranked.size(), static_cast<size_t>(kCandidates));
    std::partial_sort(ranked.begin(), ranked.begin() + kept, ranked.end());
    std::vector<qint64> ids;
    for (size_t i = 0; i < kept; ++i)
        ids.push_back(ranked[i].second);
    return ids;
}

Result FileMemory::Suggest(const MemoryLanguages& languages, const QString& source, int minScore,
                           int limit, std::vector<MemoryMatch>* matches)
{
    matches->clear();
    // One read transaction, one lock, for the many small statements of a fuzzy search; an
    // exact one is a single statement.
    const bool fuzzy = minScore < 100;
    if (Result begun = fuzzy ? db_.Exec("BEGIN") : Result(); !begun)
        return begun;
    Result found = Find(languages, source, minScore, limit, matches);
    // A statement left on a row would hold its read snapshot open.
    for (sql::Statement* statement : {&exact_, &fuzzy_, &vocab_, &match_}) {
        if (statement->IsValid())
            statement->Reset();
    }
    if (fuzzy)
        db_.Rollback();
    RankMatches(matches, limit);
    return found;
}

Result FileMemory::Find(const MemoryLanguages& languages, const QString& source, int minScore,
                        int limit, std::vector<MemoryMatch>* matches)
{
    sql::Statement& exact =
        Cached(exact_,
               "SELECT id, source, target FROM tm_unit WHERE skey = ?1 AND slang = ?2 AND "
               "tlang = ?3 ORDER BY time DESC, id DESC");
    if (!exact.IsValid())
        return Result::Failure(db_.Error());
    exact.Bind(1, StableHash(source)).Bind(2, languages.source).Bind(3, languages.target);
    QSet<qint64> taken;
    while (exact.Step()) {
        if (exact.Text(1) == source) {
            matches->push_back({source, exact.Text(2), 100});
            taken.insert(exact.Int(0));
        }
    }
    if (Result done = exact.Done(); !done)
        return done;
    if (minScore >= 100 || (limit >= 0 && matches->size() >= static_cast<size_t>(limit)))
        return {};
    sql::Statement& fuzzy = Cached(
        fuzzy_, "SELECT source, target FROM tm_unit WHERE id = ?1 AND slang = ?2 AND tlang = ?3");
    if (!fuzzy.IsValid())
        return Result::Failure(db_.Error());
    for (const qint64 id : Candidates(source)) {
        if (taken.contains(id))
            continue;
        fuzzy.Reset();
        fuzzy.Bind(1, id).Bind(2, languages.source).Bind(3, languages.target);
        if (!fuzzy.Step())
            continue;
        const QString text = fuzzy.Text(0);
        if (const int score = Similarity(source, text, minScore); score >= 0)
            matches->push_back({text, fuzzy.Text(1), score});
    }
    return {};
}

Result FileMemory::ForEach(const Visit& visit)
{
    sql::Statement all =
        db_.Prepare("SELECT slang, tlang, source, target, origin, time FROM tm_unit ORDER BY id");
    if (!all.IsValid())
        return Result::Failure(db_.Error());
    while (all.Step()) {
        const MemoryLanguages languages{all.Text(0), all.Text(1)};
        const MemoryUnit unit{all.Text(2), all.Text(3), all.Text(4), all.Int(5)};
        if (Result visited = visit(languages, unit); !visited)
            return visited;
    }
    return all.Done();
}

Result FileMemory::Size(qint64* units)
{
    sql::Statement count = db_.Prepare("SELECT count(*) FROM tm_unit");
    if (!count.IsValid() || !count.Step())
        return Result::Failure(db_.Error());
    *units = count.Int(0);
    return {};
}

}  // namespace

Result OpenFileMemory(const QString& path, std::unique_ptr<TranslationMemory>* memory)
{
    auto file = std::make_unique<FileMemory>();
    if (Result opened = file->Open(path); !opened)
        return opened;
    *memory = std::move(file);
    return {};
}

}  // namespace scrivlet
