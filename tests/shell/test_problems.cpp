// The Problems dock: what it lists, a click selecting the field, and the list and the status
// bar following an edit.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/RowLabels.h"
#include "grid/GridView.h"
#include "shell/DocumentSession.h"
#include "shell/DocumentTab.h"
#include "shell/ProblemsPanel.h"
#include "translation/ReviewMarks.h"

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
        EdtDocument* document = AddDocument(frame, {{"Go."}, {"a  b"}, {"toolong"}}, 6);
        DocumentTab* tab = frame.TabAt(frame.ActiveIndex());
        tab->Session()->SetReference(
            MakeDocument(document->Format(), {{"Go."}, {"a b"}, {"Wait."}}));
        auto* panel = frame.findChild<ProblemsPanel*>();
        QVERIFY(panel && panel->isVisible());
        QTRY_COMPARE(panel->Model()->rowCount(), 4);
        const RowLabels labels;
        const QString r0 = labels.RecordName(document->Format(), 0);
        const QString r1 = labels.RecordName(document->Format(), 1);
        const QString r2 = labels.RecordName(document->Format(), 2);
        QCOMPARE(Rows(*panel->Model()),
                 QStringList({"Untranslated|" + r0 + "|Text|same as the original",
                              "Double space|" + r1 + "|Text|two spaces in a row at character 2",
                              "Too long|" + r2 + "|Text|length 7, the field holds 6",
                              u"End punctuation|"_qs + r2 + u"|Text|the original ends in “.”"_qs}));
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
        QTRY_COMPARE(panel->Model()->rowCount(), 4);
        QCOMPARE(Rows(*panel->Model()).filter(u"Source changed|"_qs),
                 QStringList({"Source changed|" + r0 + "|Text|the original changed; it was: Go!",
                              "Source changed|" + r2 + "|Text|a new record of the original"}));
        frame.UpdateUi();
        QVERIFY2(frame.CountsText().endsWith(u"Problems: 4"), qPrintable(frame.CountsText()));
    }
};

SCRIVLET_TEST(TestProblems);
#include "test_problems.moc"
