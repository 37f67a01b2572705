// Propagate: a translation just given to a field offered, by the bar above the grid, to the
// untranslated fields with the same original, and Edit > Propagate Translation; one undo step.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "shell/DocumentTab.h"
#include "shell/PropagateBar.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>

using namespace scrivlet;
using namespace scrivlet::test;

class TestPropagate : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    std::unique_ptr<MainFrame> frame_;
    EdtDocument* document_ = nullptr;

    DocumentTab* Tab() const { return frame_->TabAt(frame_->ActiveIndex()); }
    PropagateBar* Bar() const { return Tab()->Propagation(); }
    QStringList Texts() const
    {
        QStringList texts;
        for (const QStringList& row : TextsOf(*document_))
            texts << row.value(0);
        return texts;
    }

    // "Sword" four more times: untranslated in records 1 (as the original), 4 and 5, translated
    // in 3; record 2 has another original.
    const QStringList before_{"", "Sword", "", "Klinge", "", ""};
    const QStringList after_{"Schwert", "Schwert", "", "Klinge", "Schwert", "Schwert"};

    // Record 0 given "Schwert" the way the row names.
    void Commit(const QString& way)
    {
        GridView* view = Tab()->View();
        const int column = document_->TextColumn(0);
        QVERIFY(view->SelectCell(0, column));
        if (way == QLatin1String("cell editor")) {
            QVERIFY(view->BeginEdit());
            QTest::keyClicks(view->Editor(), "Schwert");
            QTest::keyClick(view->Editor(), Qt::Key_Return);
        } else if (way == QLatin1String("suggestion")) {
            QVERIFY(Tab()->Commands()->PutText(QStringLiteral("Schwert")));
        } else {
            QVERIFY(Tab()->Session()->SetText(0, column, u"Schwert", "typing"));
        }
        QCOMPARE(document_->Text(0, column), QStringLiteral("Schwert"));
    }

private slots:
    void init()
    {
        env_.Reset();
        frame_ = std::make_unique<MainFrame>();
        ShowAndWait(*frame_);
        document_ = AddDocument(*frame_, {{""}, {"Sword"}, {""}, {"Klinge"}, {""}, {""}}, 8);
        Tab()->Session()->SetReference(
            MakeDocument(document_->Format(),
                         {{"Sword"}, {"Sword"}, {"Shield"}, {"Sword"}, {"Sword"}, {"Sword"}}));
    }
    void cleanup() { frame_.reset(); }

    // A commit in the grid offers the bar, which fills the three untranslated fields as one
    // step; the command does the same on the selected field without an offer.
    void propagate_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("offered");
        QTest::newRow("cell editor") << "cell editor" << true;
        QTest::newRow("suggestion") << "suggestion" << true;
        QTest::newRow("Edit menu") << "history" << false;
    }
    void propagate()
    {
        QFETCH(QString, way);
        QFETCH(bool, offered);
        Commit(way);
        QCOMPARE(Bar()->isVisible(), offered);
        QUndoStack& stack = *Tab()->Session()->UndoStack();
        const int steps = stack.count();
        if (offered) {
            QCOMPARE(
                Bar()->Text()->text(),
                QStringLiteral("Give this translation to 3 other fields with the same original?"));
            Bar()->Button()->click();
        } else {
            Run(*frame_, Command::Propagate);
        }
        QCOMPARE(Texts(), after_);
        QVERIFY(!Bar()->isVisible());
        QCOMPARE(stack.count(), steps + 1);
        QCOMPARE(stack.undoText(), QStringLiteral("propagate translation to 3 fields"));
        stack.undo();
        QStringList committed = before_;
        committed[0] = QStringLiteral("Schwert");
        QCOMPARE(Texts(), committed);
    }

    // The offer never waits for an answer: the next edit, another cell or its close button end
    // it, with nothing changed.
    void offerGoesAway_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("another cell") << "select";
        QTest::newRow("an edit") << "edit";
        QTest::newRow("closed") << "close";
    }
    void offerGoesAway()
    {
        QFETCH(QString, then);
        Commit(QStringLiteral("suggestion"));
        QVERIFY(Bar()->isVisible());
        const int column = document_->TextColumn(0);
        if (then == QLatin1String("select"))
            QVERIFY(Tab()->View()->SelectCell(2, column));
        else if (then == QLatin1String("edit"))
            QVERIFY(Tab()->Session()->SetText(2, column, u"Schild", "typing"));
        else
            Bar()->CloseButton()->click();
        QVERIFY(!Bar()->isVisible());
        QCOMPARE(Texts().mid(3), before_.mid(3));
    }

    // An untranslated field has nothing to give: no offer, and the command says so.
    void nothingToGive()
    {
        const int column = document_->TextColumn(0);
        QVERIFY(Tab()->View()->SelectCell(1, column));
        QVERIFY(Tab()->Commands()->PutText(QStringLiteral("Sword")));
        QVERIFY(!Bar()->isVisible());
        const int steps = Tab()->Session()->UndoStack()->count();
        Run(*frame_, Command::Propagate);
        QCOMPARE(Tab()->Session()->UndoStack()->count(), steps);
        QCOMPARE(frame_->statusBar()->currentMessage(), UiText("propagate.none"));
        QCOMPARE(Texts(), before_);
    }
};

SCRIVLET_TEST(TestPropagate);
#include "test_propagate.moc"
