#include "shell/FormatWizard.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "shell/FileOptionsPanel.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

constexpr int kPageBits[] = {kWizardFormatPage, kWizardFileTypePage, kWizardEncodingPage};

int SlotOf(WizardPageBit bit)
{
    switch (bit) {
        case kWizardFormatPage:
            return 0;
        case kWizardFileTypePage:
            return 1;
        case kWizardEncodingPage:
            return 2;
        case kWizardOwnChoices:  // a flag on the pages, not a page of its own
            break;
    }
    return -1;
}

}  // namespace

// --- pages -----------------------------------------------------------------------------

ChoicePage::ChoicePage(const char* windowTitleKey, const char* headerKey, int* kept,
                       QWidget* parent)
    : QWizardPage(parent), list_(new QListWidget(this)), kept_(kept)
{
    windowTitle_ = UiText(windowTitleKey);
    setTitle(UiText(headerKey));
    setSubTitle(UiText(str::WizardSubtitle));
    list_->setObjectName(QStringLiteral("choiceList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        *kept_ = selected.isEmpty() ? -1 : list_->row(selected.first());
        emit completeChanged();
    });
}

void ChoicePage::initializePage()
{
    const int keep = *kept_;
    const QSignalBlocker blocker(list_);
    list_->clear();
    list_->addItems(Entries());
    if (keep >= 0 && keep < list_->count())
        list_->setCurrentRow(keep);
    else
        list_->setCurrentRow(-1);
    *kept_ = keep >= 0 && keep < list_->count() ? keep : -1;
    list_->setFocus();
    emit completeChanged();
}

bool ChoicePage::isComplete() const
{
    return !list_->selectedItems().isEmpty();
}

FormatPage::FormatPage(const FormatCatalogue& catalogue, int* kept, QWidget* parent)
    : ChoicePage(str::WizardFormatTitle, str::WizardFormatHeader, kept, parent),
      catalogue_(catalogue)
{
    setObjectName(QStringLiteral("formatPage"));
}

QStringList FormatPage::Entries() const
{
    QStringList names;
    for (const EdtFormat& format : catalogue_.Formats())
        names << format.name;
    return names;
}

FileTypePage::FileTypePage(int* kept, bool ownChoice, QWidget* parent)
    : ChoicePage(str::WizardFileTypeTitle, str::WizardFileTypeHeader, kept, parent),
      ownChoice_(ownChoice)
{
    setObjectName(QStringLiteral("fileTypePage"));
}

QStringList FileTypePage::Entries() const
{
    QStringList names = FileTypeNames();
    if (ownChoice_)
        names[0] = UiText("wizard.ownFileType");
    return names;
}

EncodingPage::EncodingPage(int* kept, bool ownChoice, QWidget* parent)
    : ChoicePage(str::WizardEncodingTitle, str::WizardEncodingHeader, kept, parent),
      ownChoice_(ownChoice)
{
    setObjectName(QStringLiteral("encodingPage"));
}

QStringList EncodingPage::Entries() const
{
    QStringList names = EncodingNames();
    if (ownChoice_)
        names.prepend(UiText("wizard.ownEncoding"));
    return names;
}

// --- wizard ----------------------------------------------------------------------------

FormatWizard::FormatWizard(int pageSet, const FormatCatalogue& catalogue, QWidget* parent)
    : QWizard(parent)
{
    setObjectName(QStringLiteral("formatWizard"));
    setWizardStyle(QWizard::ModernStyle);
    // Only the pages after the first can go back.
    setOption(QWizard::NoBackButtonOnStartPage, true);
    for (int bit : kPageBits) {
        if (!(pageSet & bit))
            continue;
        ChoicePage* page = nullptr;
        switch (bit) {
            case kWizardFormatPage:
                page = new FormatPage(catalogue, &selection_.format);
                break;
            case kWizardFileTypePage:
                page = new FileTypePage(&selection_.fileType, pageSet & kWizardOwnChoices);
                break;
            default:
                page = new EncodingPage(&selection_.encoding, pageSet & kWizardOwnChoices);
                break;
        }
        pages_[SlotOf(static_cast<WizardPageBit>(bit))] = page;
        addPage(page);
    }
    connect(this, &QWizard::currentIdChanged, this, &FormatWizard::OnPageChanged);
}

ChoicePage* FormatWizard::Page(WizardPageBit bit) const
{
    const int slot = SlotOf(bit);
    return slot < 0 ? nullptr : pages_[slot];
}

void FormatWizard::OnPageChanged(int id)
{
    // The page's own title names the question in the title bar; the header asks it.
    if (auto* page = qobject_cast<ChoicePage*>(this->page(id)))
        setWindowTitle(page->WindowTitle());
}

}  // namespace scrivlet
