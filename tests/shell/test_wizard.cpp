#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "shell/FormatWizard.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

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
};

SCRIVLET_TEST(TestWizard);
#include "test_wizard.moc"
