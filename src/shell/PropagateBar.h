#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QToolButton;

// Propagate: a translation just given to a field offered to the other fields of the document
// with the same original that are still untranslated, by a bar floating over the grid's foot
// (it never moves a row under the mouse) that never stops the work (no question to answer) and
// goes by itself at the next edit or selection.

namespace scrivlet {

class DocumentSession;
class GridView;

class PropagateBar : public QFrame {
    Q_OBJECT

public:
    PropagateBar(DocumentSession& session, GridView& view, QWidget* parent = nullptr);

    // The field at (record, column) was given a new text: offered to the others with its
    // original, if any; the bar hides otherwise.
    void Offer(int record, int column);
    QLabel* Text() const { return label_; }
    QPushButton* Button() const { return propagate_; }
    QToolButton* CloseButton() const { return close_; }

private:
    void Withdraw();

    DocumentSession& session_;
    GridView& view_;
    QLabel* label_;
    QPushButton* propagate_;
    QToolButton* close_;
    int record_ = -1, field_ = -1;
};

}  // namespace scrivlet
