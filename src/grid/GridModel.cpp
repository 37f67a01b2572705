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
    columns_ = document->ColumnCount();
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
        const QModelIndex changed = index(record, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    });
    connect(document, &EdtDocument::TextsChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, columns_ - 1), {Qt::DisplayRole});
    });
    connect(document, &QObject::destroyed, this, [this] {
        beginResetModel();
        records_ = columns_ = 0;
        endResetModel();
    });
}

const FieldDef* GridModel::Field(int column) const
{
    if (!document_ || column < 0 || column >= columns_)
        return nullptr;
    return &document_->Format().fields[static_cast<size_t>(column)];
}

CellKind GridModel::Kind(int row, int column) const
{
    const FieldDef* field = Field(column);
    if (!field || row < 0 || row > records_)
        return CellKind::None;
    if (row == records_)
        return column == 0 ? CellKind::AddRow : CellKind::None;
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
            return document_->Text(row, column);
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
           document_->TextView(row, column).size() > Field(column)->size;
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !document_ ? 0 : records_ + 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
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
        return field->caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace scrivlet
