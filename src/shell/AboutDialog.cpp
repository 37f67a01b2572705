#include "shell/AboutDialog.h"

#include "base/UiText.h"
#include "shell/Icons.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

constexpr int kAboutIconPixels = 48;

}  // namespace

void ShowAboutDialog(QWidget* owner)
{
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : owner;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("aboutDialog"));
    dialog.setWindowTitle(UiText("about.caption"));
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(AppIcon().pixmap(kAboutIconPixels, kAboutIconPixels));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(UiText("about.text").arg(QStringLiteral(SCRIVLET_VERSION)), &dialog);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.exec();
}

}  // namespace scrivlet
