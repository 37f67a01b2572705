#include "shell/RestoreDialog.h"

#include "base/UiText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace scrivlet {

RestoreDialog::RestoreDialog(const QList<RecoveryInfo>& copies, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this))
{
    setWindowTitle(UiText("recov.title"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(UiText("recov.intro"), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({UiText("recov.column.title"), UiText("recov.column.path"),
                            UiText("recov.column.time"), UiText("recov.column.note")});
    const QLocale locale;
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int k = 0; k < copies.size(); ++k) {
        const RecoveryInfo& copy = copies[k];
        QString note = copy.problem;
        if (!note.isEmpty())
            note[0] = note[0].toUpper();
        auto* item = new QTreeWidgetItem(
            list_, {copy.title,
                    copy.path.isEmpty() && copy.described ? UiText("recov.unsaved") : copy.path,
                    locale.toString(copy.savedAt.toLocalTime(), QLocale::ShortFormat), note});
        item->setData(0, Qt::UserRole, k);
        if (!note.isEmpty()) {
            item->setIcon(0, warning);
            item->setToolTip(3, note);
        }
    }
    list_->selectAll();
    list_->header()->resizeSections(QHeaderView::ResizeToContents);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restore =
        buttons->addButton(UiText("recov.restore"), QDialogButtonBox::AcceptRole);
    QPushButton* discard =
        buttons->addButton(UiText("recov.discard"), QDialogButtonBox::DestructiveRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    restore->setDefault(true);
    connect(restore, &QPushButton::clicked, this, [this] {
        discarding_ = false;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, [this] {
        discarding_ = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Nothing selected: nothing to restore or discard.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this, restore, discard] {
        const bool any = !list_->selectedItems().isEmpty();
        restore->setEnabled(any);
        discard->setEnabled(any);
    });
    layout->addWidget(buttons);
    // Wide enough for the notes where the screen allows.
    const int screenWidth = screen() ? screen()->availableGeometry().width() * 9 / 10 : 640;
    resize(std::clamp(list_->header()->length() + 48, 640, std::max(640, screenWidth)), 300);
}

QList<int> RestoreDialog::Selected() const
{
    QList<int> selected;
    for (const QTreeWidgetItem* item : list_->selectedItems())
        selected << item->data(0, Qt::UserRole).toInt();
    // In the order listed, whatever order they were picked in.
    std::sort(selected.begin(), selected.end());
    return selected;
}

}  // namespace scrivlet
