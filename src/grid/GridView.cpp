#include "grid/GridView.h"

#include "catalogue/FormatCatalogue.h"
#include "grid/InplaceEdit.h"
#include "grid/RecordGrid.h"
#include "search/SearchWalk.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <QStyledItemDelegate>

namespace scrivlet {
namespace {

// Width of a column whose FieldDef says -1.
constexpr int kDefaultColumnWidth = 100;
// Room above and below the cell font's height in a row.
constexpr int kRowPadding = 4;
// Text starts this far right of a cell's left edge.
constexpr int kTextIndent = 2;

QPointer<QStatusBar> g_statusBar;

// The RecordGrid as Qt's item views see it. Only the row and column counts and the header
// captions matter: the view paints every cell from the RecordGrid itself.
class GridTableModel : public QAbstractTableModel {
public:
    GridTableModel(RecordGrid* grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid)
    {
        rows_ = grid->RowCount();
        columns_ = grid->ColumnCount();
        connect(grid, &RecordGrid::RowsAboutToBeInserted, this,
                [this](int first, int last) { beginInsertRows({}, first, last); });
        connect(grid, &RecordGrid::RowsInserted, this, [this] {
            rows_ = grid_->RowCount();
            endInsertRows();
        });
        connect(grid, &RecordGrid::RowsAboutToBeReset, this, [this] { beginResetModel(); });
        connect(grid, &RecordGrid::RowsReset, this, [this] {
            rows_ = grid_->RowCount();
            columns_ = grid_->ColumnCount();
            endResetModel();
        });
        connect(grid, &RecordGrid::ColumnsChanged, this, [this] {
            // Columns change only while there are no rows, so a reset costs nothing.
            beginResetModel();
            rows_ = grid_->RowCount();
            columns_ = grid_->ColumnCount();
            endResetModel();
        });
    }

    void Detach()
    {
        disconnect(grid_, nullptr, this, nullptr);
        grid_ = nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : columns_;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        // For accessibility and tools only; painting does not come here.
        if (!grid_ || role != Qt::DisplayRole)
            return {};
        GridCell* cell = grid_->CellAt(index.row(), index.column());
        QString text;
        if (!cell || !cell->GetDisplayText(text))
            return {};
        return text;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (!grid_ || orientation != Qt::Horizontal)
            return {};
        if (role == Qt::DisplayRole)
            return grid_->Column(section).caption;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    RecordGrid* grid_;
    int rows_ = 0;
    int columns_ = 0;
};

// Column header: a divider double-click never sizes a column to its content (that would
// measure every row).
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
};

class PainterCanvas : public CellCanvas {
public:
    PainterCanvas(QPainter* painter, const QFont& font) : painter_(painter), metrics_(font) {}

    void DrawCellText(const QRect& rect, const QString& text, quint32 textColour, bool opaque,
                      quint32 background) override
    {
        const QRect textRect = rect.adjusted(kTextIndent, 0, 0, 0);
        const QString shown = metrics_.elidedText(text, Qt::ElideRight, textRect.width());
        if (opaque) {
            const int width = std::min(metrics_.horizontalAdvance(shown), textRect.width());
            painter_->fillRect(QRect(textRect.left(), rect.top(), width, rect.height()),
                               QColor::fromRgba(background));
        }
        painter_->setPen(QColor::fromRgba(textColour));
        painter_->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

private:
    QPainter* painter_;
    QFontMetrics metrics_;
};

}  // namespace

class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(GridView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        view_->PaintCell(painter, option.rect, index.row(), index.column());
    }

private:
    GridView* view_;
};

// The draw template: the palette's colours, copied into every CellDrawInfo.
struct DrawTemplate {
    quint32 text = 0;
    quint32 background = 0;
    quint32 selectionText = 0;
    quint32 selectionBackground = 0;
    quint32 border = 0;
    quint32 disabledText = 0;
    quint32 rowHighlight = 0;
};

struct GridView::Impl : GridHost {
    GridView* view = nullptr;
    RecordGrid* grid = nullptr;
    GridTableModel* model = nullptr;
    QPointer<InplaceEdit> editor;
    DrawTemplate colours;
    QFont cellFont;
    int rowHeight = 0;
    int spanRow = -1;  // the row the add-row span sits on, -1 for none
    // Rows came or went since the last paint: the header's row positions are stale, and
    // asking for one cell's rectangle would recompute them over every row.
    bool rowsMoved = false;

