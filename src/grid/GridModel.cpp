#include "grid/GridModel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"

namespace scrivlet {
namespace {

// Interface texts shown in a cell are cut to this many characters.
constexpr int kMaxCellUiText = 127;

}  // namespace

GridModel::GridModel(EdtDocument* document, QObject* parent)
    : QAbstractTableModel(parent),
      document_(document),
      addRowText_(UiText(str::AddRowText).left(kMaxCellUiText))
{
    if (!document)
        return;
    records_ = document->RecordCount();
    BuildColumns(0);
    // The document reports a change once it is made; the view is told here, before it asks
    // for anything of the new rows.
    connect(document, &EdtDocument::RecordsInserted, this, [this](int first, int last) {
        beginInsertRows({}, first, last);
        records_ += last - first + 1;
        endInsertRows();
    });
    connect(document, &EdtDocument::RecordsRemoved, this, [this](int first, int last) {
        beginRemoveRows({}, first, last);
        records_ -= last - first + 1;
        endRemoveRows();
    });
    connect(document, &EdtDocument::TextChanged, this, [this](int record, int column) {
        const QModelIndex changed = index(record, ViewColumn(column));
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    });
    connect(document, &EdtDocument::TextsChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
    });
    connect(document, &QObject::destroyed, this, [this] {
        beginResetModel();
        records_ = 0;
        columns_.clear();
        viewColumns_.clear();
        endResetModel();
    });
}

void GridModel::BuildColumns(int shown)
{
    columns_.clear();
    viewColumns_.clear();
    if (!document_)
        return;
    int texts = 0;
    for (int column = 0; column < document_->ColumnCount(); ++column) {
        viewColumns_.push_back(static_cast<int>(columns_.size()));
        columns_.push_back({column, false});
        if (document_->IsTextColumn(column) && texts++ < shown)
            columns_.push_back({column, true});
    }
}

ColumnSource GridModel::ColumnAt(int viewColumn) const
{
    if (viewColumn < 0 || viewColumn >= columnCount())
        return {};
    return columns_[static_cast<size_t>(viewColumn)];
}

int GridModel::ViewColumn(int column) const
{
    if (column < 0 || column >= static_cast<int>(viewColumns_.size()))
        return -1;
    return viewColumns_[static_cast<size_t>(column)];
}

void GridModel::SetReference(const EdtDocument* reference)
{
    if (!document_)
        return;
    const bool wasShown = ShowsReference();
    reference_ = reference;
    const int texts = document_->TextFieldCount();
    if (wasShown == (reference != nullptr)) {
        // Another reference in the same columns.
        if (reference && records_ > 0)
            emit dataChanged(index(0, 0), index(records_ - 1, columnCount() - 1),
                             {Qt::DisplayRole});
        return;
    }
    // One column at a time, so that the header and the selection follow each move.
    for (int k = 0; k < texts; ++k) {
        const int shown = reference ? k + 1 : texts - k;
        const int at = ViewColumn(document_->TextColumn(shown - 1)) + 1;
        if (reference) {
            beginInsertColumns({}, at, at);
            BuildColumns(shown);
            endInsertColumns();
        } else {
            beginRemoveColumns({}, at, at);
            BuildColumns(shown - 1);
            endRemoveColumns();
        }
    }
}

const FieldDef* GridModel::Field(int column) const
{
    const ColumnSource source = ColumnAt(column);
    if (!document_ || source.column < 0)
        return nullptr;
    return &document_->Format().fields[static_cast<size_t>(source.column)];
}

int GridModel::ColumnWidth(int column) const
{
    constexpr int kDefaultColumnWidth = 100;
    const FieldDef* field = Field(column);
    return field && field->width >= 0 ? field->width : kDefaultColumnWidth;
}

CellKind GridModel::Kind(int row, int column) const
{
    const FieldDef* field = Field(column);
    if (!field || row < 0 || row > records_)
        return CellKind::None;
    if (row == records_)
        return column == 0 ? CellKind::AddRow : CellKind::None;
    if (ColumnAt(column).reference)
        return CellKind::Reference;
    switch (field->type) {
        case kLabelField:
            return CellKind::Label;
        case kTextField:
            return CellKind::Text;
        default:
            return CellKind::None;
    }
}

QString GridModel::CellText(int row, int column) const
{
    switch (Kind(row, column)) {
        case CellKind::Label:
            return labels_.Make(*Field(column), row);
        case CellKind::Text:
            return document_->Text(row, ColumnAt(column).column);
        case CellKind::Reference:
            // A record the reference lacks reads as empty.
            return reference_ ? reference_->Text(row, ColumnAt(column).column) : QString();
        case CellKind::AddRow:
            return addRowText_;
        case CellKind::None:
            break;
    }
    return {};
}

bool GridModel::IsTooLong(int row, int column) const
{
    return Kind(row, column) == CellKind::Text &&
           document_->TextView(row, ColumnAt(column).column).size() > Field(column)->size;
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !document_ ? 0 : records_ + 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    // Painting does not come here (the view paints from the document); accessibility and
    // tools do.
    if (role != Qt::DisplayRole || Kind(index.row(), index.column()) == CellKind::None)
        return {};
    return CellText(index.row(), index.column());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const FieldDef* field = Field(section);
    if (!field || orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return ColumnAt(section).reference ? UiText("work.referenceCaption").arg(field->caption)
                                           : field->caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace scrivlet
