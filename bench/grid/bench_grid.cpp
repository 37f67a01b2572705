// Times the grid view over a large document and measures what document and view cost in
// memory. Run with QT_QPA_PLATFORM=offscreen; the record count is the first argument
// (1,000,000).

#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/DocumentHistory.h"
#include "translation/DocumentChecks.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QRandomGenerator>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace scrivlet;

namespace {

constexpr int kDefaultRecords = 1000000;
constexpr int kPaintRepeats = 15;
constexpr int kAppends = 10000;
constexpr int kKeystrokes = 200;

double RssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// Megabytes in use on the heap, mapped blocks included (glibc); elsewhere 0, and only RSS
// tells.
double HeapMb()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
#else
    return 0;
#endif
}

EdtFormat BenchFormat()
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
    return format;
}

// Words of 16 to 24 characters, like the names and lines of a game's text table; the
// document is filled the way a file reader fills it.
std::unique_ptr<EdtDocument> MakeDocument(int records)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz      ";
    QRandomGenerator random(42);
    auto document = std::make_unique<EdtDocument>(BenchFormat());
    const int fields = document->TextFieldCount();
    document->ReserveForLoad(records, qsizetype(records) * fields * 20);
    for (int r = 0; r < records; ++r) {
        for (int k = 0; k < fields; ++k) {
            const int length = 16 + int(random.bounded(9));
            char16_t* text = document->LoadSpace(length);
            for (int i = 0; i < length; ++i)
                text[i] = char16_t(letters[random.bounded(int(sizeof letters) - 1)]);
            document->AddLoadedText(length);
        }
        document->EndLoadedRecord();
    }
    return document;
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

// Counts the viewport's paint events.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : kDefaultRecords;

    const double rss0 = RssMb();
    const double heap0 = HeapMb();
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<EdtDocument> made = MakeDocument(records);
    EdtDocument* document = made.get();
    const double fillMs = double(timer.nsecsElapsed()) / 1e6;
    const double rss1 = RssMb();
    const double heap1 = HeapMb();
    std::printf(
        "document: %d records x 3 text fields filled in %.0f ms; heap +%.1f MB, RSS +%.1f MB "
        "(%.1f bytes per record)\n",
        records, fillMs, heap1 - heap0, rss1 - rss0, (heap1 - heap0) * 1024 * 1024 / records);

    // The session's own status and checks are made before the clock starts: the view alone.
    DocumentSession session(std::move(made), QStringLiteral("bench"), nullptr);
    timer.restart();
    GridView view(&session);
    std::printf("view constructed in %.1f ms\n", double(timer.nsecsElapsed()) / 1e6);
    view.resize(1000, 700);
    PaintWatch watch;
    view.viewport()->installEventFilter(&watch);
    view.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    const double firstFrameMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("view: first frame %.1f ms; RSS +%.1f MB on top of the document\n", firstFrameMs,
                RssMb() - rss1);
    const int rowHeight = view.rowHeight(0);
    std::printf("page paint (%d rows visible): top %.2f ms, middle %.2f ms, end %.2f ms\n",
                view.viewport()->height() / std::max(1, rowHeight), PagePaintMs(view, 0),
                PagePaintMs(view, records / 2), PagePaintMs(view, records));

    // The same again with a reference of as many records beside every text column.
    std::unique_ptr<EdtDocument> reference = MakeDocument(records);
    TranslationStatus status(*document);
    view.SetTranslationStatus(&status);
    timer.restart();
    status.SetReference(reference.get());
    QCoreApplication::processEvents();
    std::printf(
        "reference set (%d columns) in %.1f ms; page paint: top %.2f ms, middle %.2f ms, "
        "end %.2f ms\n",
        view.model()->columnCount(), double(timer.nsecsElapsed()) / 1e6, PagePaintMs(view, 0),
        PagePaintMs(view, records / 2), PagePaintMs(view, records));

    // Records appended one by one while the view shows the document (the add-row's way).
    timer.restart();
    for (int i = 0; i < kAppends; ++i)
        document->AppendRecord();
    QCoreApplication::processEvents();
    std::printf("append with the view attached: %.1f us each (%d appends)\n",
                double(timer.nsecsElapsed()) / 1e3 / kAppends, kAppends);

    // Typing in the cell editor with the checks following its text (as a document's tab
    // wires them): the keystroke itself, and the check of the typed text after the pause.
    CheckSettings settings;
    DocumentChecks checks(*document, settings, reference.get());
    view.SetChecks(&checks);
    QObject::connect(&view, &GridView::EditTextChanged,
                     [&](int record, int column, const QString& text) {
                         if (const int field = document->FieldOfColumn(column); field >= 0)
                             checks.SetPendingText(record, field, text);
                     });
    const int row = records / 2;
    view.SelectCell(row, document->TextColumn(2));
    view.BeginEdit();
    InplaceEdit* editor = view.Editor();
    editor->clear();
    std::vector<double> keys;
    for (int i = 0; i < kKeystrokes; ++i) {
        const QString text(QChar(u'a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, text);
        if (editor->text().size() >= 30)
            editor->clear();
        timer.restart();
        QCoreApplication::sendEvent(editor, &press);
        QCoreApplication::sendEvent(editor, &release);
        keys.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    std::vector<double> pending;
    for (int i = 0; i < kKeystrokes; ++i) {
        timer.restart();
        checks.SetPendingText(row, 2, QStringLiteral("typed %1").arg(i));
        pending.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    std::printf(
        "typing in the cell editor: %.1f us per keystroke (median of %d); the check of "
        "the typed text after the pause: %.1f us\n",
        Median(keys), kKeystrokes, Median(pending));
    view.EndEdit();
    std::printf("peak RSS: %.1f MB\n", RssMb());
    return 0;
}