    QRect CellRect(int row, int column) const override { return view->GetCellRect(row, column); }

    InplaceControl* CreateEditor(const QRect& rect, const QString& text) override
    {
        auto* edit = new InplaceEdit(view, rect, text);
        editor = edit;
        return edit;
    }

    void FocusGrid() override { view->setFocus(Qt::OtherFocusReason); }

    bool SelectListRow(int row) override
    {
        if (row < 0 || row >= model->rowCount()) {
            view->selectionModel()->clear();
            return false;
        }
        const QModelIndex index = model->index(row, 0);
        view->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(index, QAbstractItemView::EnsureVisible);
        return true;
    }

    void Beep() override { QApplication::beep(); }
};

GridView::GridView(RecordGrid* grid, QWidget* parent)
    : QTableView(parent), d_(std::make_unique<Impl>())
{
    d_->view = this;
    d_->grid = grid ? grid : new RecordGrid;
    d_->grid->SetHost(d_.get());
    d_->model = new GridTableModel(d_->grid, this);

    // Headers are set up before the model arrives: each of these setters walks every
    // section, a million of them once the rows are there.
    setHorizontalHeader(new GridHeader(this));
    QHeaderView* rows = verticalHeader();
    rows->hide();
    // Never sized to contents: that measures every row.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RefreshAppearance();

    setModel(d_->model);
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(columns, &QHeaderView::sectionResized, this, [this] {
        if (d_->grid->HasAddRow())
            d_->grid->InvalidateCell(d_->grid->RowCount() - 1, 0);
        EndEdit();
    });

    RecordGrid* g = d_->grid;
    connect(g, &RecordGrid::CellInvalidated, this, [this](int row, int column) {
        if (d_->rowsMoved)
            viewport()->update();
        else
            viewport()->update(GetCellRect(row, column));
    });
    connect(g, &RecordGrid::AllInvalidated, this, [this] { viewport()->update(); });
    connect(g, &RecordGrid::LayoutChanged, this, [this] {
        RefreshAppearance();
        UpdateAddRowSpan();
    });
    connect(g, &RecordGrid::ColumnsChanged, this, [this] {
        UpdateColumns();
        UpdateAddRowSpan();
    });
    connect(g, &RecordGrid::RowsInserted, this, [this] {
        d_->rowsMoved = true;
        UpdateAddRowSpan();
    });
    connect(g, &RecordGrid::RowsReset, this, [this] {
        d_->rowsMoved = true;
        d_->spanRow = -1;
        clearSpans();
        UpdateColumns();
        UpdateAddRowSpan();
    });

    UpdateColumns();
    UpdateAddRowSpan();
    // A grid that already has a selected row shows it.
    if (g->ListSelectedRow() >= 0)
        d_->SelectListRow(g->ListSelectedRow());
}

GridView::~GridView()
{
    RecordGrid* grid = d_->grid;
    // Every editor goes now, the open one and closing ones whose deletion is still queued:
    // later they would call back into a view that is half destroyed. No commit from a
    // window that is going away.
    for (InplaceEdit* editor : viewport()->findChildren<InplaceEdit*>()) {
        editor->DetachFromView();
        grid->ForgetEditor(editor);
        delete editor;
    }
    grid->SetHost(nullptr);
    disconnect(grid, nullptr, this, nullptr);
    d_->model->Detach();
    delete grid;
    d_->grid = nullptr;
}

RecordGrid* GridView::Grid() const
{
    return d_->grid;
}

void GridView::SetStatusBar(QStatusBar* statusBar)
{
    g_statusBar = statusBar;
}

QStatusBar* GridView::StatusBar()
{
    return g_statusBar;
}

InplaceEdit* GridView::Editor() const
{
    return d_->grid && d_->grid->Editor() ? d_->editor.data() : nullptr;
}

QFont GridView::CellFont() const
{
    return d_->cellFont;
}

int GridView::RowHeight() const
{
    return d_->rowHeight;
}

// --- edit commands and search ---------------------------------------------------------------

void GridView::EditCommand(int command)
{
    InplaceEdit* editor = Editor();
    if (!editor)
        return;
    switch (command) {
        case kCommandCopy:
            editor->Copy();
            break;
        case kCommandCut:
            editor->Cut();
            break;
        case kCommandPaste:
            editor->Paste();
            break;
        case kCommandUndo:
            editor->Undo();
            break;
        default:
            break;
    }
}

void GridView::FindRequest(const QString& pattern, quint32 flags)
{
    SearchHit hit;
    switch (FindNext(*d_->grid, pattern, flags, &hit)) {
        case SearchOutcome::InvalidPattern:
            // The find dialog has no message for it; the grid stays as it was.
            QApplication::beep();
            return;
        case SearchOutcome::NotFound:
            return;
        case SearchOutcome::Found:
            break;
    }
    SelectCell(hit.row, hit.column);
    if (!BeginEditLimited(hit.row, hit.column))
        return;
    InplaceEdit* editor = Editor();
    if (!editor)
        return;
    // The request usually comes from the modeless find dialog: the editor's window must
    // become the active one, or the focus would stay in the dialog.
    editor->window()->activateWindow();
    editor->setFocus(Qt::OtherFocusReason);
    editor->setSelection(hit.selectionStart, hit.selectionEnd - hit.selectionStart);
}

// --- window operations ---------------------------------------------------------------------

QRect GridView::GetCellRect(int row, int column) const
{
    // visualRect gives the whole span for the add-row's column 0.
    return visualRect(d_->model->index(row, column));
}

void GridView::InvalidateCell(int row, int column)
{
    d_->grid->InvalidateCell(row, column);
}

void GridView::RefreshAppearance()
{
    const QPalette& p = palette();
    DrawTemplate& c = d_->colours;
    c.text = p.color(QPalette::Active, QPalette::WindowText).rgba();
    c.background = p.color(QPalette::Active, QPalette::Base).rgba();
    c.selectionText = p.color(QPalette::Active, QPalette::HighlightedText).rgba();
    c.selectionBackground = p.color(QPalette::Active, QPalette::Highlight).rgba();
    c.border = p.color(QPalette::Active, QPalette::Button).rgba();
    c.disabledText = p.color(QPalette::Disabled, QPalette::WindowText).rgba();
    c.rowHighlight = p.color(QPalette::Active, QPalette::Button).rgba();

    QFont cellFont = font();
    const QString family = d_->grid->CellFontFamily();
    cellFont.setFamily(family.isEmpty() ? DocumentFontFamily() : family);
    d_->cellFont = cellFont;
    const int rowHeight = QFontMetrics(cellFont).height() + kRowPadding;
    if (rowHeight != d_->rowHeight) {
        // Walks every row: only when the height really changes.
        d_->rowHeight = rowHeight;
        QHeaderView* rows = verticalHeader();
        rows->setMinimumSectionSize(rowHeight);
        rows->setDefaultSectionSize(rowHeight);
    }
    viewport()->update();
}

bool GridView::SelectCell(int row, int column)
{
    return d_->grid->SelectCell(row, column);
}

bool GridView::BeginEdit(int row, int column)
{
    return d_->grid->BeginEdit(d_->grid->CellAt(row, column), row, column);
}

bool GridView::BeginEditLimited(int row, int column)
{
    return d_->grid->BeginEditLimited(d_->grid->CellAt(row, column), row, column);
}

void GridView::EndEdit()
{
    d_->grid->EndEdit();
}

int GridView::CommitRequest(InplaceEdit* editor)
{
    return d_->grid->CommitRequest(editor);
}

int GridView::CancelRequest(InplaceEdit* editor)
{
    return d_->grid->CancelRequest(editor);
}

void GridView::NavigateRequest(int key)
{
    d_->grid->NavigateRequest(key);
}

void GridView::UpdateColumns()
{
    QHeaderView* header = horizontalHeader();
    const int count = d_->model->columnCount();
    for (int k = 0; k < count; ++k) {
        const int width = d_->grid->Column(k).width;
        header->resizeSection(k, width >= 0 ? width : kDefaultColumnWidth);
    }
}

void GridView::UpdateAddRowSpan()
{
    RecordGrid* g = d_->grid;
    const int columns = d_->model->columnCount();
    const int wanted = g->HasAddRow() && g->RowCount() > 0 && columns > 1 ? g->RowCount() - 1 : -1;
    // Spans move with inserted rows; only a different row or width needs work.
    if (wanted >= 0 && columnSpan(wanted, 0) == columns)
        return;
    if (d_->spanRow >= 0 || wanted < 0)
        clearSpans();
    d_->spanRow = wanted;
    if (wanted >= 0)
        setSpan(wanted, 0, 1, columns);
}

// --- painting -------------------------------------------------------------------------------

void GridView::PaintCell(QPainter* painter, const QRect& rect, int row, int column) const
{
    RecordGrid* g = d_->grid;
    const bool addRow = g->IsAddRow(row);
    if (addRow && column != 0)
        return;
    GridCell* cell = g->CellAt(row, column);
    if (!cell)
        return;
    const DrawTemplate& t = d_->colours;
    PainterCanvas canvas(painter, d_->cellFont);
    CellDrawInfo info;
    info.canvas = &canvas;
    info.rect = rect;
    info.fontFamily = d_->cellFont.family();
    info.textColour = t.text;
    info.backgroundColour = t.background;
    info.selectionTextColour = t.selectionText;
    info.selectionBackgroundColour = t.selectionBackground;
    info.borderColour = t.border;
    info.disabledTextColour = t.disabledText;
    info.rowHighlightColour = t.rowHighlight;
    info.modeFlags = g->ModeFlags();

    const bool selectedRow = row == g->SelectedRow();
    const bool selected = selectedRow && column == g->SelectedColumn();
    const bool editing = row == g->EditRow() && column == g->EditColumn();
    if (selected)
        info.state |= kCellSelected;
    if (editing)
        info.state |= kCellEditing;
    if (!cell->IsEnabled())
        info.state |= kCellDisabled;
    if (selectedRow && (info.modeFlags & kModeRowHighlight))
        info.backgroundColour = t.rowHighlight;
    if (selected && (info.modeFlags & kModeSelectionColours)) {
        info.textColour = t.selectionText;
        info.backgroundColour = t.selectionBackground;
    }
    if (!isEnabled())
        info.backgroundColour = t.rowHighlight;
    const FieldDef* field = g->FieldAt(column);
    if (field && field->type == kTextField && cell->GetDisplayLength() > field->size)
        info.backgroundColour = kTextTooLongColour;

    painter->save();
    painter->fillRect(rect, QColor::fromRgba(info.backgroundColour));
    painter->setFont(d_->cellFont);
    cell->DrawValue(info);
    if (!(info.modeFlags & kModeNoGridLines)) {
        painter->setPen(QPen(QColor::fromRgba(t.border), 1));
        painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
        painter->drawLine(rect.right(), rect.bottom(), rect.right(), rect.top());
    }
    // Document grids always show their selection, focused or not.
    if (selectedRow && (column == g->SelectedColumn() || addRow) && !editing) {
        painter->setPen(QPen(QColor::fromRgba(t.selectionBackground), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

void GridView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    d_->rowsMoved = false;
}

// --- input ----------------------------------------------------------------------------------

bool GridView::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (d_->grid->ModeFlags() & kModeTabNavigates) {
                NavigateRequest(kKeyTab);
            } else {
                const bool next =
                    key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
                QPointer<GridView> self(this);
                QMetaObject::invokeMethod(
                    this,
                    [self, next] {
                        if (self)
                            self->focusNextPrevChild(next);
                    },
                    Qt::QueuedConnection);
            }
            return true;
        }
    }
    return QTableView::event(event);
}

void GridView::SendKeyToEditor(QKeyEvent* event)
{
    if (InplaceEdit* editor = Editor()) {
        QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), event->text(), false, 1);
        QCoreApplication::sendEvent(editor, &copy);
    }
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    RecordGrid* g = d_->grid;
    const int row = g->SelectedRow();
    const int column = g->SelectedColumn();
    GridCell* cell = g->CellAt(row, column);
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_F2:
            if (cell && cell->IsEnabled()) {
                g->BeginEditLimited(cell, row, column);
                // Also without an editor: on the add-row this appends a record.
                cell->Activate(kActivateBegun, QPoint());
                g->InvalidateCell(row, column);
            }
            event->accept();
            return;
        case Qt::Key_Left:
            NavigateRequest(kKeyLeft);
            event->accept();
            return;
        case Qt::Key_Right:
            NavigateRequest(kKeyRight);
            event->accept();
            return;
        case Qt::Key_Delete:
            if (cell && cell->GetKind() == kCellKindText && cell->IsEnabled() &&
                g->BeginEditLimited(cell, row, column)) {
                cell->Activate(kActivateBegun, QPoint());
                QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                SendKeyToEditor(&del);
                g->InvalidateCell(row, column);
            }
            event->accept();
            return;
        default:
            break;
    }
    const QString text = event->text();
    const bool character = !text.isEmpty() && text[0].unicode() > u' ' && text[0] != QChar(0x7f);
    if (character && row >= 0 && column >= 0) {
        if (cell && cell->IsEnabled() && g->BeginEditLimited(cell, row, column)) {
            // All text is selected, so the character replaces it.
            cell->Activate(kActivateBegun, QPoint());
            SendKeyToEditor(event);
            g->InvalidateCell(row, column);
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::keyboardSearch(const QString& /*search*/) {}

QModelIndex GridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = d_->model->rowCount();
    if (rows == 0)
        return {};
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    switch (cursorAction) {
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = rows - 1;
            break;
        case MoveUp:
        case MoveDown:
        case MovePageUp:
        case MovePageDown: {
            if (row < 0) {
                row = 0;
                break;
            }
            const QModelIndex moved = QTableView::moveCursor(cursorAction, modifiers);
            row = moved.isValid() ? moved.row() : row;
            break;
        }
        default:
            // Left and right move the selected cell, not the list's row.
            return currentIndex();
    }
    return d_->model->index(row, 0);
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        d_->grid->ListRowSelected(selected.indexes().first().row());
    else if (!selectionModel()->hasSelection())
        d_->grid->ListRowSelected(-1);
}

void GridView::mousePressEvent(QMouseEvent* event)
{
    HandleButtonDown(event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    HandleButtonDown(event);
}

void GridView::HandleButtonDown(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTableView::mousePressEvent(event);
        return;
    }
    RecordGrid* g = d_->grid;
    g->InvalidateCell(g->SelectedRow(), g->SelectedColumn());
    const QModelIndex hit = indexAt(event->position().toPoint());
    const int r = hit.isValid() ? hit.row() : -1;
    int c = hit.isValid() ? hit.column() : -1;
    const int oldRow = g->SelectedRow();
    const int oldColumn = g->SelectedColumn();
    g->SetSelection(oldRow, c);
    g->EndEdit();
    QTableView::mousePressEvent(event);

    if (r == -1) {
        // A click outside all rows: no selection, no editor.
        g->EndEdit();
        g->InvalidateCell(g->SelectedRow(), g->SelectedColumn());
        selectionModel()->clear();
        g->SetSelection(-1, -1);
        emit g->CellSelected(nullptr);
        return;
    }
    const bool addRowHit = g->IsAddRow(r);
    if (addRowHit)
        c = 0;
    GridCell* cell = g->CellAt(r, c);
    if (!cell)
        return;
    if (g->SendCellClicked(cell) != 0)
        return;
    // On the add-row this appends a record before it: r is then the new record's row.
    cell->Activate(kActivateClicked, event->position().toPoint());
    g->SetSelection(r, c);
    if (!addRowHit) {
        if (oldRow == r && oldColumn != c)
            emit g->CellSelected(cell);
        if (cell->IsEnabled() &&
            ((g->ModeFlags() & kModeClickEdits) || (oldRow == r && oldColumn == c))) {
            if (g->BeginEditLimited(cell, r, c))
                cell->Activate(kActivateBegun, QPoint());
            else
                cell->Activate(kActivateNotBegun, QPoint());
        }
    }
    g->InvalidateCell(g->SelectedRow(), g->SelectedColumn());
}

void GridView::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging with a button held does not carry the row selection along (the editor may
    // already be open on the pressed row).
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void GridView::wheelEvent(QWheelEvent* event)
{
    EndEdit();
    QTableView::wheelEvent(event);
}

void GridView::resizeEvent(QResizeEvent* event)
{
    EndEdit();
    QTableView::resizeEvent(event);
}

void GridView::scrollContentsBy(int dx, int dy)
{
    // The editor would scroll away from its cell.
    EndEdit();
    QTableView::scrollContentsBy(dx, dy);
}

void GridView::focusInEvent(QFocusEvent* event)
{
    d_->grid->InvalidateCell(d_->grid->SelectedRow(), d_->grid->SelectedColumn());
    QTableView::focusInEvent(event);
}

void GridView::focusOutEvent(QFocusEvent* event)
{
    d_->grid->InvalidateCell(d_->grid->SelectedRow(), d_->grid->SelectedColumn());
    QTableView::focusOutEvent(event);
}

void GridView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange)
        RefreshAppearance();
}

}  // namespace scrivlet
