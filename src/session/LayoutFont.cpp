#include "session/LayoutFont.h"

#include "base/UiText.h"
#include "translation/BoxFonts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QTextLayout>

#include <cmath>

namespace scrivlet {
namespace {

// A file is added to the application's fonts once, whatever the number of boxes using it.
QString FamilyOf(const QString& path)
{
    static QMutex mutex;
    static QHash<QString, QString> families;
    const QString key = QFileInfo(path).canonicalFilePath();
    if (key.isEmpty())
        return {};
    QMutexLocker lock(&mutex);
    if (const auto found = families.constFind(key); found != families.constEnd())
        return *found;
    const int id = QFontDatabase::addApplicationFont(key);
    const QStringList names = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    const QString family = names.value(0);
    if (!family.isEmpty())
        families.insert(key, family);
    return family;
}

}  // namespace

Result LayoutFont::Load(const TextBox& box, std::shared_ptr<const TextMeasure>* measure)
{
    const QString family = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                               ? FamilyOf(box.font)
                               : QString();
    if (family.isEmpty())
        return Result::Failure(UiText("box.cannotLoadFont").arg(box.font));
    QFont font(family);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(box.size))));
    // A character the font lacks is drawn from no other font: it is missing in the game too.
    font.setStyleStrategy(QFont::NoFontMerging);
    // The game draws the outlines as designed, not fitted to the screen's pixels.
    font.setHintingPreference(QFont::PreferNoHinting);
    if (QFontInfo(font).family() != family)
        return Result::Failure(UiText("box.cannotLoadFont").arg(box.font));
    *measure = std::make_shared<LayoutFont>(font);
    return {};
}

namespace {

// One line of text laid out whole, never wrapped.
void LayOut(QTextLayout& layout)
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
}

}  // namespace

double LayoutFont::Width(QStringView line) const
{
    if (line.isEmpty())
        return 0;
    QTextLayout layout(line.toString(), font_);
    LayOut(layout);
    // Its trailing spaces too, as Edges counts them.
    return layout.lineAt(0).horizontalAdvance();
}

void LayoutFont::Edges(QStringView line, std::vector<double>* edges) const
{
    edges->assign(static_cast<size_t>(line.size()) + 1, 0);
    if (line.isEmpty())
        return;
    QTextLayout layout(line.toString(), font_);
    LayOut(layout);
    const QTextLine laid = layout.lineAt(0);
    // Each place asked for itself: the layout keeps no table of them.
    for (qsizetype i = 0; i <= line.size(); ++i) {
        int cursor = static_cast<int>(i);
        (*edges)[static_cast<size_t>(i)] = laid.cursorToX(&cursor);
    }
}

bool LayoutFont::Has(char32_t c) const
{
    return QFontMetricsF(font_).inFontUcs4(c);
}

void UseLayoutFonts()
{
    SetFontLoader(&LayoutFont::Load);
}

}  // namespace scrivlet
