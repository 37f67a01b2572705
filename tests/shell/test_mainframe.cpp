#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "shell/DocumentTab.h"
#include "shell/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QMenu>
#include <QSet>
#include <QSignalSpy>
#include <QTimer>

using namespace scrivlet;
using namespace scrivlet::test;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

// Tabs from a pattern: one per character, '1' for a modified document of one empty record.
void AddTabs(MainFrame& frame, const QString& pattern)
{
    const EdtFormat format = MakeFormat(QStringLiteral("F"), QString());
    for (int i = 0; i < pattern.size(); ++i) {
        auto document = std::make_unique<EdtDocument>(format, 0);
        QVERIFY(document->AppendRecord());
        document->SetModified(pattern[i] == u'1');
        frame.AddDocument(std::move(document), QStringLiteral("doc%1.edt").arg(i));
    }
}

QList<QAction*> WindowEntries(const MainFrame& frame)
{
    QList<QAction*> entries;
    for (QAction* action : frame.WindowMenu()->actions()) {
        if (action->actionGroup())
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

    ShellEnvironment env_;
    QList<MessageBoxRequest> boxes_;

private slots:
    void init()
    {
        env_.Reset();
        UseFormats({});
        boxes_.clear();
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes_ << request;
            return QMessageBox::Ok;
        });
    }

    void cleanup()
    {
        SetMessageBoxHandler({});
        MainFrame::SetCatalogueLoader({});
        SetUiLanguage(UiLanguage::English);
    }

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
        frame.show();
        AddTabs(frame, tabs);
        frame.SetActiveIndex(active);
        RunLoopBriefly();
        QCOMPARE(frame.Action(Command::Save)->isEnabled(), save);
        QCOMPARE(frame.Action(Command::SaveAs)->isEnabled(), withTab);
        QCOMPARE(frame.Action(Command::Find)->isEnabled(), withTab);
        QCOMPARE(frame.Action(Command::SaveAllAs)->isEnabled(), saveAllAs);
        for (Command command : {Command::Print, Command::PrintPreview, Command::PrintSetup})
            QVERIFY(!frame.Action(command)->isEnabled());
        if (active >= 0) {
            frame.DocumentAt(active)->SetModified(!save);
            RunLoopBriefly();
            QCOMPARE(frame.Action(Command::Save)->isEnabled(), !save);
        }
    }

    // The mark goes on and off with the document's flag, on the full title; the tab shows
    // a long title cut and "&" as itself; the window list follows.
    void titles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("plain");   // the tab's text
        QTest::addColumn<QString>("marked");  // the same while modified
        const QString mark = QChar(kModifiedMark);
        const QString emoji = QStringLiteral("\U0001F600");
        QTest::newRow("short") << "doc.edt"
                               << "doc.edt" << mark + "doc.edt";
        QTest::newRow("thirty-one")
            << "abcdefghijklmnopqrstuvwxyz.edtx"
            << "abcdefghijklmnopqrstuvwxyz...." << mark + "abcdefghijklmnopqrstuvwxyz...";
        QTest::newRow("ampersand") << "a&b.edt"
                                   << "a&&b.edt" << mark + "a&&b.edt";
        // A character outside the basic plane is never cut in half.
        QTest::newRow("surrogate at the cut")
            << QString(25, u'a') + emoji + QString(10, u'b') << QString(25, u'a') + emoji + "..."
            << mark + QString(25, u'a') + "...";
    }
    void titles()
    {
        QFETCH(QString, name);
        QFETCH(QString, plain);
        QFETCH(QString, marked);
        MainFrame frame;
        AddTabs(frame, QStringLiteral("00"));
        frame.SetTabName(0, name);
        EdtDocument* document = frame.DocumentAt(0);
        QCOMPARE(frame.Tabs()->tabText(0), plain);
        document->SetModified(true);
        QCOMPARE(frame.TabTitle(0), QChar(kModifiedMark) + name);
        QCOMPARE(frame.TabName(0), name);
        QCOMPARE(frame.Tabs()->tabText(0), marked);
        QCOMPARE(WindowEntries(frame)[0]->text(),
                 "&1 " + QString(name).replace("&", "&&").prepend(QChar(kModifiedMark)));
        document->SetModified(false);
        QCOMPARE(frame.Tabs()->tabText(0), plain);
        QCOMPARE(frame.TabTitle(1), QStringLiteral("doc1.edt"));
    }

    void windowMenu()
    {
        MainFrame frame;
        const int plainItems = frame.WindowMenu()->actions().size();
        AddTabs(frame, QString(12, u'0'));
        QList<QAction*> entries = WindowEntries(frame);
        QCOMPARE(entries.size(), 10);
        for (int k = 0; k < entries.size(); ++k) {
            const QString expected = k < 9 ? QStringLiteral("&%1 doc%2.edt").arg(k + 1).arg(k)
                                           : QStringLiteral("10 doc9.edt");
            QCOMPARE(entries[k]->text(), expected);
            QVERIFY(!entries[k]->isChecked());
            QVERIFY(entries[k]->actionGroup()->isExclusive());
        }
        QCOMPARE(frame.WindowMenu()->actions().size(), plainItems + 11);
        QVERIFY(frame.WindowMenu()->actions()[plainItems]->isSeparator());

        // Activated through the tab bar, then chosen from the menu.
        frame.Tabs()->setCurrentIndex(0);
        QVERIFY(WindowEntries(frame)[0]->isChecked());
        WindowEntries(frame)[1]->trigger();
        QCOMPARE(frame.ActiveIndex(), 1);
        QVERIFY(WindowEntries(frame)[1]->isChecked());

        // Removed: the numbers close up.
        frame.CloseTab(0);
        entries = WindowEntries(frame);
        QCOMPARE(entries[0]->text(), QStringLiteral("&1 doc1.edt"));
        QVERIFY(entries[frame.ActiveIndex()]->isChecked());
        while (frame.TabCount() > 0)
            frame.CloseTab(0);
        QVERIFY(WindowEntries(frame).isEmpty());
        QVERIFY(!frame.WindowMenu()->actions().last()->isSeparator());
    }

    void languageCommands_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<int>("stored");  // -1: nothing stored
        QTest::addColumn<int>("markedBefore");
        QTest::addColumn<int>("command");
        QTest::newRow("German chosen in English")
            << UiLanguage::English << -1 << int(Command::LanguageSystem)
            << int(Command::LanguageGerman);
        QTest::newRow("same as stored")
            << UiLanguage::Russian << 1049 << int(Command::LanguageRussian)
            << int(Command::LanguageRussian);
        QTest::newRow("another locale stored")
            << UiLanguage::German << 1036 << -1 << int(Command::LanguageSystem);
    }
    void languageCommands()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(int, stored);
        QFETCH(int, markedBefore);
        QFETCH(int, command);
        if (stored >= 0)
            env_.settings.Plant(QStringLiteral("LanguageID"), stored);
        SetUiLanguage(ui);
        MainFrame frame;
        auto checkMarks = [&](int marked) {
            frame.UpdateUi();
            for (const LanguageCommand& language : kLanguageCommands)
                QCOMPARE(frame.Action(language.command)->isChecked(),
                         int(language.command) == marked);
        };
        checkMarks(markedBefore);
        frame.Action(Command(command))->trigger();

        quint32 value = 0;
        for (const LanguageCommand& language : kLanguageCommands)
            value = int(language.command) == command ? quint32(language.languageId) : value;
        QCOMPARE(env_.settings.Stored(QStringLiteral("LanguageID")).toUInt(), value);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, UiTextIn(ui, QStringLiteral("154")));
        QCOMPARE(boxes_[0].caption, QStringLiteral("Scrivlet"));
        QCOMPARE(boxes_[0].icon, QMessageBox::Information);
        QCOMPARE(boxes_[0].parent, &frame);
        // The running language does not change.
        QCOMPARE(CurrentUiLanguage(), ui);
        checkMarks(command);
    }

    void missingCatalogueEndsTheStart_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("message");
        QTest::newRow("en") << UiLanguage::English << "/opt/x/formats.en.ini"
                            << "File formats.en.ini not found";
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
        QCOMPARE(frame.StartupExitCode(), message.isEmpty() ? 0 : kExitCatalogueMissing);
        QCOMPARE(boxes_.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(boxes_[0].text, message);
            QCOMPARE(boxes_[0].caption, QStringLiteral("Scrivlet"));
            QCOMPARE(boxes_[0].icon, QMessageBox::Critical);
            QCOMPARE(boxes_[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    // The open editor keeps its own paste key (one paste, not two); elsewhere the key
    // reaches the frame's command.
    void editKeysReachTheEditorOnce()
    {
        MainFrame frame;
        AddTabs(frame, QStringLiteral("0"));
        QVERIFY(frame.DocumentAt(0)->SetText(0, 1, QStringLiteral("abc")));
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QSignalSpy routed(frame.Action(Command::Paste), &QAction::triggered);
        GridView* view = frame.ActiveView();
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(routed.count(), 1);

        QVERIFY(view->SelectCell(0, 1));
        QVERIFY(view->BeginEdit());
        InplaceEdit* editor = view->Editor();
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
        for (const CommandDef& def : kCommands) {
            if (def.command != Command::New && def.command != Command::Open &&
                def.command != Command::Exit && def.command != Command::About &&
                def.command != Command::Find && !def.checkable)
                frame.Action(def.command)->trigger();
        }
        frame.FindRequest(SearchQuery{QStringLiteral("x"), 0});
        QCOMPARE(frame.TabCount(), 0);
        QVERIFY(boxes_.isEmpty());
        QVERIFY(frame.isVisible());
    }

    // Every text the frame asks for exists in all four languages; only the Find item may be
    // empty (some languages leave it out of the menu).
    void everyTextTheFrameUsesExists()
    {
        for (UiLanguage language :
             {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian}) {
            const QStringList list = UiTextKeys(language);
            const QSet<QString> keys(list.begin(), list.end());
            auto require = [&](const QString& key, bool mayBeEmpty = false) {
                QVERIFY2(keys.contains(key), qPrintable(LanguageCode(language) + ": " + key));
                QVERIFY2(mayBeEmpty || !UiTextIn(language, key).isEmpty(), qPrintable(key));
            };
            for (const MenuEntry& entry : kMenuLayout) {
                if (entry.kind == MenuEntryKind::Submenu)
                    require(QString::fromLatin1(entry.textKey));
            }
            for (const CommandDef& def : kCommands) {
                require(QString::fromLatin1(MenuTextKey(def.command)),
                        def.command == Command::Find);
                if (def.hasPrompt)
                    require(QString::number(def.textId));
            }
            for (int number : kFrameStrings)
                require(QString::number(number));
            for (const char* key : kFrameTextKeys)
                require(QString::fromLatin1(key));
        }
    }
};

SCRIVLET_TEST(TestMainFrame);
#include "test_mainframe.moc"
