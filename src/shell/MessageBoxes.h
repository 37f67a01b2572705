#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// Every message box of the program goes through ShowMessageBox, so that tests can answer
// them without a modal loop.

namespace scrivlet {

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QString checkText;        // the label of a check box under the text
    bool* checked = nullptr;  // its state, in and out; null: no check box
};

using MessageBoxHandler = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

// Shows a modal box (or asks the installed handler) and returns the button pressed; an empty
// caption is the program's (AppCaption). With
// checked, the box has a check box labelled checkText, shown as *checked and read back into it.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           const QString& checkText = QString(),
                                           bool* checked = nullptr);

// Replaces the real boxes; an empty handler brings them back.
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace scrivlet
