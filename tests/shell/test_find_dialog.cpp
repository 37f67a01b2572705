#include "shell/Commands.h"
#include "search/FindDialog.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "shell/MainFrame.h"
#include "shell/MessageBoxes.h"
#include "grid/RecordGrid.h"
#include "base/Settings.h"
#include "SettingsTestSupport.h"
#include "search/Search.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <tuple>

using namespace scrivlet;

namespace {

constexpr int kTextSize = 20;

// A main frame with one document (label, Text of size 20, Note of size 40) and its find
// dialog open, as after Ctrl+F.
struct Frame {
    MainFrame frame;
    GridView* view = nullptr;
    RecordGrid* grid = nullptr;
    FindDialog* dialog = nullptr;

    Frame()
    {
        static const int format = [] {
            EdtFormat f;
            f.name = QStringLiteral("find dialog");
            const std::tuple<QString, int, int> fields[] = {
                {"No", kLabelField, 0}, {"Text", kTextField, kTextSize}, {"Note", kTextField, 40}};
            for (std::size_t k = 0; k < std::size(fields); ++k)
                std::tie(f.fields[k].caption, f.fields[k].type, f.fields[k].size) = fields[k];
            GlobalCatalogue().Append(f);
            return GlobalCatalogue().Count() - 1;
        }();
        // The last cell makes the costly expression backtrack for ages.
        const QList<QPair<QString, QString>> rows = {
            {"Fire sword", "sword of fire"}, {"aXb", "a.b"},
            {"Ice sword", "cold as ЖУК"},    {"Swordfish", "{2} braces"},
            {"\U0001F600 sword", ""},        {"a", QString(40, u'a') + u'b'}};
        grid = new RecordGrid;
        grid->SetFormatIndex(format);
        for (int k = 0; k < 3; ++k)
            grid->InsertColumn(k, QStringLiteral("c%1").arg(k), k ? 160 : 60);
        for (int r = 0; r < rows.size(); ++r) {
            grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("# %1").arg(r)));
            grid->SetCell(r, 1, CreateTextCell(rows[r].first));
            grid->SetCell(r, 2, CreateTextCell(rows[r].second));
        }
        grid->AppendAddRow();
        grid->SetModeFlags(kDocumentGridModes);
        view = new GridView(grid);
        frame.AddDocumentTab(view, QStringLiteral("doc.edt"));
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

    TemporarySettings store_;

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        SetMessageBoxHandler([](const MessageBoxRequest&) { return QMessageBox::Ok; });
        // The tests' formats are in the global catalogue already.
        MainFrame::SetCatalogueLoader([](FormatCatalogue&, UiLanguage, QString*) { return true; });
    }

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
            QVERIFY(f.grid->SelectCell(selected, 1));
        f.Enter(ticked, typed);
        for (const QString& hit : hits) {
            QTest::keyClick(f.dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            InplaceEdit* editor = f.view->Editor();
            QVERIFY2(editor, qPrintable(hit));
            QCOMPARE(QStringLiteral("%1:%2:%3")
                         .arg(f.grid->EditRow())
                         .arg(f.grid->EditColumn())
                         .arg(editor->selectedText()),
                     hit);
            QCOMPARE(f.grid->SelectedRow(), f.grid->EditRow());
            // The hit takes the keyboard from the dialog.
            QTRY_VERIFY(editor->hasFocus());
        }
        if (hits.isEmpty()) {
            QTest::keyClick(f.dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            QVERIFY(!f.view->Editor());
            QCOMPARE(f.grid->SelectedRow(), selected);
            QCOMPARE(f.grid->SelectedColumn(), 1);
            QVERIFY(f.dialog->isVisible() && f.dialog->SearchText()->hasFocus());
        } else if (f.grid->EditColumn() == 1) {
            InplaceEdit* editor = f.view->Editor();
            editor->end(false);
            QTest::keyClicks(editor, QString(30, u'z'));
            QCOMPARE(editor->text().size(), kTextSize);
        }
        // The next Find shows the same dialog with its text selected.
        f.frame.RunCommand(cmd::Find);
        QCOMPARE(f.frame.findChildren<FindDialog*>().size(), 1);
        QCOMPARE(f.dialog->SearchText()->selectedText(), typed);
    }
};

SCRIVLET_TEST(FindDialogTest);
#include "test_find_dialog.moc"
