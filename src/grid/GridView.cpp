#include "grid/GridView.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridModel.h"
#include "grid/InplaceEdit.h"
#include "grid/SourceChange.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QUndoStack>

#include <algorithm>

namespace scrivlet {
namespace {

// Width of a column whose field says -1.
// The pause after a keystroke before the field is checked with the text typed so far.
constexpr int kEditTextDelayMs = 150;
// Room above and below the cell font's height in a row.
constexpr int kRowPadding = 4;
// Text starts this far right of a cell's left edge.
constexpr int kTextIndent = 2;

// Column header: a divider double-click never sizes a column to its content (that would
// measure every row).
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
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

GridView::GridView(DocumentSession* session, QWidget* parent)
    : QTableView(parent), model_(new GridModel(session->Document(), this)), session_(session)
{
    // Checking a field on every keystroke would slow fast typing; a pause is enough.
    editTextTimer_ = new QTimer(this);
    editTextTimer_->setSingleShot(true);
    editTextTimer_->setInterval(kEditTextDelayMs);
    connect(editTextTimer_, &QTimer::timeout, this, [this] {
        if (editor_ && editRow_ >= 0)
            emit EditTextChanged(editRow_, model_->ColumnAt(editColumn_).column, editor_->text());
    });
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
    // The last column takes the window's width beyond the others, so no grey strip is left.
    columns->setStretchLastSection(true);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RefreshAppearance();

    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Shift and Ctrl extend the rows a reviewer's command (approve, needs work) takes.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    UpdateColumns();
    UpdateAddRowSpan();
    FollowModel();
}

void GridView::FollowModel()
{
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        InvalidateCell(model_->RecordCount(), 0);
        EndEdit();
    });
    connect(model_, &GridModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                if (first == last)
                    InvalidateCell(first.row(), first.column());
                else
                    viewport()->update();
            });
    connect(model_, &GridModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                const int count = last - first + 1;
                // A record appended before the add-row takes the add-row's place: a selection there
                // stays on the new record, while the list's selection moves on with the add-row.
                const bool appended = first == model_->RecordCount() - count;
                if (selectedRow_ > first || (selectedRow_ == first && !appended))
                    selectedRow_ += count;
                if (editRow_ >= first)
                    editRow_ += count;
                rowsMoved_ = true;
                UpdateAddRowSpan();
            });
    connect(model_, &GridModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                const int count = last - first + 1;
                if (editor_ && editRow_ >= first && editRow_ <= last) {
                    // Its record is gone: the edit has nowhere to go.
                    editor_->Close();
                    ForgetEditor(editor_);
                } else if (editRow_ > last) {
                    editRow_ -= count;
                }
                if (selectedRow_ >= first && selectedRow_ <= last)
                    selectedRow_ = selectedColumn_ = -1;
                else if (selectedRow_ > last)
                    selectedRow_ -= count;
            });
    connect(model_, &GridModel::rowsRemoved, this, [this] {
        rowsMoved_ = true;
        UpdateAddRowSpan();
    });
    connect(model_, &GridModel::modelReset, this, [this] {
        // The document went away: nothing to commit to.
        if (editor_)
            editor_->Close();
        ForgetEditor(editor_);
        selectedRow_ = selectedColumn_ = -1;
        spanRow_ = -1;
        clearSpans();
        UpdateAddRowSpan();
    });
}

GridView::~GridView()
{
    // Every editor goes now, the open one and closing ones whose deletion is still queued:
    // later they would call back into a view that is half destroyed. No commit from a window
    // that is going away.
    for (InplaceEdit* editor : viewport()->findChildren<InplaceEdit*>()) {
        disconnect(editor, nullptr, this, nullptr);
        editor->Detach();
        delete editor;
    }
    editor_ = nullptr;
}

EdtDocument* GridView::Document() const
{
    return model_->Document();
}

bool GridView::GoToRecord(int record)
{
    if (!Document() || record < 0 || record >= model_->RecordCount())
        return false;
    SelectViewCell(record, selectedColumn_ >= 0 ? selectedColumn_ : 0);
    setFocus(Qt::OtherFocusReason);
    return true;
}

