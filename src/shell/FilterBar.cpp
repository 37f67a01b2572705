#include "shell/FilterBar.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace scrivlet {

namespace {

// The pause after a keystroke in the text field, and after a change of the texts or checks.
constexpr int kTypedMs = 250;
constexpr int kChangedMs = 400;

}  // namespace

FilterBar::FilterBar(DocumentSession& session, GridView& view, QWidget* parent)
    : QWidget(parent),
      session_(session),
      view_(view),
      choices_(new QComboBox(this)),
      text_(new QLineEdit(this)),
      scope_(new QComboBox(this)),
      count_(new QLabel(this)),
      typed_(new QTimer(this)),
      changed_(new QTimer(this))
{
    setObjectName(QStringLiteral("filterBar"));
    for (const RowFilterChoice& choice : kRowFilterChoices)
        choices_->addItem(UiText(choice.textKey));
    text_->setPlaceholderText(UiText("rowFilter.text"));
    text_->setClearButtonEnabled(true);
    text_->installEventFilter(this);
    scope_->addItem(UiText("rowFilter.inTranslation"), static_cast<int>(FilterScope::Translation));
    scope_->addItem(UiText("rowFilter.inOriginal"), static_cast<int>(FilterScope::Original));
    auto* show = new QLabel(UiText("rowFilter.show"), this);
    show->setBuddy(choices_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(show);
    layout->addWidget(choices_);
    layout->addWidget(text_, 1);
    layout->addWidget(scope_);
    layout->addWidget(count_);
    count_->hide();

    typed_->setSingleShot(true);
    typed_->setInterval(kTypedMs);
    changed_->setSingleShot(true);
    changed_->setInterval(kChangedMs);
    connect(typed_, &QTimer::timeout, this, &FilterBar::TakeControls);
    connect(changed_, &QTimer::timeout, this, [this] { Apply(true); });
    connect(text_, &QLineEdit::textChanged, typed_, qOverload<>(&QTimer::start));
    connect(choices_, &QComboBox::currentIndexChanged, this, &FilterBar::TakeControls);
    connect(scope_, &QComboBox::currentIndexChanged, this, &FilterBar::TakeControls);
    // Only while something is filtered does a change of the texts or checks matter.
    const auto refilter = [this] {
        if (!filter_.ShowsAll() || hidden_ > 0)
            changed_->start();
    };
    EdtDocument* document = session.Document();
    connect(document, &EdtDocument::TextChanged, this, refilter);
    connect(document, &EdtDocument::TextsChanged, this, refilter);
    connect(document, &EdtDocument::RecordsInserted, this, refilter);
    connect(document, &EdtDocument::RecordsRemoved, this, refilter);
    connect(&session, &DocumentSession::ReferenceChanged, this, refilter);
    connect(session.Checks(), &DocumentChecks::ProblemsChanged, this, refilter);
    connect(session.Checks(), &DocumentChecks::IgnoredChanged, this, refilter);
    connect(session.States(), &FieldStates::Changed, this, refilter);
    connect(session.Review(), &ReviewMarks::Changed, this, refilter);
}

void FilterBar::SetFilter(const RowFilter& filter)
{
    const QSignalBlocker choices(choices_), text(text_), scope(scope_);
    choices_->setCurrentIndex(filter.choice);
    text_->setText(filter.text);
    scope_->setCurrentIndex(scope_->findData(static_cast<int>(filter.scope)));
    TakeControls();
}

bool FilterBar::Shows(int record) const
{
    return !view_.isRowHidden(record);
}

void FilterBar::FocusText()
{
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event)
{
    // Return and Escape give the keyboard back to the grid, the filter as typed.
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            if (typed_->isActive())
                TakeControls();
            view_.setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FilterBar::TakeControls()
{
    typed_->stop();
    filter_.choice = std::max(0, choices_->currentIndex());
    filter_.text = text_->text();
    filter_.scope = static_cast<FilterScope>(scope_->currentData().toInt());
    Apply(false);
}

void FilterBar::Apply(bool spareSelected)
{
    changed_->stop();
    const EdtDocument& document = *session_.Document();
    const int records = document.RecordCount();
    const int selected = view_.SelectedRow();
    const bool all = filter_.ShowsAll();
    hidden_ = 0;
    int firstShown = -1;
    // While it does not update, the header does not place every section anew after each one
    // hidden (which makes hiding many rows quadratic); only rows that change are touched.
    QHeaderView* header = view_.verticalHeader();
    header->setUpdatesEnabled(false);
    for (int record = 0; record < records; ++record) {
        const bool hide =
            !all && !(spareSelected && record == selected) && !filter_.Shows(session_, record);
        if (view_.isRowHidden(record) != hide)
            view_.setRowHidden(record, hide);
        hidden_ += hide ? 1 : 0;
        if (!hide && firstShown < 0)
            firstShown = record;
    }
    header->setUpdatesEnabled(true);
    view_.viewport()->update();
    count_->setVisible(hidden_ > 0);
    count_->setText(UiText("rowFilter.count").arg(records - hidden_).arg(records));
    // The selection never stays on a hidden row: it goes to the first one shown.
    if (selected >= 0 && selected < records && view_.isRowHidden(selected)) {
        const int column = view_.SelectedColumn();
        view_.SelectCell(firstShown >= 0 ? firstShown : records, column);
    }
}

}  // namespace scrivlet
