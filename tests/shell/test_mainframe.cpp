// The main window: enabled states, tab titles and the window list, the language commands,
// the start without a catalogue, keys, and Find through the find dialog.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "shell/DocumentTab.h"
#include "shell/FindCommands.h"
#include "shell/FindDialog.h"
#include "shell/GoToDialog.h"
#include "shell/MessageBoxes.h"
#include "translation/TranslationStatus.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>

using namespace scrivlet;
using namespace scrivlet::test;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

// Tabs from a pattern: one per character, '1' for a modified document of one record.
void AddTabs(MainFrame& frame, const QString& pattern)
{
    for (int i = 0; i < pattern.size(); ++i) {
        AddDocument(frame, {{"abc"}}, 4, QStringLiteral("doc%1.edt").arg(i));
        SetModified(frame, i, pattern[i] == u'1');
    }
}

QList<QAction*> WindowEntries(const MainFrame& frame)
{
    QList<QAction*> entries = frame.WindowMenu()->actions();
    entries.removeIf([](QAction* action) { return !action->actionGroup(); });
    return entries;
}

// Lets the event loop block once, which is when the frame's idle update runs.
void RunLoopBriefly()
{
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    QList<MessageBoxRequest> boxes_;

    void CheckBox(QMessageBox::Icon icon, const QString& text)
    {
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, text);
        QCOMPARE(boxes_[0].caption, UiText(str::FrameCaption));
        QCOMPARE(boxes_[0].icon, icon);
        QCOMPARE(boxes_[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

private slots:
    void init()
    {
        env_.Reset();
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

    // Follow the active tab, its document and its history, once the change has been handled.
    void enabledStates_data()
    {
        QTest::addColumn<QString>("tabs");  // one character per tab, '1' = modified
        QTest::addColumn<int>("active");
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("saveAllAs");
        QTest::newRow("no tab") << "" << -1 << false << false;
        QTest::newRow("unmodified") << "0" << 0 << false << false;
        QTest::newRow("modified") << "1" << 0 << true << false;
        QTest::newRow("another tab modified") << "10" << 1 << false << true;
        QTest::newRow("active of three modified") << "010" << 1 << true << true;
    }
    void enabledStates()
    {
        QFETCH(QString, tabs);
        QFETCH(int, active);
        QFETCH(bool, save);
        MainFrame frame;
        frame.show();
        AddTabs(frame, tabs);
        frame.SetActiveIndex(active);
        RunLoopBriefly();
        QCOMPARE(frame.Action(Command::Save)->isEnabled(), save);
        for (Command command : {Command::SaveAs, Command::Find})
            QCOMPARE(frame.Action(command)->isEnabled(), active >= 0);
        QTEST(frame.Action(Command::SaveAllAs)->isEnabled(), "saveAllAs");
        for (Command command : {Command::Print, Command::PrintPreview, Command::ExportPdf})
            QCOMPARE(frame.Action(command)->isEnabled(), active >= 0);
        if (active >= 0) {
            SetModified(frame, active, !save);
            QCOMPARE(frame.Action(Command::Save)->isEnabled(), save);
            RunLoopBriefly();
            QCOMPARE(frame.Action(Command::Save)->isEnabled(), !save);
        }
    }

    // The mark goes on and off with the document's flag, on the full title; the tab shows
    // a long title cut and "&" as itself; the window list and the window's title follow.
    void titles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("marked");  // the tab's text while modified
        QTest::addColumn<QString>("plain");   // and otherwise
        const QString mark = QChar(kModifiedMark);
        QTest::newRow("short") << "doc.edt" << mark + "doc.edt"
                               << "doc.edt";
        QTest::newRow("thirty-one")
            << "abcdefghijklmnopqrstuvwxyz.edtx" << mark + "abcdefghijklmnopqrstuvwxyz..."
            << "abcdefghijklmnopqrstuvwxyz....";
        QTest::newRow("ampersand") << "a&b.edt" << mark + "a&&b.edt"
                                   << "a&&b.edt";
        QTest::newRow("modified mark in the name") << "a[*].edt" << mark + "a[*].edt"
                                                   << "a[*].edt";
        // A character outside the basic plane is never cut in half.
        const QString a25(25, u'a'), emoji = QStringLiteral("\U0001F600");
        QTest::newRow("surrogate at the cut")
            << a25 + emoji + "bbbbb" << mark + a25 + "..." << a25 + emoji + "...";
    }
    void titles()
    {
        QFETCH(QString, name);
        QFETCH(QString, marked);
        QFETCH(QString, plain);
        MainFrame frame;
        AddTabs(frame, QStringLiteral("00"));
        frame.SetTabName(0, name);
        QCOMPARE(frame.Tabs()->tabText(0), plain);
        SetModified(frame, 0, true);
        QCOMPARE(frame.TabTitle(0), QChar(kModifiedMark) + name);
        QCOMPARE(frame.Tabs()->tabText(0), marked);
        QCOMPARE(WindowEntries(frame)[0]->text(),
                 "&1 " + QString(name).replace("&", "&&").prepend(QChar(kModifiedMark)));
        frame.SetActiveIndex(0);
        const QString caption = UiText(str::FrameCaption);
        QCOMPARE(frame.windowTitle(), QString(name).replace("[*]", "[*][*]") + "[*] - " + caption);
        QVERIFY(frame.isWindowModified());
        SetModified(frame, 0, false);
        QCOMPARE(frame.Tabs()->tabText(0), plain);
        QVERIFY(!frame.isWindowModified());
        QCOMPARE(frame.TabTitle(1), QStringLiteral("doc1.edt"));
        SetModified(frame, 1, true);
        frame.SetActiveIndex(1);
        QCOMPARE(frame.windowTitle(), "doc1.edt[*] - " + caption);
        QVERIFY(frame.isWindowModified());
        frame.CloseTab(1);
        frame.CloseTab(0);
        QCOMPARE(frame.windowTitle(), caption);
        QVERIFY(!frame.isWindowModified());
    }

    // The first ten tabs, numbered (the first nine with their digit as access key), the active
    // one checked; an entry activates its tab and the numbers close up when a tab goes.
    void windowMenu()
    {
        MainFrame frame;
        const int plainItems = frame.WindowMenu()->actions().size();
        AddTabs(frame, QString(12, u'0'));
        QList<QAction*> entries = WindowEntries(frame);
        QCOMPARE(entries.size(), 10);
        QCOMPARE(entries[8]->text(), QStringLiteral("&9 doc8.edt"));
        QCOMPARE(entries[9]->text(), QStringLiteral("10 doc9.edt"));
        QVERIFY(frame.WindowMenu()->actions()[plainItems]->isSeparator());
        entries[1]->trigger();
        QCOMPARE(frame.ActiveIndex(), 1);
        frame.CloseTab(0);
        QCOMPARE(WindowEntries(frame)[0]->text(), QStringLiteral("&1 doc1.edt"));
        QVERIFY(WindowEntries(frame)[0]->isChecked() && !WindowEntries(frame)[1]->isChecked());
        while (frame.TabCount() > 0)
            frame.CloseTab(0);
        QCOMPARE(frame.WindowMenu()->actions().size(), plainItems);
    }

    // The languages are named in themselves; the choice is stored and told, and takes effect
    // at the next start; the one radio mark follows what is stored, none for a locale without
    // a command.
    void languageCommands()
    {
        env_.settings.Plant(QStringLiteral("Language"), QStringLiteral("fr"));
        SetUiLanguage(UiLanguage::Russian);
        MainFrame frame;
        auto marked = [&frame] {
            frame.UpdateUi();
            QList<Command> checked;
            for (const LanguageCommand& language : kLanguageCommands) {
                if (frame.Action(language.command)->isChecked())
                    checked << language.command;
            }
            return checked;
        };
        QCOMPARE(marked(), QList<Command>());
        // Radio items, each language by its own name.
        QStringList names;
        for (const LanguageCommand& language : kLanguageCommands) {
            const QAction* action = frame.Action(language.command);
            QVERIFY(action->actionGroup() && action->actionGroup()->isExclusive());
            QCOMPARE(action->actionGroup(), frame.Action(Command::LanguageSystem)->actionGroup());
            names << QString(action->text()).remove(u'&');
        }
        QCOMPARE(names, QStringList({UiTextIn(UiLanguage::Russian, "menu.language.system"),
                                     "English", "Deutsch", "Polski", u"Русский"_qs}));
        frame.Action(Command::LanguageGerman)->trigger();
        QCOMPARE(env_.settings.Stored(QStringLiteral("Language")).toString(), u"de"_qs);
        CheckBox(QMessageBox::Information,
                 UiTextIn(UiLanguage::Russian, str::LanguageChangeNotice));
        QCOMPARE(boxes_[0].parent, &frame);
        QCOMPARE(CurrentUiLanguage(), UiLanguage::Russian);
        QCOMPARE(marked(), QList<Command>{Command::LanguageGerman});
    }

    void missingCatalogueEndsTheStart_data()
    {
        QTest::addColumn<UiLanguage>("ui");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("loads");       // with one format
        QTest::addColumn<QString>("message");  // empty: found
        QTest::newRow("en") << UiLanguage::English << "/opt/x/formats.en.ini" << false
                            << "File formats.en.ini not found";
        QTest::newRow("ru without a name")
            << UiLanguage::Russian << "" << false << "Файл formats.ru.ini не найден";
        QTest::newRow("found") << UiLanguage::Polish << QString() << true << QString();
        QTest::newRow("no format in it") << UiLanguage::English << QString() << true
                                         << "The catalogue formats.en.ini holds no usable format.";
    }
    void missingCatalogueEndsTheStart()
    {
        QFETCH(UiLanguage, ui);
        QFETCH(QString, reported);
        QFETCH(bool, loads);
        QFETCH(QString, message);
        SetUiLanguage(ui);
        UiLanguage asked = UiLanguage::English;
        MainFrame::SetCatalogueLoader(
            [&](FormatCatalogue& catalogue, UiLanguage language, QString* missing) {
                asked = language;
                *missing = reported;
                catalogue.Clear();
                if (message.isEmpty())
                    catalogue.Append(EdtFormat());
                return loads;
            });
        MainFrame frame;
        QCOMPARE(asked, ui);
        QCOMPARE(frame.StartupExitCode(), message.isEmpty() ? 0 : kExitCatalogueMissing);
        if (!message.isEmpty())
            CheckBox(QMessageBox::Critical, message);
        QCOMPARE(boxes_.size(), message.isEmpty() ? 0 : 1);
    }

    // The open editor keeps its own paste key (one paste, not two); elsewhere the key
    // reaches the frame's command. Commands that need a document do nothing without one.
    void keysAndCommandsWithoutATab()
    {
        MainFrame frame;
        ShowAndWait(frame);
        for (const CommandDef& def : kCommands) {
            if (!def.checkable && def.command != Command::New && def.command != Command::Open &&
                def.command != Command::NewProject && def.command != Command::OpenProject &&
                def.command != Command::Exit && def.command != Command::About &&
                def.command != Command::Find && def.command != Command::PrintSetup &&
                def.command != Command::ChooseMemory)
                frame.Action(def.command)->trigger();
        }
        frame.Find().FindRequest(SearchQuery{QStringLiteral("x"), 0});
        QVERIFY(boxes_.isEmpty() && frame.isVisible());

        AddTabs(frame, QStringLiteral("0"));
        QSignalSpy routed(frame.Action(Command::Paste), &QAction::triggered);
        GridView* view = frame.ActiveView();
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(routed.count(), 1);
        QVERIFY(view->SelectCell(0, 1) && view->BeginEdit());
        InplaceEdit* editor = view->Editor();
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("xyz"));
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(routed.count(), 1);
        QCOMPARE(editor->text(), QStringLiteral("xyz"));
    }

    // Ctrl+F shows the one find dialog; Enter hands the text and the options to the active
    // view, which opens the editor on the hit and takes the keyboard; Enter again searches on
    // from there; the status bar says when the search went past the end. Nothing found leaves
    // selection, editor and dialog as they were and says so; an expression that cannot run
    // is explained beside the field. F3 and Shift+F3 search again without the dialog.
    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<int>("selected");      // row selected before, -1 as opened
        QTest::addColumn<QStringList>("hits");  // row:selected text, Find after Find
        QTest::addColumn<QStringList>("said");  // the status bar after each, or after none
        const QString wrapped = UiText("find.wrappedToStart");
        QTest::newRow("wraps") << "sword" << false << false << 2
                               << QStringList{"3:Sword", "0:sword", "2:sword", "3:Sword"}
                               << QStringList{"", wrapped, "", ""};
        // The cell selected for the keyboard at the start is not where the first search starts.
        QTest::newRow("as opened") << "sword" << false << false << -1
                                   << QStringList{"0:sword", "2:sword"} << QStringList{"", ""};
        QTest::newRow("backwards")
            << "sword" << false << true << 0 << QStringList{"3:Sword", "2:sword"}
            << QStringList{UiText("find.wrappedToEnd"), ""};
        QTest::newRow("not found") << "dragon" << false << false << 0 << QStringList{}
                                   << QStringList{"No match for 'dragon'"};
        QTest::newRow("invalid expression")
            << "(sw" << true << false << 0 << QStringList{} << QStringList{""};
    }
    void find()
    {
        QFETCH(QString, typed);
        QFETCH(bool, regex);
        QFETCH(bool, backwards);
        QFETCH(int, selected);
        QFETCH(QStringList, hits);
        QFETCH(QStringList, said);
        MainFrame frame;
        AddDocument(frame, {{"Fire sword"}, {"aXb"}, {"Ice sword"}, {"Swordfish"}});
        GridView* view = frame.ActiveView();
        ShowAndWait(frame);
        if (selected >= 0)
            QVERIFY(view->SelectCell(selected, 1));
        frame.UpdateUi();
        QTest::keyClick(&frame, Qt::Key_F, Qt::ControlModifier);
        auto* dialog = frame.findChild<FindDialog*>();
        QTRY_VERIFY(dialog && dialog->SearchText()->hasFocus());
        if (backwards)
            dialog->OptionBox(FindOption::Backwards)->click();
        if (regex)
            dialog->OptionBox(FindOption::Regex)->click();
        QTest::keyClicks(dialog->SearchText(), typed);

        for (int k = 0; k < hits.size(); ++k) {
            QTest::keyClick(dialog, Qt::Key_Return);
            QCoreApplication::processEvents();  // the dialog posts its request
            QVERIFY2(view->Editor(), qPrintable(hits[k]));
            QCOMPARE(QStringLiteral("%1:%2")
                         .arg(view->SelectedRow())
                         .arg(view->Editor()->selectedText()),
                     hits[k]);
            QCOMPARE(frame.statusBar()->currentMessage(), said[k]);
            QTRY_VERIFY(view->Editor()->hasFocus());
        }
        if (hits.isEmpty()) {
            QTest::keyClick(dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            QVERIFY(!view->Editor());
            QCOMPARE(view->SelectedRow(), selected);
            QVERIFY(dialog->isVisible() && dialog->SearchText()->hasFocus());
            QCOMPARE(frame.statusBar()->currentMessage(), said[0]);
            QCOMPARE(dialog->Problem()->isVisible(), regex);
            if (regex) {
                QVERIFY(dialog->Problem()->text().startsWith(UiText("find.badPattern")));
                QTest::keyClick(dialog->SearchText(), Qt::Key_Backspace);
                QVERIFY(!dialog->Problem()->isVisible());
            }
            return;
        }
        Run(frame, Command::Find);
        QCOMPARE(frame.findChildren<FindDialog*>().size(), 1);
        QCOMPARE(dialog->SearchText()->selectedText(), typed);
        // Without the dialog: F3 goes on forwards, Shift+F3 back, whatever the dialog's option.
        dialog->reject();
        const int row = view->SelectedRow();
        Run(frame, Command::FindNext);
        const int next = view->SelectedRow();
        QVERIFY(next != row);
        Run(frame, Command::FindPrevious);
        QCOMPARE(view->SelectedRow(), row);
        QVERIFY(!dialog->isVisible());
    }

    // Every text of the find dialog has the room its language needs.
    void findDialogFits_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::newRow("German") << UiLanguage::German;
        QTest::newRow("Polish") << UiLanguage::Polish;
        QTest::newRow("Russian") << UiLanguage::Russian;
    }
    void findDialogFits()
    {
        QFETCH(UiLanguage, language);
        SetUiLanguage(language);
        MainFrame frame;
        AddDocument(frame, {{"a"}});
        ShowAndWait(frame);
        Run(frame, Command::Find);
        auto* dialog = frame.findChild<FindDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        for (QAbstractButton* control : dialog->findChildren<QAbstractButton*>()) {
            QVERIFY2(control->width() >= control->sizeHint().width(), qPrintable(control->text()));
            QVERIFY(dialog->rect().contains(control->geometry()));
        }
    }

    // Find, Replace and Replace All through the dialog in fields of 8; then Undo and Redo
    // through the frame, whose items name the step, and the modified mark following them.
    void replaceThroughTheDialogAndUndo()
    {
        MainFrame frame;
        AddDocument(frame, {{"sword"}, {"a sword"}, {"sword x"}, {"swordfish"}}, 8);
        GridView* view = frame.ActiveView();
        ShowAndWait(frame);
        Run(frame, Command::Find);
        auto* dialog = frame.findChild<FindDialog*>();
        QTRY_VERIFY(dialog && dialog->SearchText()->hasFocus());
        dialog->SearchText()->setText(QStringLiteral("sword"));
        dialog->ReplaceText()->setText(QStringLiteral("blades"));
        auto press = [&](QPushButton* button) {
            button->click();
            QCoreApplication::processEvents();  // the dialog posts its request
        };
        auto texts = [&] {
            QStringList all;
            for (int r = 0; r < 4; ++r)
                all << frame.DocumentAt(0)->Text(r, 1);
            return all.join(u'|');
        };
        auto editorShows = [&](int row) {
            return view->Editor() && view->SelectedRow() == row &&
                   view->Editor()->selectedText() == QLatin1String("sword");
        };
        press(dialog->FindButton());
        QVERIFY(editorShows(0));
        // A click into the dialog closes the editor; Replace still knows the match.
        view->EndEdit();
        press(dialog->ReplaceButton());
        QCOMPARE(texts(), QStringLiteral("blades|a sword|sword x|swordfish"));
        QVERIFY(editorShows(1));
        press(dialog->ReplaceAllButton());
        QCOMPARE(texts(), QStringLiteral("blades|a blades|blades x|swordfish"));
        QCOMPARE(
            frame.statusBar()->currentMessage(),
            QStringLiteral("Replaced 2 matches in 2 records; 1 skipped: longer than the field"));
        // Find goes on at the field left alone; replacing there alone is refused too.
        press(dialog->FindButton());
        QVERIFY(editorShows(3));
        press(dialog->ReplaceButton());
        QCOMPARE(texts(), QStringLiteral("blades|a blades|blades x|swordfish"));
        QCOMPARE(frame.statusBar()->currentMessage(),
                 QStringLiteral("Not replaced: the text would be longer than the field"));

        view->EndEdit();
        frame.UpdateUi();
        QCOMPARE(frame.Action(Command::Undo)->text(),
                 QStringLiteral("&Undo replacing 2 matches in 2 records"));
        Run(frame, Command::Undo);
        frame.UpdateUi();
        QCOMPARE(frame.Action(Command::Undo)->text(),
                 QStringLiteral("&Undo replacing in record # 0"));
        QCOMPARE(frame.Action(Command::Redo)->text(),
                 QStringLiteral("&Redo replacing 2 matches in 2 records"));
        Run(frame, Command::Undo);
        QCOMPARE(texts(), QStringLiteral("sword|a sword|sword x|swordfish"));
        QCOMPARE(frame.TabTitle(0), QStringLiteral("doc.edt"));
        frame.UpdateUi();
        QCOMPARE(frame.Action(Command::Undo)->text(), UiText("menu.edit.undo"));
        QVERIFY(!frame.Action(Command::Undo)->isEnabled());
        Run(frame, Command::Redo);
        Run(frame, Command::Redo);
        frame.UpdateUi();
        QVERIFY(!frame.Action(Command::Redo)->isEnabled());
        QVERIFY(frame.Action(Command::Undo)->isEnabled());
        QCOMPARE(texts(), QStringLiteral("blades|a blades|blades x|swordfish"));
        QCOMPARE(frame.TabTitle(0), QChar(kModifiedMark) + QStringLiteral("doc.edt"));
        QCOMPARE(view->SelectedRow(), 1);  // the first field Replace All changed
        // An open editor has its own history: nothing typed, nothing to undo.
        QVERIFY(view->SelectCell(0, 1) && view->BeginEdit());
        frame.UpdateUi();
        QVERIFY(!frame.Action(Command::Undo)->isEnabled());
        QTest::keyClicks(view->Editor(), "s");
        frame.UpdateUi();
        QVERIFY(frame.Action(Command::Undo)->isEnabled());
        view->Editor()->undo();
    }

    // Go to Record keeps its dialog open on a number outside the document.
    void goToRecord()
    {
        MainFrame frame;
        AddTabs(frame, QStringLiteral("0"));
        frame.DocumentAt(0)->InsertRecords(1, 4);
        QStringList tried;
        QTimer::singleShot(0, [&] {
            auto* dialog = frame.findChild<GoToDialog*>();
            for (const char* typed : {"5", "-1", "x", "3"}) {
                if (!dialog || !dialog->isVisible())
                    break;
                tried << QString::fromLatin1(typed);
                dialog->NumberEdit()->setText(QString::fromLatin1(typed));
                dialog->accept();
            }
            if (dialog && dialog->isVisible())
                dialog->reject();
        });
        Run(frame, Command::GoToRecord);
        QCOMPARE(tried, QStringList({"5", "-1", "x", "3"}));
        QCOMPARE(frame.ActiveView()->SelectedRow(), 3);
    }

    // F8 / F9 and their Shift variants from the first record: the rows selected, or the row
    // kept after a beep; the next press after a beep starts over from the other end.
    void seekFields_data()
    {
        QTest::addColumn<QStringList>("commands");  // N/P untranslated, n/p problem
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("said");  // the status bar at the end
        QTest::newRow("next untranslated, wraps")
            << QStringList{"N", "N", "N", "N"} << QList<int>{1, 3, 3, 1} << "";
        QTest::newRow("previous untranslated, wraps")
            << QStringList{"P", "P", "P"} << QList<int>{0, 3, 1} << "";
        QTest::newRow("problems") << QStringList{"n", "n", "n", "p"} << QList<int>{2, 2, 2, 2}
                                  << UiText("seek.noProblem");
        QTest::newRow("names the problem")
            << QStringList{"n"} << QList<int>{2} << u"Too long: length 7, the field holds 4"_qs;
    }
    void seekFields()
    {
        QFETCH(QStringList, commands);
        QFETCH(QList<int>, rows);
        MainFrame frame;
        AddDocument(frame, {{"ab"}, {""}, {"toolong"}, {""}, {"ok"}});
        QVERIFY(frame.ActiveView()->SelectCell(0, 1));
        const QMap<QString, Command> keys{{"N", Command::NextUntranslated},
                                          {"P", Command::PreviousUntranslated},
                                          {"n", Command::NextProblem},
                                          {"p", Command::PreviousProblem}};
        QList<int> selected;
        for (const QString& command : commands) {
            Run(frame, keys[command]);
            selected << frame.ActiveView()->SelectedRow();
        }
        QCOMPARE(selected, rows);
        QTEST(frame.statusBar()->currentMessage(), "said");
        QCOMPARE(frame.CountsText(), u"Filled: 3 of 5 (60%)   Problems: 1"_qs);
        QCOMPARE(frame.CountsToolTip(),
                 u"Approved: 0\nTranslated: 3\nNeeds work: 0\nSame as the reference: 0\nEmpty: 2\n"
                 u"Too long for the field: 1\n"
                 u"Not storable in the encoding: 0"_qs);
    }

    // Every text the frame asks for is in the language files (which all have the same keys).
    void everyFrameTextExists()
    {
        const QStringList english = UiTextKeys(UiLanguage::English);
        QStringList used(std::begin(kFrameTextKeys), std::end(kFrameTextKeys));
        for (const MenuEntry& entry : kMenuLayout) {
            if (entry.kind == MenuEntryKind::Submenu)
                used << entry.textKey;
        }
        for (const CommandDef& def : kCommands) {
            used << MenuTextKey(def.command);
            if (def.hasPrompt)
                used << PromptTextKey(def.command);
        }
        for (const QString& key : used)
            QVERIFY2(english.contains(key), qPrintable(key));
    }

    // At 1280x800 with every dock open the grid keeps at least 60% of the width and half of
    // the height; Reset Layout brings that back after the docks were set side by side.
    void layout()
    {
        MainFrame frame;
        frame.resize(1280, 800);
        ShowAndWait(frame);
        const QList<QDockWidget*> docks = frame.findChildren<QDockWidget*>();
        QVERIFY(docks.size() >= 6);
        const auto grid = [&] {
            for (QDockWidget* dock : docks)
                dock->show();
            QTest::qWait(20);
            return frame.centralWidget()->size();
        };
        QVERIFY2(grid().width() >= 768, qPrintable(QString::number(grid().width())));
        QVERIFY(grid().height() >= 400);
        for (QDockWidget* dock : docks)
            frame.addDockWidget(Qt::LeftDockWidgetArea, dock, Qt::Horizontal);
        QVERIFY(grid().width() < 768);
        Run(frame, Command::ResetLayout);
        QVERIFY2(grid().width() >= 768, qPrintable(QString::number(grid().width())));
    }

    // Every item of every menu, in every language, has a mnemonic no other item of its menu
    // has. Entries the frame lists by themselves (recent files, windows) carry no name.
    void mnemonics_data()
    {
        QTest::addColumn<UiLanguage>("language");
        for (UiLanguage language :
             {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian})
            QTest::newRow(qPrintable(LanguageCode(language))) << language;
    }
    void mnemonics()
    {
        QFETCH(UiLanguage, language);
        SetUiLanguage(language);
        MainFrame frame;
        QStringList faults;
        std::function<void(const QString&, const QList<QAction*>&)> walk;
        walk = [&](const QString& menu, const QList<QAction*>& actions) {
            QHash<QString, QString> taken;
            for (const QAction* action : actions) {
                if (action->isSeparator() || (action->objectName().isEmpty() && !action->menu()))
                    continue;
                const QString key = QKeySequence::mnemonic(action->text()).toString();
                if (key.isEmpty())
                    faults << menu + u": "_qs + action->text() + u" has none"_qs;
                else if (taken.contains(key))
                    faults << menu + u": "_qs + action->text() + u" and "_qs + taken[key];
                taken.insert(key, action->text());
                if (action->menu())
                    walk(action->text(), action->menu()->actions());
            }
        };
        walk(u"menu bar"_qs, frame.menuBar()->actions());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    // The keys users have always pressed work on every platform, whatever the platform's
    // own keys for the command are.
    void shortcuts_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("keys");
        QTest::newRow("new") << Command::New << "Ctrl+N";
        QTest::newRow("redo") << Command::Redo << "Ctrl+Y";
        QTest::newRow("redo, second") << Command::Redo << "Ctrl+Shift+Z";
        QTest::newRow("undo, second") << Command::Undo << "Alt+Backspace";
        QTest::newRow("cut, second") << Command::Cut << "Shift+Del";
        QTest::newRow("close") << Command::Close << "Ctrl+F4";
        QTest::newRow("go to record") << Command::GoToRecord << "Ctrl+G";
        QTest::newRow("previous problem") << Command::PreviousProblem << "Shift+F9";
        QTest::newRow("done and next") << Command::DoneAndNext << "Ctrl+Return";
    }
    void shortcuts()
    {
        QFETCH(Command, command);
        QFETCH(QString, keys);
        MainFrame frame;
        QVERIFY(frame.Action(command)->shortcuts().contains(QKeySequence(keys)));
        QVERIFY(!frame.Action(command)->text().contains(u'\t'));
    }
};

SCRIVLET_TEST(TestMainFrame);
#include "test_mainframe.moc"
