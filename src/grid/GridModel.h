#pragma once

#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"

#include <QAbstractTableModel>
#include <QPointer>

// An EdtDocument as Qt's item views see it: one row per record plus the add-row after the
// last one, one column per field of the format. Label columns are computed here, never
// stored. The model follows the document's signals, so a change made by anyone repaints.

namespace scrivlet {

enum class CellKind {
    None,    // a field type no file operation fills, or no cell at all
    Label,   // the row label of a label field; never editable
    Text,    // a text field of a record
    AddRow,  // the add-row's one cell (column 0; it spans the whole row)
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The document is not owned; the model empties itself when the document goes away.
    explicit GridModel(EdtDocument* document, QObject* parent = nullptr);

    EdtDocument* Document() const { return document_; }
    // Records as the view knows them (the add-row is row RecordCount()).
    int RecordCount() const { return records_; }
    bool IsAddRow(int row) const { return document_ && row == records_; }
    CellKind Kind(int row, int column) const;
    // The text a cell shows; empty for CellKind::None.
    QString CellText(int row, int column) const;
    // A text field holding more characters than the field has room for.
    bool IsTooLong(int row, int column) const;
    // The format's field of a column, or null.
    const FieldDef* Field(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QPointer<EdtDocument> document_;
    int records_ = 0;
    int columns_ = 0;
    RowLabels labels_;
    QString addRowText_;
};

}  // namespace scrivlet
