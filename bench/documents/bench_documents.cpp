// Usage: bench_documents [--repeat R] [N ...]     (default: --repeat 5 100000 1000000)
// For each N the driver generates an .edt and a .txt document of N records in a temporary
// folder, then runs each measurement R times in a fresh child process (so that its peak
// memory is its own) and keeps the best time. As a yardstick it runs
// `iconv -f UTF-16LE -t UTF-8` over the same .edt file in the same run.
//
// The first table has every operation; the second the .edt round trip against the bars:
// load + save at most 2x iconv, peak memory of a child that loads and saves at most 1.5x the
// file's size, cost per record within 1.3x of the first size's.

#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace scrivlet;

namespace {

constexpr int kEncoding = kEncodingUnicode;
constexpr double kMaxTimeToIconv = 2.0;
constexpr double kMaxPeakToFile = 1.5;
constexpr double kMaxCostGrowth = 1.3;

// 128 units: a label field and text fields of 32, 40 and 48 units at 0, 32 and 72.
EdtFormat BenchFormat()
{
    EdtFormat format;
    format.name = QStringLiteral("Bench");
    format.recordLength = 128;
    format.fields[0] = FieldDef{QStringLiteral("No."), -1, kLabelField, 0, 0, {}};
    format.fields[1] = FieldDef{QStringLiteral("Name"), 100, kTextField, 0, 32, {}};
    format.fields[2] = FieldDef{QStringLiteral("Line"), 200, kTextField, 32, 40, {}};
    format.fields[3] = FieldDef{QStringLiteral("Note"), 200, kTextField, 72, 48, {}};
    return format;
}

// User plus system time of this process so far; on a shared machine it shows what the work
// itself costs when the wall clock includes waiting for a core.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Texts about half as long as their fields, varied in length and content.
bool Generate(int records, const QString& dir)
{
    static const char* const kWords[] = {"lamp",   "tide",    "harbour", "rope", "gull",
                                         "keeper", "fog",     "ferry",   "oar",  "almanac",
                                         "copper", "herring", "stairs",  "pier", "lantern"};
    std::mt19937 random(12345);
    const std::unique_ptr<EdtDocument> document = NewDocument(BenchFormat(), 0);
    const int sizes[] = {32, 40, 48};
    QString text;
    for (int r = 0; r < records; ++r) {
        for (int size : sizes) {
            const int target = size / 4 + static_cast<int>(random() % (size / 2 + 1));
            text.clear();
            while (text.size() < target) {
                text += QLatin1String(kWords[random() % std::size(kWords)]);
                text += u' ';
            }
            text.truncate(target);
            if (!document->AddLoadedText(text))
                return false;
        }
        document->EndLoadedRecord();
    }
    return SaveDocumentAs(*document, dir + QStringLiteral("/doc.edt"), kFileTypeEdt, kEncoding)
               .Ok() &&
           SaveDocumentAs(*document, dir + QStringLiteral("/doc.txt"), kFileTypeText, kEncoding)
               .Ok();
}

// One measurement in this (child) process; prints "seconds cpu-seconds peak-kb".
int Child(const QString& op, const QString& dir)
{
    const bool text = op.endsWith(QLatin1String("txt"));
    const int fileType = text ? kFileTypeText : kFileTypeEdt;
    const QString input = dir + (text ? QStringLiteral("/doc.txt") : QStringLiteral("/doc.edt"));
    QElapsedTimer timer;
    double cpu = CpuSeconds();
    timer.start();
    LoadResult loaded = LoadDocument(input, fileType, kEncoding, BenchFormat(), 0, true);
    if (!loaded.document)
        return 1;
    if (op.startsWith(QLatin1String("save"))) {
        cpu = CpuSeconds();
        timer.start();
        if (!SaveDocumentAs(*loaded.document, dir + QStringLiteral("/out.") + op.right(3), fileType,
                            kEncoding))
            return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.4f %.4f %ld\n", seconds, CpuSeconds() - cpu, PeakKilobytes());
    return 0;
}

struct Sample {
    double seconds = 1e9;
    double cpu = 1e9;
    long peakKb = 0;

    void Keep(const Sample& other)
    {
        seconds = std::min(seconds, other.seconds);
        cpu = std::min(cpu, other.cpu);
        peakKb = std::max(peakKb, other.peakKb);
    }
};

bool RunChild(const QStringList& args, Sample* sample)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return false;
    const QList<QByteArray> parts = process.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 3)
        return false;
    sample->seconds = parts[0].toDouble();
    sample->cpu = parts[1].toDouble();
    sample->peakKb = parts[2].toLong();
    return true;
}

