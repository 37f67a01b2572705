// The workbench: the filter above the grid (which records it shows; F8, F9 and Done and Next
// within it), the Propagate offer over the grid, the legend of the marks, Save All.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/GridView.h"
#include "session/RowFilter.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/EditingPane.h"
#include "shell/FilterBar.h"
#include "shell/PropagateBar.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace scrivlet;
using namespace scrivlet::test;

class TestWorkbench : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    std::unique_ptr<MainFrame> frame_;
    EdtDocument* document_ = nullptr;

    DocumentTab* Tab() const { return frame_->TabAt(0); }
    FilterBar* Bar() const { return Tab()->Filter(); }
    QList<int> Shown() const
    {
        QList<int> shown;
        for (int record = 0; record < document_->RecordCount(); ++record) {
            if (!Tab()->View()->isRowHidden(record))
                shown << record;
        }
        return shown;
    }
    // The rows visited from the top by command until it finds nothing more.
    QList<int> Visits(Command command)
    {
        QList<int> rows;
        Tab()->View()->SelectCell(0, document_->TextColumn(0));
        for (int i = 0; i < document_->RecordCount(); ++i) {
            const int before = Tab()->View()->SelectedRow();
            Run(*frame_, command);
            if (Tab()->View()->SelectedRow() == before)
                break;
            rows << Tab()->View()->SelectedRow();
        }
        return rows;
    }

