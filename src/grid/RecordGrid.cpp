#include "grid/RecordGrid.h"

#include "catalogue/FormatCatalogue.h"
#include "base/UiText.h"

#include <algorithm>
#include <new>
#include <vector>

namespace scrivlet {

struct RecordGrid::Impl {
    std::vector<GridColumn> columns;
    // Fixed at the first InsertRecordRow; the cells of row r are
    // cells[r * columnCount .. (r + 1) * columnCount).
    int columnCount = 0;
    int rowCount = 0;
    std::vector<GridCell*> cells;

    quint32 modeFlags = 0;
    int selectedRow = -1;
    int selectedColumn = -1;
    int listRow = -1;

    InplaceControl* editor = nullptr;
    const GridCell* editorCell = nullptr;  // the cell that made the open editor
    int editRow = -1;
    int editColumn = -1;
    // The editor whose CommitRequest or CancelRequest is being handled; a nested request
    // from it (its focus loss while the request closes it) must not run a second time.
    InplaceControl* requestEditor = nullptr;

    GridHost* host = nullptr;
    CellReply cellChanging;
    CellReply cellClicked;

    bool modified = true;
    int fileType = kFileTypeEdt;
    int encoding = 0;
    QString path;
    int formatIndex = -1;
    QString cellFontFamily;

