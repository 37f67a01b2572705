#pragma once

#include "session/DocumentSession.h"

#include <QPointer>
#include <QTableView>

#include <vector>

class QTimer;

// The view of one EdtDocument: a QTableView over a GridModel. The view paints every cell
// itself, keeps the selected cell (which can differ from the list's selected row), turns keys
// and clicks into selection, editing and the add-row's new records, and hosts the one
// InplaceEdit. Its edits reach the document as steps of the history it is given; the other
// commands on its document are GridCommands'.

namespace scrivlet {

class DocumentChecks;
class TranslationStatus;

class EdtDocument;
class GridModel;
class InplaceEdit;

// The cell font every document asks for (Qt falls back where it is missing).
inline QString DocumentFontFamily()
{
    return QStringLiteral("Lucida Sans Unicode");
}

// A text longer than its field is painted on this background.
inline constexpr QRgb kTextTooLongColour = qRgb(255, 235, 235);
// The state marks: mid tones that stand out on light and dark backgrounds alike.
inline constexpr QRgb kMarkUntranslatedColour = qRgb(230, 150, 30);
inline constexpr QRgb kMarkSameColour = qRgb(80, 130, 220);
inline constexpr QRgb kMarkTranslatedColour = qRgb(60, 170, 90);
inline constexpr QRgb kMarkProblemColour = qRgb(220, 50, 80);
inline constexpr QRgb kMarkReviewColour = qRgb(150, 80, 200);
inline constexpr QRgb kMarkNeedsWorkColour = qRgb(235, 200, 40);
inline constexpr QRgb kMarkApprovedColour = qRgb(20, 100, 50);
inline constexpr int kMarkWidth = 3;

// What a field's mark stands for, in words: its problems, else its state.
QString FieldStateText(const TranslationStatus& status, int record, int field);

class GridView : public QTableView {
    Q_OBJECT

public:
    // Shows the session's document, whose edits go through the session (not owned; when the
    // document goes first the view empties). Nothing is selected until a click, a key or
    // SelectCell: a search then covers every record from the first.
    GridView(DocumentSession* session, QWidget* parent = nullptr);
    ~GridView() override;

    EdtDocument* Document() const;

    // The document's session; every edit of the view is a step of its history.
    DocumentSession* Session() const { return session_; }

    // Selects the record (in the selected column) and scrolls it into view; false, changing
    // nothing, for a record outside the document.
    bool GoToRecord(int record);

    // Ends any edit, then selects (row, column) of the document; false when the row does not
    // exist.
    bool SelectCell(int row, int column);
    // The states the cells mark at their left edge, and the reference shown beside each text
    // column; null for neither. Not owned.
    void SetTranslationStatus(const TranslationStatus* status);
    const TranslationStatus* Status() const { return status_; }
    // The quality checks whose problems (enabled and not ignored) turn a text cell's mark red;
    // null: the status's own problems do. Not owned.
    void SetChecks(const DocumentChecks* checks);
    // Selects the first text cell of the first row, so the keyboard works at once, without
    // moving where a search starts: until the user moves, Find still begins at the first
    // record.
    bool SelectStartCell();
    int SelectedRow() const { return selectedRow_; }
    // The rows selected (Shift and Ctrl extend the selection), in order; the selected row alone
    // when no more are.
    std::vector<int> SelectedRows() const;
    // The document column of the selected cell; a reference cell gives the column it shows.
    int SelectedColumn() const;
    // Opens the editor on the selected cell (as F2 does); false when it is no text cell.
    bool BeginEdit();
    // Opens the editor on (row, document column) of the list's selected row.
    bool EditCell(int row, int column);
    // The row the list itself has selected, -1 for none. After the add-row appended a record
    // the list stays on the add-row while the selected cell is on the new record.
    int ListRow() const;
    // Whether (row, document column) is the selected cell.
    bool IsSelected(int row, int column) const;
    // Whether (row, document column) is a text cell of a record.
    bool IsTextCell(int row, int column) const;
    // The selection is SelectStartCell's and nobody has moved since: a search covers every
    // record from the first.
    bool StartsFromTop() const { return searchFromStart_; }
    // The open editor's record and document column; -1 without an editor.
    int EditRow() const { return editRow_; }
    int EditColumn() const;
    // Shows text in the window's status bar.
    void ShowStatus(const QString& text) { emit StatusShown(text); }
    // Takes text off the status bar if it still shows it.
    void ClearStatus(const QString& text) { emit StatusCleared(text); }
    // Commits the open editor (its text goes to the document), if any.
    void EndEdit();
    // The open editor, or null.
    InplaceEdit* Editor() const { return editor_; }
    // Tells FieldCommitted for a text the commands put in.
    void NoteCommitted(int record, int column) { emit FieldCommitted(record, column); }

