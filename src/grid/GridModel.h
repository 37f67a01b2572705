#pragma once

#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <vector>

// An EdtDocument as Qt's item views see it: one row per record plus the add-row after the
// last one, one column per field of the format, and while a reference document is shown a
// read-only column after each text column with the reference's text. Label columns are
// computed here, never stored. The model follows the document's signals, so a change made by
// anyone repaints. Columns here are view columns; ColumnAt maps them to the document's.

namespace scrivlet {

enum class CellKind {
    None,       // a field type no file operation fills, or no cell at all
    Label,      // the row label of a label field; never editable
    Text,       // a text field of a record
    AddRow,     // the add-row's one cell (column 0; it spans the whole row)
    Reference,  // the reference's text of a record's text field; never editable
};

// What a view column shows: a document column, itself or the reference's text of it.
struct ColumnSource {
    int column = -1;  // the document's column; -1 for none
    bool reference = false;
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
    // The view column's document column; {-1, false} outside the columns.
    ColumnSource ColumnAt(int viewColumn) const;
    // The view column showing a document column itself (never its reference), or -1.
    int ViewColumn(int column) const;
    // The reference shown beside each text column, or null for none; not owned. Inserts or
    // removes the reference columns, each with the view's column signals.
    void SetReference(const EdtDocument* reference);
    // Null once the reference is gone; its columns stay until the next SetReference.
    const EdtDocument* Reference() const { return reference_; }
    bool ShowsReference() const { return columns_.size() > viewColumns_.size(); }

    // The rest takes view columns.
    CellKind Kind(int row, int column) const;
    // The text a cell shows; empty for CellKind::None.
    QString CellText(int row, int column) const;
    // A text field holding more characters than the field has room for.
    bool IsTooLong(int row, int column) const;
    // The format's field of a column (a reference column's is its text column's), or null.
    const FieldDef* Field(int column) const;
    // The width a column starts at, in pixels: its field's own, else one for every field that
    // sets none. The grid and its printout both lay columns out by it.
    int ColumnWidth(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Lays out the columns with reference columns after the first `shown` text columns.
    void BuildColumns(int shown);

    QPointer<EdtDocument> document_;
    QPointer<const EdtDocument> reference_;
    int records_ = 0;
    std::vector<ColumnSource> columns_;  // by view column
    std::vector<int> viewColumns_;       // by document column
    RowLabels labels_;
    QString addRowText_;
};

}  // namespace scrivlet
