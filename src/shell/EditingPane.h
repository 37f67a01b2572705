#pragma once

#include <QDockWidget>
#include <QHash>
#include <QPointer>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolBar;

// The editing pane, a dock below the grid by default: the selected field's original in full,
// wrapped, with its placeholders, numbers and glossary terms marked, and its translation in a
// multi-line editor with the spelling underlined and the field's capacity counted as the
// game's encoding counts it ("37 / 64"). What goes past the capacity shows in red and is
// never cut off: a text that does not fit is not committed, the pane says why and keeps it
// (also while another field is selected) until it fits. The original's placeholders and
// tags are buttons (Alt+1..9) that insert them. Below, the field's state and comment, set there
// too. Done and Next (Ctrl+Return) commits, marks the field translated and goes on to the next
// field to work on. The in-place cell editor of the grid stays for quick edits.

namespace scrivlet {

class BoxPreview;
class ConflictView;
class DocumentTab;
class FieldNoteBox;
struct CheckSettings;

class EditingPane : public QDockWidget {
    Q_OBJECT

public:
    explicit EditingPane(QWidget* parent = nullptr);
    ~EditingPane() override;

    // The tab whose selected field the pane shows; null for none.
    void Follow(DocumentTab* tab);
    // What Ctrl+Return runs after a commit: the next field to work on is selected.
    void SetNext(std::function<void()> next) { next_ = std::move(next); }

    // Commits the typed text to the field as one step; false (the pane says why) when it does
    // not fit or no field is shown. Nothing typed: true, nothing changes.
    bool Commit();
    // Commit, then the next field (Ctrl+Return).
    bool DoneAndNext();
    // Puts text at the cursor of the translation (a suggestion, a placeholder).
    void Insert(const QString& text);
    // Puts text in place of the typed one (a suggestion chosen while typing).
    void Replace(const QString& text);

    QPlainTextEdit* Original() const { return original_; }
    QPlainTextEdit* Translation() const { return translation_; }
    QLabel* Capacity() const { return capacity_; }
    QLabel* Note() const { return note_; }
    // Mine, theirs and the base of a field a merge changed two ways.
    ConflictView* Conflict() const { return conflict_; }
    // The field's state and comment.
    FieldNoteBox* Notes() const { return notes_; }
    // The translation in the game's text box, when the field has one.
    BoxPreview* Preview() const { return preview_; }
    // The field shown: its record and document column; -1 for none.
    int Record() const { return record_; }
    int Column() const { return column_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DraftKey;
    void ShowSelected();
    void ShowField(int record, int column);
    void TextEdited();
    void ShowCapacity();
    void ShowPreview();
    void FillInserts(const QString& original);
    void Clear(const QString& note);
    // What the highlighters mark by; null for nothing.
    void UseSettings(const CheckSettings* settings);
    bool Dirty() const;
    // The typed text as the field would hold it: line breaks as the field's own were.
    QString Typed() const;
    // The field's capacity in the units its text is counted in; -1 without a field.
    int Capacity(int column) const;
    // Keeps the typed text of the field shown while another is selected.
    void KeepDraft();

    QPointer<DocumentTab> tab_;
    std::function<void()> next_;
    QLabel* where_;
    ConflictView* conflict_;
    QPlainTextEdit* original_;
    QToolBar* inserts_;
    QPlainTextEdit* translation_;
    QLabel* capacity_;
    QLabel* note_;
    FieldNoteBox* notes_;
    BoxPreview* preview_;
    QTimer* pending_;
    int record_ = -1;
    int column_ = -1;
    QString committed_;  // the field's text as the document holds it
    QString shown_;      // the same as the editor gives it back (its line breaks are "\n")
    bool showing_ = false;  // the pane itself is filling the editor
    // Texts typed but not committed (too long), by tab, record and column.
    QHash<QString, QString> drafts_;
};

}  // namespace scrivlet
