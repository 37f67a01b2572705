// Times the translation memory on generated, real-looking sentences: the import of a TMX file
// of N units (default 1,000,000) and the memory file's size against the text it holds; 1,000
// exact and 1,000 fuzzy suggestions (one word of a stored sentence changed), their median and
// 95th percentile; the pre-translation of N fields. Each is set against a yardstick in the same
// run: the TMX walked token by token plus the pairs inserted into a bare SQLite table; one
// indexed point lookup per query; one per field. Usage: bench_memory [units] [folder]
#include "BenchFormat.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "exchange/Tmx.h"
#include "store/MemoryExchange.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace scrivlet;

namespace {

constexpr int kDefaultUnits = 1000000;
constexpr int kQueries = 1000;
const MemoryLanguages kLanguages{QStringLiteral("en"), QStringLiteral("ru")};

// A vocabulary of 6,000 words of 2 to 9 letters drawn by English letter frequencies, the same
// words in Cyrillic letters as the translation; sentences of 5 to 14 words drawn with a skew
// toward the common words, as in game dialogue.
struct Words {
    std::vector<QString> source, target;
    Words()
    {
        const QString latin = QStringLiteral(
            "eeeeeeeeeeeettttttttaaaaaaaooooooiiiiiinnnnnnsssss"
            "shhhhhrrrrrddddllllcccuuummwwffggyyppbbvkjxqz");
        const QString cyrillic = QStringLiteral(
            "оооооооооееееееееааааааааииииииннннннтттттс"
            "сссссррррррввввлллллкккккммммддддппппууу"
            "яяыыьгзбчйхжшюцщэфъё");
        QRandomGenerator random(11);
        for (int i = 0; i < 6000; ++i) {
            QString s, t;
            for (int k = 2 + random.bounded(8); k > 0; --k) {
                s += latin[random.bounded(static_cast<int>(latin.size()))];
                t += cyrillic[random.bounded(static_cast<int>(cyrillic.size()))];
            }
            source.push_back(s);
            target.push_back(t);
        }
    }
    int Pick(QRandomGenerator& random) const
    {
        const double u = random.generateDouble();
        return static_cast<int>(u * u * u * static_cast<double>(source.size()));
    }
};

const Words& Vocabulary()
{
    static const Words words;
    return words;
}

// Sentence i of the memory, the same on every call.
TmxPair Sentence(quint32 i)
{
    QRandomGenerator random(i * 2654435761u + 1);
    const Words& words = Vocabulary();
    TmxPair pair;
    for (int n = 5 + random.bounded(10), k = 0; k < n; ++k) {
        const int w = words.Pick(random);
        pair.source += (k ? QStringLiteral(" ") : QString()) + words.source[w];
        pair.target += (k ? QStringLiteral(" ") : QString()) + words.target[w];
    }
    pair.source[0] = pair.source[0].toUpper();
    pair.source += QLatin1String(i % 3 ? "." : "?");
    pair.target += QLatin1String(i % 3 ? "." : "?");
    return pair;
}

qint64 WriteTmx(const QString& path, int units)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    TmxWriter writer(&file, kLanguages.source);
    qint64 bytes = 0;
    for (int i = 0; i < units; ++i) {
        const TmxPair pair = Sentence(static_cast<quint32>(i));
        bytes += pair.source.toUtf8().size() + pair.target.toUtf8().size();
        writer.Add(kLanguages.source, kLanguages.target, pair);
    }
    return writer.Finish() ? bytes : -1;
}

// The machine is shared: the processor time tells the work apart from the waiting.
double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Timing {
    qint64 ms = 0;
    double cpuMs = 0;
};

