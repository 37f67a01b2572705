#pragma once

#include "grid/GridCell.h"

#include <QLineEdit>
#include <QPointer>

// The single-line editor a TextCell opens over itself. Typing, caret, selection, clipboard
// and undo are QLineEdit's own; this class adds the opening text, the keys that end an edit,
// the choice between CommitRequest and CancelRequest, the text limit that never cuts the
// opening text, and the "Symbols used" count in the main window's status bar.

namespace scrivlet {

class GridView;

// The limit of an editor nobody limited (the platform edit control's default).
constexpr int kDefaultTextLimit = 32767;

class InplaceEdit : public QLineEdit, public InplaceControl {
    Q_OBJECT

public:
    // A hidden child of view's viewport covering rect; the grid shows it.
    InplaceEdit(GridView* view, const QRect& rect, const QString& text);
    ~InplaceEdit() override;

    QString Text() const override { return text(); }
    void SetTextLimit(int limit) override;
    void FocusAndSelectAll() override;
    void ShowAndFocus() override;
    bool HasFocus() const override { return hasFocus(); }
    void PostCloseRequest() override;

    int TextLimit() const { return limit_; }
    QString OpeningText() const { return opening_; }
    bool IsUntouched() const { return untouched_; }
    bool IsClosing() const { return closing_; }

    // The grid's Edit commands. Undo goes straight to the line edit and does not count as
    // touching the text.
    void Copy();
    void Cut();
    void Paste();
    void Undo();

    // Ends the edit: CommitRequest when the text differs from the opening text (and
    // something was typed), else CancelRequest. Answers the grid's reply.
    int EndTheEdit();

    // The view is going away: end nothing, tell nobody.
    void DetachFromView();

    // Whether the text may replace the current one: within the limit or no longer than the
    // text already is (a text over the limit opens whole), and no new line break.
    bool Accepts(const QString& text) const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void EndWithKey(int key);
    void PostCountRefresh();
    void CountRefresh();
    void ClearCount();
    void Touch();

    QPointer<GridView> view_;
    QString opening_;
    QString shownCount_;
    int limit_ = kDefaultTextLimit;
    int acceptedLength_ = 0;
    bool acceptedLineBreak_ = false;
    bool untouched_ = false;
    bool closing_ = false;
    bool ending_ = false;
};

}  // namespace scrivlet
