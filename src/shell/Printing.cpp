#include "shell/Printing.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "shell/DialogHost.h"
#include "shell/DocumentTab.h"

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
// A column the view gives no width has the view's default one.
constexpr int kDefaultColumnWidth = 100;
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

qreal TextHeight(const QString& text, const DeviceFont& font, qreal width, QPaintDevice* device)
{
    if (FitsOneLine(text, font, width))
        return font.metrics.height();
    QTextLayout layout(WithLineSeparators(text), font.font, device);
    return LayOutLines(layout, width);
}

// Draws text wrapped into box; a text taller than the box is cut at its bottom.
void DrawText(QPainter& painter, const QString& text, const DeviceFont& font, const QRectF& box)
{
    if (FitsOneLine(text, font, box.width())) {
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
    qreal RowHeight(int row) const;
    qreal CellHeight(const QString& text, const DeviceFont& font, int column) const;
    void PaintHeader(QPainter& painter, int page) const;
    qreal PaintCaptions(QPainter& painter, qreal top) const;
    void PaintRow(QPainter& painter, int row, qreal top, qreal height) const;
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
    std::vector<qreal> left_;   // by view column, and the grid's right edge last
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
    for (int column = 0; column + 1 < static_cast<int>(left_.size()); ++column)
        captionHeight_ = std::max(
            captionHeight_, CellHeight(model_.headerData(column, Qt::Horizontal).toString(),
                                       captionFont_, column));
    bodyHeight_ = std::max(pageHeight_ - headerHeight_ - captionHeight_, textFont_.metrics.height());
    Paginate();
}

// The view's widths; where they fall short of the page, text and reference columns take the
// rest (labels gain nothing from it), and where they are too wide every column shrinks alike.
void GridPrint::PlaceColumns(const PrintSource& source)
{
    const int columns = model_.columnCount();
    std::vector<qreal> widths(static_cast<size_t>(columns));
    qreal total = 0;
    qreal textTotal = 0;
    for (int k = 0; k < columns; ++k) {
        int width = k < static_cast<int>(source.columnWidths.size()) ? source.columnWidths[k] : 0;
        if (width <= 0)
            width = model_.Field(k)->width >= 0 ? model_.Field(k)->width : kDefaultColumnWidth;
        widths[k] = std::max(width, 1) * device_.logicalDpiX() / kScreenDpi;
        total += widths[k];
        if (model_.Field(k)->type == kTextField)
            textTotal += widths[k];
    }
    const bool stretchTexts = total < pageWidth_ && textTotal > 0;
    left_.assign(1, 0);
    for (int k = 0; k < columns; ++k) {
        qreal width = widths[k] * pageWidth_ / std::max(total, qreal(1));
        if (stretchTexts)
            width = model_.Field(k)->type == kTextField
                        ? widths[k] + (pageWidth_ - total) * widths[k] / textTotal
                        : widths[k];
        left_.push_back(left_.back() + width);
    }
}

qreal GridPrint::CellHeight(const QString& text, const DeviceFont& font, int column) const
{
    const qreal width = std::max(left_[column + 1] - left_[column] - 2 * pad_, qreal(1));
    return TextHeight(text, font, width, &device_) + 2 * pad_;
}

qreal GridPrint::RowHeight(int row) const
{
    qreal height = textFont_.metrics.height() + 2 * pad_;
    for (int column = 0; column + 1 < static_cast<int>(left_.size()); ++column) {
        if (model_.Kind(row, column) != CellKind::None)
            height = std::max(height, CellHeight(model_.CellText(row, column), textFont_, column));
    }
    // A row taller than a page is cut at the page's foot.
    return std::min(height, bodyHeight_);
}

// The first pass: only row heights, to know where each page begins.
void GridPrint::Paginate()
{
    pageStarts_.assign(1, 0);
    qreal filled = 0;
    for (int row = 0; row < model_.RecordCount(); ++row) {
        const qreal height = RowHeight(row);
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
    const QString title = textFont_.metrics.elidedText(
        title_, Qt::ElideMiddle, pageWidth_ - pageTextWidth - 4 * pad_);
    painter.drawText(QPointF(0, baseline), title);
    const qreal rule = textFont_.metrics.height() + pad_;
    painter.drawLine(QPointF(0, rule), QPointF(pageWidth_, rule));
}

qreal GridPrint::PaintCaptions(QPainter& painter, qreal top) const
{
    painter.fillRect(QRectF(0, top, left_.back(), captionHeight_), kCaptionFill);
    painter.setFont(captionFont_.font);
    for (int column = 0; column + 1 < static_cast<int>(left_.size()); ++column) {
        const QRectF box(left_[column] + pad_, top + pad_,
                         left_[column + 1] - left_[column] - 2 * pad_, captionHeight_ - 2 * pad_);
        DrawText(painter, model_.headerData(column, Qt::Horizontal).toString(), captionFont_, box);
    }
    painter.setFont(textFont_.font);
    return top + captionHeight_;
}

void GridPrint::PaintRow(QPainter& painter, int row, qreal top, qreal height) const
{
    for (int column = 0; column + 1 < static_cast<int>(left_.size()); ++column) {
        const CellKind kind = model_.Kind(row, column);
        if (kind == CellKind::None)
            continue;
        const QRectF cell(left_[column], top, left_[column + 1] - left_[column], height);
        if (model_.IsTooLong(row, column))
            painter.fillRect(cell, QColor(kTextTooLongColour));
        else if (kind == CellKind::Reference)
            painter.fillRect(cell, kReferenceFill);
        DrawText(painter, model_.CellText(row, column), textFont_,
                 cell.adjusted(pad_, pad_, -pad_, -pad_));
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
        const qreal height = RowHeight(row);
        PaintRow(painter, row, rowBottoms.back(), height);
        rowBottoms.push_back(rowBottoms.back() + height);
    }
    PaintGridLines(painter, headerHeight_, rowBottoms);
}

// A large print takes seconds; the cursor says the editor is at work.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

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
    request.filters = {{UiText("print.filter"), {QStringLiteral("*.pdf")}}};
    request.defaultSuffix = QStringLiteral("pdf");
    request.documents = false;
    const QFileInfo document(documentPath);
    request.start = documentPath.isEmpty()
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

}  // namespace scrivlet
