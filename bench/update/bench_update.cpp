// Times carrying a translation over to a new original: OLD, NEW and INPUT of a million records
// (NEW with 1% inserted, 1% removed and 1% rewritten, spread through the file), loaded from
// files as the yardstick, then aligned; memory is the peak above the three loaded documents.
// A second run rewrites one long stretch, which must be paired by position ("fallback") and
// stay as fast. Usage: bench_update [records]
#include "BenchFormat.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "translation/Alignment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kFieldSizes[] = {8, 48};
const EdtFormat kFormat = BenchFormat(kFieldSizes, false);

QString Line(QRandomGenerator& random)
{
    QString text(static_cast<int>(8 + random.bounded(40)), Qt::Uninitialized);
    for (QChar& c : text)
        c = QChar(u'a' + static_cast<char16_t>(random.bounded(26)));
    return text;
}

void Add(EdtDocument& d, const QString& speaker, const QString& line)
{
    d.AddLoadedText(speaker);
    d.AddLoadedText(line);
    d.EndLoadedRecord();
}

// OLD, its translation, and NEW: scattered edits, or one rewritten stretch of a tenth.
void Generate(int records, bool stretch, EdtDocument& oldDoc, EdtDocument& input,
              EdtDocument& newDoc)
{
    QRandomGenerator random(20261207);
    for (int i = 0; i < records; ++i) {
        const QString speaker = QStringLiteral("npc%1").arg(random.bounded(50));
        const QString line = Line(random);
        Add(oldDoc, speaker, line);
        Add(input, speaker, random.bounded(10) == 0 ? line : line.toUpper());
        const quint32 roll = random.bounded(100);
        if (stretch) {
            Add(newDoc, speaker,
                i >= records / 2 && i < records / 2 + records / 10 ? Line(random) : line);
        } else if (roll == 0) {
            continue;  // removed
        } else if (roll == 1) {
            Add(newDoc, QStringLiteral("new"), Line(random));  // inserted before
            Add(newDoc, speaker, line);
        } else {
            Add(newDoc, speaker, roll == 2 ? Line(random) : line);  // rewritten
        }
    }
}

long StatusKiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Resets the peak resident size to the current one.
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

int Run(const QString& folder, int records, bool stretch)
{
    const QString names[] = {folder + "/old.edt", folder + "/input.edt", folder + "/new.edt"};
    {
        EdtDocument oldDoc(kFormat), input(kFormat), newDoc(kFormat);
        Generate(records, stretch, oldDoc, input, newDoc);
        int k = 0;
        for (EdtDocument* d : {&oldDoc, &input, &newDoc}) {
            if (!SaveDocumentAs(*d, names[k++], kFileTypeEdt, 4).Ok())
                return 1;
        }
    }
    ResetPeak();
    const long base = StatusKiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    LoadResult docs[3];
    for (int k = 0; k < 3; ++k) {
        docs[k] = LoadDocument(names[k], kFileTypeEdt, 4, kFormat, -1, true);
        if (!docs[k].document)
            return 1;
    }
    const qint64 loadMs = timer.elapsed();
    const long loaded = StatusKiB("VmRSS:") - base;
    ResetPeak();
    timer.restart();
    const std::clock_t cpu = std::clock();
    Alignment a;
    if (!AlignTranslation(*docs[0].document, *docs[2].document, *docs[1].document, &a))
        return 1;
    const qint64 alignMs = timer.elapsed();
    // The machine is shared: the processor time tells what the work itself took.
    const qint64 alignCpuMs = (std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
    const long peak = StatusKiB("VmHWM:") - base;
    const AlignmentCounts& c = a.counts;
    std::printf("%s: %d records; kept %lld, moved %lld, changed %lld, new %lld, removed %lld%s\n",
                stretch ? "one rewritten stretch" : "scattered edits", records, c.kept, c.moved,
                c.changed, c.added, c.removed, c.fallback ? ", fallback" : "");
    std::printf("  load of the three documents: %lld ms, %ld MiB\n", loadMs, loaded / 1024);
    std::printf("  alignment: %lld ms (%lld ms processor time; %.2f x the load); peak %ld MiB "
                "(%.2f x the documents)\n",
                alignMs, alignCpuMs, double(alignMs) / qMax<qint64>(1, loadMs), peak / 1024,
                double(peak) / qMax(1L, loaded));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : kDefaultRecords;
    QTemporaryDir dir;
    if (Run(dir.path(), records, false) || Run(dir.path(), records, true)) {
        std::fprintf(stderr, "bench_update failed\n");
        return 1;
    }
    return 0;
}
