#include "shell/ConflictView.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/ProjectConflicts.h"
#include "shell/DocumentTab.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivlet {
namespace {

QLabel* TextLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

}  // namespace

ConflictView::ConflictView(QWidget* parent)
    : QWidget(parent),
      fields_(new QWidget(this)),
      mine_(TextLabel(fields_, "conflictMine")),
      theirs_(TextLabel(fields_, "conflictTheirs")),
      base_(TextLabel(fields_, "conflictBase")),
      note_(new QLabel(this)),
      keepMine_(new QPushButton(UiText("conflict.keepMine"), fields_)),
      takeTheirs_(new QPushButton(UiText("conflict.takeTheirs"), fields_))
{
    setObjectName(QStringLiteral("conflictView"));
    auto* title = new QLabel(UiText("conflict.title"), fields_);
    title->setStyleSheet(QStringLiteral("color: #c8102e; font-weight: bold;"));
    note_->setObjectName(QStringLiteral("conflictNote"));
    note_->setWordWrap(true);
    keepMine_->setObjectName(QStringLiteral("conflictKeepMine"));
    takeTheirs_->setObjectName(QStringLiteral("conflictTakeTheirs"));
    auto* layout = new QGridLayout(fields_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(title, 0, 0, 1, 3);
    const std::pair<const char*, QLabel*> rows[] = {
        {"conflict.mine", mine_}, {"conflict.theirs", theirs_}, {"conflict.base", base_}};
    for (int row = 0; row < 3; ++row) {
        layout->addWidget(new QLabel(UiText(rows[row].first), fields_), row + 1, 0);
        layout->addWidget(rows[row].second, row + 1, 1);
    }
    layout->addWidget(keepMine_, 1, 2);
    layout->addWidget(takeTheirs_, 2, 2);
    layout->setColumnStretch(1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 2);
    outer->setSpacing(2);
    outer->addWidget(fields_);
    outer->addWidget(note_);
    connect(keepMine_, &QPushButton::clicked, this, &ConflictView::Keep);
    connect(takeTheirs_, &QPushButton::clicked, this, &ConflictView::Take);
    hide();
}

void ConflictView::Follow(ProjectConflicts* conflicts)
{
    if (conflicts_)
        conflicts_->disconnect(this);
    conflicts_ = conflicts;
    if (conflicts_) {
        connect(conflicts_, &ProjectConflicts::Changed, this, &ConflictView::Again);
        connect(conflicts_, &ProjectConflicts::Staged, this, [this](const QString& path) {
            staged_ = path;
            Again();
        });
        connect(conflicts_, &ProjectConflicts::Failed, this, [this](const QString& why) {
            note_->setText(why);
            show();
        });
    }
    Again();
}

void ConflictView::Again()
{
    Show(tab_, record_, column_);
}

void ConflictView::Show(DocumentTab* tab, int record, int column)
{
    tab_ = tab, record_ = record, column_ = column;
    const EdtDocument* document = tab ? tab->Document() : nullptr;
    const int field = document ? document->FieldOfColumn(column) : -1;
    const ConflictedFile* file =
        conflicts_ && document ? conflicts_->ByPath(document->Path()) : nullptr;
    const FieldConflict* conflict =
        file && field >= 0 ? OpenConflict(*file, record, field) : nullptr;
    if (!conflict) {
        // The file just staged is told while its fields are shown.
        const bool staged = document && !staged_.isEmpty() && document->Path() == staged_;
        fields_->hide();
        note_->setText(staged ? UiText("conflict.staged").arg(QFileInfo(staged_).fileName())
                              : QString());
        setVisible(staged);
        return;
    }
    staged_.clear();
    fields_->show();
    mine_->setText(conflict->ours);
    theirs_->setText(conflict->theirs);
    base_->setText(conflict->base);
    // Theirs taken or the text edited: it counts once saved.
    const bool changed = document->FieldText(record, field) != conflict->ours;
    const bool kept = conflicts_->IsKept(document->Path(), record, field);
    keepMine_->setEnabled(!changed && !kept);
    takeTheirs_->setEnabled(!changed && !kept);
    note_->setText(UiText(changed || kept ? "conflict.pending" : "conflict.hint"));
    show();
}

void ConflictView::Keep()
{
    if (!tab_ || !conflicts_)
        return;
    DocumentSession& session = *tab_->Session();
    const int field = session.Document()->FieldOfColumn(column_);
    if (Result kept =
            conflicts_->Keep(session.Document()->Path(), record_, field, !session.IsModified());
        !kept)
        note_->setText(kept.Error());
    Again();
}

void ConflictView::Take()
{
    if (!tab_ || !conflicts_)
        return;
    DocumentSession& session = *tab_->Session();
    const ConflictedFile* file = conflicts_->ByPath(session.Document()->Path());
    const FieldConflict* conflict =
        file ? OpenConflict(*file, record_, session.Document()->FieldOfColumn(column_)) : nullptr;
    if (conflict)
        session.SetText(record_, column_, conflict->theirs,
                        RecordStepName("conflict.takeStep", *session.Document(), record_));
}

}  // namespace scrivlet
