#pragma once

#include <QWizard>
#include <QWizardPage>

class QListWidget;

// The wizard that asks for a format, a file type or an encoding when nothing else gives one:
// up to three pages, each a list whose selection the page keeps between showings.

namespace scrivlet {

class FormatCatalogue;

// Page set bits; the pages present appear in this order.
enum WizardPageBit : int {
    kWizardFormatPage = 1,
    kWizardFileTypePage = 2,
    kWizardEncodingPage = 4,
    // For documents saved together: entry 0 of the file type and encoding pages keeps each
    // document's own (the encodings follow from entry 1 on).
    kWizardOwnChoices = 8,
};

// What each page has selected: a format index, a file type (0 keeps the document's own) and
// an encoding index. -1 means no entry.
struct WizardSelection {
    int format = 0;
    int fileType = 0;
    int encoding = 0;
};

// One page: a list filled whenever the page becomes active, its selection kept in *kept.
class ChoicePage : public QWizardPage {
    Q_OBJECT

public:
    ChoicePage(const char* windowTitleKey, const char* headerKey, int* kept,
               QWidget* parent = nullptr);

    QListWidget* List() const { return list_; }
    // The page's caption for the wizard's title bar.
    QString WindowTitle() const { return windowTitle_; }

    void initializePage() override;
    // Next and Finish wait for a selected entry: a load needs a real index.
    bool isComplete() const override;

protected:
    virtual QStringList Entries() const = 0;

private:
    QListWidget* list_;
    QString windowTitle_;
    int* kept_;
};

class FormatPage : public ChoicePage {
    Q_OBJECT

public:
    FormatPage(const FormatCatalogue& catalogue, int* kept, QWidget* parent = nullptr);

protected:
    QStringList Entries() const override;

private:
    const FormatCatalogue& catalogue_;
};

class FileTypePage : public ChoicePage {
    Q_OBJECT

public:
    FileTypePage(int* kept, bool ownChoice, QWidget* parent = nullptr);

protected:
    QStringList Entries() const override;

private:
    bool ownChoice_;
};

class EncodingPage : public ChoicePage {
    Q_OBJECT

public:
    EncodingPage(int* kept, bool ownChoice, QWidget* parent = nullptr);

protected:
    QStringList Entries() const override;

private:
    bool ownChoice_;
};

class FormatWizard : public QWizard {
    Q_OBJECT

public:
    FormatWizard(int pageSet, const FormatCatalogue& catalogue, QWidget* parent = nullptr);

    // The selections the pages start with (before exec) or ended with (after Finish).
    void SetSelection(const WizardSelection& selection) { selection_ = selection; }
    const WizardSelection& Selection() const { return selection_; }

    // Null for a page that is not in the set.
    ChoicePage* Page(WizardPageBit bit) const;

private:
    void OnPageChanged(int id);

    WizardSelection selection_;
    ChoicePage* pages_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace scrivlet
