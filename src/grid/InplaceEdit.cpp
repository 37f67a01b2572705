#include "grid/InplaceEdit.h"

#include "base/UiText.h"
#include "translation/Spelling.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCharFormat>
#include <QValidator>

#include <algorithm>
#include <limits>

namespace scrivlet {
namespace {

constexpr int kMaxSuggestions = 8;

}  // namespace
namespace {

bool HasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

}  // namespace

// Refuses growth beyond the editor's limit but never cuts what is there: setMaxLength would
// truncate a loaded text that is already longer than its field.
class LimitValidator : public QValidator {
public:
    explicit LimitValidator(InplaceEdit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& input, int& /*pos*/) const override
    {
        return edit_->Accepts(input) ? Acceptable : Invalid;
    }

private:
    InplaceEdit* edit_;
};

InplaceEdit::InplaceEdit(QWidget* parent, QWidget* grid, const QRect& rect, const QString& text,
                         int limit)
    : QLineEdit(parent), grid_(grid), limit_(limit)
{
    setFrame(false);
    // QLineEdit keeps 2 pixels before the text itself, where the painted cell starts it.
    setTextMargins(0, 0, 0, 0);
    setGeometry(rect);
    // The line edit's own limit (32767 by default) would cut a long text as it opens.
    setMaxLength(std::numeric_limits<int>::max());
    setText(text);
    opening_ = text;
    acceptedLength_ = static_cast<int>(text.size());
    acceptedLineBreak_ = HasLineBreak(text);
    setValidator(new LimitValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        acceptedLength_ = static_cast<int>(now.size());
        acceptedLineBreak_ = HasLineBreak(now);
        PostCountRefresh();
    });
    // Edits through the context menu or a drop count as typing.
    connect(this, &QLineEdit::textEdited, this, [this] { untouched_ = false; });
    PostCountRefresh();
}

InplaceEdit::~InplaceEdit()
{
    ClearCount();
}

void InplaceEdit::Detach()
{
    closing_ = true;
    ClearCount();
    disconnect(this, &InplaceEdit::EditEnded, nullptr, nullptr);
}

bool InplaceEdit::Accepts(const QString& text) const
{
    // A cell is one line of a text export: no new line breaks, from a drop or a middle-click
    // paste either.
    if (HasLineBreak(text) && !acceptedLineBreak_)
        return false;
    const int length = static_cast<int>(text.size());
    return length <= limit_ || length <= acceptedLength_;
}

void InplaceEdit::Close()
{
    if (closing_)
        return;
    closing_ = true;
    ClearCount();
    hide();
    deleteLater();
}

void InplaceEdit::Touch()
{
    untouched_ = false;
    PostCountRefresh();
}

void InplaceEdit::Copy()
{
    Touch();
    copy();
}

void InplaceEdit::Cut()
{
    Touch();
    cut();
}

void InplaceEdit::Paste()
{
    InsertText(QApplication::clipboard()->text());
}

void InplaceEdit::InsertText(QString clip)
{
    Touch();
    // One line only (a cell is one line of a text file), and only as much as fits.
    const auto lineEnd =
        std::find_if(clip.cbegin(), clip.cend(), [](QChar c) { return c == u'\r' || c == u'\n'; });
    clip.truncate(lineEnd - clip.cbegin());
    const int kept = static_cast<int>(text().size() - selectedText().size());
    const int room = limit_ - kept;
    if (room < clip.size())
        clip.truncate(room > 0 ? room : 0);
    if (clip.isEmpty() && !hasSelectedText())
        return;
    insert(clip);
}

void InplaceEdit::Undo()
{
    undo();
}

void InplaceEdit::Redo()
{
    redo();
}

void InplaceEdit::EndTheEdit()
{
    if (closing_)
        return;
    emit EditEnded(!untouched_ && text() != opening_);
}