// --- selection and editing ------------------------------------------------------------------

int GridView::ListRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isRowSelected(current.row(), {}) ? current.row()
                                                                                   : -1;
}

std::vector<int> GridView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty() && selectedRow_ >= 0)
        rows.push_back(selectedRow_);
    return rows;
}

void GridView::RowSelected(int row)
{
    searchFromStart_ = false;
    if (row < 0)
        return;
    selectedRow_ = row;
    if (selectedColumn_ == -1 || model_->IsAddRow(row))
        selectedColumn_ = 0;
    InvalidateCell(selectedRow_, selectedColumn_);
    emit CellSelected();
}

int GridView::SelectedColumn() const
{
    return model_->ColumnAt(selectedColumn_).column;
}

bool GridView::SelectCell(int row, int column)
{
    return SelectViewCell(row, model_->ViewColumn(column));
}

bool GridView::SelectViewCell(int row, int column)
{
    EndEdit();
    InvalidateCell(selectedRow_, selectedColumn_);
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clear();
        selectedRow_ = selectedColumn_ = -1;
        emit CellSelected();
        return false;
    }
    selectedColumn_ = column;
    const QModelIndex index = model_->index(row, 0);
    if (ListRow() != row) {
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    scrollTo(index, QAbstractItemView::EnsureVisible);
    // Also when the list's row was selected already (the add-row after it appended a record),
    // and so reported no change.
    RowSelected(row);
    return true;
}

bool GridView::SelectStartCell()
{
    int column = 0;
    while (column < model_->columnCount() && model_->Kind(0, column) != CellKind::Text)
        ++column;
    if (!SelectViewCell(0, column < model_->columnCount() ? column : 0))
        return false;
    searchFromStart_ = true;
    return true;
}

void GridView::MoveColumn(int step)
{
    searchFromStart_ = false;
    if (selectedRow_ < 0 || selectedColumn_ < 0)
        return;
    EndEdit();
    const int next = selectedColumn_ + step;
    if (model_->IsAddRow(selectedRow_) || next < 0 || next >= model_->columnCount())
        return;
    InvalidateCell(selectedRow_, selectedColumn_);
    selectedColumn_ = next;
    InvalidateCell(selectedRow_, next);
    emit CellSelected();
}

bool GridView::BeginEdit()
{
    return OpenEditor(selectedRow_, selectedColumn_);
}

bool GridView::EditCell(int row, int column)
{
    return OpenEditor(row, model_->ViewColumn(column));
}

bool GridView::IsSelected(int row, int column) const
{
    return row >= 0 && row == selectedRow_ && model_->ViewColumn(column) == selectedColumn_;
}

bool GridView::IsTextCell(int row, int column) const
{
    return row >= 0 && !model_->IsAddRow(row) &&
           model_->Kind(row, model_->ViewColumn(column)) == CellKind::Text;
}

int GridView::EditColumn() const
{
    return editRow_ < 0 ? -1 : model_->ColumnAt(editColumn_).column;
}

bool GridView::OpenEditor(int row, int column)
{
    EndEdit();
    if (row < 0 || row != ListRow() || model_->Kind(row, column) != CellKind::Text)
        return false;
    // One pixel less at the right and bottom keeps the grid lines visible.
    const QRect rect = CellRect(row, column).adjusted(0, 0, -1, -1);
    auto* editor = new InplaceEdit(viewport(), this, rect, model_->CellText(row, column),
                                   model_->Field(column)->size);
    editor->setFont(cellFont_);
    connect(editor, &InplaceEdit::StatusShown, this, &GridView::StatusShown);
    connect(editor, &InplaceEdit::StatusCleared, this, &GridView::StatusCleared);
    connect(editor, &InplaceEdit::EditEnded, this, [this, editor](bool changed) {
        changed ? CommitRequest(editor) : CancelRequest(editor);
    });
    connect(editor, &QObject::destroyed, this, [this, editor] { ForgetEditor(editor); });
    connect(editor, &QLineEdit::textChanged, editTextTimer_, qOverload<>(&QTimer::start));
    if (checks_ && (checks_->Settings().enabled & Bit(Check::Spelling)) &&
        checks_->Settings().speller) {
        editor->SetSpeller(checks_->Settings().speller);
        connect(editor, &InplaceEdit::WordAdded, this, &GridView::WordAdded);
    }
    // The state is set before the editor gets the focus: focus changes run handlers that
    // must already see this edit.
    editor_ = editor;
    editRow_ = row;
    editColumn_ = column;
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    if (editor_ != editor)
        return false;
    editor->selectAll();
    InvalidateCell(row, column);
    emit EditingChanged(true);
    return true;
}

