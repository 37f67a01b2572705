// Times a search that finds nothing over a generated document: every text field is read and
// matched once; then Replace All over the same document, where about a tenth of the records
// hold the word replaced, and its undo. Usage: bench_search [records] [repeats] [case filter]
// Wall time is what the user waits; CPU time (the process's, in which only the search runs
// then) shows the cost without the other load of a shared machine. The yardstick, measured in
// the same run, is a plain QStringView::indexOf of the typed text over the same texts (case
// folded unless the case matches case): the ratio says what the expression costs beyond it.
// Replace All's yardstick is QString::replace on a copy of every field, without storing it.
#include "BenchFormat.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "search/Replace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kDefaultRepeats = 5;
constexpr int kFieldSizes[] = {32, 64, 128};
// Every tenth record begins its last field with this word (where the text is long enough);
// no other text holds it, as the alphabet has no 'q'.
constexpr char16_t kMarked[] = u"qoph";
constexpr char16_t kReplacement[] = u"kaph";
constexpr int kMarkEvery = 10;

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

// Through the readers' interface: one arena reserved up front, as a loaded file fills it.
bool Fill(EdtDocument& document, int records)
{
    QRandomGenerator random(20261206);
    if (!document.ReserveForLoad(records, qsizetype(records) * (32 + 64 + 128) / 2 + 16))
        return false;
    const QStringView marked(kMarked);
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < 3; ++k) {
            QString text = RandomText(random, kFieldSizes[k]);
            if (k == 2 && r % kMarkEvery == 0 && text.size() >= marked.size())
                text.replace(0, marked.size(), marked.toString());
            if (!document.AddLoadedText(text))
                return false;
        }
        document.EndLoadedRecord();
    }
    return true;
}

// The yardstick: the number of fields holding the text.
int ScanFields(const EdtDocument& document, QStringView text, Qt::CaseSensitivity cs)
{
    int found = 0;
    for (int r = 0; r < document.RecordCount(); ++r) {
        for (int k = 0; k < document.TextFieldCount(); ++k)
            found += document.TextView(r, document.TextColumn(k)).indexOf(text, 0, cs) >= 0;
    }
    return found;
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

// Resident memory of the process in bytes; -1 where /proc is missing.
qint64 ResidentBytes()
{
    long resident = -1;
#ifdef Q_OS_UNIX
    long pages = -1;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = -1;
        std::fclose(statm);
    }
    if (resident >= 0)
        return qint64(resident) * sysconf(_SC_PAGESIZE);
#endif
    return resident;
}

// The yardstick of Replace All: fields whose copy changed under QString::replace.
int ReplaceCopies(const EdtDocument& document, const QString& text, const QString& with)
{
    int changed = 0;
    for (int r = 0; r < document.RecordCount(); ++r) {
        for (int k = 0; k < document.TextFieldCount(); ++k) {
            QString copy = document.FieldText(r, k).toString();
            const qsizetype before = copy.size();
            copy.replace(text, with, Qt::CaseInsensitive);
            changed += copy.size() != before || copy != document.FieldText(r, k);
        }
    }
    return changed;
}

