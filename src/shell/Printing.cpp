#include "shell/Printing.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "shell/BusyCursor.h"
#include "shell/DialogHost.h"
#include "shell/DocumentTab.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <numeric>

namespace scrivlet {
namespace {

constexpr qreal kTextPoints = 9;
constexpr qreal kLinePoints = 0.5;
// Screen pixels per inch, for the view's column widths.
constexpr qreal kScreenDpi = 96;
const QColor kCaptionFill(225, 225, 225);
const QColor kReferenceFill(242, 242, 242);
const QColor kGridLine(150, 150, 150);

// Line breaks in a text are line separators to the text layout.
QString WithLineSeparators(QString text)
{
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(u'\n', QChar::LineSeparator);
    text.replace(u'\r', QChar::LineSeparator);
    return text;
}

// Lines wrapped at word boundaries, and inside a word longer than the line; the height they take.
qreal LayOutLines(QTextLayout& layout, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition({0, y});
        y += line.height();
    }
    layout.endLayout();
    return y;
}

// A font with its metrics on the device being printed on.
struct DeviceFont {
    DeviceFont(const QFont& font, QPaintDevice* device) : font(font, device), metrics(font, device)
    {
    }
    QFont font;
    QFontMetricsF metrics;
};

// Most texts fit on one line: they are measured and drawn without a text layout.
bool FitsOneLine(const QString& text, const DeviceFont& font, qreal width)
{
    for (QChar c : text) {
        if (c == u'\n' || c == u'\r')
            return false;
    }
    return font.metrics.horizontalAdvance(text) <= width;
}

// oneLine tells whether the text fits on one line, so drawing it needs no layout.
qreal TextHeight(const QString& text, const DeviceFont& font, qreal width, QPaintDevice* device,
                 bool& oneLine)
{
    oneLine = FitsOneLine(text, font, width);
    if (oneLine)
        return font.metrics.height();
    QTextLayout layout(WithLineSeparators(text), font.font, device);
    return LayOutLines(layout, width);
}

// Draws text wrapped into box; a text taller than the box is cut at its bottom.
void DrawText(QPainter& painter, const QString& text, const DeviceFont& font, const QRectF& box,
              bool oneLine)
{
    if (oneLine) {
        painter.drawText(QPointF(box.left(), box.top() + font.metrics.ascent()), text);
        return;
    }
    QTextLayout layout(WithLineSeparators(text), font.font, painter.device());
    if (LayOutLines(layout, box.width()) <= box.height()) {
        layout.draw(&painter, box.topLeft());
        return;
    }
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    layout.draw(&painter, box.topLeft());
    painter.restore();
}

// One print of a grid: the geometry in device pixels, the first record of every page, and the
// painting of one page at a time.
class GridPrint {
public:
    GridPrint(const PrintSource& source, QPaintDevice& device);

    int PageCount() const { return static_cast<int>(pageStarts_.size()); }
    void PaintPage(QPainter& painter, int page) const;

private:
    void PlaceColumns(const PrintSource& source);
    void Paginate();
    // A row's height, and in bit i whether its cell i needs a text layout.
    struct RowMeasure {
        float height = 0;
        quint32 laidOut = 0;
    };
    RowMeasure MeasureRow(int row) const;
    QString Caption(size_t i) const
    {
        return model_.headerData(columns_[i], Qt::Horizontal).toString();
    }
    qreal CellHeight(const QString& text, const DeviceFont& font, size_t i, quint32& laidOut) const;
    void PaintHeader(QPainter& painter, int page) const;
    qreal PaintCaptions(QPainter& painter, qreal top) const;
    void PaintRow(QPainter& painter, int row, qreal top) const;
    void PaintGridLines(QPainter& painter, qreal top, const std::vector<qreal>& rowBottoms) const;

