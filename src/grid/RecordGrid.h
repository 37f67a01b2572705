#pragma once

#include "GridCell.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The data model of one open document: rows of cells (one per record, plus the add-row),
// the selection and edit state, the commit protocol with the in-place editor, and the
// document's properties. The view (GridView) paints it and turns input into its operations.

namespace scrivlet {

struct EdtFormat;

enum GridMode : quint32 {
    kModeClickEdits = 0x01,      // a click on an editable cell opens the editor at once
    kModeNoGridLines = 0x02,
    kModeTabNavigates = 0x04,    // Tab moves the selected cell as Right does
    kModeNoNavigate = 0x08,      // NavigateRequest is ignored
    kModeRowHighlight = 0x10,    // the selected row is drawn on the row-highlight background
    kModeSelectionColours = 0x20,
    kModeAddRow = 0x40,          // the last row is the add-row
    kDocumentGridModes = 0x51,   // every document grid runs with these
};

enum FileType : int {
    kFileTypeAll = 0,  // "all supported" in the file dialogs
    kFileTypeEdt = 1,
    kFileTypeText = 2,
};

// The cell font every document asks for.
inline QString DocumentFontFamily() { return QStringLiteral("Lucida Sans Unicode"); }

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
    void RowsInserted(int first, int last);
    void RowsReset();
    void CellInvalidated(int row, int column);
    void AllInvalidated();
    void LayoutChanged();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace scrivlet
