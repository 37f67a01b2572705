#pragma once

#include "store/ProjectBoxes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The game's text box of a field: its font file, size, width, lines and how lines break,
// for the format's field or this file's alone; offered from a text column's header.

namespace scrivlet {

class CheckChoices;
class DocumentTab;

class BoxDialog : public QDialog {
    Q_OBJECT

public:
    // current: the box the field has now (its font as the project keeps it), if any.
    BoxDialog(const StoredBox& current, bool canBeFileOnly, QWidget* parent = nullptr);

    // What the dialog holds: the format's field or (file only) the caller's file.
    StoredBox Box() const;
    bool FileOnly() const;
    void ShowError(const QString& error);

private:
    StoredBox base_;
    QLineEdit* font_;
    QDoubleSpinBox* size_;
    QSpinBox* width_;
    QSpinBox* lines_;
    QComboBox* breaks_;
    QCheckBox* fileOnly_;
    QLabel* error_;
};

// Gives the tab's text column headers a menu with Text Box…, which keeps the box through
// choices (the project's).
void OfferBoxes(DocumentTab* tab, CheckChoices& choices);

}  // namespace scrivlet