    const GridModel& model_;
    QPaintDevice& device_;
    QString title_;
    DeviceFont textFont_;
    DeviceFont captionFont_;
    qreal pad_ = 0;
    qreal pageWidth_ = 0;
    qreal pageHeight_ = 0;
    qreal headerHeight_ = 0;
    qreal captionHeight_ = 0;
    qreal bodyHeight_ = 0;
    std::vector<int> columns_;  // the view columns printed
    std::vector<qreal> left_;   // the left edge of each, and the grid's right edge last
    quint32 captionsLaidOut_ = 0;
    // From the first pass, 8 bytes a record, so that the second shapes each text only once.
    std::vector<RowMeasure> rows_;
    std::vector<int> pageStarts_;
};

QFont TextFont(bool bold)
{
    QFont font(DocumentFontFamily());
    font.setPointSizeF(kTextPoints);
    font.setBold(bold);
    return font;
}

GridPrint::GridPrint(const PrintSource& source, QPaintDevice& device)
    : model_(*source.model),
      device_(device),
      title_(source.title),
      textFont_(TextFont(false), &device),
      captionFont_(TextFont(true), &device)
{
    pad_ = textFont_.metrics.averageCharWidth() / 2;
    pageWidth_ = device.width();
    pageHeight_ = device.height();
    headerHeight_ = textFont_.metrics.height() * 2;
    PlaceColumns(source);
    captionHeight_ = 0;
    for (size_t i = 0; i < columns_.size(); ++i)
        captionHeight_ =
            std::max(captionHeight_, CellHeight(Caption(i), captionFont_, i, captionsLaidOut_));
    bodyHeight_ =
        std::max(pageHeight_ - headerHeight_ - captionHeight_, textFont_.metrics.height());
    Paginate();
}

// The view's widths; where they fall short of the page, text and reference columns take the
// rest (labels gain nothing from it), and where they are too wide every column shrinks alike.
// A column of no width is left out, as the view shows nothing of it.
void GridPrint::PlaceColumns(const PrintSource& source)
{
    std::vector<qreal> widths;
    qreal total = 0;
    qreal textTotal = 0;
    for (int k = 0; k < model_.columnCount(); ++k) {
        const int width = k < static_cast<int>(source.columnWidths.size()) ? source.columnWidths[k]
                                                                           : model_.ColumnWidth(k);
        if (width <= 0)
            continue;
        columns_.push_back(k);
        widths.push_back(width * device_.logicalDpiX() / kScreenDpi);
        total += widths.back();
        if (model_.Field(k)->type == kTextField)
            textTotal += widths.back();
    }
    const bool stretchTexts = total < pageWidth_ && textTotal > 0;
    left_.assign(1, 0);
    for (size_t i = 0; i < columns_.size(); ++i) {
        qreal width = widths[i] * pageWidth_ / std::max(total, qreal(1));
        if (stretchTexts)
            width = model_.Field(columns_[i])->type == kTextField
                        ? widths[i] + (pageWidth_ - total) * widths[i] / textTotal
                        : widths[i];
        left_.push_back(left_.back() + width);
    }
}

qreal GridPrint::CellHeight(const QString& text, const DeviceFont& font, size_t i,
                            quint32& laidOut) const
{
    const qreal width = std::max(left_[i + 1] - left_[i] - 2 * pad_, qreal(1));
    bool oneLine = true;
    const qreal height = TextHeight(text, font, width, &device_, oneLine) + 2 * pad_;
    if (!oneLine)
        laidOut |= 1u << i;
    return height;
}

GridPrint::RowMeasure GridPrint::MeasureRow(int row) const
{
    RowMeasure measure;
    qreal height = textFont_.metrics.height() + 2 * pad_;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (model_.Kind(row, columns_[i]) != CellKind::None)
            height = std::max(height, CellHeight(model_.CellText(row, columns_[i]), textFont_, i,
                                                 measure.laidOut));
    }
    // A row taller than a page is cut at the page's foot.
    measure.height = static_cast<float>(std::min(height, bodyHeight_));
    return measure;
}

// The first pass: only row heights, to know where each page begins.
void GridPrint::Paginate()
{
    pageStarts_.assign(1, 0);
    rows_.clear();
    rows_.reserve(static_cast<size_t>(model_.RecordCount()));
    qreal filled = 0;
    for (int row = 0; row < model_.RecordCount(); ++row) {
        rows_.push_back(MeasureRow(row));
        const qreal height = rows_.back().height;
        if (filled + height > bodyHeight_ && filled > 0) {
            pageStarts_.push_back(row);
            filled = 0;
        }
        filled += height;
    }
}

