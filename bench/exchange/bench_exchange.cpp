// Times the export of every text field to a PO and an XLIFF file and the import of the file
// back: with a reference, so every entry has a translation and the import replaces every
// field (the most work an import does). Two sizes, the second a quarter of the first, show
// whether the time grows linearly. Usage: bench_exchange [text fields] [folder]
#include "BenchFormat.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "exchange/Exchange.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>

using namespace scrivlet;

namespace {

constexpr int kDefaultFields = 1000000;
constexpr int kFieldSizes[] = {32, 64};

// Texts of 1 to size letters, Latin and Cyrillic, some with a quote or a line break.
std::unique_ptr<EdtDocument> Generate(const EdtFormat& format, int records, quint32 seed)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz абвгдежзийклмн\"\n");
    QRandomGenerator random(seed);
    auto document = std::make_unique<EdtDocument>(format);
    document->SetEncoding(4);
    document->SetPath(QStringLiteral("bench.edt"));
    document->ReserveForLoad(records, qsizetype(records) * (32 + 64) / 2 + 16);
    for (int r = 0; r < records; ++r) {
        for (int size : kFieldSizes) {
            QString text(1 + static_cast<int>(random.bounded(size)), Qt::Uninitialized);
            for (QChar& c : text)
                c = letters[static_cast<int>(random.bounded(letters.size()))];
            document->AddLoadedText(text);
        }
        document->EndLoadedRecord();
    }
    return document;
}

// CPU time of the process in ms: on a shared machine the wall time also holds other load.
qint64 CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

struct Times {
    qint64 exportMs = -1, importMs = -1, exportCpuMs = -1, importCpuMs = -1;
    qint64 bytes = 0;
};

Times Measure(int fields, const QString& path)
{
    const EdtFormat format = BenchFormat(kFieldSizes, false);
    const int records = fields / 2;
    const auto reference = Generate(format, records, 1);
    const auto translated = Generate(format, records, 2);
    Times times;
    QElapsedTimer timer;
    timer.start();
    qint64 cpu = CpuMs();
    if (!ExportTranslations(*translated, reference.get(), path, ExchangeFormatFromPath(path)))
        return times;
    times.exportMs = timer.elapsed();
    times.exportCpuMs = CpuMs() - cpu;
    cpu = CpuMs();
    times.bytes = QFileInfo(path).size();
    timer.restart();
    std::vector<TranslationEntry> entries;
    ImportPlan plan;
    if (!ReadTranslations(path, ExchangeFormatFromPath(path), &entries) ||
        !PlanImport(*reference, entries, false, &plan))
        return times;
    reference->ExchangeTexts(plan.changes);
    times.importMs = timer.elapsed();
    times.importCpuMs = CpuMs() - cpu;
    // A generated translation may equal its source by chance.
    const int seen =
        plan.report.count[ImportReport::Imported] + plan.report.count[ImportReport::Unchanged];
    if (seen != fields)
        std::fprintf(stderr, "only %d of %d entries read back\n", seen, fields);
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int fields = argc > 1 ? std::atoi(argv[1]) : kDefaultFields;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    std::printf("%-6s %9s %10s %8s %10s %8s %11s\n", "file", "fields", "export ms", "cpu ms",
                "import ms", "cpu ms", "bytes");
    for (const char* suffix : {"po", "xlf"}) {
        for (int n : {fields / 4, fields}) {
            const QString path = QDir(folder).filePath(QStringLiteral("bench.") + suffix);
            const Times times = Measure(n, path);
            std::printf("%-6s %9d %10lld %8lld %10lld %8lld %11lld\n", suffix, n, times.exportMs,
                        times.exportCpuMs, times.importMs, times.importCpuMs, times.bytes);
            QFile::remove(path);
        }
    }
    return 0;
}
