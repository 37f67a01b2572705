#include "shell/GoToDialog.h"

#include "base/UiText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace scrivlet {

GoToDialog::GoToDialog(int recordCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      recordCount_(recordCount)
{
    setObjectName(QStringLiteral("goToDialog"));
    setWindowTitle(UiText(str::GoToCaption));
    auto* label = new QLabel(UiText(str::GoToPrompt).arg(0).arg(recordCount - 1), this);
    number_ = new QLineEdit(this);
    label->setBuddy(number_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GoToDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GoToDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(number_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void GoToDialog::accept()
{
    bool ok = false;
    const int record = number_->text().trimmed().toInt(&ok);
    if (!ok || record < 0 || record >= recordCount_) {
        QApplication::beep();
        number_->selectAll();
        number_->setFocus(Qt::OtherFocusReason);
        return;
    }
    record_ = record;
    QDialog::accept();
}

}  // namespace scrivlet