// Replace All as the editor makes it (the plan, then the exchange that shows it) and its undo
// (the same exchange again), best of the repeats.
void BenchReplaceAll(EdtDocument& document, int repeats)
{
    const SearchQuery query{QString::fromUtf16(kMarked), 0};
    const QString with = QString::fromUtf16(kReplacement);
    qint64 best = std::numeric_limits<qint64>::max();
    qint64 bestUndo = std::numeric_limits<qint64>::max();
    qint64 bestCopies = std::numeric_limits<qint64>::max();
    ReplaceReport report;
    size_t stepBytes = 0;
    qint64 grown = 0;
    qint64 newTextBytes = 0;
    int copies = 0;
    bool intact = true;
    QElapsedTimer timer;
    for (int i = 0; i < repeats; ++i) {
        ReplacePlan plan;
        const qint64 resident = ResidentBytes();
        timer.start();
        const ReplaceOutcome outcome = PlanReplaceAll(document, query, with, &plan);
        // What the session does with the plan: the texts into the document, then the step.
        std::vector<EdtDocument::FieldEdit> edits = *document.StoreTexts(plan.texts);
        document.ExchangeTexts(edits);
        best = std::min(best, timer.nsecsElapsed());
        if (i == 0) {
            // What Replace All added to the process, next to the new texts it had to store.
            grown = ResidentBytes() - resident;
            for (const EdtDocument::FieldEdit& change : edits)
                newTextBytes += document.FieldText(change.record, change.field).size() * 2;
        }
        intact = intact && outcome == ReplaceOutcome::Done;
        report = plan.report;
        // What the undo step keeps besides the new texts: one entry per changed field.
        stepBytes = edits.capacity() * sizeof(EdtDocument::FieldEdit);
        timer.restart();
        document.ExchangeTexts(edits);
        bestUndo = std::min(bestUndo, timer.nsecsElapsed());
        intact = intact && document.FieldText(0, 2).startsWith(QStringView(kMarked));
        timer.restart();
        copies = ReplaceCopies(document, query.text, with);
        bestCopies = std::min(bestCopies, timer.nsecsElapsed());
    }
    std::printf(
        "%-24s wall best %6.1f ms  undo best %6.1f ms  QString::replace %6.1f ms  ratio %5.2f  "
        "%d replaced in %d records (%d fields by the yardstick)  step %.1f MB beyond the new "
        "texts; resident +%.1f MB for %.1f MB of new texts  %s\n",
        "replace all", best / 1e6, bestUndo / 1e6, bestCopies / 1e6,
        bestCopies > 0 ? double(best) / double(bestCopies) : 0.0, report.replaced, report.records,
        copies, stepBytes / 1e6, grown / 1e6, newTextBytes / 1e6,
        intact ? "" : "UNEXPECTED OUTCOME");
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
    EdtDocument document(BenchFormat(kFieldSizes, true));
    if (!Fill(document, records)) {
        std::printf("not enough memory for %d records\n", records);
        return 1;
    }
    std::printf("generated %d records x 3 text fields in %lld ms\n", records, timer.elapsed());

    // The default limits: an ordinary search is never cut short by them.
    const MatchLimits limits;
    for (const Case& c : kCases) {
        if (!std::strstr(c.name, filter))
            continue;
        const SearchQuery query{QString::fromUtf8(c.typed), c.flags};
        const Qt::CaseSensitivity cs =
            (c.flags & kSearchMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
        qint64 best = std::numeric_limits<qint64>::max();
        qint64 worst = 0;
        qint64 bestCpu = std::numeric_limits<qint64>::max();
        qint64 bestScan = std::numeric_limits<qint64>::max();
        SearchOutcome outcome = SearchOutcome::Found;
        int scanned = 0;
        for (int i = 0; i < repeats; ++i) {
            SearchHit hit;
            const qint64 cpu = CpuMs();
            timer.restart();
            outcome = FindNext(document, query, -1, &hit, limits);
            const qint64 ns = timer.nsecsElapsed();
            bestCpu = std::min(bestCpu, CpuMs() - cpu);
            best = std::min(best, ns);
            worst = std::max(worst, ns);
            timer.restart();
            scanned += ScanFields(document, query.text, cs);
            bestScan = std::min(bestScan, timer.nsecsElapsed());
        }
        const double perRecord = records > 0 ? double(best) / records : 0.0;
        std::printf(
            "%-24s wall best %6.1f ms  worst %6.1f ms  cpu best %5lld ms  %6.1f ns/record  "
            "indexOf %6.1f ms  ratio %5.2f  %s\n",
            c.name, best / 1e6, worst / 1e6, bestCpu, perRecord, bestScan / 1e6,
            bestScan > 0 ? double(best) / double(bestScan) : 0.0,
            outcome == SearchOutcome::NotFound && scanned == 0 ? "no match" : "UNEXPECTED OUTCOME");
    }
    if (std::strstr("replace all", filter))
        BenchReplaceAll(document, repeats);
    return 0;
}