// The yardstick: the system's iconv over the same file, its output thrown away.
bool RunIconv(const QString& path, Sample* sample)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("iconv"), {"-f", "UTF-16LE", "-t", "UTF-8", path});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return false;
    sample->seconds = timer.nsecsElapsed() / 1e9;
    return true;
}

struct Bars {
    int records = 0;
    double fileMb = 0;
    Sample load, save, iconv;
};

const char* Verdict(bool kept)
{
    return kept ? "ok" : "MISSED";
}

int Driver(QStringList args)
{
    int repeat = 5;
    if (args.size() >= 2 && args[0] == QLatin1String("--repeat")) {
        repeat = std::max(1, args[1].toInt());
        args = args.mid(2);
    }
    QList<int> sizes;
    for (const QString& arg : args)
        sizes << arg.toInt();
    if (sizes.isEmpty())
        sizes = {100000, 1000000};

    const QStringList ops = {"load-edt", "save-edt", "load-txt", "save-txt"};
    std::printf(
        "| operation | records | time s (best of %d) | cpu s | records/s | peak MB |\n"
        "|---|---:|---:|---:|---:|---:|\n",
        repeat);
    QList<Bars> bars;
    for (int n : sizes) {
        QTemporaryDir dir;
        if (!dir.isValid() || QProcess::execute(QCoreApplication::applicationFilePath(),
                                                {"gen", QString::number(n), dir.path()}) != 0) {
            std::fprintf(stderr, "generating %d records failed\n", n);
            return 1;
        }
        Bars bar;
        bar.records = n;
        bar.fileMb = QFileInfo(dir.filePath("doc.edt")).size() / (1024.0 * 1024.0);
        for (const QString& op : ops) {
            Sample best;
            for (int i = 0; i < repeat; ++i) {
                Sample s;
                if (!RunChild({op, dir.path()}, &s)) {
                    std::fprintf(stderr, "%s with %d records failed\n", qPrintable(op), n);
                    return 1;
                }
                best.Keep(s);
            }
            if (op == QLatin1String("load-edt"))
                bar.load = best;
            if (op == QLatin1String("save-edt"))
                bar.save = best;  // its child loaded first: its peak is the round trip's
            std::printf("| %s | %d | %.3f | %.3f | %.0f | %.0f |\n", qPrintable(op), n,
                        best.seconds, best.cpu, n / best.seconds, best.peakKb / 1024.0);
            std::fflush(stdout);
        }
        for (int i = 0; i < repeat; ++i) {
            Sample s;
            if (!RunIconv(dir.filePath("doc.edt"), &s)) {
                std::fprintf(stderr, "iconv failed\n");
                return 1;
            }
            bar.iconv.Keep(s);
        }
        bars << bar;
    }

    std::printf(
        "\n| records | file MB | load s | save s | load+save s | iconv s | "
        "ratio (<= %.1f) | peak MB | peak/file (<= %.1f) | cost/record vs %d "
        "(<= %.1f) |\n|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n",
        kMaxTimeToIconv, kMaxPeakToFile, bars.first().records, kMaxCostGrowth);
    const double firstCost =
        (bars.first().load.seconds + bars.first().save.seconds) / bars.first().records;
    for (const Bars& bar : bars) {
        const double both = bar.load.seconds + bar.save.seconds;
        const double toIconv = both / bar.iconv.seconds;
        const double peakMb = bar.save.peakKb / 1024.0;
        const double growth = both / bar.records / firstCost;
        std::printf(
            "| %d | %.0f | %.3f | %.3f | %.3f | %.3f | %.2f %s | %.0f | %.2f %s | "
            "%.2f %s |\n",
            bar.records, bar.fileMb, bar.load.seconds, bar.save.seconds, both, bar.iconv.seconds,
            toIconv, Verdict(toIconv <= kMaxTimeToIconv), peakMb, peakMb / bar.fileMb,
            Verdict(peakMb <= kMaxPeakToFile * bar.fileMb), growth,
            Verdict(growth <= kMaxCostGrowth));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("gen"))
        return Generate(args[1].toInt(), args[2]) ? 0 : 1;
    if (args.size() == 2 && args[0].contains(u'-') && !args[0].startsWith(u'-'))
        return Child(args[0], args[1]);
    return Driver(args);
}
