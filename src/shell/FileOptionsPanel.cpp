#include "shell/FileOptionsPanel.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace scrivlet {

namespace {

// Wide enough for the longest format name without letting the panel dominate the dialog.
constexpr int kListMinimumWidth = 260;

}  // namespace

QString AutoFormatEntry()
{
    return UiText("panel.autoDetect");
}

QList<FileFilter> FileFilters()
{
    QList<FileFilter> filters;
    for (const FileDialogFilter& filter : FileDialogFilters())
        filters << FileFilter{filter.description, filter.patterns, {}};
    return filters;
}

QStringList FileTypeNames()
{
    QStringList names;
    for (const FileFilter& filter : FileFilters())
        names << filter.description;
    return names;
}

QStringList EncodingNames()
{
    QStringList names;
    for (const char* key : kEncodingNameStrings)
        names << UiText(key);
    return names;
}

QString NameFilterOf(const FileFilter& filter)
{
    return QStringLiteral("%1 (%2)").arg(filter.description,
                                         filter.patterns.join(QLatin1Char(' ')));
}

PanelSetup MakePanelSetup(FileDialogKind kind, const FormatCatalogue& catalogue, int lastEncoding,
                          const EdtDocument* beingSaved)
{
    PanelSetup setup;
    if (kind == FileDialogKind::SaveAs && !beingSaved)
        return setup;
    setup.active = true;
    setup.formats << AutoFormatEntry();
    for (const EdtFormat& format : catalogue.Formats())
        setup.formats << format.name;
    setup.encodings = EncodingNames();
    if (kind == FileDialogKind::Open) {
        setup.formatIndex = 0;
        setup.encodingIndex = lastEncoding;
    } else {
        setup.formatIndex = beingSaved->FormatIndex() + 1;
        setup.formatEnabled = false;
        setup.encodingIndex = beingSaved->GetEncoding();
    }
    // A stored index from elsewhere must not leave a list without a selection.
    if (setup.formatIndex < 0 || setup.formatIndex >= setup.formats.size())
        setup.formatIndex = 0;
    if (!IsValidEncoding(setup.encodingIndex))
        setup.encodingIndex = kEncodingEnglish;
    return setup;
}

FileOptionsPanel::FileOptionsPanel(const PanelSetup& setup, QWidget* parent)
    : QWidget(parent), formatList_(new QComboBox(this)), encodingList_(new QComboBox(this))
{
    setObjectName(QStringLiteral("fileOptionsPanel"));
    formatList_->setObjectName(QStringLiteral("formatList"));
    encodingList_->setObjectName(QStringLiteral("encodingList"));
    formatList_->setMinimumWidth(kListMinimumWidth);
    encodingList_->setMinimumWidth(kListMinimumWidth);
    if (setup.active) {
        formatList_->addItems(setup.formats);
        formatList_->setCurrentIndex(setup.formatIndex);
        formatList_->setEnabled(setup.formatEnabled);
        encodingList_->addItems(setup.encodings);
        encodingList_->setCurrentIndex(setup.encodingIndex);
    }

    auto* formatLabel = new QLabel(UiText("panel.format"), this);
    auto* encodingLabel = new QLabel(UiText("panel.encoding"), this);
    formatLabel->setBuddy(formatList_);
    encodingLabel->setBuddy(encodingList_);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(formatLabel, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(formatList_, 0, 1);
    layout->addWidget(encodingLabel, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(encodingList_, 1, 1);
    layout->setColumnStretch(2, 1);
}

int FileOptionsPanel::FormatIndex() const
{
    return formatList_->currentIndex();
}

int FileOptionsPanel::EncodingIndex() const
{
    return encodingList_->currentIndex();
}

bool FileOptionsPanel::AttachTo(QFileDialog* dialog)
{
    auto* layout = qobject_cast<QGridLayout*>(dialog->layout());
    if (!layout)
        return false;
    layout->addWidget(this, layout->rowCount(), 0, 1, layout->columnCount());
    return true;
}

}  // namespace scrivlet
