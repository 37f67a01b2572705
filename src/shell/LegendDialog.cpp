#include "shell/LegendDialog.h"

#include "base/UiText.h"
#include "grid/GridView.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

struct LegendEntry {
    QRgb colour;
    const char* textKey;
    bool background;  // the cell's background, not its mark
};

// In the order the grid chooses a mark: the first that applies wins.
constexpr LegendEntry kLegend[] = {
    {kMarkReviewColour, "mark.sourceChanged", false},
    {kMarkProblemColour, "legend.problem", false},
    {kMarkNeedsWorkColour, "mark.needsWork", false},
    {kMarkApprovedColour, "mark.approved", false},
    {kMarkTranslatedColour, "mark.translated", false},
    {kMarkSameColour, "mark.same", false},
    {kMarkUntranslatedColour, "mark.empty", false},
    {kTextTooLongColour, "mark.tooLong", true},
};

QLabel* Swatch(const LegendEntry& entry, QWidget* parent)
{
    auto* swatch = new QLabel(parent);
    // A mark is a narrow strip, a background fills the cell: each drawn as the grid does.
    swatch->setFixedSize(entry.background ? 28 : 8, 18);
    swatch->setAutoFillBackground(true);
    QPalette colours = swatch->palette();
    colours.setColor(QPalette::Window, QColor(entry.colour));
    swatch->setPalette(colours);
    swatch->setFrameShape(QFrame::Box);
    return swatch;
}

}  // namespace

void ShowLegend(QWidget* owner)
{
    if (auto* shown = owner->findChild<QDialog*>(QStringLiteral("legend"))) {
        shown->show();
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto* dialog = new QDialog(owner);
    dialog->setObjectName(QStringLiteral("legend"));
    dialog->setWindowTitle(UiText("legend.title"));
    auto* intro = new QLabel(UiText("legend.intro"), dialog);
    intro->setWordWrap(true);
    auto* table = new QGridLayout;
    table->setColumnStretch(1, 1);
    int row = 0;
    for (const LegendEntry& entry : kLegend) {
        table->addWidget(Swatch(entry, dialog), row, 0, Qt::AlignCenter);
        auto* words = new QLabel(UiText(entry.textKey), dialog);
        words->setObjectName(QString::fromLatin1(entry.textKey));
        table->addWidget(words, row++, 1);
    }
    auto* tip = new QLabel(UiText("legend.tooltip"), dialog);
    tip->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->button(QDialogButtonBox::Close)->setText(UiText("legend.close"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(intro);
    layout->addLayout(table);
    layout->addWidget(tip);
    layout->addWidget(buttons);
    dialog->show();
}

}  // namespace scrivlet
