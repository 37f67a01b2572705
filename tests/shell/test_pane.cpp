// The editing pane: what it shows of the selected field, what a commit takes, what it keeps.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/GridView.h"
#include "shell/DocumentTab.h"
#include "shell/EditingPane.h"
#include "shell/FieldNoteBox.h"
#include "translation/FieldStates.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

using namespace scrivlet;
using namespace scrivlet::test;

class TestPane : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    std::unique_ptr<MainFrame> frame_;
    EdtDocument* document_ = nullptr;
    EditingPane* pane_ = nullptr;

    void Select(int record)
    {
        QVERIFY(frame_->TabAt(0)->View()->SelectCell(record, document_->TextColumn(0)));
    }
    void Type(const QString& text)
    {
        pane_->Translation()->setFocus();
        QTest::keyClicks(pane_->Translation(), text);
    }
    int Selected() const { return frame_->TabAt(0)->View()->SelectedRow(); }
    FieldState StateOf(int record) const { return frame_->TabAt(0)->Status()->State(record, 0); }

private slots:
    void init()
    {
        env_.Reset();
        frame_ = std::make_unique<MainFrame>();
        ShowAndWait(*frame_);
        // Fields of 10 units; record 2 is translated, the others are not.
        document_ = AddDocument(*frame_, {{""}, {""}, {"Fertig"}, {""}}, 10);
        frame_->TabAt(0)->Session()->SetReference(
            MakeDocument(document_->Format(), {{"Take %d gold"}, {"Bye"}, {"Done"}, {"Next"}}));
        pane_ = frame_->findChild<EditingPane*>();
        QVERIFY(pane_ && pane_->isVisible());
        Select(0);
    }
    void cleanup() { frame_.reset(); }

    // The original shows whole, its placeholder is a button; the field's text is in the editor.
    void showsTheSelectedField()
    {
        QCOMPARE(pane_->Original()->toPlainText(), QStringLiteral("Take %d gold"));
        const QList<QAction*> inserts = pane_->findChild<QToolBar*>()->actions();
        QCOMPARE(inserts.size(), 1);
        QCOMPARE(inserts[0]->text(), QStringLiteral("%d"));
        Select(2);
        QCOMPARE(pane_->Translation()->toPlainText(), QStringLiteral("Fertig"));
        QCOMPARE(pane_->Capacity()->text(), QStringLiteral("6 / 10"));
        // A change made in the grid shows in the pane.
        QVERIFY(frame_->TabAt(0)->Session()->SetText(2, document_->TextColumn(0), u"Erledigt",
                                                     "typing"));
        QCOMPARE(pane_->Translation()->toPlainText(), QStringLiteral("Erledigt"));
    }

    // Done and Next commits what fits and lands on the next untranslated field; what does not
    // fit stays in the pane (also while another field is selected), never in the file.
    void doneAndNext_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("capacity");
        QTest::addColumn<bool>("refused");
        QTest::newRow("fits") << "Nimm %d"
                              << "Nimm %d" << 1 << "7 / 10" << false;
        QTest::newRow("exactly full") << "Nimm %d Au"
                                      << "Nimm %d Au" << 1 << "10 / 10" << false;
        QTest::newRow("too long") << "Nimm %d Gold"
                                  << "" << 0 << "12 / 10" << true;
    }
    void doneAndNext()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(int, selected);
        QFETCH(QString, capacity);
        QFETCH(bool, refused);
        Type(typed);
        QCOMPARE(pane_->Capacity()->text(), capacity);
        Run(*frame_, Command::DoneAndNext);
        QCOMPARE(document_->Text(0, document_->TextColumn(0)), stored);
        QCOMPARE(Selected(), selected);
        QCOMPARE(pane_->Note()->text().isEmpty(), !refused);
        QCOMPARE(pane_->Translation()->hasFocus(), true);
        if (!refused)
            return;
        Select(1);
        QCOMPARE(document_->Text(0, document_->TextColumn(0)), QString());
        Select(0);
        QCOMPARE(pane_->Translation()->toPlainText(), typed);
        // Cut back to size, it goes in.
        for (int n = 0; n < 2; ++n)
            QTest::keyClick(pane_->Translation(), Qt::Key_Backspace);
        Run(*frame_, Command::DoneAndNext);
        QCOMPARE(document_->Text(0, document_->TextColumn(0)), typed.chopped(2));
        QCOMPARE(Selected(), 1);
    }

    // Alt+1 puts the original's first placeholder at the cursor; Escape brings the field's
    // text back; one commit is one undo step.
    void insertEscapeAndUndo()
    {
        Type(QStringLiteral("Nimm "));
        QTest::keyClick(pane_->Translation(), Qt::Key_1, Qt::AltModifier);
        QCOMPARE(pane_->Translation()->toPlainText(), QStringLiteral("Nimm %d"));
        QTest::keyClick(pane_->Translation(), Qt::Key_Escape);
        QCOMPARE(pane_->Translation()->toPlainText(), QString());
        Type(QStringLiteral("Gold"));
        QVERIFY(pane_->Commit());
        QUndoStack& stack = *frame_->TabAt(0)->Session()->UndoStack();
        QCOMPARE(document_->Text(0, document_->TextColumn(0)), QStringLiteral("Gold"));
        stack.undo();
        QCOMPARE(document_->Text(0, document_->TextColumn(0)), QString());
        QCOMPARE(pane_->Translation()->toPlainText(), QString());
    }

    // The state shows with its buttons and changes by them or by Done and Next, each change
    // one undo step; undone, the field is as it was.
    void setsStates_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("text");  // put in first, when not empty
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("shown");
        const int needsWork = int(FieldState::NeedsWork), translated = int(FieldState::Translated);
        QTest::newRow("needs work") << 2 << ""
                                    << "n" << needsWork << "Needs work";
        QTest::newRow("needs work off") << 2 << ""
                                        << "nn" << translated << "Translated";
        QTest::newRow("approved") << 2 << ""
                                  << "a" << int(FieldState::Approved) << "Approved";
        QTest::newRow("approval taken back") << 2 << ""
                                             << "aa" << translated << "Translated";
        QTest::newRow("done after needs work") << 2 << ""
                                               << "nd" << translated << "Translated";
        QTest::newRow("same as the original, done") << 1 << "Bye"
                                                    << "d" << translated << "Translated";
        QTest::newRow("done keeps an approval") << 2 << ""
                                                << "ad" << int(FieldState::Approved) << "Approved";
    }
    void setsStates()
    {
        QFETCH(int, record);
        QFETCH(QString, text);
        QFETCH(QString, clicks);
        QFETCH(int, state);
        QFETCH(QString, shown);
        DocumentSession& session = *frame_->TabAt(0)->Session();
        if (!text.isEmpty())
            QVERIFY(session.SetText(record, document_->TextColumn(0), text, "typing"));
        Select(record);
        const FieldState before = StateOf(record);
        const int steps = session.UndoStack()->index();
        FieldNoteBox& box = *pane_->Notes();
        for (QChar click : clicks) {
            if (click == u'n')
                box.NeedsWork()->click();
            else if (click == u'a')
                box.Approved()->click();
            else
                Run(*frame_, Command::DoneAndNext);
        }
        QCOMPARE(int(StateOf(record)), state);
        Select(record);
        QCOMPARE(box.State()->text(), shown);
        QCOMPARE(box.NeedsWork()->isChecked(), state == int(FieldState::NeedsWork));
        QCOMPARE(box.Approved()->isChecked(), state == int(FieldState::Approved));
        while (session.UndoStack()->index() > steps)
            session.UndoStack()->undo();
        QCOMPARE(StateOf(record), before);
    }

    // The comment is kept when the editor loses the keyboard, as one undo step; Escape takes
    // back what was typed; one set elsewhere shows.
    void keepsComments()
    {
        DocumentSession& session = *frame_->TabAt(0)->Session();
        QPlainTextEdit* comment = pane_->Notes()->Comment();
        comment->setFocus();
        QTest::keyClicks(comment, u"Ask about"_qs);
        QTest::keyClick(comment, Qt::Key_Escape);
        QCOMPARE(comment->toPlainText(), QString());
        QTest::keyClicks(comment, u"Gender?"_qs);
        pane_->Translation()->setFocus();
        QCOMPARE(session.States()->At(0, 0)->comment, u"Gender?"_qs);
        session.UndoStack()->undo();
        QVERIFY(!session.States()->At(0, 0));
        QCOMPARE(comment->toPlainText(), QString());
        // Typed, then another field selected: kept on the field it was typed for.
        comment->setFocus();
        QTest::keyClicks(comment, u"Later"_qs);
        Select(3);
        QCOMPARE(session.States()->At(0, 0)->comment, u"Later"_qs);
        QCOMPARE(comment->toPlainText(), QString());
        QVERIFY(session.SetComment(3, 0, u"Set elsewhere"_qs, "comment"));
        QCOMPARE(comment->toPlainText(), u"Set elsewhere"_qs);
    }

    // A reviewer selects rows with Shift and approves them in one step (the empty ones left
    // out), or marks them as needing work; Undo takes the step back whole.
    void reviewsASelection()
    {
        DocumentSession& session = *frame_->TabAt(0)->Session();
        QVERIFY(session.SetText(0, document_->TextColumn(0), u"Nimm"_qs, "typing"));
        GridView* view = frame_->TabAt(0)->View();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(view->SelectedRows(), (std::vector<int>{0, 1, 2}));
        Run(*frame_, Command::ToggleNeedsWork);
        for (int record : {0, 1, 2})
            QCOMPARE(StateOf(record), FieldState::NeedsWork);
        Run(*frame_, Command::Approve);
        QCOMPARE(StateOf(0), FieldState::Approved);
        QCOMPARE(StateOf(1), FieldState::NeedsWork);
        QCOMPARE(StateOf(2), FieldState::Approved);
        session.UndoStack()->undo();
        QCOMPARE(StateOf(0), FieldState::NeedsWork);
        QCOMPARE(StateOf(2), FieldState::NeedsWork);
        QCOMPARE(StateOf(3), FieldState::Empty);
    }
};

SCRIVLET_TEST(TestPane);
#include "test_pane.moc"
