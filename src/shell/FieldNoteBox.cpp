#include "shell/FieldNoteBox.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "shell/DocumentTab.h"
#include "translation/FieldStates.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

// The comment editor's height in lines: a note, not a document (it scrolls), and the grid
// keeps its room.
constexpr int kCommentLines = 2;

struct StateLook {
    const char* textKey;
    QRgb colour;
};

StateLook LookOf(FieldState state)
{
    switch (state) {
        case FieldState::Empty:
            return {"mark.empty", kMarkUntranslatedColour};
        case FieldState::SameAsReference:
            return {"mark.same", kMarkSameColour};
        case FieldState::NeedsWork:
            return {"mark.needsWork", kMarkNeedsWorkColour};
        case FieldState::Approved:
            return {"mark.approved", kMarkApprovedColour};
        case FieldState::Translated:
            break;
    }
    return {"mark.translated", kMarkTranslatedColour};
}

}  // namespace

FieldNoteBox::FieldNoteBox(QWidget* parent)
    : QWidget(parent),
      mark_(new QLabel(this)),
      state_(new QLabel(this)),
      needsWork_(new QToolButton(this)),
      approved_(new QToolButton(this)),
      comment_(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("paneNotes"));
    state_->setObjectName(QStringLiteral("paneState"));
    needsWork_->setObjectName(QStringLiteral("paneNeedsWork"));
    approved_->setObjectName(QStringLiteral("paneApproved"));
    comment_->setObjectName(QStringLiteral("paneComment"));
    mark_->setFixedSize(10, 16);
    mark_->setAutoFillBackground(true);
    for (QToolButton* button : {needsWork_, approved_}) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    needsWork_->setText(UiText("pane.needsWork"));
    needsWork_->setToolTip(UiText("pane.needsWorkTip"));
    approved_->setText(UiText("pane.approved"));
    approved_->setToolTip(UiText("pane.approvedTip"));
    comment_->setPlaceholderText(UiText("pane.comment"));
    comment_->setTabChangesFocus(true);
    comment_->setFixedHeight(QFontMetrics(comment_->font()).lineSpacing() * kCommentLines +
                             2 * comment_->frameWidth() +
                             int(comment_->document()->documentMargin() * 2));
    comment_->installEventFilter(this);

    // One row: the state and its buttons, then the comment beside them.
    auto* state = new QHBoxLayout;
    state->setContentsMargins(0, 0, 0, 0);
    state->addWidget(mark_);
    state->addWidget(state_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(needsWork_);
    buttons->addWidget(approved_);
    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addLayout(state);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left);
    layout->addWidget(comment_, 1);

    connect(needsWork_, &QToolButton::clicked, this, &FieldNoteBox::ToggleNeedsWork);
    connect(approved_, &QToolButton::clicked, this, &FieldNoteBox::ToggleApproved);
    Refresh();
}

void FieldNoteBox::Show(DocumentTab* tab, int record, int column)
{
    CommitComment();
    if (tab != tab_) {
        if (tab_) {
            tab_->Session()->States()->disconnect(this);
            tab_->Status()->disconnect(this);
        }
        tab_ = tab;
        if (tab_) {
            // A state set elsewhere (the menu, an undo, an import) or one an edit changed.
            connect(tab_->Session()->States(), &FieldStates::Changed, this, &FieldNoteBox::Refresh);
            connect(tab_->Status(), &TranslationStatus::CountsChanged, this,
                    &FieldNoteBox::Refresh);
        }
    }
    record_ = tab_ ? record : -1;
    column_ = tab_ ? column : -1;
    stored_.clear();
    comment_->clear();
    Refresh();
}

int FieldNoteBox::Field() const
{
    if (!tab_ || record_ < 0 || record_ >= tab_->Document()->RecordCount())
        return -1;
    return tab_->Document()->FieldOfColumn(column_);
}

void FieldNoteBox::Refresh()
{
    const int field = Field();
    setEnabled(field >= 0);
    if (field < 0) {
        mark_->setPalette(palette());
        state_->clear();
        for (QToolButton* button : {needsWork_, approved_})
            button->setChecked(false);
        return;
    }
    const FieldState state = tab_->Status()->State(record_, field);
    const StateLook look = LookOf(state);
    QPalette colour = mark_->palette();
    colour.setColor(QPalette::Window, QColor(look.colour));
    mark_->setPalette(colour);
    state_->setText(UiText(look.textKey));
    needsWork_->setChecked(state == FieldState::NeedsWork);
    approved_->setChecked(state == FieldState::Approved);
    approved_->setEnabled(!tab_->Document()->FieldText(record_, field).isEmpty());
    const FieldNote* note = tab_->Session()->States()->At(record_, field);
    const QString stored = note ? note->comment : QString();
    // What the user is typing stays; a comment changed elsewhere shows.
    if (stored != stored_ && (comment_->toPlainText() == stored_ || !comment_->hasFocus())) {
        stored_ = stored;
        comment_->setPlainText(stored);
    }
}

bool FieldNoteBox::CommitComment()
{
    const int field = Field();
    if (field < 0 || comment_->toPlainText() == stored_)
        return false;
    const QString typed = comment_->toPlainText();
    DocumentSession& session = *tab_->Session();
    stored_ = typed;
    return session.SetComment(record_, field, typed,
                              RecordStepName("undo.comment", *session.Document(), record_));
}

bool FieldNoteBox::MarkDone()
{
    const int field = Field();
    if (field < 0)
        return false;
    const FieldState state = tab_->Status()->State(record_, field);
    if (state != FieldState::NeedsWork && state != FieldState::SameAsReference)
        return false;
    DocumentSession& session = *tab_->Session();
    return session.SetStates({{record_, field}}, StoredState::Translated,
                             RecordStepName("undo.state", *session.Document(), record_));
}

void FieldNoteBox::ToggleNeedsWork()
{
    const int field = Field();
    DocumentSession* session = tab_ ? tab_->Session() : nullptr;
    if (field < 0 ||
        !session->ToggleNeedsWork({{record_, field}},
                                  RecordStepName("undo.state", *session->Document(), record_)))
        QApplication::beep();
    Refresh();
}

void FieldNoteBox::ToggleApproved()
{
    const int field = Field();
    DocumentSession* session = tab_ ? tab_->Session() : nullptr;
    // Taken back, an approval leaves the text translated.
    const StoredState state =
        field >= 0 && tab_->Status()->State(record_, field) == FieldState::Approved
            ? StoredState::Translated
            : StoredState::Approved;
    if (field < 0 ||
        !session->SetStates({{record_, field}}, state,
                            RecordStepName("undo.state", *session->Document(), record_)))
        QApplication::beep();
    Refresh();
}

bool FieldNoteBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == comment_ && event->type() == QEvent::FocusOut)
        CommitComment();
    if (watched == comment_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        comment_->toPlainText() != stored_) {
        // Back to the comment kept, as Escape does in the translation.
        comment_->setPlainText(stored_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace scrivlet
