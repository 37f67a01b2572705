#pragma once

#include "search/Replace.h"

#include <QTableView>

#include <optional>

class QStatusBar;
class QUndoStack;

// The view of one EdtDocument: a QTableView over a GridModel. The view paints every cell
// itself, keeps the selected cell (which can differ from the list's selected row), turns keys
// and clicks into selection, editing and the add-row's new records, and hosts the one
// InplaceEdit. Every edit reaches the document through WriteText.

namespace scrivlet {

class TranslationStatus;

class DocumentHistory;
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
inline constexpr QRgb kMarkTranslatedColour = qRgb(60, 170, 90);
inline constexpr QRgb kMarkProblemColour = qRgb(220, 50, 80);
inline constexpr int kMarkWidth = 3;

// What Replace All did, as the status bar says it.
QString ReplaceReportText(const ReplaceReport& report);

class GridView : public QTableView {
    Q_OBJECT

public:
    // Shows document (not owned; when it goes first the view empties). Nothing is selected
    // until a click, a key or SelectCell: a search then covers every record from the first.
    explicit GridView(EdtDocument* document, QWidget* parent = nullptr);
    ~GridView() override;

    EdtDocument* Document() const;

    // The document's edit history; every edit of the view is a step on its stack.
    DocumentHistory* History() const { return history_; }
    QUndoStack* UndoStack() const;

    enum class EditAction { Copy, Cut, Paste, Undo, Redo };
    // On the open in-place editor. Without one, Undo and Redo take a step of the history and
    // select the cell it changed; the others do nothing.
    void EditCommand(EditAction action);
    // Searches from the list's selected record (the add-row counts as none); on a hit selects
    // the cell and opens the editor with the match selected. Nothing found changes nothing;
    // a pattern that cannot run beeps. After a Replace All that left fields alone, the first
    // of them is selected and the search begins inside it.
    void FindRequest(const SearchQuery& query);
    // Replaces the match the editor shows selected and searches on from its end; where the
    // editor shows no match, only searches. A replacement too long for the field is not made:
    // a beep and a note in the status bar.
    void ReplaceRequest(const SearchQuery& query, const QString& replacement);
    // Every match of the document as one step; the report also goes to the status bar. Null
    // when nothing is typed, the pattern cannot run or memory ran out (a beep, no change).
    std::optional<ReplaceReport> ReplaceAllRequest(const SearchQuery& query,
                                                   const QString& replacement);
    // Selects the record (in the selected column) and scrolls it into view; false, changing
    // nothing, for a record outside the document.
    bool GoToRecord(int record);

    // The main window's status bar, where the editor shows "Symbols used"; may be null.
    static void SetStatusBar(QStatusBar* statusBar);
    static QStatusBar* StatusBar();

    // Ends any edit, then selects (row, column) of the document; false when the row does not
    // exist.
    bool SelectCell(int row, int column);
    // The states the cells mark at their left edge, and the reference shown beside each text
    // column; null for neither. Not owned.
    void SetTranslationStatus(const TranslationStatus* status);
    // Puts the reference's text of the selected text cell into its field as one undo step,
    // cut to the field's size with a beep; beeps and does nothing without a reference or a
    // selected text cell.
    bool CopyReference();
    // Selects the first text cell of the first row, so the keyboard works at once, without
    // moving where a search starts: until the user moves, Find still begins at the first
    // record.
    bool SelectStartCell();
    int SelectedRow() const { return selectedRow_; }
    // The document column of the selected cell; a reference cell gives the column it shows.
    int SelectedColumn() const;
    // Opens the editor on the selected cell (as F2 does); false when it is no text cell.
    bool BeginEdit();
    // Commits the open editor (its text goes to the document), if any.
    void EndEdit();
    // The open editor, or null.
    InplaceEdit* Editor() const { return editor_; }

    // The list does no type-ahead search over a million rows.
    void keyboardSearch(const QString& search) override;

protected:
    bool event(QEvent* event) override;
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

    // The row the list itself has selected, -1 for none. After the add-row appended a record
    // the list stays on the add-row while the selected cell is on the new record.
    int ListRow() const;
    void RowSelected(int row);
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
    // Selects the hit of a search and opens the editor on it with the match selected.
    void ShowHit(SearchOutcome outcome, const SearchHit& hit);
    void ShowStatus(const QString& text);
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
    DocumentHistory* history_ = nullptr;
    InplaceEdit* editor_ = nullptr;
    // Where the next search begins after Replace All left fields alone (record -1: none).
    SearchResume resume_;
    // The match a search showed last, for Replace once the editor has closed.
    SearchHit lastHit_;
    // The editor whose commit or cancel is being handled: its focus loss while that closes
    // it must not run a second time.
    InplaceEdit* requestEditor_ = nullptr;
    // Columns here are the view's (GridModel::ColumnAt gives the document's).
    int editRow_ = -1;
    int editColumn_ = -1;
    int selectedRow_ = -1;
    int selectedColumn_ = -1;
    const TranslationStatus* status_ = nullptr;
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