    GridCell** Row(int row) { return cells.data() + static_cast<size_t>(row) * columnCount; }
};

RecordGrid::RecordGrid(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>())
{
    // The document grid answers its own add-row: no window above it does.
    connect(this, &RecordGrid::AddRowActivated, this, &RecordGrid::AppendNewRecord);
}

RecordGrid::~RecordGrid()
{
    d_->editor = nullptr;
    for (GridCell* cell : d_->cells)
        delete cell;
}

// --- rows, columns and cells -----------------------------------------------------------------

void RecordGrid::InsertColumn(int index, const QString& caption, int width)
{
    // Every row holds one entry per column, counted at the first row: a column added
    // later would have no cells behind it.
    if (d_->rowCount > 0)
        return;
    const int count = static_cast<int>(d_->columns.size());
    if (index < 0 || index > count)
        index = count;
    d_->columns.insert(d_->columns.begin() + index, GridColumn{caption, width});
    emit ColumnsChanged();
}

int RecordGrid::ColumnCount() const
{
    return d_->columnCount > 0 ? d_->columnCount : static_cast<int>(d_->columns.size());
}

const GridColumn& RecordGrid::Column(int index) const
{
    static const GridColumn none;
    if (index < 0 || index >= static_cast<int>(d_->columns.size()))
        return none;
    return d_->columns[static_cast<size_t>(index)];
}

int RecordGrid::RowCount() const
{
    return d_->rowCount;
}

int RecordGrid::RecordCount() const
{
    if (HasAddRow())
        return d_->rowCount > 0 ? d_->rowCount - 1 : 0;
    return d_->rowCount;
}

GridCell* const* RecordGrid::RowCells(int row) const
{
    if (row < 0 || row >= d_->rowCount || d_->columnCount == 0)
        return nullptr;
    return d_->Row(row);
}

GridCell* RecordGrid::CellAt(int row, int column) const
{
    if (row < 0 || row >= d_->rowCount || column < 0 || column >= d_->columnCount)
        return nullptr;
    return d_->Row(row)[column];
}

int RecordGrid::InsertRecordRow(int index, GridCell* firstCell)
{
    if (d_->columnCount == 0)
        d_->columnCount = static_cast<int>(d_->columns.size());
    // Without columns a row has no entry to hold its first cell.
    if (d_->columnCount == 0) {
        delete firstCell;
        return -1;
    }
    const int records = RecordCount();
    if (index < 0 || index > records)
        index = records;

    // Room first, so that a failure leaves everything as it was and the view is told
    // nothing; the insertion below then cannot allocate.
    const size_t needed = d_->cells.size() + static_cast<size_t>(d_->columnCount);
    if (needed > d_->cells.capacity()) {
        try {
            d_->cells.reserve(std::max(needed, d_->cells.capacity() * 2));
        } catch (const std::bad_alloc&) {
            delete firstCell;
            return -1;
        }
    }
    emit RowsAboutToBeInserted(index, index);
    d_->cells.insert(d_->cells.begin() + static_cast<ptrdiff_t>(index) * d_->columnCount,
                     static_cast<size_t>(d_->columnCount), nullptr);
    ++d_->rowCount;
    d_->Row(index)[0] = firstCell;
    if (firstCell)
        firstCell->SetOwner(this, 0);
    // Rows behind the new one move down; the list's selection moves with its item, and the
    // edit row with the cell being edited, so that a commit still finds it.
    if (d_->listRow >= index)
        ++d_->listRow;
    if (d_->editRow >= index)
        ++d_->editRow;
    emit RowsInserted(index, index);
    return index;
}

bool RecordGrid::SetCell(int row, int column, GridCell* cell)
{
    if (row < 0 || row >= d_->rowCount || column < 0 || column >= d_->columnCount)
        return false;
    GridCell*& entry = d_->Row(row)[column];
    // Replacing would orphan the cell that is there (and maybe its open editor).
    if (entry)
        return false;
    entry = cell;
    if (cell)
        cell->SetOwner(this, 0);
    emit CellInvalidated(row, column);
    return true;
}

void RecordGrid::AppendAddRow()
{
    // Not through InsertRecordRow's clamping: in add-row mode that would put it before the
    // last record.
    const quint32 flags = d_->modeFlags;
    d_->modeFlags &= ~quint32(kModeAddRow);
    InsertRecordRow(d_->rowCount, CreateAddRowCell());
    d_->modeFlags = flags;
}

void RecordGrid::ReserveRows(int rows)
{
    if (rows <= 0)
        return;
    const int columns = ColumnCount();
    try {
        d_->cells.reserve(static_cast<size_t>(d_->rowCount + rows) * static_cast<size_t>(columns));
    } catch (const std::bad_alloc&) {
        // Only a hint: the rows still go in one by one.
    }
}

void RecordGrid::AppendNewRecord()
{
    const EdtFormat* format = Format();
    if (!format)
        return;
    const int r = RecordCount();
    const QString pattern = UiText(str::RowLabelPattern).left(kMaxResourceText);
    bool inserted = false;
    for (int k = 0; k < kMaxFields; ++k) {
        const FieldDef& field = format->fields[static_cast<size_t>(k)];
        if (field.caption.isEmpty())
            break;
        GridCell* cell = nullptr;
        if (field.type == kLabelField) {
            const QString label =
                field.labels.size() > r ? field.labels[r] : FormatUiText(pattern, r);
            cell = CreateLabelCell(label);
        } else if (field.type == kTextField) {
            cell = CreateTextCell(QString());
        }
        if (k == 0) {
            // A first field of another type still makes the row; its entry stays empty.
            inserted = InsertRecordRow(r, cell) == r;
            if (!inserted)
                return;
        } else if (cell && !SetCell(r, k, cell)) {
            delete cell;
        }
    }
    if (inserted)
        emit AllInvalidated();
}

void RecordGrid::Clear()
{
    EndEdit();
    emit RowsAboutToBeReset();
    for (GridCell* cell : d_->cells)
        delete cell;
    d_->cells.clear();
    d_->cells.shrink_to_fit();
    d_->rowCount = 0;
    d_->columnCount = 0;
    d_->columns.clear();
    d_->selectedRow = d_->selectedColumn = d_->listRow = -1;
    emit RowsReset();
    emit ColumnsChanged();
}

// --- mode, selection, editing ----------------------------------------------------------------

quint32 RecordGrid::ModeFlags() const
{
    return d_->modeFlags;
}

void RecordGrid::SetModeFlags(quint32 flags)
{
    d_->modeFlags = flags;
    emit LayoutChanged();
}

bool RecordGrid::HasAddRow() const
{
    return (d_->modeFlags & kModeAddRow) != 0;
}

bool RecordGrid::IsAddRow(int row) const
{
    return HasAddRow() && d_->rowCount > 0 && row == d_->rowCount - 1;
}

int RecordGrid::SelectedRow() const
{
    return d_->selectedRow;
}
int RecordGrid::SelectedColumn() const
{
    return d_->selectedColumn;
}
int RecordGrid::EditRow() const
{
    return d_->editRow;
}
int RecordGrid::EditColumn() const
{
    return d_->editColumn;
}
int RecordGrid::ListSelectedRow() const
{
    return d_->listRow;
}

void RecordGrid::SetHost(GridHost* host)
{
    d_->host = host;
}
GridHost* RecordGrid::Host() const
{
    return d_->host;
}

void RecordGrid::SetCellChangingHandler(CellReply handler)
{
    d_->cellChanging = std::move(handler);
}

void RecordGrid::SetCellClickedHandler(CellReply handler)
{
    d_->cellClicked = std::move(handler);
}

int RecordGrid::SendCellClicked(GridCell* cell)
{
    return d_->cellClicked ? d_->cellClicked(cell) : 0;
}

void RecordGrid::SendAddRowActivated()
{
    emit AddRowActivated();
}

bool RecordGrid::SelectCell(int row, int column)
{
    EndEdit();
    InvalidateCell(d_->selectedRow, d_->selectedColumn);
    if (row < 0 || row >= d_->rowCount) {
        // No such row: the selection becomes none.
        if (d_->host)
            d_->host->SelectListRow(-1);
        d_->listRow = -1;
        const bool hadSelection = d_->selectedRow != -1;
        d_->selectedRow = d_->selectedColumn = -1;
        if (hadSelection)
            emit CellSelected(nullptr);
        return false;
    }
    d_->selectedColumn = column;
    if (d_->listRow == d_->selectedRow && d_->selectedRow == row) {
        ListRowSelected(row);
        return true;
    }
    bool answer = true;
    if (d_->host)
        answer = d_->host->SelectListRow(row);
    // The list reports only a change of its selection; when its row was selected already
    // (the add-row after a click on it), the handling runs here.
    if (d_->listRow != row || d_->selectedRow != row)
        ListRowSelected(row);
    return answer;
}

void RecordGrid::ListRowSelected(int row)
{
    d_->listRow = row;
    if (row < 0)
        return;
    d_->selectedRow = row;
    if (d_->selectedColumn == -1 || IsAddRow(row))
        d_->selectedColumn = 0;
    InvalidateCell(d_->selectedRow, d_->selectedColumn);
    emit CellSelected(CellAt(d_->selectedRow, d_->selectedColumn));
}

void RecordGrid::SetSelection(int row, int column)
{
    d_->selectedRow = row;
    d_->selectedColumn = column;
}

void RecordGrid::NavigateRequest(int key)
{
    if ((d_->modeFlags & kModeNoNavigate) || d_->selectedRow < 0 || d_->selectedColumn < 0)
        return;
    EndEdit();
    const int row = d_->selectedRow;
    const int column = d_->selectedColumn;
    switch (key) {
        case kKeyTab:
            NavigateRequest(kKeyRight);
            break;
        case kKeyLeft:
        case kKeyRight: {
            const int next = key == kKeyLeft ? column - 1 : column + 1;
            if (IsAddRow(row) || next < 0 || next >= d_->columnCount)
                break;
            d_->selectedColumn = next;
            emit CellSelected(CellAt(row, next));
            InvalidateCell(row, column);
            InvalidateCell(row, next);
            break;
        }
        case kKeyUp:
            if (row > 0)
                SelectCell(row - 1, column);
            break;
        case kKeyDown:
            // Down never moves into the add-row.
            if (row < RecordCount() - 1)
                SelectCell(row + 1, column);
            break;
        default:
            break;
    }
}

bool RecordGrid::BeginEdit(GridCell* cell, int row, int column)
{
    EndEdit();
    if (row < 0 || column < 0 || !cell)
        return false;
    if (row != d_->listRow || !cell->IsEnabled())
        return false;
    // One pixel less at the right and bottom keeps the grid lines visible.
    const QRect rect = GetCellRect(row, column).adjusted(0, 0, -1, -1);
    InplaceControl* editor = cell->CreateInplaceControl(rect);
    if (!editor)
        return false;
    // The state is set before the editor gets the focus: focus changes run handlers that
    // must already see this edit.
    d_->editor = editor;
    d_->editRow = row;
    d_->editColumn = column;
    editor->ShowAndFocus();
    return d_->editor == editor;
}

bool RecordGrid::BeginEditLimited(GridCell* cell, int row, int column)
{
    if (!BeginEdit(cell, row, column))
        return false;
    if (const FieldDef* field = FieldAt(column))
        d_->editor->SetTextLimit(field->size);
    return true;
}

void RecordGrid::EndEdit()
{
    if (InplaceControl* editor = d_->editor) {
        // Taking the focus away makes the editor end its edit; that request runs EndEdit
        // once more, nested, and closes it.
        if (d_->host && editor->HasFocus())
            d_->host->FocusGrid();
        // Whatever is open now (the same editor when nothing nested, or one that a handler
        // opened meanwhile) is closed too, so that no editor survives an EndEdit.
        if (InplaceControl* left = d_->editor) {
            d_->editor = nullptr;
            d_->editorCell = nullptr;
            left->PostCloseRequest();
        }
    }
    d_->editor = nullptr;
    d_->editorCell = nullptr;
    d_->editRow = -1;
    d_->editColumn = -1;
}

InplaceControl* RecordGrid::Editor() const
{
    return d_->editor;
}

InplaceControl* RecordGrid::EditorOf(const GridCell* cell) const
{
    return cell && d_->editorCell == cell ? d_->editor : nullptr;
}

InplaceControl* RecordGrid::CreateEditor(const GridCell* cell, const QRect& rect,
                                         const QString& text)
{
    if (!d_->host)
        return nullptr;
    InplaceControl* editor = d_->host->CreateEditor(rect, text);
    if (editor)
        d_->editorCell = cell;
    return editor;
}

int RecordGrid::CommitRequest(InplaceControl* editor)
{
    d_->modified = true;
    // A request from an editor that is no longer the open one (closing, or replaced) must
    // not write into whatever cell is being edited now.
    if (!editor || editor != d_->editor || editor == d_->requestEditor)
        return 0;
    GridCell* cell = CellAt(d_->editRow, d_->editColumn);
    if (!cell)
        return 0;
    d_->requestEditor = editor;
    const int row = d_->editRow;
    const int column = d_->editColumn;
    QVariant old;
    cell->GetValue(&old);
    if (!cell->SetValueFromEditor(*editor)) {
        if (d_->host)
            d_->host->Beep();
        d_->requestEditor = nullptr;
        return 0;
    }
    if (d_->cellChanging && d_->cellChanging(cell) != 0) {
        cell->SetValue(old);
    } else {
        emit CellChanged(cell);
        InvalidateCell(row, column);
    }
    EndEdit();
    d_->requestEditor = nullptr;
    return 0;
}

int RecordGrid::CancelRequest(InplaceControl* editor)
{
    if (!editor || editor != d_->editor || editor == d_->requestEditor || d_->editRow < 0)
        return 0;
    d_->requestEditor = editor;
    InvalidateCell(d_->editRow, d_->editColumn);
    EndEdit();
    d_->requestEditor = nullptr;
    return 0;
}

void RecordGrid::ForgetEditor(InplaceControl* editor)
{
    if (!editor || editor != d_->editor)
        return;
    d_->editor = nullptr;
    d_->editorCell = nullptr;
    d_->editRow = d_->editColumn = -1;
}

QRect RecordGrid::GetCellRect(int row, int column) const
{
    return d_->host ? d_->host->CellRect(row, column) : QRect();
}

void RecordGrid::InvalidateCell(int row, int column)
{
    if (row != -1 && column != -1)
        emit CellInvalidated(row, column);
}

void RecordGrid::RefreshAppearance()
{
    emit LayoutChanged();
    emit AllInvalidated();
}

const FieldDef* RecordGrid::FieldAt(int column) const
{
    const EdtFormat* format = Format();
    if (!format || column < 0 || column >= kMaxFields)
        return nullptr;
    for (int k = 0; k <= column; ++k) {
        if (format->fields[static_cast<size_t>(k)].caption.isEmpty())
            return nullptr;
    }
    return &format->fields[static_cast<size_t>(column)];
}

// --- document properties ---------------------------------------------------------------------

bool RecordGrid::IsModified() const
{
    return d_->modified;
}
void RecordGrid::SetModified(bool modified)
{
    d_->modified = modified;
}
int RecordGrid::GetFileType() const
{
    return d_->fileType;
}
void RecordGrid::SetFileType(int fileType)
{
    d_->fileType = fileType;
}
int RecordGrid::GetEncoding() const
{
    return d_->encoding;
}
void RecordGrid::SetEncoding(int encoding)
{
    d_->encoding = encoding;
}
QString RecordGrid::GetPath() const
{
    return d_->path;
}
// Kept whole: cutting a long path would make a later save write to another file.
void RecordGrid::SetPath(const QString& path)
{
    d_->path = path;
}
int RecordGrid::GetFormatIndex() const
{
    return d_->formatIndex;
}
void RecordGrid::SetFormatIndex(int index)
{
    d_->formatIndex = index;
}

const EdtFormat* RecordGrid::Format() const
{
    return GlobalCatalogue().At(d_->formatIndex);
}

QString RecordGrid::CellFontFamily() const
{
    return d_->cellFontFamily;
}

void RecordGrid::SetCellFontFamily(const QString& family)
{
    d_->cellFontFamily = family;
    emit LayoutChanged();
}

}  // namespace scrivlet
