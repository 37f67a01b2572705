#include "shell/BoxPreview.h"

#include "session/LayoutFont.h"
#include "translation/BmFont.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace scrivlet {
namespace {

constexpr int kMargin = 4;
const QColor kBoxFill(0x1e, 0x24, 0x2b);
const QColor kBoxEdge(0x8a, 0x96, 0xa3);
const QColor kInk(0xf2, 0xf2, 0xf2);
const QColor kOverflow(0xe0, 0x30, 0x40);

}  // namespace

BoxPreview::BoxPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("boxPreview"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    hide();
}

void BoxPreview::Show(const FittedBox* box, const QString& text)
{
    if (!box || !box->measure) {
        box_ = {};
        lines_.clear();
        hide();
        return;
    }
    const bool resized = box_.box != box->box || box_.measure != box->measure;
    box_ = *box;
    text_ = text;
    FitText(text_, *box_.measure, box_.box, &lines_);
    if (resized)
        updateGeometry();
    show();
    update();
}

QFont BoxPreview::DrawingFont() const
{
    if (const auto* layout = dynamic_cast<const LayoutFont*>(box_.measure.get()))
        return layout->Font();
    // A bitmap font's pictures are not read: its characters are drawn in the interface's
    // font at their measured places.
    QFont font = this->font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(box_.box.size))));
    return font;
}

double BoxPreview::LineHeight() const
{
    if (const auto* bitmap = dynamic_cast<const BmFont*>(box_.measure.get());
        bitmap && bitmap->LineHeight() > 0)
        return bitmap->LineHeight();
    return QFontMetricsF(DrawingFont()).lineSpacing();
}

QSize BoxPreview::sizeHint() const
{
    if (!box_.measure)
        return {0, 0};
    // Room for one overflowing line below the box, so that it shows.
    const int lines = std::max<int>(box_.box.lines, static_cast<int>(lines_.size())) + 1;
    return {box_.box.width + 2 * kMargin + 40,
            static_cast<int>(std::ceil(LineHeight() * lines)) + 2 * kMargin};
}

void BoxPreview::paintEvent(QPaintEvent*)
{
    if (!box_.measure)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // A box wider than the pane is drawn smaller, whole.
    const double room = width() - 2.0 * kMargin;
    const double scale = box_.box.width + 40 > room ? room / (box_.box.width + 40) : 1.0;
    painter.translate(kMargin, kMargin);
    painter.scale(scale, scale);
    const double lineHeight = LineHeight();
    const QRectF inside(0, 0, box_.box.width, lineHeight * box_.box.lines);
    painter.fillRect(inside, kBoxFill);
    painter.setPen(kBoxEdge);
    painter.drawRect(inside.adjusted(-0.5, -0.5, 0.5, 0.5));
    const QFont font = DrawingFont();
    painter.setFont(font);
    const double ascent = QFontMetricsF(font).ascent();
    const bool layout = dynamic_cast<const LayoutFont*>(box_.measure.get()) != nullptr;
    std::vector<double> edges;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const BoxLine& line = lines_[i];
        const QString text = text_.mid(line.start, line.length);
        const double y = lineHeight * static_cast<double>(i);
        const bool below = static_cast<int>(i) >= box_.box.lines;
        box_.measure->Edges(text, &edges);
        // Drawn twice: in the box in ink, past its right edge in red.
        for (const bool past : {false, true}) {
            if (below && !past)
                continue;
            painter.save();
            painter.setClipRect(below  ? QRectF(0, y, 1e6, lineHeight)
                                : past ? QRectF(box_.box.width, y, 1e6, lineHeight)
                                       : QRectF(0, y, box_.box.width, lineHeight));
            painter.setPen(past ? kOverflow : kInk);
            if (layout) {
                painter.drawText(QPointF(0, y + ascent), text);
            } else {
                for (qsizetype c = 0; c < text.size(); ++c) {
                    const qsizetype n = text[c].isHighSurrogate() && c + 1 < text.size() ? 2 : 1;
                    painter.drawText(QPointF(edges[static_cast<size_t>(c)], y + ascent),
                                     text.mid(c, n));
                    c += n - 1;
                }
            }
            painter.restore();
        }
    }
}

}  // namespace scrivlet
