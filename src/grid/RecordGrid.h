#pragma once

#include "grid/GridCell.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

// The data model of one open document: rows of cells (one per record, plus the add-row),
// the selection and edit state, the commit protocol with the in-place editor, and the
// document's properties. The view (GridView) paints it and turns input into its operations.

namespace scrivlet {

struct EdtFormat;
struct FieldDef;

enum GridMode : quint32 {
    kModeClickEdits = 0x01,  // a click on an editable cell opens the editor at once
    kModeNoGridLines = 0x02,
    kModeTabNavigates = 0x04,  // Tab moves the selected cell as Right does
    kModeNoNavigate = 0x08,    // NavigateRequest is ignored
    kModeRowHighlight = 0x10,  // the selected row is drawn on the row-highlight background
    kModeSelectionColours = 0x20,
    kModeAddRow = 0x40,         // the last row is the add-row
    kDocumentGridModes = 0x51,  // every document grid runs with these
};

enum FileType : int {
    kFileTypeAll = 0,  // "all supported" in the file dialogs
    kFileTypeEdt = 1,
    kFileTypeText = 2,
};

// The cell font every document asks for.
inline QString DocumentFontFamily()
{
    return QStringLiteral("Lucida Sans Unicode");
}

// Virtual-key codes of NavigateRequest.
enum NavigateKey : int {
    kKeyTab = 9,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
};

// What the model needs from the window that shows it. Without a host the model still keeps
// a consistent state: the list selection is its own, no editor can open and nothing beeps.
class GridHost {
public:
    virtual ~GridHost() = default;
    // The cell's rectangle in the view's viewport coordinates.
    virtual QRect CellRect(int row, int column) const = 0;
    // A new, hidden editor over rect holding text, or null.
    virtual InplaceControl* CreateEditor(const QRect& rect, const QString& text) = 0;
    // Moves the keyboard focus from the editor to the grid; the editor's focus loss ends
    // its edit, which may re-enter the model (CommitRequest -> EndEdit).
    virtual void FocusGrid() = 0;
    // Gives the list row the selected and focused states and scrolls it into view; reports
    // the selection back through ListRowSelected. row -1 clears the list's selection.
    virtual bool SelectListRow(int row) = 0;
    virtual void Beep() = 0;
};

struct GridColumn {
    QString caption;
    int width = -1;  // -1: the view's default width
};

class RecordGrid : public QObject {
    Q_OBJECT

public:
    explicit RecordGrid(QObject* parent = nullptr);
    ~RecordGrid() override;

    // --- rows, columns and cells -------------------------------------------------------
    // Columns are inserted before the first row; the column count is fixed at the first
    // InsertRecordRow.
    void InsertColumn(int index, const QString& caption, int width);
    int ColumnCount() const;
    const GridColumn& Column(int index) const;
    // Rows in the list, the add-row included.
    int RowCount() const;
    // Rows without the add-row.
    int RecordCount() const;
    // Null for a row outside the grid. The row owns its cells; entries may be null.
    GridCell* const* RowCells(int row) const;
    GridCell* CellAt(int row, int column) const;
    // Index of the new row or -1; the grid owns firstCell from here on (also on failure).
    int InsertRecordRow(int index, GridCell* firstCell);
    // False for a missing row, a column outside the grid, or an occupied entry; the grid
    // owns cell only when the answer is true.
    bool SetCell(int row, int column, GridCell* cell);
    // Appends the add-row (an AddRowCell after the last record).
    void AppendAddRow();
    // Room for rows more rows, so that a large load does not regrow the row storage.
    void ReserveRows(int rows);
    // A new empty record before the add-row (the answer to AddRowActivated).
    void AppendNewRecord();
    // Removes every row and column, as when the document is discarded.
    void Clear();

