// Times the grid view over a large model and measures what model and view cost in memory.
// Run with QT_QPA_PLATFORM=offscreen; the record count is the first argument (1,000,000).

#include "catalogue/FormatCatalogue.h"
#include "grid/GridView.h"
#include "grid/RecordGrid.h"
#include "base/UiText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kPaintRepeats = 15;

double RssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// Bytes in use on the heap (glibc); elsewhere 0, and only RSS tells.
size_t HeapBytes()
{
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

double HeapMb()
{
    return double(HeapBytes()) / (1024.0 * 1024.0);
}

int BenchFormat()
{
    EdtFormat format;
    format.name = QStringLiteral("bench");
    format.recordLength = 96;
    auto field = [](const char* caption, int type, int width, int offset, int size) {
        FieldDef f;
        f.caption = QString::fromLatin1(caption);
        f.type = type;
        f.width = width;
        f.offset = offset;
        f.size = size;
        return f;
    };
    format.fields[0] = field("Id", kLabelField, 80, 0, 0);
    format.fields[1] = field("Name", kTextField, 220, 0, 32);
    format.fields[2] = field("Title", kTextField, 220, 32, 32);
    format.fields[3] = field("Text", kTextField, -1, 64, 32);
    GlobalCatalogue().Append(format);
    return GlobalCatalogue().Count() - 1;
}

// Words of 16 to 24 characters, like the names and lines of a game's text table.
QString RandomText(QRandomGenerator& random)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz      ";
    const int length = 16 + int(random.bounded(9));
    QString text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        text[i] = QLatin1Char(letters[random.bounded(int(sizeof letters) - 1)]);
    return text;
}

void Fill(RecordGrid& grid, int format, int records)
{
    QRandomGenerator random(42);
    grid.SetFormatIndex(format);
    grid.SetCellFontFamily(DocumentFontFamily());
    const EdtFormat* f = GlobalCatalogue().At(format);
    for (int k = 0; k < 4; ++k)
        grid.InsertColumn(k, f->fields[size_t(k)].caption, f->fields[size_t(k)].width);
    grid.ReserveRows(records + 1);
    const QString pattern = UiText(str::RowLabelPattern);
    for (int r = 0; r < records; ++r) {
        grid.InsertRecordRow(-1, CreateLabelCell(FormatUiText(pattern, r)));
        for (int k = 1; k < 4; ++k)
            grid.SetCell(r, k, CreateTextCell(RandomText(random)));
    }
    grid.AppendAddRow();
    grid.SetModeFlags(kDocumentGridModes);
    grid.SetModified(false);
    grid.RefreshAppearance();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double PagePaintMs(GridView& view, int row)
{
    view.scrollTo(view.model()->index(row, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < kPaintRepeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.viewport()->repaint();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : kDefaultRecords;
    const int format = BenchFormat();

    // What one cell costs besides its text.
    {
        constexpr int kCells = 1000000;
        std::vector<GridCell*> cells(kCells);
        const size_t before = HeapBytes();
        for (auto& cell : cells)
            cell = CreateTextCell(QString());
        const size_t after = HeapBytes();
        for (GridCell* cell : cells)
            delete cell;
        std::printf("cell cost (empty TextCell, 1,000,000 cells): %.1f bytes each\n",
                    double(after - before) / kCells);
    }
#if defined(__GLIBC__)
    malloc_trim(0);
#endif

    const double rss0 = RssMb();
    const double heap0 = HeapMb();
    auto* grid = new RecordGrid;
    QElapsedTimer timer;
    timer.start();
    Fill(*grid, format, records);
    const double fillMs = double(timer.nsecsElapsed()) / 1e6;
    const double rss1 = RssMb();
    const double heap1 = HeapMb();
    std::printf(
        "model: %d records x 4 columns filled in %.0f ms; heap +%.1f MB, RSS +%.1f MB "
        "(%.1f bytes per record)\n",
        records, fillMs, heap1 - heap0, rss1 - rss0, (heap1 - heap0) * 1024 * 1024 / records);

    timer.restart();
    GridView view(grid);
    std::printf("view constructed in %.1f ms\n", double(timer.nsecsElapsed()) / 1e6);
    view.resize(1000, 700);
    bool painted = false;
    struct PaintWatch : QObject {
        bool* flag;
        explicit PaintWatch(bool* f) : flag(f) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                *flag = true;
            return false;
        }
    } watch(&painted);
    view.viewport()->installEventFilter(&watch);
    view.show();
    while (!painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    const double firstFrameMs = double(timer.nsecsElapsed()) / 1e6;
    const double rss2 = RssMb();
    std::printf("view: first frame %.1f ms; RSS +%.1f MB on top of the model\n", firstFrameMs,
                rss2 - rss1);
    std::printf("page paint (%d rows visible): top %.2f ms, middle %.2f ms, end %.2f ms\n",
                view.viewport()->height() / view.RowHeight(), PagePaintMs(view, 0),
                PagePaintMs(view, records / 2), PagePaintMs(view, records));

    // Records appended one by one while the view shows the grid (the add-row's way).
    constexpr int kAppends = 10000;
    timer.restart();
    for (int i = 0; i < kAppends; ++i)
        grid->AppendNewRecord();
    QCoreApplication::processEvents();
    std::printf("AppendNewRecord with the view attached: %.1f us each (%d appends)\n",
                double(timer.nsecsElapsed()) / 1e3 / kAppends, kAppends);
    // A load into a grid that a view already shows (records appended at the end).
    {
        auto* loaded = new RecordGrid;
        GridView shown(loaded);
        shown.resize(1000, 700);
        shown.show();
        QCoreApplication::processEvents();
        constexpr int kLoaded = 100000;
        timer.restart();
        Fill(*loaded, format, kLoaded);
        QCoreApplication::processEvents();
        std::printf("loading %d records under a shown view: %.0f ms\n", kLoaded,
                    double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("peak RSS: %.1f MB\n", RssMb());
    return 0;
}