void GridView::EndEdit()
{
    if (InplaceEdit* editor = editor_) {
        InvalidateCell(editRow_, editColumn_);
        // Taking the focus away makes the editor end its edit; that request runs EndEdit once
        // more, nested, and closes it.
        if (editor->hasFocus())
            setFocus(Qt::OtherFocusReason);
        // Whatever is open now (the same editor when nothing nested, or one that a handler
        // opened meanwhile) is closed too, so that no editor survives an EndEdit.
        if (InplaceEdit* left = editor_) {
            editor_ = nullptr;
            left->Close();
        }
        editTextTimer_->stop();
        emit EditingChanged(false);
    }
    editor_ = nullptr;
    editRow_ = editColumn_ = -1;
}

void GridView::CommitRequest(InplaceEdit* editor)
{
    // A request from an editor that is no longer the open one (closing, or replaced) must not
    // write into whatever cell is being edited now.
    if (editor != editor_ || editor == requestEditor_ || editRow_ < 0)
        return;
    requestEditor_ = editor;
    // Without a document (it is going away) there is nothing to write to, and nothing to keep.
    if (Document() && !WriteText(editRow_, model_->ColumnAt(editColumn_).column, editor->text())) {
        // The editor stays open with its text, so nothing typed is lost.
        QApplication::beep();
        requestEditor_ = nullptr;
        return;
    }
    EndEdit();
    requestEditor_ = nullptr;
}

void GridView::CancelRequest(InplaceEdit* editor)
{
    if (editor != editor_ || editor == requestEditor_ || editRow_ < 0)
        return;
    requestEditor_ = editor;
    EndEdit();
    requestEditor_ = nullptr;
}

bool GridView::WriteText(int record, int column, const QString& text)
{
    if (Document()->TextView(record, column) == text)
        return true;
    if (!session_ || !session_->SetText(record, column, text,
                                        RecordStepName("undo.typing", *Document(), record)))
        return false;
    emit FieldCommitted(record, column);
    return true;
}

void GridView::AppendFromAddRow()
{
    if (session_)
        session_->AppendRecord();
}

void GridView::ForgetEditor(const InplaceEdit* editor)
{
    if (!editor || editor != editor_)
        return;
    editor_ = nullptr;
    editRow_ = editColumn_ = -1;
    editTextTimer_->stop();
    emit EditingChanged(false);
}

// --- layout and painting --------------------------------------------------------------------

QRect GridView::CellRect(int row, int column) const
{
    // visualRect gives the whole span for the add-row's column 0.
    return visualRect(model_->index(row, column));
}

void GridView::InvalidateCell(int row, int column)
{
    if (row < 0 || column < 0)
        return;
    if (rowsMoved_)
        viewport()->update();
    else
        viewport()->update(CellRect(row, column));
}

void GridView::RefreshAppearance()
{
    QFont cellFont = font();
    cellFont.setFamily(DocumentFontFamily());
    cellFont_ = cellFont;
    const int rowHeight = QFontMetrics(cellFont).height() + kRowPadding;
    if (rowHeight != rowHeight_) {
        // Walks every row: only when the height really changes.
        rowHeight_ = rowHeight;
        QHeaderView* rows = verticalHeader();
        rows->setMinimumSectionSize(rowHeight);
        rows->setDefaultSectionSize(rowHeight);
    }
    viewport()->update();
}