private slots:
    void init()
    {
        env_.Reset();
        frame_ = std::make_unique<MainFrame>();
        ShowAndWait(*frame_);
        // Approved: 0; needs work: 3 (too long for 8 units); empty: 1, 2, 5; same as the
        // original: 4.
        document_ =
            AddDocument(*frame_, {{"Schwert"}, {""}, {""}, {"Langbogen"}, {"Arrow"}, {""}}, 8);
        DocumentSession& session = *Tab()->Session();
        session.SetReference(MakeDocument(
            document_->Format(),
            {{"Sword"}, {"Shield"}, {"Sword of fire"}, {"Longbow"}, {"Arrow"}, {"Bow"}}));
        QVERIFY(session.SetStates({{0, 0}}, StoredState::Approved, "approve"));
        QVERIFY(session.SetStates({{3, 0}}, StoredState::NeedsWork, "needs work"));
    }
    void cleanup() { frame_.reset(); }

    // The choice and the text narrow the grid together; the count says how far.
    void shows_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inOriginal");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("all") << 0 << "" << false << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("not translated") << 1 << "" << false << QList<int>{1, 2, 4, 5};
        // Too long, and the untranslated ones the checks name.
        QTest::newRow("with problems") << 2 << "" << false << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("needs work") << 3 << "" << false << QList<int>{3};
        QTest::newRow("not approved") << 4 << "" << false << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("needs work, bow") << 3 << "bow" << true << QList<int>{3};
        QTest::newRow("original, any case") << 0 << "SWORD" << true << QList<int>{0, 2};
        QTest::newRow("translation") << 0 << "bogen" << false << QList<int>{3};
        QTest::newRow("nothing") << 0 << "sword" << false << QList<int>{};
        QTest::newRow("both") << 1 << "sword" << true << QList<int>{2};
    }
    void shows()
    {
        QFETCH(int, choice);
        QFETCH(QString, text);
        QFETCH(bool, inOriginal);
        QFETCH(QList<int>, shown);
        Bar()->Choices()->setCurrentIndex(choice);
        Bar()->Scope()->setCurrentIndex(inOriginal ? 1 : 0);
        Bar()->Text()->setText(text);
        // Typing filters after a pause.
        QTRY_COMPARE(Shown(), shown);
        QCOMPARE(Bar()->Count()->isVisible(), shown.size() < 6);
        if (shown.size() < 6)
            QCOMPARE(Bar()->Count()->text(), u"Records shown: %1 of 6"_qs.arg(shown.size()));
        // The add-row stays, the selection is never on a hidden row.
        QVERIFY(!Tab()->View()->isRowHidden(document_->RecordCount()));
        const int selected = Tab()->View()->SelectedRow();
        QVERIFY(selected < 0 || !Tab()->View()->isRowHidden(selected));
    }

    // F8 and Done and Next stop at untranslated fields and those that need work, only at the
    // records shown; F9 too.
    void seeksWithin()
    {
        QCOMPARE(Visits(Command::NextUntranslated), (QList<int>{1, 2, 3, 4, 5}));
        Bar()->SetFilter(RowFilter{0, u"sword"_qs, FilterScope::Original});
        QCOMPARE(Visits(Command::NextUntranslated), (QList<int>{2}));
        QCOMPARE(Visits(Command::NextProblem), (QList<int>{2}));
        Bar()->SetFilter(RowFilter{0, u"bow"_qs, FilterScope::Original});
        QCOMPARE(Visits(Command::NextProblem), (QList<int>{3, 5}));
        Bar()->SetFilter(RowFilter{0, u"bow"_qs, FilterScope::Original});
        auto* pane = frame_->findChild<EditingPane*>();
        QVERIFY(Tab()->View()->SelectCell(3, document_->TextColumn(0)));
        pane->Translation()->setPlainText(u"Bogen"_qs);
        Run(*frame_, Command::DoneAndNext);
        QCOMPARE(document_->Text(3, document_->TextColumn(0)), u"Bogen"_qs);
        QCOMPARE(Tab()->View()->SelectedRow(), 5);
    }

    // A field translated under "not translated" stays while it is selected and goes after.
    void followsEdits()
    {
        Bar()->SetFilter(RowFilter{1, {}, FilterScope::Translation});
        const int column = document_->TextColumn(0);
        QVERIFY(Tab()->View()->SelectCell(1, column));
        QVERIFY(Tab()->Session()->SetText(1, column, u"Schild", "typing"));
        QTest::qWait(600);
        QCOMPARE(Shown(), (QList<int>{1, 2, 4, 5}));
        QVERIFY(Tab()->Session()->SetText(2, column, u"Feuer", "typing"));
        QVERIFY(Tab()->View()->SelectCell(4, column));
        QTRY_COMPARE(Shown(), (QList<int>{4, 5}));
    }

    // The offer floats over the grid: no row moves when it comes or goes.
    void propagateKeepsGrid()
    {
        const int column = document_->TextColumn(0);
        Tab()->Session()->SetReference(MakeDocument(
            document_->Format(), {{"Sword"}, {"Sword"}, {"Sword"}, {"Bow"}, {"Arrow"}, {"Bow"}}));
        QVERIFY(Tab()->View()->SelectCell(0, column));
        const QRect grid = Tab()->View()->geometry();
        const QRect row = Tab()->View()->visualRect(Tab()->View()->model()->index(1, column));
        Tab()->View()->NoteCommitted(0, column);
        QVERIFY(Tab()->Propagation()->isVisible());
        QCOMPARE(Tab()->View()->geometry(), grid);
        QCOMPARE(Tab()->View()->visualRect(Tab()->View()->model()->index(1, column)), row);
        QVERIFY(grid.contains(Tab()->Propagation()->geometry()));
    }

    // View > Legend names the colours of the marks; asked for again, the same window comes up.
    void legend()
    {
        Run(*frame_, Command::ViewLegend);
        Run(*frame_, Command::ViewLegend);
        const QList<QDialog*> shown = frame_->findChildren<QDialog*>(u"legend"_qs);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0]->isVisible());
        QCOMPARE(shown[0]->findChild<QLabel*>(u"mark.needsWork"_qs)->text(), u"Needs work"_qs);
    }

    // Save All writes the changed documents alone, each to its own file.
    void saveAll()
    {
        frame_.reset();
        frame_ = std::make_unique<MainFrame>();
        const QStringList names{"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"};
        QStringList paths;
        for (const QString& name : names) {
            paths << env_.Path(name);
            QVERIFY(WriteFile(paths.last(), EdtBytes({"Hi"})));
        }
        frame_->Commands().OpenFiles(paths);
        QCOMPARE(frame_->TabCount(), 3);
        for (int index : {0, 2}) {
            const int column = frame_->DocumentAt(index)->TextColumn(0);
            QVERIFY(frame_->SessionAt(index)->SetText(0, column, u"Yo"_qs, "typing"));
        }
        frame_->UpdateUi();
        QVERIFY(frame_->Action(Command::SaveAll)->isEnabled());
        Run(*frame_, Command::SaveAll);
        QCOMPARE(ReadFile(paths[0]), EdtBytes({"Yo"}));
        QCOMPARE(ReadFile(paths[1]), EdtBytes({"Hi"}));
        QCOMPARE(ReadFile(paths[2]), EdtBytes({"Yo"}));
        for (int index = 0; index < 3; ++index)
            QVERIFY(!frame_->SessionAt(index)->IsModified());
        frame_->UpdateUi();
        QVERIFY(!frame_->Action(Command::SaveAll)->isEnabled());
    }
};

SCRIVLET_TEST(TestWorkbench);
#include "test_workbench.moc"
