#include "shell/Commands.h"
#include "shell/DocumentTab.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridView.h"
#include "shell/MainFrame.h"
#include "shell/MessageBoxes.h"
#include "grid/RecordGrid.h"
#include "base/Settings.h"
#include "SettingsTestSupport.h"
#include "TestRegistry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

// Tabs from a pattern: one per character, '1' for a modified document.
void AddTabs(MainFrame& frame, const QString& pattern)
{
    for (int i = 0; i < pattern.size(); ++i) {
        auto* grid = new RecordGrid;
        grid->SetModified(pattern[i] == u'1');
        frame.AddDocumentTab(new GridView(grid), QStringLiteral("doc%1.edt").arg(i));
    }
}

QList<QAction*> WindowEntries(const MainFrame& frame)
{
    QList<QAction*> entries;
    for (QAction* action : frame.WindowMenu()->actions()) {
        const int command = action->data().toInt();
        if (command >= cmd::WindowFirst && command <= cmd::WindowLast)
            entries << action;
    }
    return entries;
}

// Lets the event loop block once, which is when the frame's idle update runs.
void RunLoopBriefly()
{
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    TemporarySettings store_;
    QList<MessageBoxRequest> boxes_;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init()
    {
        store_.Reset();
        boxes_.clear();
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes_ << request;
            return QMessageBox::Ok;
        });
        MainFrame::SetCatalogueLoader([](FormatCatalogue& catalogue, UiLanguage, QString*) {
            catalogue.Clear();
            return true;
        });
        SetUiLanguage(UiLanguage::English);
    }

    void cleanup()
    {
        SetMessageBoxHandler({});
        SetUiLanguage(UiLanguage::English);
    }


    // --- idle update -------------------------------------------------------------------

    void idleStates_data()
    {
        QTest::addColumn<QString>("tabs");  // one character per tab, '1' = modified
        QTest::addColumn<int>("active");
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("withTab");  // Save As, Find
        QTest::addColumn<bool>("saveAllAs");
        QTest::newRow("no tab") << "" << -1 << false << false << false;
        QTest::newRow("unmodified") << "0" << 0 << false << true << false;
        QTest::newRow("modified") << "1" << 0 << true << true << false;
        QTest::newRow("another tab modified") << "10" << 1 << false << true << true;
        QTest::newRow("active of three modified") << "010" << 1 << true << true << true;
    }
    void idleStates()
    {
        QFETCH(QString, tabs);
        QFETCH(int, active);
        QFETCH(bool, save);
        QFETCH(bool, withTab);
        QFETCH(bool, saveAllAs);
        MainFrame frame;
        AddTabs(frame, tabs);
        frame.SetActiveIndex(active);
        frame.UpdateUi();
        QCOMPARE(frame.Action(cmd::Save)->isEnabled(), save);
        QCOMPARE(frame.Action(cmd::SaveAs)->isEnabled(), withTab);
        QCOMPARE(frame.Action(cmd::Find)->isEnabled(), withTab);
        QCOMPARE(frame.Action(cmd::SaveAllAs)->isEnabled(), saveAllAs);
        for (int command : {cmd::Print, cmd::PrintPreview, cmd::PrintSetup})
            QVERIFY(!frame.Action(command)->isEnabled());
        for (int command : {cmd::Undo, cmd::Cut, cmd::Copy, cmd::Paste})
            QVERIFY(frame.Action(command)->isEnabled());
        if (active >= 0) {
            frame.ViewAt(active)->Grid()->SetModified(false);
            frame.UpdateUi();
            QVERIFY(!frame.Action(cmd::Save)->isEnabled());
        }
    }

    // Only the active tab shows the mark, and only once the loop has been idle.
    void idleLoopMarksTheActiveTab()
    {
        MainFrame frame;
        frame.show();
        AddTabs(frame, QStringLiteral("10"));
        RunLoopBriefly();
        QVERIFY(frame.Action(cmd::SaveAllAs)->isEnabled());
        QVERIFY(!frame.Action(cmd::Save)->isEnabled());
        QCOMPARE(frame.TabTitle(0), QStringLiteral("doc0.edt"));
        frame.ActiveView()->Grid()->SetModified(true);
        QVERIFY(!frame.Action(cmd::Save)->isEnabled());
        RunLoopBriefly();
        QVERIFY(frame.Action(cmd::Save)->isEnabled());
        QCOMPARE(frame.TabTitle(1), QString(QChar(kModifiedMark)) + QStringLiteral("doc1.edt"));
    }

    // --- tab titles --------------------------------------------------------------------

    void tabTitles_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        const QString thirty = QStringLiteral("abcdefghijklmnopqrstuvwxyz.edt");
        QTest::newRow("thirty-one")
            << thirty + u'x' << "abcdefghijklmnopqrstuvwxyz." + QString("...");
        QTest::newRow("long") << QString(200, u'q') << QString(27, u'q') + "...";
        QTest::newRow("ampersand") << "a&b.edt" << "a&&b.edt";
        // A character outside the basic plane is never cut in half.
        QTest::newRow("surrogate at the cut")
            << QString(26, u'a') + QStringLiteral("\U0001F600") + QString(10, u'b')
            << QString(26, u'a') + "...";
    }
    void tabTitles()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        MainFrame frame;
        frame.AddDocumentTab(new GridView(new RecordGrid), title);
        QCOMPARE(frame.TabTitle(0), title);
        QCOMPARE(frame.Tabs()->tabText(0), shown);
        // The mark works on the full title.
        frame.ActiveView()->Grid()->SetModified(true);
        frame.UpdateUi();
        QCOMPARE(frame.TabTitle(0), QString(QChar(kModifiedMark)) + title);
    }

    // --- window menu -------------------------------------------------------------------

    void windowMenuListsTheFirstTenTabs()
    {
        MainFrame frame;
        const int plainItems = frame.WindowMenu()->actions().size();
        AddTabs(frame, QString(12, u'0'));
        const QList<QAction*> entries = WindowEntries(frame);
        QCOMPARE(entries.size(), 10);
        for (int k = 0; k < entries.size(); ++k) {
            const QString expected = k < 9 ? QStringLiteral("&%1 doc%2.edt").arg(k + 1).arg(k)
                                           : QStringLiteral("10 doc9.edt");
            QCOMPARE(entries[k]->text(), expected);
            QCOMPARE(entries[k]->isChecked(), k == frame.ActiveIndex());
            QVERIFY(entries[k]->actionGroup() && entries[k]->actionGroup()->isExclusive());
        }
        QCOMPARE(frame.WindowMenu()->actions().size(), plainItems + 11);
        QVERIFY(frame.WindowMenu()->actions()[plainItems]->isSeparator());
    }

    void windowMenuFollowsTabs()
    {
        MainFrame frame;
        AddTabs(frame, QStringLiteral("000"));
        QVERIFY(WindowEntries(frame)[2]->isChecked());

        // Activated through the tab bar.
        frame.Tabs()->setCurrentIndex(0);
        QVERIFY(WindowEntries(frame)[0]->isChecked());
        QVERIFY(!WindowEntries(frame)[2]->isChecked());

        // Chosen from the menu.
        WindowEntries(frame)[1]->trigger();
        QCOMPARE(frame.ActiveIndex(), 1);
        QVERIFY(WindowEntries(frame)[1]->isChecked());

        // Removed: the numbers close up.
        frame.CloseTab(0);
        QList<QAction*> entries = WindowEntries(frame);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->text(), QStringLiteral("&1 doc1.edt"));
        QCOMPARE(entries[1]->text(), QStringLiteral("&2 doc2.edt"));
        QVERIFY(entries[frame.ActiveIndex()]->isChecked());

        // A title change shows in the list.
        frame.SetTabTitle(1, QStringLiteral("renamed.txt"));
        QCOMPARE(WindowEntries(frame)[1]->text(), QStringLiteral("&2 renamed.txt"));

        frame.CloseTab(1);
        frame.CloseTab(0);
        QVERIFY(WindowEntries(frame).isEmpty());
        QVERIFY(!frame.WindowMenu()->actions().last()->isSeparator());
    }

    // --- language commands -------------------------------------------------------------

    void languageCommands_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<int>("stored");  // -1: nothing stored
        QTest::addColumn<int>("markedBefore");
        QTest::addColumn<int>("command");
        QTest::newRow("German chosen in English")
            << UiLanguage::English << -1 << int(cmd::LanguageSystem) << int(cmd::LanguageGerman);
        QTest::newRow("same as stored") << UiLanguage::Russian << 1049 << int(cmd::LanguageRussian)
                                        << int(cmd::LanguageRussian);
        QTest::newRow("another locale stored")
            << UiLanguage::German << 1036 << 0 << int(cmd::LanguageSystem);
    }
    void languageCommands()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(int, stored);
        QFETCH(int, markedBefore);
        QFETCH(int, command);
        if (stored >= 0)
            store_.Plant("LanguageID", stored);
        SetUiLanguage(ui);
        MainFrame frame;
        auto checkMarks = [&](int marked) {
            frame.UpdateUi();
            for (const LanguageCommand& language : kLanguageCommands)
                QCOMPARE(frame.Action(language.command)->isChecked(), language.command == marked);
        };
        checkMarks(markedBefore);
        frame.Action(command)->trigger();

        quint32 value = 0;
        for (const LanguageCommand& language : kLanguageCommands)
            value = language.command == command ? quint32(language.languageId) : value;
        QCOMPARE(store_.Stored("LanguageID").toUInt(), value);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, UiTextIn(ui, QStringLiteral("154")));
        QCOMPARE(boxes_[0].caption, QStringLiteral("Scrivlet"));
        QCOMPARE(boxes_[0].icon, QMessageBox::Information);
        QCOMPARE(boxes_[0].parent, &frame);
        // The running language does not change.
        QCOMPARE(CurrentUiLanguage(), ui);
        checkMarks(command);
    }

    // --- catalogue at start-up ---------------------------------------------------------

    void missingCatalogueEndsTheStart_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("message");
        QTest::newRow("en") << UiLanguage::English << "/opt/x/formats.en.ini"
                            << "File formats.en.ini not found";
        QTest::newRow("ru without a name") << UiLanguage::Russian << ""
                                           << "Файл formats.ru.ini не найден";
        QTest::newRow("found") << UiLanguage::Polish << "" << "";
    }
    void missingCatalogueEndsTheStart()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(QString, reported);
        QFETCH(QString, message);
        SetUiLanguage(ui);
        UiLanguage asked = UiLanguage::English;
        MainFrame::SetCatalogueLoader(
            [&](FormatCatalogue&, UiLanguage language, QString* missingFileName) {
                asked = language;
                *missingFileName = reported;
                return message.isEmpty();
            });
        MainFrame frame;
        QCOMPARE(asked, ui);
        if (message.isEmpty()) {
            QVERIFY(boxes_.isEmpty());
            QCOMPARE(frame.StartupExitCode(), 0);
            return;
        }
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, message);
        QCOMPARE(boxes_[0].caption, QStringLiteral("Scrivlet"));
        QCOMPARE(boxes_[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes_[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(frame.StartupExitCode() != 0);
    }

    // The open editor keeps its own paste key (one paste, not two); elsewhere the key
    // reaches the frame's command.
    void editKeysReachTheEditorOnce()
    {
        MainFrame frame;
        auto* grid = new RecordGrid;
        grid->InsertColumn(0, QStringLiteral("Text"), 120);
        grid->InsertRecordRow(0, CreateTextCell(QStringLiteral("abc")));
        frame.AddDocumentTab(new GridView(grid), QStringLiteral("doc.edt"));
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QSignalSpy routed(frame.Action(cmd::Paste), &QAction::triggered);
        frame.ActiveView()->setFocus();
        QTRY_VERIFY(frame.ActiveView()->hasFocus());
        QTest::keyClick(frame.ActiveView(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(routed.count(), 1);

        QVERIFY(frame.ActiveView()->SelectCell(0, 0));
        QVERIFY(frame.ActiveView()->BeginEdit(0, 0));
        QLineEdit* editor = frame.ActiveView()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("xyz"));
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(routed.count(), 1);
        QCOMPARE(editor->text(), QStringLiteral("xyz"));
    }

    // Commands that need a document do nothing without one.
    void commandsWithoutATab()
    {
        MainFrame frame;
        frame.show();
        for (int command :
             {cmd::Save, cmd::SaveAs, cmd::SaveAllAs, cmd::Undo, cmd::Cut, cmd::Copy, cmd::Paste,
              cmd::Close, cmd::CloseAll, cmd::Print, cmd::WindowFirst, cmd::WindowFirst + 3})
            frame.RunCommand(command);
        frame.FindRequest(QStringLiteral("x"), 0);
        QCOMPARE(frame.TabCount(), 0);
        QVERIFY(boxes_.isEmpty());
        QVERIFY(frame.isVisible());
    }
};

SCRIVLET_TEST(TestMainFrame);
#include "test_mainframe.moc"