void GridView::UpdateColumns()
{
    QHeaderView* header = horizontalHeader();
    for (int k = 0; k < model_->columnCount(); ++k)
        header->resizeSection(k, model_->ColumnWidth(k));
}

void GridView::UpdateAddRowSpan()
{
    const int columns = model_->columnCount();
    const int wanted = columns > 1 && model_->rowCount() > 0 ? model_->RecordCount() : -1;
    // Spans move with inserted rows; only a different row or width needs work.
    if (wanted >= 0 && columnSpan(wanted, 0) == columns)
        return;
    if (spanRow_ >= 0 || wanted < 0)
        clearSpans();
    spanRow_ = wanted;
    if (wanted >= 0)
        setSpan(wanted, 0, 1, columns);
}

void GridView::PaintCell(QPainter* painter, const QRect& rect, int row, int column) const
{
    const bool addRow = model_->IsAddRow(row);
    const CellKind kind = model_->Kind(row, column);
    if (kind == CellKind::None)
        return;
    const QPalette& colours = palette();
    const bool selectedRow = row == selectedRow_ || selectionModel()->isRowSelected(row, {});
    const bool editing = row == editRow_ && column == editColumn_;
    QColor background = colours.color(QPalette::Active, QPalette::Base);
    if (selectedRow || !isEnabled())
        background = colours.color(QPalette::Active, QPalette::Button);
    if (model_->IsTooLong(row, column))
        background = QColor(kTextTooLongColour);
    if (kind == CellKind::Reference) {
        // Greyed toward the text colour, so that it reads as grey in dark themes too.
        const QColor text = colours.color(QPalette::Active, QPalette::WindowText);
        constexpr float kTint = 0.12F;
        background =
            QColor::fromRgbF(background.redF() + (text.redF() - background.redF()) * kTint,
                             background.greenF() + (text.greenF() - background.greenF()) * kTint,
                             background.blueF() + (text.blueF() - background.blueF()) * kTint);
    }

    painter->save();
    painter->fillRect(rect, background);
    if (status_ && kind == CellKind::Text && row < model_->RecordCount()) {
        const EdtDocument& document = *model_->Document();
        const int documentColumn = model_->ColumnAt(column).column;
        int field = 0;
        while (document.TextColumn(field) != documentColumn)
            ++field;
        QRgb mark = kMarkTranslatedColour;
        const quint8 problems = status_->Problems(row, field);
        if (problems & kSourceChanged)
            mark = kMarkReviewColour;
        else if (checks_ ? checks_->Mask(row, field) != 0 : problems != kNoProblem)
            mark = kMarkProblemColour;
        else if (status_->State(row, field) == FieldState::NeedsWork)
            mark = kMarkNeedsWorkColour;
        else if (status_->State(row, field) == FieldState::Approved)
            mark = kMarkApprovedColour;
        else if (status_->State(row, field) == FieldState::SameAsReference)
            mark = kMarkSameColour;
        else if (status_->State(row, field) == FieldState::Empty)
            mark = kMarkUntranslatedColour;
        painter->fillRect(QRect(rect.left(), rect.top(), kMarkWidth, rect.height()), QColor(mark));
    }
    painter->setFont(cellFont_);
    // Text starts clear of the state mark.
    const int indent = kTextIndent + (status_ && kind == CellKind::Text ? kMarkWidth : 0);
    const QRect textRect = rect.adjusted(indent, 0, 0, 0);
    const QFontMetrics metrics(cellFont_);
    painter->setPen(colours.color(QPalette::Active, QPalette::WindowText));
    painter->drawText(
        textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        metrics.elidedText(model_->CellText(row, column), Qt::ElideRight, textRect.width()));
    // Grid lines along the bottom and right edges.
    painter->setPen(QPen(colours.color(QPalette::Active, QPalette::Button), 1));
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter->drawLine(rect.right(), rect.bottom(), rect.right(), rect.top());
    // The selection shows whether the grid has the focus or not.
    if (selectedRow && (column == selectedColumn_ || addRow) && !editing) {
        painter->setPen(QPen(colours.color(QPalette::Active, QPalette::Highlight), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

void GridView::SetChecks(const DocumentChecks* checks)
{
    if (checks_)
        disconnect(checks_, nullptr, viewport(), nullptr);
    checks_ = checks;
    if (checks_)
        connect(checks_, &DocumentChecks::ProblemsChanged, viewport(),
                qOverload<>(&QWidget::update));
    viewport()->update();
}

void GridView::SetTranslationStatus(const TranslationStatus* status)
{
    if (status_) {
        disconnect(status_, nullptr, this, nullptr);
        disconnect(status_, nullptr, viewport(), nullptr);
    }
    status_ = status;
    // A reference set or hidden changes marks all over.
    if (status_) {
        connect(status_, &TranslationStatus::CountsChanged, viewport(),
                qOverload<>(&QWidget::update));
        connect(status_, &TranslationStatus::CountsChanged, this, &GridView::FollowReference);
    }
    FollowReference();
    viewport()->update();
}

void GridView::FollowReference()
{
    const EdtDocument* reference = status_ ? status_->Reference() : nullptr;
    if (reference == model_->Reference() && (reference != nullptr) == model_->ShowsReference())
        return;
    // The editor's rectangle would not follow the columns; the selection keeps its field.
    EndEdit();
    const int selected = SelectedColumn();
    model_->SetReference(reference);
    selectedColumn_ = model_->ViewColumn(selected);
    QHeaderView* header = horizontalHeader();
    for (int k = 0; k < model_->columnCount(); ++k) {
        if (model_->ColumnAt(k).reference)
            header->resizeSection(k, header->sectionSize(k - 1));
    }
    UpdateAddRowSpan();
    viewport()->update();
}

void GridView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    rowsMoved_ = false;
}

// --- input ----------------------------------------------------------------------------------

namespace {

QString StateWords(const TranslationStatus& status, int record, int field)
{
    const quint8 problems = status.Problems(record, field);
    QStringList parts;
    if (problems & kTooLong)
        parts << UiText("mark.tooLong");
    if (problems & kNotStorable)
        parts << UiText("mark.notStorable");
    if (problems & kSourceChanged)
        parts << UiText("mark.sourceChanged");
    if (!parts.isEmpty())
        return parts.join(QStringLiteral("; "));
    switch (status.State(record, field)) {
        case FieldState::Empty:
            return UiText("mark.empty");
        case FieldState::SameAsReference:
            return UiText("mark.same");
        case FieldState::NeedsWork:
            return UiText("mark.needsWork");
        case FieldState::Approved:
            return UiText("mark.approved");
        case FieldState::Translated:
            break;
    }
    return UiText("mark.translated");
}

}  // namespace

// The state, then the translator's comment when there is one.
QString FieldStateText(const TranslationStatus& status, int record, int field)
{
    const FieldNote* note = status.States() ? status.States()->At(record, field) : nullptr;
    const QString words = StateWords(status, record, field);
    return note && !note->comment.isEmpty() ? words + u'\n' + note->comment : words;
}

bool GridView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !status_)
        return QTableView::viewportEvent(event);
    // Over a text cell's mark (and the gap beside it) the tooltip names the field's state.
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QRect cell = visualRect(index);
    const bool onMark = index.isValid() && index.row() < model_->RecordCount() &&
                        model_->Kind(index.row(), index.column()) == CellKind::Text &&
                        help->pos().x() < cell.left() + kMarkWidth + kTextIndent;
    if (!onMark) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const EdtDocument& document = *model_->Document();
    const int documentColumn = model_->ColumnAt(index.column()).column;
    int field = 0;
    while (document.TextColumn(field) != documentColumn)
        ++field;
    // A field waiting for review shows how its source changed.
    const std::optional<ReviewMark> review =
        status_->Review() ? status_->Review()->At(index.row(), field) : std::nullopt;
    const EdtDocument* reference = model_->Reference();
    if (review && review->reason == ReviewReason::Changed && reference &&
        index.row() < reference->RecordCount()) {
        QToolTip::showText(
            help->globalPos(),
            SourceChangeHtml(review->oldSource, reference->FieldText(index.row(), field)), this);
        return true;
    }
    QToolTip::showText(help->globalPos(),
                       review && review->reason == ReviewReason::New
                           ? UiText("mark.newRecord")
                           : FieldStateText(*status_, index.row(), field),
                       this);
    return true;
}

bool GridView::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Tab leaves the grid for the next control, Shift+Tab for the previous one.
            const bool next = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            QPointer<GridView> self(this);
            QMetaObject::invokeMethod(
                this,
                [self, next] {
                    if (self)
                        self->focusNextPrevChild(next);
                },
                Qt::QueuedConnection);
            return true;
        }
    }
    return QTableView::event(event);
}

