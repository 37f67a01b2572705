// The Problems dock: what it lists, a click selecting the field, and the list and the status
// bar following an edit.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/RowLabels.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/DocumentSession.h"
#include "session/Settings.h"
#include "shell/DocumentTab.h"
#include "shell/ProblemsPanel.h"
#include "shell/SpellingProgress.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>

using namespace scrivlet;
using namespace scrivlet::test;

class TestProblems : public QObject {
    Q_OBJECT

    ShellEnvironment env_;

    // The rows as "check|record|field|explanation".
    static QStringList Rows(const ProblemsModel& model)
    {
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model.columnCount(); ++column)
                cells << model.data(model.index(row, column), Qt::DisplayRole).toString();
            rows << cells.join(u'|');
        }
        return rows;
    }

private slots:
    void init() { env_.Reset(); }

    void listsSelectsAndFollows()
    {
        MainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        EdtDocument* document = AddDocument(frame, {{"Go."}, {"a  b"}, {"Toolong"}}, 6);
        DocumentTab* tab = frame.TabAt(frame.ActiveIndex());
        tab->Session()->SetReference(
            MakeDocument(document->Format(), {{"Go."}, {"a b"}, {"Wait."}}));
        auto* panel = frame.findChild<ProblemsPanel*>();
        QVERIFY(panel && panel->isVisible());
        // One row a field, naming every check it fails.
        QTRY_COMPARE(panel->Model()->rowCount(), 3);
        const RowLabels labels;
        const QString r0 = labels.RecordName(document->Format(), 0);
        const QString r1 = labels.RecordName(document->Format(), 1);
        const QString r2 = labels.RecordName(document->Format(), 2);
        QCOMPARE(Rows(*panel->Model()),
                 QStringList({"Untranslated|" + r0 + "|Text|same as the original",
                              "Double space|" + r1 + "|Text|two spaces in a row at character 2",
                              u"Too long, End punctuation|"_qs + r2 +
                                  u"|Text|Too long: length 7, the field holds 6; "
                                  u"End punctuation: the original ends in “.”"_qs}));
        frame.UpdateUi();
        QVERIFY2(frame.CountsText().endsWith(u"Problems: 4"), qPrintable(frame.CountsText()));

        QTableView* view = panel->View();
        const QRect cell = view->visualRect(panel->Model()->index(2, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(frame.ActiveView()->SelectedRow(), 2);
        QCOMPARE(frame.ActiveView()->SelectedColumn(), document->TextColumn(0));

        // An edit: the list and the count follow.
        QVERIFY(document->SetText(2, document->TextColumn(0), u"Warte."));
        QTRY_COMPARE(panel->Model()->rowCount(), 2);
        frame.UpdateUi();
        QVERIFY(frame.CountsText().endsWith(u"Problems: 2"));

        // Fields waiting for review are listed beside the checks, as the count counts them.
        tab->Session()->Review()->Set(0, 0, {ReviewReason::Changed, QStringLiteral("Go!")});
        tab->Session()->Review()->Set(2, 0, {ReviewReason::New, QString()});
        QTRY_COMPARE(panel->Model()->rowCount(), 3);
        QCOMPARE(Rows(*panel->Model()).first(),
                 "Source changed, Untranslated|" + r0 +
                     "|Text|Source changed: the original changed; it was: Go!; "
                     "Untranslated: same as the original");
        // Narrowed to one check, the list names that one alone.
        QComboBox* checks = panel->CheckChoice();
        checks->setCurrentIndex(checks->findData(ProblemsModel::kSourceChanged));
        QCOMPARE(Rows(*panel->Model()),
                 QStringList({"Source changed|" + r0 + "|Text|the original changed; it was: Go!",
                              "Source changed|" + r2 + "|Text|a new record of the original"}));
        checks->setCurrentIndex(checks->findData(static_cast<int>(Check::DoubleSpace)));
        QCOMPARE(Rows(*panel->Model()),
                 QStringList({"Double space|" + r1 + "|Text|two spaces in a row at character 2"}));
        checks->setCurrentIndex(0);
        QCOMPARE(panel->Model()->rowCount(), 3);
        frame.UpdateUi();
        QVERIFY2(frame.CountsText().endsWith(u"Problems: 4"), qPrintable(frame.CountsText()));
    }

    // F9 / Shift+F9 stop at every problem of the enabled checks, several in one field one
    // after the other, and name each; a check switched off in View > Checks counts nowhere.
    void seekAndSwitchOff_data()
    {
        QTest::addColumn<QStringList>("off");       // checks switched off
        QTest::addColumn<QStringList>("commands");  // n next, p previous problem
        QTest::addColumn<QStringList>("stops");     // record:check title, "-" a beep
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");  // in the Problems list: one a field
        QTest::newRow("all, forward") << QStringList{} << QStringList{"n", "n", "n", "n", "n"}
                                      << QStringList{"1:Double space", "2:Too long",
                                                     "2:End punctuation", "-", "0:Untranslated"}
                                      << 4 << 3;
        QTest::newRow("all, backward after the beep")
            << QStringList{} << QStringList{"p", "p", "p", "p"}
            << QStringList{"-", "2:End punctuation", "2:Too long", "1:Double space"} << 4 << 3;
        QTest::newRow("double space and too long off")
            << QStringList{"double_space", "too_long"} << QStringList{"n", "n", "n"}
            << QStringList{"2:End punctuation", "-", "0:Untranslated"} << 2 << 2;
    }
    void seekAndSwitchOff()
    {
        QFETCH(QStringList, off);
        QFETCH(QStringList, commands);
        MainFrame frame;
        EdtDocument* document = AddDocument(frame, {{"Go."}, {"a  b"}, {"Toolong"}}, 6);
        frame.TabAt(0)->Session()->SetReference(
            MakeDocument(document->Format(), {{"Go."}, {"a b"}, {"Wait."}}));
        auto* menu = frame.findChild<QMenu*>(QStringLiteral("menu.checks"));
        QVERIFY(menu);
        for (const QString& name : off) {
            QAction* item = menu->findChild<QAction*>("check." + name);
            QVERIFY(item && item->isChecked());
            item->trigger();
        }
        // Kept in the settings for the next start.
        const QStringList stored = DisabledChecks();
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()),
                 QSet<QString>(off.begin(), off.end()));
        QVERIFY(frame.ActiveView()->SelectCell(0, document->TextColumn(0)));
        QStringList stops;
        for (const QString& command : commands) {
            Run(frame, command == "n" ? Command::NextProblem : Command::PreviousProblem);
            const QString said = frame.statusBar()->currentMessage();
            stops << (said == UiText("seek.noProblem")
                          ? u"-"_qs
                          : QString::number(frame.ActiveView()->SelectedRow()) + u':' +
                                said.section(u':', 0, 0));
        }
        QTEST(stops, "stops");
        QFETCH(int, count);
        QFETCH(int, rows);
        auto* panel = frame.findChild<ProblemsPanel*>();
        QTRY_COMPARE(panel->Model()->rowCount(), rows);
        frame.UpdateUi();
        QVERIFY(frame.CountsText().endsWith("Problems: " + QString::number(count)));
    }

    // With a spelling language, the editor's context menu on an unknown word offers the
    // dictionary's words and Add to Word List; either makes the word stop being a problem.
    void spellingFromTheEditor_data()
    {
        QTest::addColumn<QString>("item");  // the menu item taken; empty: the first suggestion
        QTest::newRow("suggestion") << "";
        QTest::newRow("add to word list") << "spelling.addWord";
    }
    void spellingFromTheEditor()
    {
        QFETCH(QString, item);
        MainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        EdtDocument* document = AddDocument(frame, {{"Teh cat"}}, 20);
        frame.findChild<QAction*>(QStringLiteral("spelling.language.en"))->trigger();
        QCOMPARE(SpellingLanguage(), u"en"_qs);
        auto* panel = frame.findChild<ProblemsPanel*>();
        QTRY_COMPARE(panel->Model()->rowCount(), 1);
        GridView* view = frame.ActiveView();
        QVERIFY(view->SelectCell(0, document->TextColumn(0)) && view->BeginEdit());
        InplaceEdit* editor = view->Editor();
        // Over the first word.
        const QPoint over(editor->fontMetrics().horizontalAdvance(u"Te"_qs), editor->height() / 2);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, over, editor->mapToGlobal(over));
        QApplication::sendEvent(editor, &menuEvent);
        auto* menu = editor->findChild<QMenu*>();
        QVERIFY(menu);
        QAction* chosen =
            item.isEmpty() ? menu->actions().value(0) : menu->findChild<QAction*>(item);
        QVERIFY(chosen && chosen->objectName() != u"edit-undo");
        const QString expected = item.isEmpty() ? chosen->text() + u" cat"_qs : u"Teh cat"_qs;
        QVERIFY(expected != u" cat"_qs);
        chosen->trigger();
        menu->close();
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(document->FieldText(0, 0).toString(), expected);
        QTRY_COMPARE(panel->Model()->rowCount(), 0);
    }

    // A big document is spelled behind a progress bar that goes when the run ends; the
    // Spelling item shows off while no language is chosen, and on again with one.
    void spellingInTheBackground()
    {
        // 9,000,000 words: about a second here.
        constexpr int kRecords = 150000;
        MainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto* item = frame.findChild<QAction*>(QStringLiteral("check.spelling"));
        QVERIFY(item && !item->isChecked() && !item->isEnabled());
        test::Rows rows;
        for (int i = 0; i < kRecords; ++i)
            rows << QStringList{QStringLiteral("%1 lamp went dark at midnight and someone climbed "
                                               "the stairs before the keeper saw a lantern on "
                                               "the water ")
                                    .arg(i % 100 ? "The" : "Teh")
                                    .repeated(3)};
        AddDocument(frame, rows, 360);
        auto* progress = frame.findChild<SpellingProgress*>();
        QVERIFY(progress && !progress->isVisible());
        frame.findChild<QAction*>(QStringLiteral("spelling.language.en"))->trigger();
        QVERIFY(item->isChecked() && item->isEnabled());
        // Shown for a run that outlasts the delay (surely so at twice the delay), never for a
        // shorter one; gone at the end.
        const DocumentChecks* checks = frame.TabAt(0)->Session()->Checks();
        QVERIFY(checks->SpellingRunning());
        QElapsedTimer clock;
        clock.start();
        bool shown = false;
        while (checks->SpellingRunning() && clock.elapsed() < 60000) {
            QTest::qWait(10);
            shown = shown || progress->isVisible();
        }
        const qint64 took = clock.elapsed();
        QVERIFY(!checks->SpellingRunning() && !progress->isVisible());
        if (took >= 2 * SpellingProgress::kDelayMs)
            QVERIFY(shown);
        if (took < SpellingProgress::kDelayMs)
            QVERIFY(!shown);
        frame.UpdateUi();
        QVERIFY2(frame.CountsText().endsWith(u"Problems: 1,500"), qPrintable(frame.CountsText()));
        frame.findChild<QAction*>(QStringLiteral("spelling.language."))->trigger();
        QVERIFY(!item->isChecked() && !item->isEnabled());
        // The editor closes while a run goes on: the dictionary goes before the documents.
        frame.findChild<QAction*>(QStringLiteral("spelling.language.en"))->trigger();
        QVERIFY(checks->SpellingRunning());
    }
};

SCRIVLET_TEST(TestProblems);
#include "test_problems.moc"