// Runs sql, then inserts of each unit's texts through insert (the first bind or both), then
// COMMIT, in a fresh file.
Timing TimedInserts(const QString& db, const char* sql, const char* insertSql, int units, int binds)
{
    QFile::remove(db);
    QElapsedTimer clock;
    clock.start();
    const double cpu = CpuMs();
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(db).constData(), &raw);
    sqlite3_exec(raw, sql, nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw, insertSql, -1, &insert, nullptr);
    for (int i = 0; i < units; ++i) {
        const TmxPair pair = Sentence(static_cast<quint32>(i));
        sqlite3_bind_text16(insert, 1, pair.source.utf16(), int(pair.source.size() * 2),
                            SQLITE_TRANSIENT);
        if (binds > 1)
            sqlite3_bind_text16(insert, 2, pair.target.utf16(), int(pair.target.size() * 2),
                                SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    return {clock.elapsed(), CpuMs() - cpu};
}

// The yardstick of the import: the file walked by Qt's reader, the pairs into a bare table.
Timing ImportFloor(const QString& tmx, const QString& db, int units)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu = CpuMs();
    QFile file(tmx);
    if (!file.open(QIODevice::ReadOnly))
        return {-1, 0};
    QXmlStreamReader xml(&file);
    while (!xml.atEnd())
        xml.readNext();
    const Timing inserts =
        TimedInserts(db, "PRAGMA journal_mode=WAL; CREATE TABLE p(s TEXT, t TEXT); BEGIN",
                     "INSERT INTO p VALUES(?1, ?2)", units, 2);
    (void)inserts;
    return {clock.elapsed(), CpuMs() - cpu};
}

// The floor of the fuzzy index alone: the sources into SQLite's own trigram index, as the
// memory declares it, with nothing else stored.
Timing IndexFloor(const QString& db, int units)
{
    return TimedInserts(db,
                        "PRAGMA journal_mode=WAL; CREATE VIRTUAL TABLE f USING fts5(s, "
                        "content='', tokenize='trigram', detail='none'); BEGIN",
                        "INSERT INTO f(s) VALUES(?1)", units, 1);
}

// One word of a stored sentence changed.
QString Changed(const QString& sentence, QRandomGenerator& random)
{
    QStringList words = sentence.split(u' ');
    words[random.bounded(static_cast<int>(words.size()))] =
        Vocabulary().source[Vocabulary().Pick(random)];
    return words.join(u' ');
}

struct Latency {
    double p50 = 0, p95 = 0;
    int found = 0, expected = 0;
    double cpuP95 = 0;
};

Latency Percentiles(std::vector<double>& micros, int found, int expected = 0)
{
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2] / 1000, micros[micros.size() * 95 / 100] / 1000, found,
            expected};
}

// Each query; found counts those whose wanted source came back, of those whose score reaches
// minScore.
Latency Queries(TranslationMemory& memory, const std::vector<std::pair<QString, QString>>& queries,
                int minScore)
{
    std::vector<double> micros;
    std::vector<MemoryMatch> matches;
    std::vector<double> cpu;
    int found = 0, expected = 0;
    for (const auto& [query, wanted] : queries) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = CpuMs();
        (void)memory.Suggest(kLanguages, query, minScore, 5, &matches);
        cpu.push_back((CpuMs() - cpuStart) * 1000);
        micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000);
        if (Similarity(query, wanted, minScore) >= 0) {
            ++expected;
            found += std::any_of(matches.begin(), matches.end(), [&](const MemoryMatch& m) {
                return m.source == wanted || m.score == 100;
            });
        }
    }
    Latency latency = Percentiles(micros, found, expected);
    latency.cpuP95 = Percentiles(cpu, 0).p95;
    return latency;
}