void GridView::SendKeyToEditor(const QKeyEvent* event)
{
    if (editor_) {
        QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), event->text(), false, 1);
        QCoreApplication::sendEvent(editor_, &copy);
    }
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    const int row = selectedRow_;
    const int column = selectedColumn_;
    const CellKind kind = model_->Kind(row, column);
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_F2:
            if (kind == CellKind::Text)
                OpenEditor(row, column);
            else if (kind == CellKind::AddRow)
                AppendFromAddRow();
            event->accept();
            return;
        case Qt::Key_Left:
            MoveColumn(-1);
            event->accept();
            return;
        case Qt::Key_Right:
            MoveColumn(1);
            event->accept();
            return;
        case Qt::Key_Delete:
            // The editor opens with all its text selected: Delete empties it.
            if (kind == CellKind::Text && OpenEditor(row, column))
                SendKeyToEditor(event);
            event->accept();
            return;
        default:
            break;
    }
    const QString text = event->text();
    const bool character = !text.isEmpty() && text[0].unicode() > u' ' && text[0] != QChar(0x7f);
    if (character && row >= 0 && column >= 0) {
        // All text is selected, so the character replaces it.
        if (kind == CellKind::Text && OpenEditor(row, column))
            SendKeyToEditor(event);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::keyboardSearch(const QString& /*search*/) {}

QModelIndex GridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = model_->rowCount();
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
    return model_->index(row, 0);
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    // The cell follows the row the cursor is on, also while a selection grows.
    if (!selected.isEmpty())
        RowSelected(currentIndex().isValid() ? currentIndex().row() : selected.first().top());
    viewport()->update();
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
    InvalidateCell(selectedRow_, selectedColumn_);
    searchFromStart_ = false;
    const QModelIndex hit = indexAt(event->position().toPoint());
    const int row = hit.isValid() ? hit.row() : -1;
    selectedColumn_ = hit.isValid() ? hit.column() : -1;
    EndEdit();
    // The list selects the row, which runs RowSelected.
    QTableView::mousePressEvent(event);
    if (row < 0) {
        // A click outside all rows: no selection, no editor.
        EndEdit();
        selectionModel()->clear();
        selectedRow_ = selectedColumn_ = -1;
        return;
    }
    if (model_->IsAddRow(row)) {
        // The new record takes the add-row's row and the selected cell; the list's selection
        // moves on with the add-row.
        AppendFromAddRow();
        selectedRow_ = row;
        selectedColumn_ = 0;
    } else {
        selectedRow_ = row;
        selectedColumn_ = hit.column();
        // A click on a text cell edits it at once.
        OpenEditor(row, hit.column());
    }
    InvalidateCell(selectedRow_, selectedColumn_);
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
    InvalidateCell(selectedRow_, selectedColumn_);
    QTableView::focusInEvent(event);
}

void GridView::focusOutEvent(QFocusEvent* event)
{
    InvalidateCell(selectedRow_, selectedColumn_);
    QTableView::focusOutEvent(event);
}

void GridView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        RefreshAppearance();
    else if (event->type() == QEvent::PaletteChange)
        viewport()->update();
}

}  // namespace scrivlet