void GridPrint::PaintHeader(QPainter& painter, int page) const
{
    painter.setFont(textFont_.font);
    const QString pageText =
        UiText("print.page").arg(QString::number(page + 1), QString::number(PageCount()));
    const qreal pageTextWidth = textFont_.metrics.horizontalAdvance(pageText);
    const qreal baseline = textFont_.metrics.ascent();
    painter.drawText(QPointF(pageWidth_ - pageTextWidth, baseline), pageText);
    const QString title = textFont_.metrics.elidedText(title_, Qt::ElideMiddle,
                                                       pageWidth_ - pageTextWidth - 4 * pad_);
    painter.drawText(QPointF(0, baseline), title);
    const qreal rule = textFont_.metrics.height() + pad_;
    painter.drawLine(QPointF(0, rule), QPointF(pageWidth_, rule));
}

qreal GridPrint::PaintCaptions(QPainter& painter, qreal top) const
{
    painter.fillRect(QRectF(0, top, left_.back(), captionHeight_), kCaptionFill);
    painter.setFont(captionFont_.font);
    for (size_t i = 0; i < columns_.size(); ++i) {
        const QRectF box(left_[i] + pad_, top + pad_, left_[i + 1] - left_[i] - 2 * pad_,
                         captionHeight_ - 2 * pad_);
        DrawText(painter, Caption(i), captionFont_, box, !(captionsLaidOut_ & (1u << i)));
    }
    painter.setFont(textFont_.font);
    return top + captionHeight_;
}

void GridPrint::PaintRow(QPainter& painter, int row, qreal top) const
{
    const auto [height, laidOut] = rows_[static_cast<size_t>(row)];
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int column = columns_[i];
        const CellKind kind = model_.Kind(row, column);
        if (kind == CellKind::None)
            continue;
        const QRectF cell(left_[i], top, left_[i + 1] - left_[i], height);
        if (model_.IsTooLong(row, column))
            painter.fillRect(cell, QColor(kTextTooLongColour));
        else if (kind == CellKind::Reference)
            painter.fillRect(cell, kReferenceFill);
        DrawText(painter, model_.CellText(row, column), textFont_,
                 cell.adjusted(pad_, pad_, -pad_, -pad_), !(laidOut & (1u << i)));
    }
}

// Drawn last, over the cells' backgrounds.
void GridPrint::PaintGridLines(QPainter& painter, qreal top,
                               const std::vector<qreal>& rowBottoms) const
{
    QPen pen(kGridLine);
    pen.setWidthF(kLinePoints * device_.logicalDpiY() / 72);
    painter.setPen(pen);
    const qreal right = left_.back();
    painter.drawLine(QPointF(0, top), QPointF(right, top));
    for (qreal y : rowBottoms)
        painter.drawLine(QPointF(0, y), QPointF(right, y));
    for (qreal x : left_)
        painter.drawLine(QPointF(x, top), QPointF(x, rowBottoms.back()));
}

void GridPrint::PaintPage(QPainter& painter, int page) const
{
    painter.setPen(Qt::black);
    PaintHeader(painter, page);
    std::vector<qreal> rowBottoms{PaintCaptions(painter, headerHeight_)};
    const int end = page + 1 < PageCount() ? pageStarts_[page + 1] : model_.RecordCount();
    for (int row = pageStarts_[page]; row < end; ++row) {
        PaintRow(painter, row, rowBottoms.back());
        rowBottoms.push_back(rowBottoms.back() + rows_[static_cast<size_t>(row)].height);
    }
    PaintGridLines(painter, headerHeight_, rowBottoms);
}

// The pages a printer was asked for; 0 and 0 for all.
std::pair<int, int> RequestedPages(const QPrinter& printer)
{
    if (printer.printRange() != QPrinter::PageRange)
        return {0, 0};
    return {printer.fromPage(), printer.toPage()};
}

}  // namespace

PrintSource PrintSourceOf(const DocumentTab& tab)
{
    PrintSource source;
    source.model = qobject_cast<const GridModel*>(tab.View()->model());
    const QHeaderView* header = tab.View()->horizontalHeader();
    for (int k = 0; k < header->count(); ++k)
        source.columnWidths.push_back(header->sectionSize(k));
    const QString path = tab.Document()->Path();
    source.title = path.isEmpty() ? tab.Name() : QFileInfo(path).fileName();
    return source;
}

