#pragma once

#include "session/RowFilter.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

// The bar above a document's grid that narrows it to the records worth seeing: a choice
// (all, not translated, with problems) and a text in the original or the translation. Rows
// left out are hidden, never renumbered. A change of the texts or the checks filters again
// after a pause, but the row the user is on stays until they leave it.

namespace scrivlet {

class DocumentSession;
class GridView;

class FilterBar : public QWidget {
    Q_OBJECT

public:
    FilterBar(DocumentSession& session, GridView& view, QWidget* parent = nullptr);

    const RowFilter& Filter() const { return filter_; }
    // Shows filter in the controls and applies it at once.
    void SetFilter(const RowFilter& filter);
    // Whether the grid shows record (what F8, F9 and Done and Next keep to).
    bool Shows(int record) const;
    // The keyboard to the text field, its text selected.
    void FocusText();

    QComboBox* Choices() const { return choices_; }
    QLineEdit* Text() const { return text_; }
    QComboBox* Scope() const { return scope_; }
    // "Records shown: 3 of 12" while some are hidden.
    QLabel* Count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Hides the rows the filter leaves out; spareSelected keeps the selected row.
    void Apply(bool spareSelected);
    void TakeControls();

    DocumentSession& session_;
    GridView& view_;
    RowFilter filter_;
    int hidden_ = 0;
    QComboBox* choices_;
    QLineEdit* text_;
    QComboBox* scope_;
    QLabel* count_;
    QTimer* typed_;
    QTimer* changed_;
};

}  // namespace scrivlet
