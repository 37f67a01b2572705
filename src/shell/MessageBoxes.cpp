#include "shell/MessageBoxes.h"

#include "base/UiText.h"

#include <QCheckBox>

namespace scrivlet {
namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& givenCaption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           const QString& checkText, bool* checked)
{
    // Without a caption of its own a box would name the executable.
    const QString caption = givenCaption.isEmpty() ? AppCaption() : givenCaption;
    if (Handler())
        return Handler()(
            MessageBoxRequest{parent, icon, caption, text, buttons, checkText, checked});
    QMessageBox box(icon, caption, text, buttons, parent);
    if (checked) {
        auto* check = new QCheckBox(checkText, &box);
        check->setChecked(*checked);
        box.setCheckBox(check);
    }
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (checked)
        *checked = box.checkBox()->isChecked();
    return answer;
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}

}  // namespace scrivlet
