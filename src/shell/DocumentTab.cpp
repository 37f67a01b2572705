#include "shell/DocumentTab.h"

#include "grid/GridView.h"

#include <QVBoxLayout>

namespace scrivlet {

QString TabDisplayTitle(const QString& title)
{
    if (title.size() <= kTabTitleMaxChars)
        return title;
    qsizetype keep = kTabTitleKeepChars;
    // Never split a surrogate pair.
    if (title[keep - 1].isHighSurrogate())
        --keep;
    return title.left(keep) + QStringLiteral("...");
}

DocumentTab::DocumentTab(GridView* view, const QString& title, QWidget* parent)
    : QWidget(parent), view_(view), title_(title)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
}

RecordGrid* DocumentTab::Grid() const
{
    return view_->Grid();
}

TabView::TabView(QWidget* parent) : QTabWidget(parent)
{
    setDocumentMode(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
}

void TabView::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    emit TabsChanged();
}

void TabView::tabRemoved(int index)
{
    QTabWidget::tabRemoved(index);
    emit TabsChanged();
}

}  // namespace scrivlet
