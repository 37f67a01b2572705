#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QToolButton;

// The editing pane's part for what a translator or a reviewer says of the field beyond its
// text: its state (not translated, needs work, translated, approved) with the grid's mark
// colour, buttons that toggle needs work and approve, and the comment in a small editor that
// is kept when it loses the keyboard or another field is shown. Each change is a step of the
// document's history, the same as Edit > Review makes.

namespace scrivlet {

class DocumentTab;

class FieldNoteBox : public QWidget {
    Q_OBJECT

public:
    explicit FieldNoteBox(QWidget* parent = nullptr);

    // Shows the field at (record, document column) of tab; a null tab or -1 shows none. The
    // comment typed for the field shown before is kept first.
    void Show(DocumentTab* tab, int record, int column);
    // Keeps the typed comment (a step of its own); false when it was the same.
    bool CommitComment();
    // The field is done: one that needs work, or keeps its original's text, is translated
    // now (an approval stays). False when nothing changed.
    bool MarkDone();

    QLabel* State() const { return state_; }
    QToolButton* NeedsWork() const { return needsWork_; }
    QToolButton* Approved() const { return approved_; }
    QPlainTextEdit* Comment() const { return comment_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The state and the comment as the session holds them.
    void Refresh();
    int Field() const;
    void ToggleNeedsWork();
    void ToggleApproved();

    QPointer<DocumentTab> tab_;
    int record_ = -1;
    int column_ = -1;
    QLabel* mark_;
    QLabel* state_;
    QToolButton* needsWork_;
    QToolButton* approved_;
    QPlainTextEdit* comment_;
    QString stored_;  // the comment the session holds for the field shown
};

}  // namespace scrivlet
