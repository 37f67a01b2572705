#include "Commands.h"
#include "DocumentTab.h"
#include "FormatCatalogue.h"
#include "GridView.h"
#include "MainFrame.h"
#include "MessageBoxes.h"
#include "RecordGrid.h"
#include "RegistrySetting.h"
#include "TestRegistry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QtEndian>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

GridView* NewView(bool modified)
{
    auto* grid = new RecordGrid;
    grid->SetModified(modified);
    return new GridView(grid);
}

// Tabs from a pattern: one per character, '1' for a modified document.
void AddTabs(MainFrame& frame, const QString& pattern)
{
    for (int i = 0; i < pattern.size(); ++i)
        frame.AddDocumentTab(NewView(pattern[i] == u'1'), QStringLiteral("doc%1.edt").arg(i));
}

QString ModifiedPattern(const MainFrame& frame)
{
    QString pattern;
    for (int i = 0; i < frame.TabCount(); ++i)
        pattern += frame.ViewAt(i)->Grid()->IsModified() ? u'1' : u'0';
    return pattern;
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

QByteArray Dword(quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return data;
}

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    MemorySettingStore store_;
    QList<MessageBoxRequest> boxes_;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init()
    {
        store_ = MemorySettingStore();
        UseSettingStore(&store_);
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

    void modifiedMarkOnTheActiveTabOnly()
    {
        MainFrame frame;
        AddTabs(frame, QStringLiteral("11"));
        const QString bullet{QChar(kModifiedMark)};
        frame.UpdateUi();
        QCOMPARE(frame.Tabs()->tabText(1), bullet + QStringLiteral("doc1.edt"));
        QCOMPARE(frame.TabTitle(0), QStringLiteral("doc0.edt"));

        frame.ViewAt(1)->Grid()->SetModified(false);
        frame.UpdateUi();
        QCOMPARE(frame.Tabs()->tabText(1), QStringLiteral("doc1.edt"));
        frame.SetActiveIndex(0);
        frame.UpdateUi();
        QCOMPARE(frame.TabTitle(0), bullet + QStringLiteral("doc0.edt"));
    }

    void idleLoopRunsTheUpdate()
    {
        MainFrame frame;
        frame.show();
        AddTabs(frame, QStringLiteral("00"));
        RunLoopBriefly();
        QVERIFY(frame.Action(cmd::SaveAllAs)->isEnabled());
        QVERIFY(!frame.Action(cmd::Save)->isEnabled());
        frame.ActiveView()->Grid()->SetModified(true);
        // Nothing changes at the moment of the edit, only once the loop is idle.
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
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("thirty") << thirty << thirty;
        QTest::newRow("thirty-one")
            << thirty + u'x' << "abcdefghijklmnopqrstuvwxyz." + QString("...");
        QTest::newRow("long") << QString(200, u'q') << QString(27, u'q') + "...";
        QTest::newRow("ampersand") << "a&b.edt"
                                   << "a&&b.edt";
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
        frame.AddDocumentTab(NewView(false), title);
        QCOMPARE(frame.TabTitle(0), title);
        QCOMPARE(frame.Tabs()->tabText(0), shown);
        // The mark works on the full title.
        frame.ActiveView()->Grid()->SetModified(true);
        frame.UpdateUi();
        QCOMPARE(frame.TabTitle(0), QString(QChar(kModifiedMark)) + title);
    }

    // --- window menu -------------------------------------------------------------------

    void windowMenuListsTheFirstTenTabs_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::newRow("none") << 0;
        QTest::newRow("ten") << 10;
        QTest::newRow("twelve") << 12;
    }
    void windowMenuListsTheFirstTenTabs()
    {
        QFETCH(int, tabs);
        MainFrame frame;
        const int plainItems = frame.WindowMenu()->actions().size();
        AddTabs(frame, QString(tabs, u'0'));
        const QList<QAction*> entries = WindowEntries(frame);
        QCOMPARE(entries.size(), std::min(tabs, 10));
        for (int k = 0; k < entries.size(); ++k) {
            const QString expected = k < 9 ? QStringLiteral("&%1 doc%2.edt").arg(k + 1).arg(k)
                                           : QStringLiteral("10 doc9.edt");
            QCOMPARE(entries[k]->text(), expected);
            QVERIFY(entries[k]->isCheckable());
            QCOMPARE(entries[k]->isChecked(), k == frame.ActiveIndex());
            QVERIFY(entries[k]->actionGroup() && entries[k]->actionGroup()->isExclusive());
        }
        // A separator above the list, none for an empty list.
        const QList<QAction*> items = frame.WindowMenu()->actions();
        QCOMPARE(items.size(), plainItems + (tabs ? entries.size() + 1 : 0));
        if (tabs)
            QVERIFY(items[plainItems]->isSeparator());
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
        QTest::addColumn<int>("writes");
        QTest::newRow("German chosen in English")
            << UiLanguage::English << -1 << int(cmd::LanguageSystem) << int(cmd::LanguageGerman)
            << 1;
        QTest::newRow("same as stored") << UiLanguage::Russian << 1049 << int(cmd::LanguageRussian)
                                        << int(cmd::LanguageRussian) << 0;
        QTest::newRow("another locale stored")
            << UiLanguage::German << 1036 << 0 << int(cmd::LanguageSystem) << 1;
    }
    void languageCommands()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(int, stored);
        QFETCH(int, markedBefore);
        QFETCH(int, command);
        QFETCH(int, writes);
        if (stored >= 0)
            store_.SetRaw(SettingsKey(), LanguageValueName(), Dword(quint32(stored)));
        UseSettingStore(&store_);
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
        QCOMPARE(store_.writeCount, writes);
        QCOMPARE(store_.Dword(SettingsKey(), LanguageValueName()), value);
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
        QTest::newRow("de") << UiLanguage::German << "formats.de.ini"
                            << "Datei formats.de.ini nicht gefunden";
        QTest::newRow("ru without a name") << UiLanguage::Russian << ""
                                           << "Файл formats.ru.ini не найден";
        QTest::newRow("found") << UiLanguage::Polish << ""
                               << "";
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

    // --- menus, toolbar, status bar ----------------------------------------------------

    void menusOfEachLanguage_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<bool>("hasFind");
        QTest::newRow("en") << UiLanguage::English << false;
        QTest::newRow("de") << UiLanguage::German << false;
        QTest::newRow("pl") << UiLanguage::Polish << true;
        QTest::newRow("ru") << UiLanguage::Russian << true;
    }
    void menusOfEachLanguage()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(bool, hasFind);
        SetUiLanguage(ui);
        MainFrame frame;
        QCOMPARE(frame.windowTitle(), UiTextIn(ui, QStringLiteral("128")));
        QStringList titles;
        for (QAction* action : frame.menuBar()->actions())
            titles << action->text();
        QStringList expected;
        for (const char* key : {"menu.file", "menu.edit", "menu.view", "menu.window", "menu.help"})
            expected << UiTextIn(ui, QString::fromLatin1(key));
        QCOMPARE(titles, expected);

        const QList<QAction*> edit = frame.EditMenu()->actions();
        QCOMPARE(edit.contains(frame.Action(cmd::Find)), hasFind);
        QVERIFY(!edit.last()->isSeparator());
        if (hasFind) {
            QCOMPARE(edit.last(), frame.Action(cmd::Find));
            QVERIFY(edit[edit.size() - 2]->isSeparator());
        }
        // Ctrl+F works in every language.
        QCOMPARE(frame.Action(cmd::Find)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QVERIFY(frame.actions().contains(frame.Action(cmd::Find)));

        QCOMPARE(frame.LanguageMenu()->actions().size(), 5);
        QCOMPARE(frame.IdleLabel()->text(), UiTextIn(ui, QStringLiteral("57345")));
    }

    void statusPromptsAndTooltips()
    {
        MainFrame frame;
        frame.show();
        QStatusBar* bar = frame.statusBar();
        QVERIFY(!frame.IdleLabel()->isHidden());
        QCOMPARE(frame.IdleLabel()->text(), QStringLiteral("Ready"));

        frame.Action(cmd::New)->showStatusText(&frame);
        QCOMPARE(bar->currentMessage(), QStringLiteral("Create a new document"));
        QVERIFY(frame.IdleLabel()->isHidden());
        QStatusTipEvent leave{QString()};
        QApplication::sendEvent(&frame, &leave);
        QVERIFY(bar->currentMessage().isEmpty());
        QVERIFY(!frame.IdleLabel()->isHidden());

        QCOMPARE(frame.Action(cmd::Save)->toolTip(), QStringLiteral("Save"));
        for (QAction* action : frame.ToolBar()->actions()) {
            if (!action->isSeparator())
                QVERIFY2(!action->icon().isNull(), qPrintable(action->toolTip()));
        }
    }

    void toolbarToggle()
    {
        MainFrame frame;
        frame.show();
        frame.Action(cmd::ViewToolbar)->trigger();
        QVERIFY(frame.ToolBar()->isHidden());
        frame.UpdateUi();
        QVERIFY(!frame.Action(cmd::ViewToolbar)->isChecked());
        frame.Action(cmd::ViewToolbar)->trigger();
        QVERIFY(!frame.ToolBar()->isHidden());
        QVERIFY(frame.Action(cmd::ViewToolbar)->isChecked());
    }

    // --- edit keys ---------------------------------------------------------------------

    // The open editor keeps its own clipboard and undo keys (one paste, not two); elsewhere
    // they reach the frame's commands, which hand them to the editor too.
    void editKeysReachTheEditorOnce_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("paste") << int(cmd::Paste) << QKeySequence(QStringLiteral("Ctrl+V")) << "xyz"
                               << "xyz";
        QTest::newRow("copy") << int(cmd::Copy) << QKeySequence(QStringLiteral("Ctrl+Ins")) << "abc"
                              << "abc";
        QTest::newRow("cut") << int(cmd::Cut) << QKeySequence(QStringLiteral("Shift+Del")) << ""
                             << "abc";
    }
    void editKeysReachTheEditorOnce()
    {
        QFETCH(int, command);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        const QKeyCombination key = keys[0];

        for (bool throughMenu : {false, true}) {
            MainFrame frame;
            auto* grid = new RecordGrid;
            grid->InsertColumn(0, QStringLiteral("Text"), 120);
            grid->InsertRecordRow(0, CreateTextCell(QStringLiteral("abc")));
            frame.AddDocumentTab(new GridView(grid), QStringLiteral("doc.edt"));
            frame.show();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            QVERIFY(frame.ActiveView()->SelectCell(0, 0));
            QVERIFY(frame.ActiveView()->BeginEdit(0, 0));
            QLineEdit* editor = frame.ActiveView()->findChild<QLineEdit*>();
            QVERIFY(editor);
            QTRY_VERIFY(editor->hasFocus());
            editor->selectAll();
            QApplication::clipboard()->setText(QStringLiteral("xyz"));

            QSignalSpy routed(frame.Action(command), &QAction::triggered);
            if (throughMenu) {
                frame.Action(command)->trigger();
            } else {
                QTest::keyClick(editor, key.key(), key.keyboardModifiers());
                QCOMPARE(routed.count(), 0);
            }
            QCOMPARE(editor->text(), text);
            QCOMPARE(QApplication::clipboard()->text(), clipboard);
        }
    }

    void editKeysWithoutAnEditorAreCommands()
    {
        MainFrame frame;
        AddTabs(frame, QStringLiteral("0"));
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.ActiveView()->setFocus();
        QTRY_VERIFY(frame.ActiveView()->hasFocus());
        for (int command : {cmd::Undo, cmd::Cut, cmd::Copy, cmd::Paste}) {
            QSignalSpy routed(frame.Action(command), &QAction::triggered);
            const QKeyCombination key = frame.Action(command)->shortcut()[0];
            QTest::keyClick(frame.ActiveView(), key.key(), key.keyboardModifiers());
            QCOMPARE(routed.count(), 1);
        }
    }

    // --- closing -----------------------------------------------------------------------

    void closeAllStopsAtAKeptDocument_data()
    {
        QTest::addColumn<QString>("tabs");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("left");
        QTest::newRow("none") << "" << true << "";
        QTest::newRow("all unmodified") << "000" << true << "";
        QTest::newRow("middle modified") << "010" << false << "01";
        QTest::newRow("last modified") << "001" << false << "001";
    }
    void closeAllStopsAtAKeptDocument()
    {
        QFETCH(QString, tabs);
        QFETCH(bool, result);
        QFETCH(QString, left);
        MainFrame frame;
        AddTabs(frame, tabs);
        QCOMPARE(frame.CloseAllDocuments(), result);
        QCOMPARE(ModifiedPattern(frame), left);
    }

    void exitClosesOnlyWhenEveryTabIsClosed_data()
    {
        QTest::addColumn<QString>("tabs");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("left");
        QTest::newRow("no tab") << "" << true << "";
        QTest::newRow("unmodified") << "00" << true << "";
        QTest::newRow("first modified") << "10" << false << "1";
    }
    void exitClosesOnlyWhenEveryTabIsClosed()
    {
        QFETCH(QString, tabs);
        QFETCH(bool, closed);
        QFETCH(QString, left);
        MainFrame frame;
        AddTabs(frame, tabs);
        frame.show();
        frame.Action(cmd::Exit)->trigger();
        // The close request is posted.
        QVERIFY(frame.isVisible());
        QTRY_COMPARE(frame.isVisible(), !closed);
        QTest::qWait(10);
        QCOMPARE(frame.isVisible(), !closed);
        QCOMPARE(ModifiedPattern(frame), left);
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

    void aboutBoxIsModal()
    {
        MainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QString text;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            modal = dialog && dialog->isModal();
            if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("aboutText")))
                text = label->text();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        frame.Action(cmd::About)->trigger();
        QVERIFY(modal);
        QCOMPARE(text, UiText("about.text"));
    }
};

SCRIVLET_TEST(TestMainFrame);
#include "test_mainframe.moc"
