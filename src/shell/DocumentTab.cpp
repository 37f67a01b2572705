#include "shell/DocumentTab.h"

#include "documents/EdtDocument.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "shell/FilterBar.h"
#include "shell/PropagateBar.h"
#include "translation/DocumentChecks.h"

#include <QEvent>
#include <QScrollBar>
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

DocumentTab::DocumentTab(DocumentSession* session, QWidget* parent)
    : QWidget(parent), session_(session)
{
    view_ = new GridView(session_, this);
    commands_ = new GridCommands(view_);
    propagate_ = new PropagateBar(*session_, *view_, this);
    filter_ = new FilterBar(*session_, *view_, this);
    connect(view_, &GridView::FieldCommitted, propagate_, [this](int record, int column) {
        propagate_->Offer(record, column);
        PlacePropagation();
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(filter_);
    layout->addWidget(view_);
    // Not in the layout: it floats over the grid.
    view_->installEventFilter(this);
    setFocusProxy(view_);
    view_->SetTranslationStatus(session_->Status());
    view_->SetChecks(session_->Checks());
    // The problems follow the text being typed; the edit's end leaves the document's text.
    connect(view_, &GridView::EditTextChanged, this,
            [this](int record, int column, const QString& text) {
                if (const int field = session_->Document()->FieldOfColumn(column); field >= 0)
                    session_->Checks()->SetPendingText(record, field, text);
            });
    connect(view_, &GridView::EditingChanged, this, [this](bool editing) {
        if (!editing)
            session_->Checks()->ClearPendingText();
    });
    connect(view_, &GridView::CellSelected, this, &DocumentTab::SourceChanged);
    connect(session_, &DocumentSession::ReferenceChanged, this, &DocumentTab::SourceChanged);
}

QString DocumentTab::SelectedSource() const
{
    const EdtDocument* reference = Reference();
    const int row = view_->SelectedRow(), column = view_->SelectedColumn();
    if (reference && row < reference->RecordCount() && view_->IsTextCell(row, column))
        return reference->Text(row, column);
    return QString();
}

bool DocumentTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        PlacePropagation();
    return QWidget::eventFilter(watched, event);
}

void DocumentTab::PlacePropagation()
{
    if (propagate_->isHidden())
        return;
    // Over the grid's foot, clear of its scroll bars.
    const QRect grid = view_->geometry();
    const QScrollBar* across = view_->horizontalScrollBar();
    const QScrollBar* down = view_->verticalScrollBar();
    const int width = grid.width() - (down->isVisible() ? down->width() : 0);
    const int height = propagate_->heightForWidth(width) > 0 ? propagate_->heightForWidth(width)
                                                             : propagate_->sizeHint().height();
    const int bottom = grid.bottom() - (across->isVisible() ? across->height() : 0);
    propagate_->setGeometry(grid.left(), bottom - height + 1, width, height);
    propagate_->raise();
}

bool DocumentTab::PropagateSelected()
{
    view_->EndEdit();
    const int field = Document()->FieldOfColumn(view_->SelectedColumn());
    return field >= 0 && session_->Propagate(view_->SelectedRow(), field) > 0;
}

bool DocumentTab::ConfirmSelectedReview()
{
    return session_->ConfirmReview(view_->SelectedRow(), view_->SelectedColumn());
}

DocumentTab::~DocumentTab()
{
    // The bars follow the view's selection: they go first. The view reads the document up to
    // its end.
    view_->removeEventFilter(this);
    delete propagate_;
    delete filter_;
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