    // The list does no type-ahead search over a million rows.
    void keyboardSearch(const QString& search) override;

signals:
    // Add to Word List in the editor's context menu.
    void WordAdded(const QString& word);
    // A line for the window's status bar ("Symbols used", what Replace did).
    void StatusShown(const QString& text);
    // text is no longer true: the status bar drops it if it still shows it.
    void StatusCleared(const QString& text);
    // The in-place editor opened or closed (the Edit commands then act on it or the history).
    void EditingChanged(bool editing);
    // Another cell was selected, or none.
    void CellSelected();
    // The user gave a field a new text: the cell editor closed with a change, or a text was
    // put in (a suggestion, the reference's text).
    void FieldCommitted(int record, int column);
    // The text in the cell editor, a moment after the last keystroke (the checks follow it
    // before it is committed); EditingChanged(false) says it is gone.
    void EditTextChanged(int record, int column, const QString& text);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    friend class GridDelegate;

    void RowSelected(int row);
    // Keeps the selection, the editor and the add-row's span in place as rows come and go.
    void FollowModel();
    // Selects by view column.
    bool SelectViewCell(int row, int column);
    // Shows the status's reference columns, or removes them.
    void FollowReference();
    void MoveColumn(int step);
    // Opens the editor over (row, column), which must be a text cell of the list's row.
    bool OpenEditor(int row, int column);
    void CommitRequest(InplaceEdit* editor);
    void CancelRequest(InplaceEdit* editor);
    // The one way an edit reaches the document.
    bool WriteText(int record, int column, const QString& text);
    void AppendFromAddRow();
    void ForgetEditor(const InplaceEdit* editor);
    void SendKeyToEditor(const QKeyEvent* event);
    void HandleButtonDown(QMouseEvent* event);

    QRect CellRect(int row, int column) const;
    void InvalidateCell(int row, int column);
    void RefreshAppearance();
    void UpdateColumns();
    void UpdateAddRowSpan();
    void PaintCell(QPainter* painter, const QRect& rect, int row, int column) const;

    GridModel* model_ = nullptr;
    QPointer<DocumentSession> session_;
    InplaceEdit* editor_ = nullptr;
    // The editor whose commit or cancel is being handled: its focus loss while that closes
    // it must not run a second time.
    InplaceEdit* requestEditor_ = nullptr;
    QTimer* editTextTimer_ = nullptr;
    // Columns here are the view's (GridModel::ColumnAt gives the document's).
    int editRow_ = -1;
    int editColumn_ = -1;
    int selectedRow_ = -1;
    int selectedColumn_ = -1;
    const TranslationStatus* status_ = nullptr;
    const DocumentChecks* checks_ = nullptr;
    QFont cellFont_;
    int rowHeight_ = 0;
    int spanRow_ = -1;  // the row the add-row span sits on, -1 for none
    // The selection is SelectStartCell's and nobody has moved or searched since.
    bool searchFromStart_ = false;
    // Rows came or went since the last paint: the header's row positions are stale, and
    // asking for one cell's rectangle would recompute them over every row.
    bool rowsMoved_ = false;
};

}  // namespace scrivlet
