// Times the PDF export of a large document shown with a reference, and reports the peak
// memory, which must not grow with the page count. Run with QT_QPA_PLATFORM=offscreen; the
// record count is the first argument (100,000), the PDF goes to the second (a temporary file).

#include "BenchFormat.h"
#include "documents/EdtDocument.h"
#include "grid/GridModel.h"
#include "shell/Printing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <memory>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 100000;
constexpr std::array kFieldSizes{64, 256};

// The peak resident set so far, in megabytes.
double PeakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// A short name and, in every fifth record, a note long enough to wrap over several lines.
std::unique_ptr<EdtDocument> Generate(const EdtFormat& format, int records, const QString& prefix)
{
    auto document = std::make_unique<EdtDocument>(format);
    const QString longNote = QStringList(30, prefix + QStringLiteral("word")).join(u' ');
    for (int r = 0; r < records; ++r) {
        document->AddLoadedText(prefix + QStringLiteral(" name %1").arg(r));
        document->AddLoadedText(r % 5 == 0 ? longNote : prefix + QStringLiteral(" note"));
        document->EndLoadedRecord();
    }
    return document;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : kDefaultRecords;
    QTemporaryDir dir;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath("bench.pdf");
    EdtFormat format = BenchFormat(kFieldSizes, true);
    for (FieldDef& field : format.fields)
        field.width = -1;  // the view's default width
    const auto document = Generate(format, records, QStringLiteral("text"));
    const auto reference = Generate(format, records, QStringLiteral("ref"));
    GridModel model(document.get());
    model.SetReference(reference.get());
    const double before = PeakRssMb();

    QElapsedTimer timer;
    timer.start();
    const Result exported = ExportPdf(
        {&model, {}, QStringLiteral("bench.edt")}, path,
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15)));
    const qint64 ms = timer.elapsed();
    if (!exported) {
        std::fprintf(stderr, "%s\n", qPrintable(exported.Error()));
        return 1;
    }
    std::printf("records %d  export %.2f s  pdf %.1f MB  peak rss %.0f MB (%.0f MB before)\n",
                records, ms / 1000.0, QFileInfo(path).size() / 1048576.0, PeakRssMb(), before);
    return 0;
}
