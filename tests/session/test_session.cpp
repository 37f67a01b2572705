#include "TestDocument.h"
#include "TestRegistry.h"
#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "session/DocumentSession.h"
#include "session/Workspace.h"

#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const EdtFormat kFormat = MakeFormat(8, {TextField(QStringLiteral("Line"), 0, 8)});

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUiLanguage(UiLanguage::English); }

    // Modified is the history's: an edit away from the saved state, or a difference from the
    // file no step covers, which only a save clears. Steps: "e" an edit, "u"/"r" undo and
    // redo, "s" a save, "c" a change outside the history (new, restored, file removed), "a"
    // an appended empty record, "l" the file read again with other texts.
    void modified_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("told");  // ModifiedChanged signals
        QTest::newRow("edit") << "e" << true << 1;
        QTest::newRow("edit undone") << "e u" << false << 2;
        QTest::newRow("saved, undone past the save") << "e s u" << true << 3;
        QTest::newRow("saved, undone, redone") << "e s u r" << false << 4;
        QTest::newRow("appended record") << "a" << false << 0;
        QTest::newRow("outside change stays through undo") << "c e u" << true << 1;
        QTest::newRow("outside change saved") << "c s" << false << 2;
        QTest::newRow("reloaded after an edit") << "e l" << false << 2;
        QTest::newRow("reload undone") << "l u" << true << 1;
    }
    void modified()
    {
        QFETCH(QString, steps);
        DocumentSession session(MakeDocument(kFormat, {{"a"}, {"b"}}), QStringLiteral("t"),
                                nullptr);
        QSignalSpy told(&session, &DocumentSession::ModifiedChanged);
        int edits = 0;
        for (const QString& step : steps.split(u' ')) {
            switch (step[0].unicode()) {
                case u'e':
                    QVERIFY(session.SetText(0, 0, QString::number(++edits), u"typing"_qs));
                    break;
                case u'u':
                    session.UndoStack()->undo();
                    break;
                case u'r':
                    session.UndoStack()->redo();
                    break;
                case u's':
                    session.MarkSaved();
                    break;
                case u'c':
                    session.MarkChanged();
                    break;
                case u'a':
                    QVERIFY(session.AppendRecord());
                    break;
                case u'l':
                    QVERIFY(session.Reload(*MakeDocument(kFormat, {{"x"}, {"y"}})));
                    break;
            }
        }
        QTEST(session.IsModified(), "modified");
        QTEST(int(told.size()), "told");
        QCOMPARE(session.Title().startsWith(QChar(kModifiedMark)), session.IsModified());
    }

    // States and comments as undoable steps that leave the file unmodified. Fields 0..2 hold
    // "a", "b", ""; steps: "n" toggle needs work on 0 and 1, "a" approve 0, "t" confirm 2 (empty:
    // refused), "c" comment on 1, "u"/"r" undo and redo. The states then, "-" for none.
    void statesAndComments_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("comment");
        QTest::newRow("needs work") << "n" << "needs_work needs_work -" << "";
        QTest::newRow("needs work toggled off") << "n n" << "- - -" << "";
        QTest::newRow("one had it: all get it") << "n a n" << "needs_work needs_work -" << "";
        QTest::newRow("approved, undone") << "a u" << "- - -" << "";
        QTest::newRow("approved, undone, redone") << "a u r" << "approved - -" << "";
        QTest::newRow("empty not confirmed") << "t" << "- - -" << "";
        QTest::newRow("comment kept through a state") << "c n" << "needs_work needs_work -"
                                                       << "ask";
        QTest::newRow("comment undone") << "c u" << "- - -" << "";
    }
    void statesAndComments()
    {
        QFETCH(QString, steps);
        DocumentSession session(MakeDocument(kFormat, {{"a"}, {"b"}, {""}}), u"t"_qs, nullptr);
        for (const QString& step : steps.split(u' ')) {
            switch (step[0].unicode()) {
                case u'n':
                    QVERIFY(session.ToggleNeedsWork({{0, 0}, {1, 0}}, u"x"_qs));
                    break;
                case u'a':
                    QVERIFY(session.SetStates({{0, 0}}, StoredState::Approved, u"x"_qs));
                    break;
                case u't':
                    QVERIFY(!session.SetStates({{2, 0}}, StoredState::Translated, u"x"_qs));
                    break;
                case u'c':
                    QVERIFY(session.SetComment(1, 0, u"ask"_qs, u"x"_qs));
                    break;
                case u'u':
                    session.UndoStack()->undo();
                    break;
                case u'r':
                    session.UndoStack()->redo();
                    break;
            }
        }
        QStringList states;
        for (int record = 0; record < 3; ++record) {
            const char* name = StoredStateName(session.States()->StateAt(record, 0));
            states << (*name ? QString::fromLatin1(name) : u"-"_qs);
        }
        QTEST(states.join(u' '), "states");
        const FieldNote* note = session.States()->At(1, 0);
        QTEST(note ? note->comment : QString(), "comment");
        QVERIFY(!session.IsModified());
    }

    // Closing a session: the one after it becomes active, else the one before; another one
    // than the closed stays active without a word. Sessions "0".."3", the active one, the
    // closed one; the active one after (by its name) and whether ActiveChanged was told.
    void closeKeepsActive_data()
    {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("closed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("told");
        QTest::newRow("the active one, in the middle") << 1 << 1 << "2" << true;
        QTest::newRow("the active one, the last") << 3 << 3 << "2" << true;
        QTest::newRow("one before the active") << 2 << 0 << "2" << true;
        QTest::newRow("one after the active") << 1 << 3 << "1" << false;
    }
    void closeKeepsActive()
    {
        QFETCH(int, active);
        QFETCH(int, closed);
        FormatCatalogue catalogue;
        Workspace workspace(catalogue);
        for (int k = 0; k < 4; ++k)
            workspace.Add(MakeDocument(kFormat, {{"a"}}), QString::number(k));
        workspace.SetActiveIndex(active);
        QSignalSpy told(&workspace, &Workspace::ActiveChanged);
        QSignalSpy gone(&workspace, &Workspace::SessionClosed);
        workspace.Close(closed);
        QCOMPARE(workspace.Count(), 3);
        QCOMPARE(gone.size(), 1);
        QTEST(workspace.Active()->Name(), "after");
        QTEST(!told.isEmpty(), "told");
        // Closing every one leaves none active.
        while (workspace.Count() > 0)
            workspace.Close(0);
        QCOMPARE(workspace.ActiveIndex(), -1);
    }
};

SCRIVLET_TEST(SessionTest);
#include "test_session.moc"