bool InplaceEdit::event(QEvent* event)
{
    // Tab would otherwise move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            EndTheEdit();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void InplaceEdit::keyPressEvent(QKeyEvent* event)
{
    // Nothing typed here goes on to the grid underneath.
    event->accept();
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            EndTheEdit();
            return;
        case Qt::Key_Escape:
            untouched_ = true;
            [[fallthrough]];
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The focus loss ends the edit.
            if (grid_)
                grid_->setFocus(Qt::OtherFocusReason);
            return;
        case Qt::Key_Left:
            if (!hasSelectedText() && cursorPosition() == 0) {
                EndTheEdit();
                return;
            }
            break;
        case Qt::Key_Right:
            if (!hasSelectedText() && cursorPosition() == text().size()) {
                EndTheEdit();
                return;
            }
            break;
        case Qt::Key_Delete:
            untouched_ = false;
            break;
        default:
            break;
    }
    PostCountRefresh();
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    if (!event->text().isEmpty() || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        untouched_ = false;
    QLineEdit::keyPressEvent(event);
    event->accept();
}

void InplaceEdit::focusInEvent(QFocusEvent* event)
{
    // Coming back from the context menu is no new start.
    if (event->reason() != Qt::PopupFocusReason)
        untouched_ = true;
    QLineEdit::focusInEvent(event);
}

void InplaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The context menu takes the focus for a moment; the edit goes on.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    ClearCount();
    EndTheEdit();
}

void InplaceEdit::SetSpeller(const Speller* speller)
{
    speller_ = speller;
    connect(this, &QLineEdit::textChanged, this, &InplaceEdit::MarkMisspelled,
            Qt::UniqueConnection);
    MarkMisspelled();
}

// QLineEdit has no character formats of its own; an input-method event with no text carries
// them (positions relative to the cursor) and leaves the text and its undo alone.
void InplaceEdit::MarkMisspelled()
{
    QList<QInputMethodEvent::Attribute> marks;
    if (speller_) {
        QTextCharFormat wave;
        wave.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wave.setUnderlineColor(Qt::red);
        const QString shown = text();
        for (const TextSpan& word : SpellingWords(shown, {})) {
            if (!speller_->Knows(QStringView(shown).mid(word.start, word.length)))
                marks.append({QInputMethodEvent::TextFormat,
                              static_cast<int>(word.start) - cursorPosition(),
                              static_cast<int>(word.length), wave});
        }
    }
    QInputMethodEvent event(QString(), marks);
    QLineEdit::inputMethodEvent(&event);
}

TextSpan InplaceEdit::UnknownWordAt(int position) const
{
    if (!speller_)
        return {};
    const QString shown = text();
    for (const TextSpan& word : SpellingWords(shown, {})) {
        if (position >= word.start && position <= word.End() &&
            !speller_->Knows(QStringView(shown).mid(word.start, word.length)))
            return word;
    }
    return {};
}

void InplaceEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    // An unknown word under the pointer: the dictionary's suggestions and Add to Word List
    // first.
    if (const TextSpan word = UnknownWordAt(cursorPositionAt(event->pos())); word.length > 0) {
        QAction* first = menu->actions().value(0);
        const QString unknown = text().mid(word.start, word.length);
        const QStringList suggestions = speller_->Suggestions(unknown).mid(0, kMaxSuggestions);
        for (const QString& suggestion : suggestions) {
            QAction* take = new QAction(suggestion, menu);
            connect(take, &QAction::triggered, this, [this, word, suggestion] {
                setSelection(static_cast<int>(word.start), static_cast<int>(word.length));
                insert(suggestion);
            });
            menu->insertAction(first, take);
        }
        QAction* add = new QAction(UiText("spelling.addWord"), menu);
        add->setObjectName(QStringLiteral("spelling.addWord"));
        connect(add, &QAction::triggered, this, [this, unknown] {
            emit WordAdded(unknown);
            MarkMisspelled();
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
    }
    // The menu's paste goes through the same one-line, limited path as Ctrl+V.
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, &InplaceEdit::Paste);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void InplaceEdit::PostCountRefresh()
{
    QMetaObject::invokeMethod(this, &InplaceEdit::CountRefresh, Qt::QueuedConnection);
}

void InplaceEdit::CountRefresh()
{
    if (closing_)
        return;
    shownCount_ = UiText(str::SymbolsUsed).arg(static_cast<int>(text().size())).arg(limit_);
    emit StatusShown(shownCount_);
}

void InplaceEdit::ClearCount()
{
    // Only our own message: another editor may already show its count.
    if (!shownCount_.isEmpty())
        emit StatusCleared(shownCount_);
    shownCount_.clear();
}

}  // namespace scrivlet
