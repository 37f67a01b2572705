#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the number of a record, counted as the row labels count it. OK with a number
// outside the document beeps and keeps the dialog open.

namespace scrivlet {

class GoToDialog : public QDialog {
    Q_OBJECT

public:
    GoToDialog(int recordCount, QWidget* parent);

    // The record asked for, once accepted.
    int Record() const { return record_; }
    QLineEdit* NumberEdit() const { return number_; }

public slots:
    void accept() override;

private:
    QLineEdit* number_;
    int recordCount_;
    int record_ = -1;
};

}  // namespace scrivlet
