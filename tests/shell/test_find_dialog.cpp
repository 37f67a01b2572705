#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "shell/FindDialog.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

constexpr int kTextSize = 20;

// A main frame with one document (label, Text of size 20, Note of size 40) and its find
// dialog open, as after Ctrl+F.
struct Frame {
    MainFrame frame;
    GridView* view = nullptr;
    FindDialog* dialog = nullptr;

    Frame()
    {
        EdtFormat format = MakeFormat(QStringLiteral("find"), QString(), 60);
        format.fields[1].size = kTextSize;
        format.fields[2] = {QStringLiteral("Note"), 160, kTextField, kTextSize, 40, {}};
        // The last note makes the costly expression backtrack for ages.
        const QStringList rows[] = {
            {"Fire sword", "sword of fire"}, {"aXb", "a.b"},
            {"Ice sword", "cold as ЖУК"},    {"Swordfish", "{2} braces"},
            {"\U0001F600 sword", ""},        {"a", QString(40, u'a') + u'b'}};
        auto document = std::make_unique<EdtDocument>(format, 0);
        QVERIFY(document->InsertRecords(0, int(std::size(rows))));
        for (int r = 0; r < int(std::size(rows)); ++r) {
            document->SetText(r, 1, rows[r][0]);
            document->SetText(r, 2, rows[r][1]);
        }
        frame.AddDocument(std::move(document), QStringLiteral("doc.edt"));
        view = frame.ActiveView();
        frame.resize(700, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.UpdateUi();
        QTest::keyClick(&frame, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(frame.findChildren<FindDialog*>().size(), 1);
        dialog = frame.findChild<FindDialog*>();
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
    }

    void Enter(const QList<int>& boxes, const QString& text)
    {
        for (int id : boxes)
            dialog->OptionBox(id)->click();
        for (QChar c : text)  // keyClicks takes ASCII only
            QTest::sendKeyEvent(QTest::Click, dialog->SearchText(), Qt::Key_unknown, c, {});
    }
};

}  // namespace

class FindDialogTest : public QObject {
    Q_OBJECT

    ShellEnvironment env_;

private slots:
    void init() { env_.Reset(); }
    void cleanup() { MainFrame::SetCatalogueLoader({}); }

    // Enter in the dialog opens the editor on the hit with the match selected, limited to
    // the field's size; Enter again moves on. Nothing found, or no usable expression:
    // selection, editor and dialog stay as they were.
    void findInFrame_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("selected");      // row selected before, -1 none
        QTest::addColumn<QStringList>("hits");  // row:column:selected text, Find after Find
        using L = QList<int>;
        QTest::newRow("plain, wraps")
            << "sword" << L{} << 2
            << QStringList{"3:1:Sword", "4:1:sword", "0:1:sword", "2:1:sword"};
        QTest::newRow("backwards")
            << "sword" << L{kBackwardsId} << -1
            << QStringList{"4:1:sword", "3:1:Sword", "2:1:sword", "0:1:sword"};
        QTest::newRow("whole word") << "sword" << L{kWholeWordId} << 0
                                    << QStringList{"2:1:sword", "4:1:sword", "0:1:sword"};
        QTest::newRow("cyrillic folded") << "жук" << L{} << -1 << QStringList{"2:2:ЖУК"};
        QTest::newRow("not found") << "dragon" << L{} << 0 << QStringList{};
        QTest::newRow("unclosed group") << "(sword" << L{kRegexId} << 0 << QStringList{};
        QTest::newRow("too costly") << "(a|aa)*y" << L{kRegexId} << 0 << QStringList{};
    }

    void findInFrame()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        QFETCH(int, selected);
        QFETCH(QStringList, hits);
        Frame f;
        QVERIFY(f.dialog);
        if (selected >= 0)
            QVERIFY(f.view->SelectCell(selected, 1));
        f.Enter(ticked, typed);
        for (const QString& hit : hits) {
            QTest::keyClick(f.dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            InplaceEdit* editor = f.view->Editor();
            QVERIFY2(editor, qPrintable(hit));
            QCOMPARE(QStringLiteral("%1:%2:%3")
                         .arg(f.view->SelectedRow())
                         .arg(f.view->SelectedColumn())
                         .arg(editor->selectedText()),
                     hit);
            // The hit takes the keyboard from the dialog.
            QTRY_VERIFY(editor->hasFocus());
        }
        if (hits.isEmpty()) {
            QTest::keyClick(f.dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            QVERIFY(!f.view->Editor());
            QCOMPARE(f.view->SelectedRow(), selected);
            QCOMPARE(f.view->SelectedColumn(), 1);
            QVERIFY(f.dialog->isVisible() && f.dialog->SearchText()->hasFocus());
        } else if (f.view->SelectedColumn() == 1) {
            InplaceEdit* editor = f.view->Editor();
            editor->end(false);
            QTest::keyClicks(editor, QString(30, u'z'));
            QCOMPARE(editor->text().size(), kTextSize);
        }
        // The next Find shows the same dialog with its text selected.
        Run(f.frame, Command::Find);
        QCOMPARE(f.frame.findChildren<FindDialog*>().size(), 1);
        QCOMPARE(f.dialog->SearchText()->selectedText(), typed);
    }
};

SCRIVLET_TEST(FindDialogTest);
#include "test_find_dialog.moc"
