#include "CommandTestSupport.h"
#include "Encodings.h"
#include "FileOptionsPanel.h"
#include "FormatWizard.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

FormatCatalogue ThreeFormats()
{
    FormatCatalogue catalogue;
    for (const char* name : {"Dialog", "Items", "Quests"})
        catalogue.Append(MakeFormat(QString::fromLatin1(name), QString()));
    return catalogue;
}

// Which of Back, Next and Finish the wizard shows, as "BNF" with '-' for hidden ones.
QString Buttons(const QWizard& wizard)
{
    QString shown;
    shown += wizard.button(QWizard::BackButton)->isVisible() ? u'B' : u'-';
    shown += wizard.button(QWizard::NextButton)->isVisible() ? u'N' : u'-';
    shown += wizard.button(QWizard::FinishButton)->isVisible() ? u'F' : u'-';
    return shown;
}

}  // namespace

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void init() { SetUiLanguage(UiLanguage::English); }
    void cleanup() { SetUiLanguage(UiLanguage::English); }

    void pagesAndButtons_data()
    {
        QTest::addColumn<int>("pageSet");
        QTest::addColumn<QStringList>("pages");    // window title of each page in order
        QTest::addColumn<QStringList>("buttons");  // per page
        const QString format = QStringLiteral("Choose EDT Format");
        const QString type = QStringLiteral("Choose file type");
        const QString encoding = QStringLiteral("Choose encoding");
        QTest::newRow("format") << 1 << QStringList{format} << QStringList{"--F"};
        QTest::newRow("file type and encoding")
            << 6 << QStringList{type, encoding} << QStringList{"-N-", "B-F"};
        QTest::newRow("file type") << 2 << QStringList{type} << QStringList{"--F"};
        QTest::newRow("all three")
            << 7 << QStringList{format, type, encoding} << QStringList{"-N-", "BN-", "B-F"};
    }
    void pagesAndButtons()
    {
        QFETCH(int, pageSet);
        QFETCH(QStringList, pages);
        QFETCH(QStringList, buttons);
        const FormatCatalogue catalogue = ThreeFormats();
        FormatWizard wizard(pageSet, catalogue);
        wizard.show();
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(wizard.windowTitle(), pages[i]);
            auto* page = qobject_cast<ChoicePage*>(wizard.currentPage());
            QVERIFY(page);
            QCOMPARE(page->subTitle(), QStringLiteral("Press \"Cancel\" to cancel wizard"));
            QVERIFY(page->title().startsWith(QStringLiteral("Choose ")));
            QCOMPARE(Buttons(wizard), buttons[i]);
            QCOMPARE(page->List()->currentRow(), 0);
            if (i + 1 < pages.size())
                wizard.next();
        }
    }

    void formatPageWaitsForASelection()
    {
        const FormatCatalogue catalogue = ThreeFormats();
        FormatWizard wizard(kWizardFormatPage, catalogue);
        wizard.SetSelection({-1, 0, 0});
        wizard.show();
        QListWidget* list = wizard.Page(kWizardFormatPage)->List();
        QCOMPARE(list->count(), 3);
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled());
        list->setCurrentRow(2);
        QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
        wizard.button(QWizard::FinishButton)->click();
        QCOMPARE(wizard.result(), int(QDialog::Accepted));
        QCOMPARE(wizard.Selection().format, 2);

        // An empty catalogue can never finish.
        FormatCatalogue none;
        FormatWizard empty(kWizardFormatPage, none);
        empty.show();
        QVERIFY(!empty.button(QWizard::FinishButton)->isEnabled());
    }

    void selectionsKeptAcrossBack()
    {
        const FormatCatalogue catalogue = ThreeFormats();
        FormatWizard wizard(kWizardFileTypePage | kWizardEncodingPage, catalogue);
        wizard.SetSelection({0, 0, kEncodingRussian});
        wizard.show();
        QListWidget* types = wizard.Page(kWizardFileTypePage)->List();
        QCOMPARE(types->count(), 3);
        types->setCurrentRow(kFileTypeText);
        wizard.next();
        QListWidget* encodings = wizard.Page(kWizardEncodingPage)->List();
        QCOMPARE(encodings->currentRow(), int(kEncodingRussian));
        encodings->setCurrentRow(kEncodingUnicode);
        wizard.back();
        QCOMPARE(types->currentRow(), int(kFileTypeText));
        wizard.next();
        QCOMPARE(encodings->currentRow(), int(kEncodingUnicode));
        QCOMPARE(wizard.Selection().fileType, int(kFileTypeText));
        QCOMPARE(wizard.Selection().encoding, int(kEncodingUnicode));
        QVERIFY(!wizard.Page(kWizardFormatPage));
    }

    void listsInEveryLanguage_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::newRow("en") << UiLanguage::English;
        QTest::newRow("de") << UiLanguage::German;
        QTest::newRow("pl") << UiLanguage::Polish;
        QTest::newRow("ru") << UiLanguage::Russian;
    }
    void listsInEveryLanguage()
    {
        QFETCH(UiLanguage, language);
        SetUiLanguage(language);
        const QStringList encodings = EncodingNames();
        QCOMPARE(encodings.size(), kEncodingCount);
        // The list is in index order, which is not the order of the string numbers.
        QCOMPARE(encodings[kEncodingPolish], UiText(142));
        QCOMPARE(encodings[kEncodingRussian], UiText(140));
        QCOMPARE(encodings[kEncodingUnicode], UiText(141));
        const QList<FileFilter> filters = FileFilters();
        QCOMPARE(filters.size(), 3);
        QCOMPARE(filters[0].patterns, QStringList({"*.edt", "*.txt"}));
        QCOMPARE(filters[1].patterns, QStringList{"*.edt"});
        QCOMPARE(filters[2].patterns, QStringList{"*.txt"});
        QCOMPARE(FileTypeNames().size(), 3);

        const FormatCatalogue catalogue = ThreeFormats();
        RecordGrid document;
        document.SetFormatIndex(1);
        document.SetEncoding(kEncodingGerman);
        const PanelSetup open =
            MakePanelSetup(FileDialogKind::Open, catalogue, kEncodingRussian, nullptr);
        const PanelSetup save =
            MakePanelSetup(FileDialogKind::SaveAs, catalogue, kEncodingRussian, &document);
        for (const PanelSetup& setup : {open, save}) {
            QCOMPARE(setup.formats,
                     QStringList({QStringLiteral("Автоопределение"), "Dialog", "Items", "Quests"}));
            QCOMPARE(setup.encodings, encodings);
        }
        QCOMPARE(open.formatIndex, 0);
        QVERIFY(open.formatEnabled);
        QCOMPARE(open.encodingIndex, int(kEncodingRussian));
        QCOMPARE(save.formatIndex, 2);
        QVERIFY(!save.formatEnabled);
        QCOMPARE(save.encodingIndex, int(kEncodingGerman));
    }

    void parseFilters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("descriptions");
        QTest::addColumn<QStringList>("nameFilters");
        QTest::newRow("usual") << "A|*.a;*.b|B|*.b|" << QStringList{"A", "B"}
                               << QStringList{"A (*.a *.b)", "B (*.b)"};
        QTest::newRow("parentheses in the text")
            << "EDT files (.edt)|*.edt|" << QStringList{"EDT files (.edt)"}
            << QStringList{"EDT files (.edt) (*.edt)"};
        QTest::newRow("description without patterns dropped")
            << "A|*.a|B||C" << QStringList{"A"} << QStringList{"A (*.a)"};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{};
    }
    void parseFilters()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, descriptions);
        QFETCH(QStringList, nameFilters);
        const QList<FileFilter> filters = ParseFileFilters(text);
        QStringList gotDescriptions;
        QStringList gotNameFilters;
        for (const FileFilter& filter : filters) {
            gotDescriptions << filter.description;
            gotNameFilters << NameFilterOf(filter);
        }
        QCOMPARE(gotDescriptions, descriptions);
        QCOMPARE(gotNameFilters, nameFilters);
    }
};

SCRIVLET_TEST(TestWizard);
#include "test_wizard.moc"
