#include "shell/Icons.h"

#include "shell/Commands.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace scrivlet {
namespace {

constexpr int kToolIconSize = 16;

struct IconSource {
    Command command;
    const char* themeName;
    QStyle::StandardPixmap standard;  // SP_CustomBase: drawn here
};

constexpr IconSource kIconSources[] = {
    {Command::New, "document-new", QStyle::SP_FileIcon},
    {Command::Open, "document-open", QStyle::SP_DialogOpenButton},
    {Command::Save, "document-save", QStyle::SP_DialogSaveButton},
    {Command::Cut, "edit-cut", QStyle::SP_CustomBase},
    {Command::Copy, "edit-copy", QStyle::SP_CustomBase},
    {Command::Paste, "edit-paste", QStyle::SP_CustomBase},
    {Command::Print, "document-print", QStyle::SP_CustomBase},
    {Command::About, "help-about", QStyle::SP_MessageBoxInformation},
};

const QColor kInk(0x30, 0x30, 0x38);
const QColor kPaper(0xfa, 0xfa, 0xf4);
const QColor kAccent(0x2f, 0x6f, 0xb5);

QPixmap Canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawPage(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(kAccent, 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

QIcon DrawnIcon(Command command)
{
    QPixmap pixmap = Canvas(kToolIconSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.5, 0.5);
    switch (command) {
        case Command::Cut:
            p.setPen(QPen(kInk, 1.2));
            p.drawLine(QPointF(4, 1), QPointF(10, 10));
            p.drawLine(QPointF(11, 1), QPointF(5, 10));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kAccent, 1.5));
            p.drawEllipse(QPointF(4, 12.5), 2.2, 2.2);
            p.drawEllipse(QPointF(11, 12.5), 2.2, 2.2);
            break;
        case Command::Copy:
            DrawPage(p, QRectF(1, 1, 8, 10));
            DrawPage(p, QRectF(6, 4, 8, 10));
            break;
        case Command::Paste:
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(0xc0, 0x90, 0x50));
            p.drawRect(QRectF(1, 2, 10, 12));
            p.setBrush(kInk);
            p.drawRect(QRectF(4, 0.5, 4, 3));
            DrawPage(p, QRectF(6, 6, 8, 9));
            break;
        case Command::Print:
            DrawPage(p, QRectF(4, 0.5, 7, 6));
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(0xb8, 0xb8, 0xc0));
            p.drawRoundedRect(QRectF(0.5, 6, 14, 6), 1.5, 1.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(3.5, 10, 8, 4.5));
            break;
        default:
            break;
    }
    return QIcon(pixmap);
}

// The program's mark: a sheet with record lines and a pen across it.
QPixmap AppPixmap(int size)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    p.setPen(QPen(kInk, 2));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(7, 3, 30, 40), 3, 3);
    p.setPen(QPen(kAccent, 3));
    for (int y = 12; y <= 34; y += 7)
        p.drawLine(QPointF(12, y), QPointF(31, y));
    QPainterPath pen;
    pen.moveTo(22, 42);
    pen.lineTo(40, 18);
    pen.lineTo(45, 22);
    pen.lineTo(27, 46);
    pen.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    p.drawPath(pen);
    return pixmap;
}

}  // namespace

QIcon CommandIcon(Command command)
{
    for (const IconSource& source : kIconSources) {
        if (source.command != command)
            continue;
        QIcon icon = QIcon::fromTheme(QString::fromLatin1(source.themeName));
        if (!icon.isNull())
            return icon;
        if (source.standard != QStyle::SP_CustomBase)
            return QApplication::style()->standardIcon(source.standard);
        return DrawnIcon(command);
    }
    return QIcon();
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(AppPixmap(size));
    return icon;
}

}  // namespace scrivlet
