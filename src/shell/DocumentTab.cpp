#include "shell/DocumentTab.h"

#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "shell/PropagateBar.h"

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

DocumentTab::DocumentTab(std::unique_ptr<DocumentSession> session, QWidget* parent)
    : QWidget(parent), session_(std::move(session))
{
    view_ = new GridView(session_->Document(), session_->History(), this);
    commands_ = new GridCommands(view_, session_->History());
    propagate_ = new PropagateBar(*session_, *view_, this);
    connect(view_, &GridView::FieldCommitted, propagate_, &PropagateBar::Offer);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(propagate_);
    layout->addWidget(view_);
    setFocusProxy(view_);
    view_->SetTranslationStatus(session_->Status());
    view_->SetChecks(session_->Checks());
}

DocumentTab::~DocumentTab()
{
    // The bar follows the view's selection: it goes first. The view reads the document up to
    // its end.
    delete propagate_;
    delete view_;
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
