#include "shell/BoxDialog.h"

#include "base/UiText.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "session/CheckChoices.h"
#include "session/DocumentSession.h"
#include "shell/DocumentTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

namespace scrivlet {
namespace {

// Pixels a game's box or font may span.
constexpr int kMaxPixels = 8192;
constexpr int kMaxLines = 99;

}  // namespace

BoxDialog::BoxDialog(const StoredBox& current, bool canBeFileOnly, QWidget* parent)
    : QDialog(parent),
      base_(current),
      font_(new QLineEdit(current.box.font, this)),
      size_(new QDoubleSpinBox(this)),
      width_(new QSpinBox(this)),
      lines_(new QSpinBox(this)),
      breaks_(new QComboBox(this)),
      fileOnly_(new QCheckBox(UiText("box.fileOnly"), this)),
      error_(new QLabel(this))
{
    setObjectName(QStringLiteral("boxDialog"));
    font_->setObjectName(QStringLiteral("font"));
    // Room for a path.
    font_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    size_->setRange(1, kMaxPixels);
    size_->setDecimals(1);
    size_->setValue(current.box.size > 0 ? current.box.size : 16);
    width_->setRange(1, kMaxPixels);
    width_->setValue(current.box.width > 0 ? current.box.width : 320);
    lines_->setRange(1, kMaxLines);
    lines_->setValue(current.box.lines);
    breaks_->addItem(UiText("box.breakSpaces"));
    breaks_->addItem(UiText("box.breakAnywhere"));
    breaks_->setCurrentIndex(current.box.breaks == BoxBreak::Anywhere ? 1 : 0);
    fileOnly_->setEnabled(canBeFileOnly);
    fileOnly_->setChecked(canBeFileOnly && !current.file.isEmpty());
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #c8102e;"));
    error_->hide();
    auto* browse = new QPushButton(UiText("box.browse"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, UiText("box.font").remove(u'&').remove(u':'), font_->text(),
            UiText("box.fontFilter"), nullptr, QFileDialog::DontUseNativeDialog);
        if (!file.isEmpty())
            font_->setText(file);
    });
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(font_, 1);
    fontRow->addWidget(browse);
    auto* form = new QFormLayout;
    const std::pair<const char*, QWidget*> rows[] = {
        {"box.size", size_}, {"box.width", width_}, {"box.lines", lines_}, {"box.breaks", breaks_}};
    auto* fontLabel = new QLabel(UiText("box.font"), this);
    fontLabel->setBuddy(font_);
    form->addRow(fontLabel, fontRow);
    for (const auto& [key, field] : rows) {
        auto* label = new QLabel(UiText(key), this);
        label->setBuddy(field);
        form->addRow(label, field);
    }
    form->addRow(fileOnly_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(error_);
    layout->addWidget(buttons);
}

StoredBox BoxDialog::Box() const
{
    StoredBox box = base_;
    box.box = {font_->text().trimmed(), size_->value(), width_->value(), lines_->value(),
               breaks_->currentIndex() == 1 ? BoxBreak::Anywhere : BoxBreak::Spaces};
    if (!FileOnly())
        box.file.clear();
    return box;
}

bool BoxDialog::FileOnly() const
{
    return fileOnly_->isChecked();
}

void BoxDialog::ShowError(const QString& error)
{
    error_->setText(error);
    error_->setVisible(!error.isEmpty());
}

void OfferBoxes(DocumentTab* tab, CheckChoices& choices)
{
    QHeaderView* header = tab->View()->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        header, &QHeaderView::customContextMenuRequested, tab, [tab, header, &choices](QPoint at) {
            const auto* model = static_cast<const GridModel*>(tab->View()->model());
            const ColumnSource source = model->ColumnAt(header->logicalIndexAt(at));
            const EdtDocument* document = tab->Document();
            if (source.column < 0 || source.reference || !document->IsTextColumn(source.column))
                return;
            QMenu menu;
            QAction* edit = menu.addAction(UiText("box.menu"));
            if (menu.exec(header->mapToGlobal(at)) != edit)
                return;
            const int field = document->FieldOfColumn(source.column);
            const QString file = choices.FileOf(*tab->Session());
            StoredBox current{{document->FormatIndex(), field}, file, {}};
            if (const FittedBox* box = tab->Session()->Checks()->BoxOf(field))
                current.box = box->box;
            const bool own = choices.Boxes().fileBoxes.count({file, field}) > 0;
            current.file = own ? file : QString();
            BoxDialog dialog(current, !file.isEmpty(), tab->window());
            dialog.setWindowTitle(
                UiText("box.title")
                    .arg(document->Format().fields[static_cast<size_t>(source.column)].caption));
            while (dialog.exec() == QDialog::Accepted) {
                StoredBox chosen = dialog.Box();
                chosen.file = dialog.FileOnly() ? file : QString();
                const Result kept = choices.SetBox(chosen);
                if (kept)
                    return;
                dialog.ShowError(kept.Error());
            }
        });
}

}  // namespace scrivlet