// The yardstick of a query: one indexed point lookup in the memory's own file.
Latency PointLookups(const QString& db, const std::vector<QString>& texts)
{
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(db).constData(), &raw);
    sqlite3_exec(raw, "PRAGMA mmap_size=1073741824; PRAGMA cache_size=-65536", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(raw, "SELECT target FROM tm_unit WHERE skey = ?1", -1, &find, nullptr);
    std::vector<double> micros;
    int found = 0;
    for (const QString& text : texts) {
        QElapsedTimer clock;
        clock.start();
        sqlite3_bind_int64(find, 1, StableHash(text));
        found += sqlite3_step(find) == SQLITE_ROW;
        sqlite3_reset(find);
        micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000);
    }
    sqlite3_finalize(find);
    sqlite3_close(raw);
    return Percentiles(micros, found);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int units = argc > 1 ? std::atoi(argv[1]) : kDefaultUnits;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    const QString tmx = folder + "/bench.tmx", db = folder + "/bench.db";
    QFile::remove(db);
    QFile::remove(folder + "/floor.db");
    const qint64 textBytes = WriteTmx(tmx, units);

    QElapsedTimer clock;
    const Timing importFloor = ImportFloor(tmx, folder + "/floor.db", units);
    const Timing indexFloor = IndexFloor(folder + "/floor.db", units);
    QFile::remove(folder + "/floor.db");
    MemoryCounts counts;
    clock.start();
    double cpu = CpuMs();
    {
        std::unique_ptr<TranslationMemory> memory;
        if (!OpenMemory(db, &memory) || !ImportIntoMemory(*memory, kLanguages, tmx, &counts)) {
            std::fprintf(stderr, "the import failed\n");
            return 1;
        }
    }
    const qint64 importMs = clock.elapsed();
    const double importCpu = CpuMs() - cpu;
    const qint64 fileBytes = QFileInfo(db).size() + QFileInfo(db + "-wal").size();
    std::printf("%-24s %10s %10s %8s\n", "step", "ours", "yardstick", "ratio");
    std::printf("%-24s %8lld ms %8lld ms %8.2f   (%lld units, %lld added; cpu %.0f ms)\n",
                "TMX import", importMs, importFloor.ms, double(importMs) / importFloor.ms,
                (long long)counts.segments, (long long)counts.added, importCpu);
    std::printf(
        "%-24s %8.0f ms %8.0f ms %8.2f   (cpu; yardstick: the XML read and a bare insert)\n",
        "TMX import, cpu", importCpu, importFloor.cpuMs, importCpu / importFloor.cpuMs);
    std::printf(
        "%-24s %8.0f ms %8.0f ms %8.2f   (cpu; yardstick: the sources into a bare "
        "trigram index, %lld ms wall)\n",
        "TMX import, index", importCpu, indexFloor.cpuMs, importCpu / indexFloor.cpuMs,
        (long long)indexFloor.ms);
    std::printf("%-24s %7.1f MB %7.1f MB %8.2f   (file / UTF-8 text)\n", "memory file",
                fileBytes / 1e6, textBytes / 1e6, double(fileBytes) / textBytes);

    std::unique_ptr<TranslationMemory> memory;
    if (!OpenMemory(db, &memory))
        return 1;
    QRandomGenerator random(5);
    std::vector<std::pair<QString, QString>> exact, fuzzy;
    std::vector<QString> lookups;
    for (int q = 0; q < kQueries; ++q) {
        const QString source = Sentence(random.bounded(units)).source;
        exact.emplace_back(source, source);
        lookups.push_back(source);
        const QString near = Sentence(random.bounded(units)).source;
        fuzzy.emplace_back(Changed(near, random), near);
    }
    const Latency floor = PointLookups(db, lookups);
    for (const auto& [name, queries, minScore] : {std::tuple{"suggest exact", &exact, 100},
                                                  std::tuple{"suggest fuzzy >= 70", &fuzzy, 70}}) {
        const Latency ours = Queries(*memory, *queries, minScore);
        std::printf(
            "%-24s %7.2f ms %7.3f ms %8.1f   p95 (p50 %.2f ms; cpu p95 %.2f ms; found "
            "%d of %d)\n",
            name, ours.p95, floor.p95, ours.p95 / floor.p95, ours.p50, ours.cpuP95, ours.found,
            ours.expected);
    }

    // Pre-translation: a tenth of the originals new, the rest in the memory.
    const int sizes[] = {400};
    const EdtFormat format = BenchFormat(sizes, false);
    EdtDocument reference(format), document(format);
    // The translations are Cyrillic: a file that can store them, or every match is passed over.
    document.SetEncoding(kEncodingRussian);
    std::vector<QString> texts;
    for (int i = 0; i < units; ++i) {
        const quint32 at = random.bounded(units);
        texts.push_back(i % 10 ? Sentence(at).source : Sentence(at + units).source);
        reference.AddLoadedText(texts.back());
        reference.EndLoadedRecord();
        document.AddLoadedText(QString());
        document.EndLoadedRecord();
    }
    TextPlan plan;
    PretranslateReport report;
    clock.restart();
    cpu = CpuMs();
    if (!PlanPretranslation(*memory, kLanguages, document, reference, 100, &plan, &report))
        return 1;
    document.ApplyPlan(plan);
    const qint64 pretranslateMs = clock.elapsed();
    const double pretranslateCpu = CpuMs() - cpu;
    memory.reset();
    clock.restart();
    const Latency all = PointLookups(db, texts);
    const qint64 lookupMs = clock.elapsed();
    std::printf("%-24s %8lld ms %8lld ms %8.2f   (%d fields, %lld filled; cpu %.0f ms)\n",
                "pre-translate", pretranslateMs, lookupMs, double(pretranslateMs) / lookupMs, units,
                (long long)report.filled, pretranslateCpu);
    if (all.found != report.filled)
        std::fprintf(stderr, "the yardstick found %d\n", all.found);
    return 0;
}
