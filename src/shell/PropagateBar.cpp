#include "shell/PropagateBar.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "translation/SourceGroups.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace scrivlet {
PropagateBar::PropagateBar(DocumentSession& session, GridView& view, QWidget* parent)
    : QFrame(parent),
      session_(session),
      view_(view),
      label_(new QLabel(this)),
      propagate_(new QPushButton(UiText("propagate.button"), this)),
      close_(new QToolButton(this))
{
    setObjectName(QStringLiteral("propagateBar"));
    // Wrapped rather than widening the tab: a long offer must not push the docks aside.
    label_->setWordWrap(true);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close_->setToolTip(UiText("propagate.close"));
    close_->setAutoRaise(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->addWidget(label_, 1);
    layout->addWidget(propagate_);
    layout->addWidget(close_);
    hide();
    connect(propagate_, &QPushButton::clicked, this, [this] {
        const int record = record_, field = field_;
        Withdraw();
        session_.Propagate(record, field);
        view_.setFocus();
    });
    connect(close_, &QToolButton::clicked, this, [this] {
        Withdraw();
        view_.setFocus();
    });
    // The offer is for the moment after the commit: any other change or cell ends it.
    EdtDocument* document = session.Document();
    connect(document, &EdtDocument::TextChanged, this, &PropagateBar::Withdraw);
    connect(document, &EdtDocument::TextsChanged, this, &PropagateBar::Withdraw);
    connect(document, &EdtDocument::RecordsInserted, this, &PropagateBar::Withdraw);
    connect(document, &EdtDocument::RecordsRemoved, this, &PropagateBar::Withdraw);
    connect(&session, &DocumentSession::ReferenceChanged, this, &PropagateBar::Withdraw);
    connect(&view, &GridView::CellSelected, this, [this] {
        if (record_ < 0)
            return;
        const EdtDocument& shown = *session_.Document();
        if (view_.SelectedRow() != record_ || view_.SelectedColumn() != shown.TextColumn(field_))
            Withdraw();
    });
}

void PropagateBar::Offer(int record, int column)
{
    Withdraw();
    const int field = session_.Document()->FieldOfColumn(column);
    const size_t count = field < 0 ? 0 : session_.PropagationTargets(record, field).size();
    if (count == 0)
        return;
    record_ = record;
    field_ = field;
    label_->setText(UiCount("count.propagateOffer", static_cast<qint64>(count)));
    show();
}

void PropagateBar::Withdraw()
{
    record_ = field_ = -1;
    hide();
}

}  // namespace scrivlet