int PrintGrid(const PrintSource& source, QPagedPaintDevice& device, int fromPage, int toPage)
{
    if (!source.model)
        return 0;
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const GridPrint print(source, device);
    const int count = print.PageCount();
    const int first = fromPage > 0 ? std::min(fromPage, count) : 1;
    const int last = toPage > 0 ? std::clamp(toPage, first, count) : count;
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        print.PaintPage(painter, page - 1);
    }
    painter.end();
    return count;
}

Result ExportPdf(const PrintSource& source, const QString& path, const QPageLayout& layout)
{
    const auto failure = [&path](const QString& reason) {
        return Result::Failure(
            UiText("print.exportFailed").arg(QDir::toNativeSeparators(path), reason).trimmed());
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    {
        // The PDF is complete once the writer goes.
        QPdfWriter writer(&file);
        if (layout.isValid())
            writer.setPageLayout(layout);
        writer.setTitle(source.title);
        writer.setCreator(QCoreApplication::applicationName());
        if (PrintGrid(source, writer) == 0) {
            file.cancelWriting();
            return failure(QString());
        }
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}

PrintCommands::PrintCommands(QWidget* parent) : parent_(parent) {}

PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void PrintCommands::Print(const PrintSource& source)
{
    QPrinter& printer = Printer();
    printer.setDocName(source.title);
    QPrintDialog dialog(&printer, parent_);
    // A grid has no current page, and printing the selected cells would be a view's job.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const BusyCursor busy;
    const auto [from, to] = RequestedPages(printer);
    PrintGrid(source, printer, from, to);
}

void PrintCommands::Preview(const PrintSource& source)
{
    QPrinter& printer = Printer();
    printer.setDocName(source.title);
    // The preview shows every page, whatever range the last print had.
    printer.setPrintRange(QPrinter::AllPages);
    QPrintPreviewDialog dialog(&printer, parent_);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&source](QPrinter* target) {
                         const BusyCursor busy;
                         const auto [from, to] = RequestedPages(*target);
                         PrintGrid(source, *target, from, to);
                     });
    if (parent_)
        dialog.resize(parent_->size());
    dialog.exec();
}

void PrintCommands::PageSetup()
{
    QPageSetupDialog dialog(&Printer(), parent_);
    dialog.exec();
}

void PrintCommands::ExportPdf(DialogHost& host, const PrintSource& source,
                              const QString& documentPath)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = parent_;
    request.filters = {{UiText("print.filter"), {QStringLiteral("*.pdf")}, QStringLiteral("pdf")}};
    request.defaultSuffix = QStringLiteral("pdf");
    request.documents = false;
    const QFileInfo document(documentPath);
    request.start =
        documentPath.isEmpty()
            ? source.title + QStringLiteral(".pdf")
            : document.dir().filePath(document.completeBaseName() + QStringLiteral(".pdf"));
    const FileDialogAnswer answer = host.GetSaveFileName(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    Result exported;
    {
        const BusyCursor busy;
        exported = scrivlet::ExportPdf(source, answer.files.first(), Printer().pageLayout());
    }
    if (!exported)
        host.ShowMessage(parent_, exported.Error(), QMessageBox::Warning);
}

void PrintCommands::Connect(const CommandActions& actions, std::function<DialogHost&()> host,
                            std::function<const DocumentTab*()> activeTab)
{
    const auto on = [&](Command command, auto handler) {
        QObject::connect(actions[static_cast<size_t>(command)], &QAction::triggered, parent_,
                         handler);
    };
    on(Command::Print, [this, activeTab] {
        if (const DocumentTab* tab = activeTab())
            Print(PrintSourceOf(*tab));
    });
    on(Command::PrintPreview, [this, activeTab] {
        if (const DocumentTab* tab = activeTab())
            Preview(PrintSourceOf(*tab));
    });
    on(Command::ExportPdf, [this, activeTab, host] {
        if (const DocumentTab* tab = activeTab())
            ExportPdf(host(), PrintSourceOf(*tab), tab->Document()->Path());
    });
    on(Command::PrintSetup, [this] { PageSetup(); });
}

}  // namespace scrivlet
