#pragma once

#include <QLineEdit>
#include <QPointer>

#include "translation/TextSpan.h"

// The single-line editor the grid opens over a text cell. Typing, caret, selection, clipboard
// and undo are QLineEdit's own; this class adds the keys that end an edit, the choice between
// a commit and a cancel when it ends, the text limit that never cuts the opening text, and
// the "Symbols used" count it reports for the main window's status bar.

namespace scrivlet {

class Speller;

class InplaceEdit : public QLineEdit {
    Q_OBJECT

public:
    // A child of parent covering rect, holding text; grid gets the focus back when Return or
    // Escape ends the edit.
    InplaceEdit(QWidget* parent, QWidget* grid, const QRect& rect, const QString& text, int limit);
    ~InplaceEdit() override;

    // The grid's Edit commands. Undo and Redo go straight to the line edit and do not count as
    // touching the text.
    void Copy();
    void Cut();
    void Paste();
    // Puts text in at the caret as Paste does (its first line, as much as fits), as typing.
    void InsertText(QString text);
    void Undo();
    void Redo();

    // Words speller does not know get a red wave; the context menu offers its suggestions
    // (up to 8) and Add to Word List, which sends WordAdded. speller must outlive the editor.
    void SetSpeller(const Speller* speller);

    // Hides the editor and deletes it later (it may be inside its own event handler); a focus
    // loss from here on ends nothing.
    void Close();
    // The grid is going away: end nothing, tell nobody.
    void Detach();

signals:
    void WordAdded(const QString& word);
    // The edit ends (focus loss or an ending key): changed says whether the text differs from
    // the opening text and something was typed since the editor got the focus. The grid's
    // answer closes the editor, whose focus loss sends this once more, nested.
    void EditEnded(bool changed);
    // The "Symbols used" count for the window's status bar, and its end.
    void StatusShown(const QString& text);
    void StatusCleared(const QString& text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class LimitValidator;
    // Whether text may replace the current one: within the limit or no longer than the text
    // already is (a text over the limit opens whole), and no new line break.
    bool Accepts(const QString& text) const;
    void EndTheEdit();
    void PostCountRefresh();
    void CountRefresh();
    void ClearCount();
    void Touch();
    void MarkMisspelled();
    // The unknown word at position, empty for none.
    TextSpan UnknownWordAt(int position) const;

    QPointer<QWidget> grid_;
    QString opening_;
    QString shownCount_;
    int limit_ = 0;
    int acceptedLength_ = 0;
    bool acceptedLineBreak_ = false;
    bool untouched_ = false;
    bool closing_ = false;
    const Speller* speller_ = nullptr;
};

}  // namespace scrivlet
