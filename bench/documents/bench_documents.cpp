// Usage: bench_documents [--repeat R] [N ...]     (default N: 10000 100000 1000000)
// For each N the driver generates an .edt and a .txt document in a temporary folder, then
// runs load and save of both types in fresh child processes and prints time, records per
// second and peak memory (ru_maxrss of the child).

#include "documents/DocumentCodec.h"
#include "documents/Encodings.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#include <algorithm>
#include <cstdio>
#include <random>

using namespace scrivlet;

namespace {

constexpr int kFormat = 0;
constexpr int kEncoding = kEncodingUnicode;

// 128 units: a label field and text fields of 32, 40 and 48 units at 0, 32 and 72.
void InstallBenchFormat()
{
    EdtFormat format;
    format.name = QStringLiteral("Bench");
    format.recordLength = 128;
    format.fields[0] = FieldDef{QStringLiteral("No."), -1, kLabelField, 0, 0, {}};
    format.fields[1] = FieldDef{QStringLiteral("Name"), 100, kTextField, 0, 32, {}};
    format.fields[2] = FieldDef{QStringLiteral("Line"), 200, kTextField, 32, 40, {}};
    format.fields[3] = FieldDef{QStringLiteral("Note"), 200, kTextField, 72, 48, {}};
    GlobalCatalogue().Clear();
    GlobalCatalogue().Append(format);
}

// User plus system time of this process so far; on a shared machine it shows what the work
// itself costs when the wall clock includes waiting for a core.
double CpuSeconds()
{
#ifndef Q_OS_UNIX
    return 0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

long PeakKilobytes()
{
#ifndef Q_OS_UNIX
    return 0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

// Texts about half as long as their fields, varied in length and content.
bool Generate(int records, const QString& dir)
{
    static const char* const kWords[] = {"lamp",   "tide",    "harbour", "rope", "gull",
                                         "keeper", "fog",     "ferry",   "oar",  "almanac",
                                         "copper", "herring", "stairs",  "pier", "lantern"};
    std::mt19937 random(12345);
    RecordGrid grid;
    NewDocument(grid, kFormat);
    grid.ReserveRows(records + 1);
    const int sizes[] = {32, 40, 48};
    for (int r = 0; r < records; ++r) {
        grid.AppendNewRecord();
        for (int k = 1; k <= 3; ++k) {
            const int size = sizes[k - 1];
            const int target = size / 4 + static_cast<int>(random() % (size / 2 + 1));
            QString text;
            while (text.size() < target) {
                text += QLatin1String(kWords[random() % std::size(kWords)]);
                text += u' ';
            }
            text.truncate(target);
            grid.CellAt(r, k)->SetValue(text);
        }
    }
    return SaveDocumentAs(grid, dir + QStringLiteral("/doc.edt"), kFileTypeEdt, kEncoding, -1) &&
           SaveDocumentAs(grid, dir + QStringLiteral("/doc.txt"), kFileTypeText, kEncoding, -1);
}

// One measurement; prints "seconds peak_kb records".
int Child(const QString& op, const QString& dir)
{
    const bool text = op.endsWith(QLatin1String("txt"));
    const QString input =
        dir + (op.startsWith(QLatin1String("load")) && text ? QStringLiteral("/doc.txt")
                                                            : QStringLiteral("/doc.edt"));
    RecordGrid grid;
    QElapsedTimer timer;
    double seconds = 0;
    double cpu = 0;
    if (op.startsWith(QLatin1String("load"))) {
        cpu = CpuSeconds();
        timer.start();
        if (!LoadDocument(grid, input, text ? kFileTypeText : kFileTypeEdt, kEncoding, kFormat,
                          true))
            return 1;
        seconds = timer.nsecsElapsed() / 1e9;
        cpu = CpuSeconds() - cpu;
    } else {
        if (!LoadDocument(grid, input, kFileTypeEdt, kEncoding, kFormat, true))
            return 1;
        cpu = CpuSeconds();
        timer.start();
        if (!SaveDocumentAs(grid,
                            dir + (text ? QStringLiteral("/out.txt") : QStringLiteral("/out.edt")),
                            text ? kFileTypeText : kFileTypeEdt, kEncoding, -1))
            return 1;
        seconds = timer.nsecsElapsed() / 1e9;
        cpu = CpuSeconds() - cpu;
    }
    std::printf("%.4f %.4f %ld %d\n", seconds, cpu, PeakKilobytes(), grid.RecordCount());
    return 0;
}

struct Sample {
    double seconds = 0;
    double cpu = 0;
    long peakKb = 0;
};

bool RunChild(const QStringList& args, Sample* sample)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return false;
    const QList<QByteArray> parts = process.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 4)
        return false;
    sample->seconds = parts[0].toDouble();
    sample->cpu = parts[1].toDouble();
    sample->peakKb = parts[2].toLong();
    return true;
}

int Driver(QStringList args)
{
    int repeat = 3;
    if (args.size() >= 2 && args[0] == QLatin1String("--repeat")) {
        repeat = std::max(1, args[1].toInt());
        args = args.mid(2);
    }
    QList<int> sizes;
    for (const QString& arg : args)
        sizes << arg.toInt();
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};

    const QStringList ops = {"load-edt", "save-edt", "load-txt", "save-txt"};
    QHash<QString, double> perRecord;  // op -> seconds per record at the smallest size
    std::printf(
        "| operation | records | time s (best of %d) | cpu s | records/s | peak MB | "
        "per record vs first size |\n|---|---:|---:|---:|---:|---:|---:|\n",
        repeat);
    for (int n : sizes) {
        QTemporaryDir dir;
        if (!dir.isValid() || QProcess::execute(QCoreApplication::applicationFilePath(),
                                                {"gen", QString::number(n), dir.path()}) != 0) {
            std::fprintf(stderr, "generating %d records failed\n", n);
            return 1;
        }
        for (const QString& op : ops) {
            Sample best{1e9, 1e9, 0};
            for (int i = 0; i < repeat; ++i) {
                Sample s;
                if (!RunChild({op, dir.path()}, &s)) {
                    std::fprintf(stderr, "%s with %d records failed\n", qPrintable(op), n);
                    return 1;
                }
                best.seconds = std::min(best.seconds, s.seconds);
                best.cpu = std::min(best.cpu, s.cpu);
                best.peakKb = std::max(best.peakKb, s.peakKb);
            }
            const double each = best.seconds / n;
            if (!perRecord.contains(op))
                perRecord[op] = each;
            std::printf("| %s | %d | %.3f | %.3f | %.0f | %.0f | %.2f |\n", qPrintable(op), n,
                        best.seconds, best.cpu, n / best.seconds, best.peakKb / 1024.0,
                        each / perRecord[op]);
            std::fflush(stdout);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    InstallBenchFormat();
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("gen"))
        return Generate(args[1].toInt(), args[2]) ? 0 : 1;
    if (args.size() == 2 && args[0].contains(u'-') && !args[0].startsWith(u'-'))
        return Child(args[0], args[1]);
    return Driver(args);
}
