// Times a search that finds nothing over a generated document: every cell is read and
// matched once. Usage: bench_search [records] [repeats] [case name filter]
// Wall time is what the user waits; CPU time (the process's, in which only the search runs
// then) shows the cost without the other load of a shared machine.
#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "search/SearchWalk.h"
#include "search/TextMatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kDefaultRepeats = 5;
constexpr int kFieldSizes[] = {32, 64, 128};

// Letters of the generated texts: Latin without 'q' and some Cyrillic, so that the patterns
// below never match.
const QString& Alphabet()
{
    static const QString letters = QStringLiteral(
        "abcdefghijklmnoprstuvwxyzABCDEFGHIJKLMNOPRSTUVWXYZ"
        "абвгдежзиклмнопрстуфхцчшщэюяАБВГДЕЖЗИКЛМНОПРСТУФ0123456789 .,!-");
    return letters;
}

// Text fields about half full on average: lengths spread evenly from empty to the size.
QString RandomText(QRandomGenerator& random, int size)
{
    const int length = static_cast<int>(random.bounded(size + 1));
    QString text(length, Qt::Uninitialized);
    const QString& letters = Alphabet();
    for (int i = 0; i < length; ++i)
        text[i] = letters[static_cast<int>(random.bounded(letters.size()))];
    return text;
}

int BenchFormat()
{
    EdtFormat format;
    format.name = QStringLiteral("bench");
    format.fields[0].caption = QStringLiteral("No");
    format.fields[0].type = kLabelField;
    int offset = 0;
    for (int k = 0; k < 3; ++k) {
        FieldDef& field = format.fields[static_cast<size_t>(k + 1)];
        field.caption = QStringLiteral("Text %1").arg(k + 1);
        field.type = kTextField;
        field.size = kFieldSizes[k];
        field.offset = offset;
        offset += field.size;
    }
    format.recordLength = offset;
    GlobalCatalogue().Append(format);
    return GlobalCatalogue().Count() - 1;
}

void Fill(RecordGrid& grid, int records)
{
    QRandomGenerator random(20261206);
    grid.SetFormatIndex(BenchFormat());
    for (int k = 0; k < 4; ++k)
        grid.InsertColumn(k, QStringLiteral("c%1").arg(k), -1);
    grid.ReserveRows(records + 1);
    for (int r = 0; r < records; ++r) {
        grid.InsertRecordRow(-1, CreateLabelCell(QString::number(r)));
        for (int k = 0; k < 3; ++k)
            grid.SetCell(r, k + 1, CreateTextCell(RandomText(random, kFieldSizes[k])));
    }
    grid.AppendAddRow();
    grid.SetModeFlags(kDocumentGridModes);
}

struct Case {
    const char* name;
    const char* typed;
    quint32 flags;
};

constexpr Case kCases[] = {
    {"plain, ignore case", "zqxj", 0},
    {"plain, match case", "zqxj", kSearchMatchCase},
    {"regex, ignore case", "z[0-9]+q", kSearchRegex},
    {"regex, match case", "z[0-9]+q", kSearchRegex | kSearchMatchCase},
    {"whole word, ignore case", "zqxj", kSearchWholeWord},
};

// CPU time of the process in ms; -1 where the platform has no such clock here.
qint64 CpuMs()
{
#ifdef Q_OS_UNIX
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
#else
    return -1;
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : kDefaultRecords;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : kDefaultRepeats;
    const char* filter = argc > 3 ? argv[3] : "";

    QElapsedTimer timer;
    timer.start();
    RecordGrid grid;
    Fill(grid, records);
    std::printf("generated %d records x 3 text fields in %lld ms\n", records, timer.elapsed());

    // The default limits: an ordinary search is never cut short by them.
    const MatchLimits limits;
    for (const Case& c : kCases) {
        if (!std::strstr(c.name, filter))
            continue;
        const QString pattern = BuildSearchPattern(QString::fromUtf8(c.typed), c.flags);
        qint64 best = std::numeric_limits<qint64>::max();
        qint64 worst = 0;
        qint64 bestCpu = std::numeric_limits<qint64>::max();
        SearchOutcome outcome = SearchOutcome::Found;
        for (int i = 0; i < repeats; ++i) {
            SearchHit hit;
            const qint64 cpu = CpuMs();
            timer.restart();
            outcome = FindNext(grid, pattern, c.flags, &hit, limits);
            const qint64 ms = timer.elapsed();
            bestCpu = std::min(bestCpu, CpuMs() - cpu);
            best = std::min(best, ms);
            worst = std::max(worst, ms);
        }
        std::printf("%-26s wall best %5lld ms  worst %5lld ms  cpu best %5lld ms  %s\n", c.name,
                    best, worst, bestCpu,
                    outcome == SearchOutcome::NotFound ? "no match" : "UNEXPECTED OUTCOME");
    }
    return 0;
}