    // --- mode, selection, editing --------------------------------------------------------
    quint32 ModeFlags() const;
    void SetModeFlags(quint32 flags);
    bool HasAddRow() const;
    bool IsAddRow(int row) const;
    int SelectedRow() const;
    int SelectedColumn() const;
    int EditRow() const;
    int EditColumn() const;
    // The row the list itself has selected (-1 for none). It differs from SelectedRow()
    // after a click on the add-row: the new record is the selected cell's row while the
    // list's selection stays on the add-row. The search walk starts from this row.
    int ListSelectedRow() const;

    void SetHost(GridHost* host);
    GridHost* Host() const;
    // Reply-bearing notifications; a non-zero reply vetoes (CellChanging: the old value is
    // put back; CellClicked: the click goes no further). No handler answers 0.
    using CellReply = std::function<int(GridCell*)>;
    void SetCellChangingHandler(CellReply handler);
    void SetCellClickedHandler(CellReply handler);
    int SendCellClicked(GridCell* cell);
    // Called by AddRowCell; the grid answers it itself with AppendNewRecord.
    void SendAddRowActivated();

    // Ends any edit, then selects (row, column); false when the row does not exist.
    bool SelectCell(int row, int column);
    // The list reports that row became selected (-1: nothing selected).
    void ListRowSelected(int row);
    // Sets the selected cell without notifications (the view's click handling).
    void SetSelection(int row, int column);
    // Moves the selection for Tab, Left, Up, Right or Down (NavigateKey).
    void NavigateRequest(int key);

    // Opens the cell's editor over it; the row must be the list's selected row.
    bool BeginEdit(GridCell* cell, int row, int column);
    // BeginEdit with the editor's text limit set to the field's size.
    bool BeginEditLimited(GridCell* cell, int row, int column);
    // Closes the editor, committing or cancelling it through its focus loss. Afterwards
    // there is no editor and the edit row and column are -1, whatever nested in between.
    void EndEdit();
    InplaceControl* Editor() const;
    // The open editor when cell made it, else null.
    InplaceControl* EditorOf(const GridCell* cell) const;
    // For TextCell::CreateInplaceControl: asks the host for an editor.
    InplaceControl* CreateEditor(const GridCell* cell, const QRect& rect, const QString& text);
    // From the editor when its edit ends with a changed text / unchanged text. Both reply 0.
    int CommitRequest(InplaceControl* editor);
    int CancelRequest(InplaceControl* editor);
    // The editor is being destroyed by someone else (the view going away).
    void ForgetEditor(InplaceControl* editor);

    QRect GetCellRect(int row, int column) const;
    void InvalidateCell(int row, int column);
    // Re-reads colours and fonts and repaints (after loading, on settings changes).
    void RefreshAppearance();

    // The format's field shown in column, or null.
    const FieldDef* FieldAt(int column) const;

    // --- document properties -------------------------------------------------------------
    bool IsModified() const;
    void SetModified(bool modified);
    int GetFileType() const;
    void SetFileType(int fileType);
    int GetEncoding() const;
    void SetEncoding(int encoding);
    QString GetPath() const;
    void SetPath(const QString& path);
    int GetFormatIndex() const;
    void SetFormatIndex(int index);
    // The document's format from the global catalogue, or null.
    const EdtFormat* Format() const;
    QString CellFontFamily() const;
    void SetCellFontFamily(const QString& family);

signals:
    // Notifications to the grid's parent (the reply-bearing ones are callbacks below).
    void CellSelected(scrivlet::GridCell* cell);
    void CellChanged(scrivlet::GridCell* cell);
    void AddRowActivated();
    // For the view: rows were added or removed, a cell or everything needs repainting,
    // the layout (columns, font) changed.
    void RowsAboutToBeInserted(int first, int last);
    void RowsInserted(int first, int last);
    void RowsAboutToBeReset();
    void RowsReset();
    void ColumnsChanged();
    void CellInvalidated(int row, int column);
    void AllInvalidated();
    void LayoutChanged();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace scrivlet
