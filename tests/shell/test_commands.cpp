// The document commands: through a scripted dialog host, what is asked, in which order, and
// what ends up in the tabs and on disk; then whole flows through the real Qt dialogs,
// offscreen, each dialog answered once it is the active modal widget.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/Encodings.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Settings.h"
#include "shell/Autosave.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/FormatWizard.h"
#include "shell/MessageBoxes.h"
#include "shell/ProblemsPanel.h"
#include "shell/ProjectCommands.h"
#include "shell/RestoreDialog.h"
#include "shell/StartPage.h"
#include "store/FieldNotes.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QStatusBar>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoGroup>
#include <QUndoStack>

#include <functional>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace scrivlet;
using namespace scrivlet::test;

using Ints = QList<int>;

namespace {

void Click(QDialog* dialog, const char* key)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == UiText(key))
            button->click();
    }
}

void TypeAndReturn(QFileDialog* dialog, const QString& text)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void ChooseAndFinish(QWizard* wizard, const QList<int>& rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        auto* page = qobject_cast<ChoicePage*>(wizard->currentPage());
        QVERIFY(page);
        page->List()->setCurrentRow(rows[i]);
        if (i + 1 < rows.size())
            wizard->next();
    }
    wizard->button(QWizard::FinishButton)->click();
}

}  // namespace

class TestCommands : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    ScriptedHost host_;
    std::unique_ptr<MainFrame> frame_;
    int realBoxes_ = 0;

    QString Path(const QString& name) const { return env_.Path(name); }
    QString Native(const QString& name) const { return QDir::toNativeSeparators(Path(name)); }
    EdtDocument* Document(int index) const { return frame_->DocumentAt(index); }
    // A field's new text as the user's edit (a step of the tab's history).
    bool Edit(int index, int record, int column, const QString& text) const
    {
        return frame_->SessionAt(index)->SetText(record, column, text, QStringLiteral("typing"));
    }

    // Creates the files that do not exist yet and opens them all at once.
    void Open(const QStringList& names, const QByteArray& bytes = {}, int filterIndex = 0,
              int encodingIndex = -1)
    {
        QStringList paths;
        for (const QString& name : names) {
            paths << Path(name);
            if (!QFile::exists(paths.last()))
                QVERIFY(WriteFile(paths.last(), bytes));
        }
        host_.QueueFiles(paths, filterIndex, encodingIndex);
        frame_->Commands().Open();
    }

    // "format encoding type records" of each tab's document.
    QStringList TabStates() const
    {
        QStringList states;
        for (int i = 0; i < frame_->TabCount(); ++i) {
            const EdtDocument* d = Document(i);
            const bool modified = frame_->SessionAt(i)->IsModified();
            states << QStringLiteral("%1 %2 %3 %4%5")
                          .arg(d->FormatIndex())
                          .arg(d->GetEncoding())
                          .arg(d->GetFileType())
                          .arg(d->RecordCount())
                          .arg(modified ? QStringLiteral(" modified") : QString());
        }
        return states;
    }

private slots:
    void init()
    {
        env_.Reset();
        host_ = ScriptedHost();
        realBoxes_ = 0;
        // Nothing may fall through to a real box.
        SetMessageBoxHandler([this](const MessageBoxRequest&) {
            ++realBoxes_;
            return QMessageBox::Cancel;
        });
        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
    }

    void cleanup()
    {
        frame_.reset();
        QCOMPARE(realBoxes_, 0);
        SetMessageBoxHandler({});
        MainFrame::SetCatalogueLoader({});
    }

    // The format comes from the name's pattern with the most groups, from the wizard on a tie
    // or no match (once per selection); the type from the type entry, or for "all supported"
    // from the extension. A size that is no whole number of records is asked about at once,
    // naming the bytes left over (20 bytes: 2.5 records of Dialog); Yes opens the whole
    // records as a modified document, No opens nothing and asks nothing more.
    void open_data()
    {
        QTest::addColumn<QStringList>("patterns");  // empty: Dialog and Items
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<Ints>("wizard");        // the format chosen each time; -1 cancels
        QTest::addColumn<Ints>("shown");         // the format page's selection each time
        QTest::addColumn<Ints>("answers");       // to the message boxes, in order
        QTest::addColumn<QStringList>("asked");  // keys of the questions' texts, in order
        QTest::addColumn<QStringList>("tabs");   // see TabStates
        const QString dlg = NamePattern(QStringLiteral("dlg"));
        const QStringList two{dlg, dlg};
        const QByteArray none, half(20, 'a');
        const QString size = str::InvalidFileSize;
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("tie asks with the first preselected")
            << QStringList{NamePattern("zzz"), dlg, dlg} << QStringList{"x_dlg.edt"} << none << 0
            << Ints{2} << Ints{1} << Ints{} << QStringList{} << QStringList{"2 0 1 0"};
        QTest::newRow("match without groups asks with nothing preselected")
            << QStringList{".*", dlg} << QStringList{"x_dlg.edt"} << none << 0 << Ints{1}
            << Ints{-1} << Ints{} << QStringList{} << QStringList{"1 0 1 0"};
        QTest::newRow("three files ask once")
            << two << QStringList{"a_dlg.edt", "b_dlg.edt", "c_dlg.EDT"} << none << 0 << Ints{1}
            << Ints{0} << Ints{} << QStringList{} << QStringList{"1 0 1 0", "1 0 1 0", "1 0 1 0"};
        // The wizard keeps its last answer where no format matches.
        QTest::newRow("accepted format that does not match asks again")
            << two << QStringList{"a_dlg.edt", "other.txt"} << none << 0 << Ints{1, 0} << Ints{0, 1}
            << Ints{} << QStringList{} << QStringList{"1 0 1 0", "0 0 2 0"};
        QTest::newRow("text entry wins over the name")
            << QStringList{dlg} << QStringList{"a_dlg.edt"} << none << 2 << Ints{} << Ints{}
            << Ints{} << QStringList{} << QStringList{"0 0 2 0"};
        QTest::newRow("damaged file, Yes loads the whole records")
            << QStringList{} << QStringList{"half_dlg.edt"} << half << 0 << Ints{} << Ints{}
            << Ints{yes} << QStringList{size} << QStringList{"0 0 1 2 modified"};
        QTest::newRow("damaged file, No opens nothing")
            << QStringList{} << QStringList{"half_dlg.edt"} << half << 0 << Ints{} << Ints{}
            << Ints{no} << QStringList{size} << QStringList{};
        QTest::newRow("damaged file after the wizard, asked once")
            << QStringList{dlg, dlg} << QStringList{"half_dlg.edt"} << half << 0 << Ints{1}
            << Ints{0} << Ints{yes} << QStringList{size} << QStringList{"1 0 1 2 modified"};
    }
    void open()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, bytes);
        QFETCH(int, filterIndex);
        QFETCH(Ints, wizard);
        QFETCH(Ints, answers);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, tabs);
        if (!patterns.isEmpty()) {
            QList<EdtFormat> catalogue;
            for (const QString& pattern : patterns)
                catalogue << OneFieldFormat(QStringLiteral("F%1").arg(catalogue.size()), pattern);
            UseFormats(catalogue);
            frame_ = std::make_unique<MainFrame>();
            frame_->Commands().SetDialogHost(&host_);
        }
        for (int format : wizard)
            host_.wizardAnswers << WizardAnswer{format != -1, format};
        for (int answer : answers)
            host_.answers << QMessageBox::StandardButton(answer);

        Open(files, bytes, filterIndex);

        Ints formatsShown;
        for (const auto& [pageSet, selection] : host_.wizardCalls) {
            QCOMPARE(pageSet, int(kWizardFormatPage));
            formatsShown << selection.format;
        }
        QTEST(formatsShown, "shown");
        QStringList questions;
        for (qsizetype i = 0; i < asked.size(); ++i)
            questions << Native(files[0]) +
                             "\n\n20 bytes is no whole number of 8-byte records. Left over at "
                             "the end: 4 bytes of an incomplete record, which will not be saved "
                             "back.\n\nOpen the whole records anyway?";
        QCOMPARE(host_.questions, questions);
        if (!tabs.isEmpty() && !bytes.isEmpty())
            QCOMPARE(frame_->statusBar()->currentMessage(),
                     u"Left out at the end of the file: 4 bytes of an incomplete record, which "
                     "saving drops."_qs);
        QCOMPARE(TabStates(), tabs);
        for (int i = 0; i < frame_->TabCount(); ++i)
            QVERIFY(frame_->TabTitle(i).endsWith(files[i]));  // after the modified mark
        if (!tabs.isEmpty())
            QCOMPARE(frame_->Commands().State().lastFileType,
                     Document(frame_->TabCount() - 1)->GetFileType());
        QVERIFY(host_.Drained());
    }

    // Files named on the command line or dropped open as Open opens them: each on its own, in
    // the format and encoding given (which is not remembered) or detected and remembered. On
    // the command line a path that is no file is reported without the wizard; a drop ignores
    // it. The last tab's grid then has the keyboard on its first text cell.
    void openOutsideTheDialog_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::addColumn<int>("format");        // -1: detected
        QTest::addColumn<int>("encoding");      // -1: the remembered one
        QTest::addColumn<QStringList>("tabs");  // see TabStates
        QTest::addColumn<QStringList>("reported");
        const QStringList missing{"gone_dlg.edt", "folder_dlg.edt"}, detected{"0 1 1 5", "1 1 2 1"};
        QTest::newRow("command line") << false << -1 << -1 << detected << missing;
        QTest::newRow("command line, format and encoding")
            << false << 1 << int(kEncodingRussian) << QStringList{"1 3 1 2", "1 3 2 1"} << missing;
        QTest::newRow("dropped") << true << -1 << -1 << detected << QStringList{};
    }
    void openOutsideTheDialog()
    {
        QFETCH(bool, drop);
        QFETCH(int, format);
        QFETCH(int, encoding);
        QFETCH(QStringList, reported);
        env_.settings.Plant(QStringLiteral("LastEncodingIndex"), int(kEncodingGerman));
        QVERIFY(WriteFile(Path("a_dlg.edt"), EdtBytes({"Hi"}, 20)));
        QVERIFY(WriteFile(Path("b_item.txt"), "Yo\n"));
        QVERIFY(QDir().mkpath(Path("folder_dlg.edt")));
        const QStringList files{Path("a_dlg.edt"), Path("gone_dlg.edt"), Path("folder_dlg.edt"),
                                Path("b_item.txt")};
        ShowAndWait(*frame_);
        if (drop) {
            QMimeData data;
            for (const QString& file : files)
                data.setUrls(data.urls() << QUrl::fromLocalFile(file));
            // The drop goes where the drag entered.
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(frame_.get(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(frame_.get(), &event);
            QCOMPARE(frame_->TabCount(), 0);  // opened once the drop has ended
        } else {
            frame_->Commands().OpenFiles(files, format, encoding);
        }

        QTRY_COMPARE(frame_->TabCount(), 2);
        QTEST(TabStates(), "tabs");
        QCOMPARE(LastEncodingSetting().Get(), quint32(kEncodingGerman));
        QStringList expected;
        for (const QString& name : reported)
            expected << QStringLiteral("Unable to open file '%1'").arg(Native(name));
        QCOMPARE(host_.questions, expected);
        QVERIFY(host_.wizardCalls.isEmpty());
        GridView* view = frame_->ActiveView();
        QTRY_VERIFY(view->hasFocus());
        QCOMPARE(QPoint(view->SelectedRow(), view->SelectedColumn()), QPoint(0, 1));
    }

    // Every file opened or saved goes first in the File menu's recent list; an entry reopens
    // in the format, encoding and type it had, without the wizard; one whose file is gone is
    // reported and leaves the list; Clear List empties it.
    void recentFiles()
    {
        QVERIFY(WriteFile(Path("x.edt"), EdtBytes({"Hi"}, 10)));
        host_.wizardAnswers << WizardAnswer{true, 1};
        Open({"x.edt", "y_dlg.edt"}, EdtBytes({"Yo"}), 0, kEncodingRussian);
        host_.QueueFiles({Path("z_dlg.txt")}, 0, kEncodingPolish);
        QVERIFY(frame_->Commands().SaveAs(1));
        QVERIFY(frame_->Commands().CloseAll());
        QVERIFY(QFile::remove(Path("y_dlg.edt")));

        auto entries = [this] {
            frame_->RebuildRecentMenu();
            QStringList texts;
            for (QAction* action : frame_->RecentMenu()->actions())
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return texts;
        };
        const QString clear = UiText("menu.file.clearRecent");
        QCOMPARE(entries(), (QStringList{"&1 " + Native("z_dlg.txt"), "&2 " + Native("y_dlg.edt"),
                                         "&3 " + Native("x.edt"), "-", clear}));
        for (int entry : {2, 1, 0})
            frame_->RecentMenu()->actions()[entry]->trigger();
        QCOMPARE(TabStates(), (QStringList{"1 3 1 1", "0 2 2 1"}));
        QCOMPARE(host_.questions, QStringList{UiText("recent.gone").arg(Native("y_dlg.edt"))});
        QCOMPARE(entries(),
                 (QStringList{"&1 " + Native("z_dlg.txt"), "&2 " + Native("x.edt"), "-", clear}));

        // The start page, back with the last tab gone, lists them too and opens them alike.
        StartPage* start = frame_->Start();
        QVERIFY(!start->isVisibleTo(frame_.get()));
        QVERIFY(frame_->Commands().CloseAll());
        QVERIFY(start->isVisibleTo(frame_.get()));
        QStringList shown;
        for (QAbstractButton* button : start->RecentButtons())
            shown << button->text();
        QCOMPARE(shown, (QStringList{"z_dlg.txt", "x.edt"}));
        start->RecentButtons()[1]->click();
        QCOMPARE(TabStates(), QStringList{"1 3 1 1"});
        QVERIFY(!start->isVisibleTo(frame_.get()));
        Run(*frame_, Command::ClearRecentFiles);
        QCOMPARE(entries(), QStringList{clear});
        QVERIFY(start->RecentButtons().isEmpty());
        QVERIFY(!frame_->Action(Command::ClearRecentFiles)->isEnabled());

        // A sample's format is found from its name, as for a dropped file, its encoding too.
        start->SetSamplesFolder(Path("none"));
        QVERIFY(!start->SampleButton()->isEnabled());
        QVERIFY(QDir(env_.dir->path()).mkdir("samples"));
        QVERIFY(WriteFile(Path("samples/s_dlg-russian.edt"), EdtBytes({"Hi", "Yo"})));
        start->SetSamplesFolder(Path("samples"));
        const QList<QAction*> samples = start->SampleButton()->menu()->actions();
        QCOMPARE(samples.size(), 1);
        QCOMPARE(samples[0]->text(), QStringLiteral("s_dlg-russian.edt"));
        samples[0]->trigger();
        QCOMPARE(TabStates(), (QStringList{"1 3 1 1", "0 3 1 2"}));
        QVERIFY(host_.Drained());
    }

    // The dialog starts at the document's file, the panel at its encoding (its format, fixed,
    // is checked in realDialogs); "all supported" takes the type from the name as Open does; the
    // encoding chosen is the next Open's; Cancel changes nothing.
    void saveAs_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("chosen");  // empty: cancel
        QTest::addColumn<int>("fileType");
        QTest::addColumn<QString>("written");
        QTest::newRow("all supported, .txt") << 0 << "out.txt" << 2 << "out.txt";
        // Records only for ".edt", as Open reads it back.
        QTest::newRow("all supported, other") << 0 << "out.dat" << 2 << "out.dat";
        QTest::newRow("all supported, none") << 0 << "out" << 1 << "out.edt";
        QTest::newRow("text, none") << 2 << "out" << 2 << "out.txt";
        QTest::newRow("text over an .edt name") << 2 << "out.edt" << 2 << "out.edt";
        QTest::newRow("cancel") << 0 << "" << 1 << "src_item.edt";
    }
    void saveAs()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, chosen);
        QFETCH(int, fileType);
        QFETCH(QString, written);
        const QByteArray before = EdtBytes({"Hi", "Yo"}, 10);
        Open({"src_item.edt"}, before, 0, kEncodingUnicode);
        QVERIFY(Edit(0, 0, 1, QStringLiteral("Ok")));
        if (!chosen.isEmpty()) {
            QVERIFY(WriteFile(Path(written), "old contents"));
            host_.fileAnswers << FileDialogAnswer{
                true, {Path(chosen)}, filterIndex, 0, kEncodingRussian};
        } else {
            host_.fileAnswers << FileDialogAnswer{};
        }

        QCOMPARE(frame_->Commands().SaveAs(0), !chosen.isEmpty());

        QCOMPARE(host_.fileRequests.last().panel.encodingIndex, int(kEncodingUnicode));
        QCOMPARE(host_.fileRequests.last().start, Path("src_item.edt"));  // its folder and name
        QCOMPARE(Document(0)->Path(), Path(written));
        QCOMPARE(Document(0)->GetFileType(), fileType);
        QCOMPARE(frame_->SessionAt(0)->IsModified(), chosen.isEmpty());
        QCOMPARE(frame_->TabTitle(0), chosen.isEmpty() ? QChar(kModifiedMark) + written : written);
        const QByteArray bytes = ReadFile(Path(written));
        if (chosen.isEmpty())
            QCOMPARE(bytes, before);
        else
            QCOMPARE(bytes, fileType == kFileTypeEdt ? EdtBytes({"Ok", "Yo"}, 10)
                                                     : QByteArray("Ok\nYo\n"));
        host_.fileAnswers << FileDialogAnswer{};
        frame_->Commands().Open();
        QCOMPARE(host_.fileRequests.last().panel.encodingIndex,
                 int(chosen.isEmpty() ? kEncodingUnicode : kEncodingRussian));
        QVERIFY(host_.questions.isEmpty());
    }

    // A save that would change characters asks first, once for Save All As, and writes
    // nothing on Cancel; a storable one asks nothing.
    void saveQuestion_data()
    {
        QTest::addColumn<QString>("command");  // save, saveAs or saveAll
        QTest::addColumn<int>("encoding");     // the target's
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        const int save = QMessageBox::Save, cancel = QMessageBox::Cancel;
        QTest::newRow("save, storable") << "save" << int(kEncodingRussian) << save << false;
        QTest::newRow("save, cancelled") << "save" << int(kEncodingEnglish) << cancel << true;
        QTest::newRow("save anyway") << "save" << int(kEncodingEnglish) << save << true;
        QTest::newRow("save as, cancelled") << "saveAs" << int(kEncodingGerman) << cancel << true;
        QTest::newRow("save all anyway") << "saveAll" << int(kEncodingEnglish) << save << true;
    }
    void saveQuestion()
    {
        QFETCH(QString, command);
        QFETCH(int, encoding);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        const QByteArray before = EdtBytes({"Hi", "Yo"});
        Open({"a_dlg.edt", "b_dlg.edt"}, before, 0, kEncodingUnicode);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(Edit(i, 0, 1, u"\u0436x\u0451\u0436"_qs));
            QVERIFY(Edit(i, 1, 1, u"\u0451\u0436\u0449"_qs));
        }
        host_.answers << QMessageBox::StandardButton(answer);
        QString written = Path("a_dlg.edt");
        if (command == "save") {
            Document(0)->SetEncoding(encoding);
            QCOMPARE(frame_->Commands().Save(0), !asked || answer == QMessageBox::Save);
        } else if (command == "saveAs") {
            written = Path("out.edt");
            host_.QueueFiles({written}, 0, encoding);
            frame_->Commands().SaveAs(0);
        } else {
            QVERIFY(QDir().mkpath(Path("out")));
            written = Path("out/b_dlg.edt");
            host_.folderAnswers << Path("out");
            host_.wizardAnswers << WizardAnswer{true, kKeep, kFileTypeEdt, encoding + 1};
            frame_->Commands().SaveAllAs();
        }
        QCOMPARE(host_.questions.size(), asked ? 1 : 0);
        if (asked) {
            const QString question = host_.questions[0];
            // The characters one by one, grouped by the records that hold them.
            const QString lines =
                u"\u0436 \u2192 \u0416, \u0451 \u2192 \u0414 in records # 0, # 1\n"
                u"%1\u0449 \u2192 \u0429 in record # 1"_qs;
            QVERIFY2(question.contains(lines.arg(command == "saveAll" ? "a_dlg.edt: " : "")),
                     qPrintable(question));
            QCOMPARE(question.contains("b_dlg.edt: " + lines.section(QStringLiteral(" in"), 0, 0)),
                     command == "saveAll");
        }
        const bool saved = !asked || answer == QMessageBox::Save;
        QCOMPARE(ReadFile(written) != before && !ReadFile(written).isEmpty(), saved);
        QCOMPARE(frame_->SessionAt(0)->IsModified(), !saved);
        if (!saved || !asked)
            return;
        // The document shows what the file holds, as one step of its own; saved again, it asks
        // nothing; undone, the characters are back.
        const int index = command == "saveAll" ? 1 : 0;
        const LoadResult stored =
            LoadDocument(written, kFileTypeEdt, encoding, Document(index)->Format(), -1, true);
        QVERIFY(stored.document);
        for (int record = 0; record < 2; ++record)
            QCOMPARE(Document(index)->Text(record, 1), stored.document->Text(record, 1));
        QUndoStack& steps = *frame_->SessionAt(index)->UndoStack();
        QCOMPARE(steps.undoText(), UiText("undo.storable"));
        QVERIFY(frame_->Commands().Save(index));
        QCOMPARE(host_.questions.size(), 1);
        steps.undo();
        QCOMPARE(Document(index)->Text(1, 1), u"\u0451\u0436\u0449"_qs);
        QVERIFY(frame_->SessionAt(index)->IsModified());
    }

    // A reference is read in the document's format, from a dialog that says so and starts at
    // the document; the tab shows its path. Another record count is told; one that does not
    // load, or whose size fits no whole number of records, is refused with the reason and
    // leaves the tab as it was. Ctrl+Shift+R copies its text, cut to the field's four units
    // without splitting a surrogate pair, as one undo step; a record it lacks keeps its text.
    void reference_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");  // of the reference; null: no such file
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("told");    // after the path
        QTest::addColumn<QString>("copied");  // record 1's field after Copy Reference
        QTest::newRow("loaded") << "ref_dlg.txt" << u"Hi\nYox\U0001F600\n"_qs.toUtf8()
                                << "Translated: 1 of 2 (50%)" << QString() << "Yox";
        QTest::newRow("fewer records")
            << "ref_dlg.txt" << QByteArray("Hi\n") << "Translated: 1 of 2 (50%)"
            << "\n\nThe reference has 1 record, the document 2 records. Records are compared by "
               "their position."
            << "Ho";
        QTest::newRow("more records")
            << "ref_dlg.txt" << u"Hi\nYox\U0001F600\nMore\n"_qs.toUtf8()
            << "Translated: 1 of 2 (50%)"
            << "\n\nThe reference has 3 records, the document 2 records. Records are compared by "
               "their position."
            << "Yox";
        QTest::newRow("missing") << "ref_dlg.txt" << QByteArray() << "Filled: 2 of 2 (100%)"
                                 << " cannot be the reference of this document.\nThe file "
                                    "cannot be opened for reading.\nNo such file or directory"
                                 << "Ho";
        QTest::newRow("no whole records")
            << "ref_dlg.edt" << QByteArray(10, 'a') << "Filled: 2 of 2 (100%)"
            << " cannot be the reference of this document.\nThe file size is not a whole number "
               "of records of this EDT format.\n10 bytes is no whole number of 8-byte records."
            << "Ho";
    }
    void reference()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, counts);
        QFETCH(QString, told);
        QFETCH(QString, copied);
        Open({"a_dlg.edt"}, EdtBytes({"Hi", "Ho"}), 0, kEncodingUnicode);
        const bool loads = !bytes.isNull() && !name.endsWith(".edt");
        if (!bytes.isNull())
            QVERIFY(WriteFile(Path(name), bytes));
        host_.QueueFiles({Path(name)}, 0, kEncodingUnicode);
        Run(*frame_, Command::ReferenceDocument);
        QVERIFY(!host_.fileRequests.last().panel.formatEnabled);
        QCOMPARE(host_.fileRequests.last().title, "Choose the Reference Document");
        QCOMPARE(host_.fileRequests.last().start, Document(0)->Path());
        QCOMPARE(host_.questions,
                 told.isEmpty() ? QStringList() : QStringList{Native(name) + told});
        QCOMPARE(frame_->Tabs()->tabToolTip(0), loads ? Native(name) : QString());
        QVERIFY(frame_->CountsText().startsWith(counts));
        QVERIFY(frame_->ActiveView()->SelectCell(1, 1));
        Run(*frame_, Command::CopyReference);
        QCOMPARE(Document(0)->Text(1, 1), copied);
        frame_->UndoGroup()->undo();
        QCOMPARE(Document(0)->Text(1, 1), "Ho");
        frame_->UpdateUi();
        QCOMPARE(frame_->Action(Command::HideReference)->isEnabled(), loads);
        Run(*frame_, Command::HideReference);
        QVERIFY(frame_->CountsText().startsWith("Filled: 2 of 2"));
        QVERIFY(frame_->Tabs()->tabToolTip(0).isEmpty());
    }

    // Three edited documents a, b, c (c active). A modified document asks Yes / No / Cancel;
    // Close All and Exit go from the last tab to the first and stop at the first Cancel or
    // failed save; the Exit request is handled once the command has returned.
    void closing_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("c");  // "saved" (edited), "unmodified", "new", "b fails"
        QTest::addColumn<Ints>("answers");
        // The tabs named by the questions in order; a capital: its save failed; N: the new one.
        QTest::addColumn<QString>("asked");
        QTest::addColumn<int>("tabsLeft");
        QTest::addColumn<QString>("written");  // the files that hold the edit afterwards
        const int close = int(Command::Close), yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("unmodified closes without asking")
            << close << "unmodified" << Ints{} << "" << 2 << "";
        QTest::newRow("Yes saves, then closes") << close << "saved" << Ints{yes} << "c" << 2 << "c";
        QTest::newRow("Yes on a new document, Save As cancelled")
            << close << "new" << Ints{yes} << "N" << 3 << "";
        QTest::newRow("Exit: No, then Cancel")
            << int(Command::Exit) << "saved" << Ints{no, QMessageBox::Cancel} << "cb" << 2 << "";
        QTest::newRow("failed save stops Close All")
            << int(Command::CloseAll) << "b fails" << Ints{yes, yes, QMessageBox::Ok} << "cbB" << 2
            << "c";
    }
    void closing()
    {
        QFETCH(int, command);
        QFETCH(QString, c);
        QFETCH(Ints, answers);
        QFETCH(QString, asked);
        QFETCH(QString, written);
        auto name = [](QChar tab) { return QStringLiteral("%1_dlg.edt").arg(tab); };
        Open({name(u'a'), name(u'b'), name(u'c')}, EdtBytes({"Hi"}));
        for (int i = 0; i < 3; ++i)
            QVERIFY(Edit(i, 0, 1, QStringLiteral("Ok")));
        if (c == "unmodified") {
            frame_->SessionAt(2)->MarkSaved();
        } else if (c == "new") {
            frame_->CloseTab(2);
            host_.wizardAnswers << WizardAnswer{true, 0};
            frame_->Commands().New();
            host_.fileAnswers << FileDialogAnswer{};
        } else if (c == "b fails") {
            QVERIFY(QFile::remove(Path(name(u'b'))) && QDir().mkdir(Path(name(u'b'))));
        }
        for (int answer : answers)
            host_.answers << QMessageBox::StandardButton(answer);
        frame_->show();

        Run(*frame_, Command(command));
        if (Command(command) == Command::Exit) {
            QCOMPARE(frame_->TabCount(), 3);
            QTRY_COMPARE(host_.questions.size(), answers.size());
        }

        QTEST(frame_->TabCount(), "tabsLeft");
        QVERIFY(frame_->isVisible());
        QCOMPARE(host_.questions.size(), asked.size());
        for (int i = 0; i < asked.size(); ++i) {
            // A never-saved document is named by its title.
            const QString path =
                asked[i] == u'N' ? QStringLiteral("New") : Native(name(asked[i].toLower()));
            const QString text = asked[i].isUpper() && asked[i] != u'N'
                                     ? QStringLiteral("Unable to save file '%1'")
                                     : QStringLiteral("Do you want to save the changes to '%1'?");
            // A failed save also says why, after the file name.
            QCOMPARE(host_.questions[i].section(u'\n', 0, 0), text.arg(path));
            QCOMPARE(host_.questions[i].contains(u'\n'), asked[i].isUpper() && asked[i] != u'N');
        }
        for (QChar tab : QStringLiteral("ac"))
            QCOMPARE(ReadFile(Path(name(tab))), EdtBytes({written.contains(tab) ? "Ok" : "Hi"}));
        // Yes on a new document goes through Save As.
        QCOMPARE(host_.fileRequests.size(), c == "new" ? 2 : 1);
        QVERIFY(host_.Drained());
    }

    // Every document goes to the folder under its own name; documents never saved are named
    // after their tab, equal names get " (2)"; the tabs keep their names. The wizard offers,
    // preselected, to keep each document's own type and encoding (Unicode, the second German).
    void saveAllAs_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<int>("encoding");       // -1: each its own
        QTest::addColumn<QStringList>("names");  // written, per tab
        QTest::newRow("text") << 2 << int(kEncodingRussian)
                              << QStringList{"a_dlg (2).txt", "a_dlg.txt", "New (2).txt", "New.txt",
                                             "notes_dlg.txt"};
        QTest::newRow("each its own")
            << 0 << -1
            << QStringList{"a_dlg (2).edt", "a_dlg.edt", "New (2).edt", "New.edt", "notes_dlg.txt"};
    }
    void saveAllAs()
    {
        QFETCH(int, fileType);
        QFETCH(int, encoding);
        QFETCH(QStringList, names);
        QVERIFY(QDir().mkpath(Path("one")) && QDir().mkpath(Path("two")) &&
                QDir().mkpath(Path("out")));
        Open({"one/a_dlg.edt"}, EdtBytes({"Hi"}));
        Open({"two/a_dlg.edt"}, EdtBytes({"Yo"}));
        host_.wizardAnswers << WizardAnswer{true, 0} << WizardAnswer{true, 0};
        frame_->Commands().New();
        frame_->Commands().New();
        Open({"one/notes_dlg.txt"}, QByteArray("Tx\n"));
        Document(1)->SetEncoding(kEncodingGerman);
        QStringList tabNames;
        Ints encodings;
        for (int i = 0; i < frame_->TabCount(); ++i)
            tabNames << frame_->TabName(i), encodings << Document(i)->GetEncoding();

        host_.folderAnswers << Path("out");
        host_.wizardAnswers << WizardAnswer{true, kKeep, fileType, encoding + 1};
        Run(*frame_, Command::SaveAllAs);

        QCOMPARE(host_.wizardCalls.last().first,
                 kWizardFileTypePage | kWizardEncodingPage | kWizardOwnChoices);
        QCOMPARE(host_.wizardCalls.last().second.fileType, 0);
        QCOMPARE(host_.wizardCalls.last().second.encoding, 0);
        for (int i = 0; i < frame_->TabCount(); ++i) {
            QCOMPARE(Document(i)->Path(), Path("out/" + names[i]));
            QVERIFY2(QFile::exists(Document(i)->Path()), qPrintable(names[i]));
            QCOMPARE(Document(i)->GetFileType(),
                     names[i].endsWith(".txt") ? kFileTypeText : kFileTypeEdt);
            QCOMPARE(Document(i)->GetEncoding(), encoding < 0 ? encodings[i] : encoding);
            QCOMPARE(frame_->TabTitle(i), tabNames[i]);  // saved: no mark
        }
        QCOMPARE(ReadFile(Path("out/" + names[0])),
                 fileType == kFileTypeText ? QByteArray("Hi\n") : EdtBytes({"Hi"}));
        QVERIFY(host_.questions.isEmpty());
        QVERIFY(host_.Drained());
    }

    // The commands through the Qt dialogs: New; Save of the new document goes to Save As, whose
    // panel shows its format fixed and whose dialog asks before overwriting a file; Open of
    // three files at once (the dialog decides their order) with an encoding chosen in the
    // panel, the text line longer than its field told once; Save All As to a folder as text;
    // Close and Exit asking about each edited document.
    void realDialogs()
    {
        frame_->Commands().SetDialogHost(nullptr);
        SetMessageBoxHandler({});
        ShowAndWait(*frame_);
        ModalScript wizard;
        wizard.Then<QWizard>([&](QWizard* w) { ChooseAndFinish(w, {1}); });
        Run(*frame_, Command::New);
        QVERIFY(wizard.Finished());
        QCOMPARE(Document(0)->FormatIndex(), 1);
        QVERIFY(frame_->SessionAt(0)->AppendRecord() && Edit(0, 0, 1, u"Sword"_qs));

        QVERIFY(WriteFile(Path("kit.edt"), "old"));
        ModalScript saveAs;
        QString format;
        bool formatFixed = false;
        saveAs
            .Then<QFileDialog>([&](QFileDialog* dialog) {
                auto* formats = dialog->findChild<QComboBox*>(QStringLiteral("formatList"));
                format = formats->currentText();
                formatFixed = !formats->isEnabled();
                QCOMPARE(dialog->defaultSuffix(), QStringLiteral("edt"));
                TypeAndReturn(dialog, Path("kit"));
            })
            .Then<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        Run(*frame_, Command::Save);
        QVERIFY(saveAs.Finished());
        QCOMPARE(format, QStringLiteral("Items"));
        QVERIFY(formatFixed);
        QCOMPARE(frame_->TabTitle(0), QStringLiteral("kit.edt"));
        QCOMPARE(ReadFile(Path("kit.edt")), EdtBytes({"Sword"}, 10));

        QVERIFY(WriteFile(Path("a_dlg.edt"), EdtBytes({"Hi", "Yo"})));
        QVERIFY(WriteFile(Path("b_dlg.edt"), EdtBytes({"Ab"})));
        QVERIFY(WriteFile(Path("notes_dlg.txt"), "Fits\nMuch too long\n"));
        auto tab = [this](const QString& name) {
            for (int i = 0; i < frame_->TabCount(); ++i) {
                if (frame_->TabName(i) == name)
                    return i;
            }
            return -1;
        };
        ModalScript open;
        bool panelShown = false;
        QString notice;
        open.Then<QFileDialog>([&](QFileDialog* dialog) {
                auto* formats = dialog->findChild<QComboBox*>(QStringLiteral("formatList"));
                panelShown =
                    formats->isVisible() && formats->isEnabled() && formats->currentIndex() == 0;
                dialog->findChild<QComboBox*>(QStringLiteral("encodingList"))->setCurrentIndex(1);
                dialog->setDirectory(env_.dir->path());
                TypeAndReturn(dialog, "\"notes_dlg.txt\" \"b_dlg.edt\" \"a_dlg.edt\"");
            })
            .Then<QMessageBox>([&](QMessageBox* box) {
                notice = box->text();
                box->accept();
            });
        Run(*frame_, Command::Open);
        QVERIFY(open.Finished() && panelShown);
        QCOMPARE(notice, UiText(str::TextTooLong));
        QCOMPARE(frame_->TabCount(), 4);
        QCOMPARE(Document(tab("notes_dlg.txt"))->Text(1, 1), QStringLiteral("Much too long"));
        EdtDocument* a = Document(tab("a_dlg.edt"));
        QCOMPARE(a->FormatIndex(), 0);
        QCOMPARE(a->GetEncoding(), 1);
        QCOMPARE(LastEncodingSetting().Get(), 1u);

        QVERIFY(QDir().mkpath(Path("out")));
        ModalScript saveAll;
        saveAll.Then<QFileDialog>([&](QFileDialog* dialog) { TypeAndReturn(dialog, Path("out")); })
            .Then<QWizard>([](QWizard* w) {
                ChooseAndFinish(w, {kFileTypeText, 0});
            });
        Run(*frame_, Command::SaveAllAs);
        QVERIFY(saveAll.Finished());
        QCOMPARE(ReadFile(Path("out/a_dlg.txt")), QByteArray("Hi\nYo\n"));

        QVERIFY(Edit(tab("a_dlg.edt"), 0, 1, u"Ok"_qs));
        QVERIFY(Edit(tab("b_dlg.edt"), 0, 1, u"Cd"_qs));
        frame_->SetActiveIndex(tab("b_dlg.edt"));
        // Close: the question names the file; No closes without saving.
        ModalScript close;
        QString text;
        close.Then<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            box->button(QMessageBox::No)->click();
        });
        Run(*frame_, Command::Close);
        QVERIFY(close.Finished());
        QCOMPARE(text, QStringLiteral("Do you want to save the changes to '%1'?")
                           .arg(Native("out/b_dlg.txt")));
        QCOMPARE(ReadFile(Path("out/b_dlg.txt")), QByteArray("Ab\n"));
        // Exit: Yes saves, the window closes.
        ModalScript exit;
        exit.Then<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        Run(*frame_, Command::Exit);
        QTRY_VERIFY(!frame_->isVisible());
        QVERIFY(exit.Finished());
        QCOMPARE(frame_->TabCount(), 0);
        QCOMPARE(ReadFile(Path("out/a_dlg.txt")), QByteArray("Ok\nYo\n"));
    }

    // An export says where it wrote and how many entries; its type list has an entry per
    // format. An import asks nothing: a fuzzy entry comes in as needs work with its translator's
    // comment; texts, states and comments are one step Undo takes back whole, and the import
    // ends with the report. A second export carries the state and the comment back out.
    void translationsExportImportAndUndo()
    {
        EdtDocument* document = AddDocument(*frame_, {{"a"}, {"b"}, {"c"}});
        host_.QueueFiles({Path("out.po")});
        Run(*frame_, Command::ExportTranslations);
        QVERIFY(QFile::exists(Path("out.po")));
        QCOMPARE(host_.questions.takeFirst(), "3 entries written to " + Native("out.po") + '.');
        QList<QStringList> filters;
        for (const FileFilter& filter : host_.fileRequests.last().filters)
            filters << QStringList{filter.description, filter.suffix};
        QCOMPARE(filters, (QList<QStringList>{{"PO files", "po"}, {"XLIFF files", "xlf"}}));
        // A name of no known kind takes the format of the type entry.
        host_.QueueFiles({Path("out")}, 1);
        Run(*frame_, Command::ExportTranslations);
        QVERIFY(ReadFile(Path("out")).startsWith("<?xml"));
        host_.questions.clear();
        QVERIFY(
            WriteFile(Path("in.po"),
                      "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A\"\n\n# ask about it\n#, fuzzy\n"
                      "msgctxt \"2:0\"\nmsgid \"c\"\nmsgstr \"C\"\n\nmsgctxt \"1:0\"\nmsgid \"b\"\n"
                      "msgstr \"too long\"\n\nmsgctxt \"0:0\"\nmsgid \"a2\"\nmsgstr \"Z\"\n"));
        host_.QueueFiles({Path("in.po")});
        host_.answers = {QMessageBox::Ok};
        Run(*frame_, Command::ImportTranslations);
        QVERIFY(host_.Drained());
        QCOMPARE(TextsOf(*document), (Rows{{"A"}, {"b"}, {"C"}}));
        QVERIFY(host_.checkBoxes.isEmpty());
        QCOMPARE(host_.questions.size(), 1);
        for (const char* part :
             {"Imported: 2 (records # 0, # 2)", "Imported as needing work: 1 (record # 2)",
              "Longer than the field: 1 (record # 1)",
              "Given twice, later ones ignored: 1 (record # 0)"})
            QVERIFY2(host_.questions.last().contains(QLatin1String(part)),
                     qPrintable(host_.questions.last()));
        QVERIFY(!host_.questions.last().contains(u"skipped"_qs));
        DocumentSession& session = *frame_->SessionAt(0);
        QCOMPARE(int(session.Status()->State(2, 0)), int(FieldState::NeedsWork));
        QCOMPARE(session.States()->At(2, 0)->comment, u"ask about it"_qs);
        // With the original, a translation carries its state out.
        session.SetReference(MakeDocument(document->Format(), {{"a"}, {"b"}, {"c"}}));
        host_.QueueFiles({Path("again.po")});
        Run(*frame_, Command::ExportTranslations);
        const QByteArray again = ReadFile(Path("again.po"));
        QVERIFY2(again.contains("# ask about it\n") &&
                     again.contains("#, fuzzy\nmsgctxt \"2:0\"\nmsgid \"c\"\nmsgstr \"C\""),
                 again.constData());
        Run(*frame_, Command::Undo);
        QCOMPARE(TextsOf(*document), (Rows{{"a"}, {"b"}, {"c"}}));
        QVERIFY(session.States()->IsEmpty());
    }

    // A file outside a project brings its states and comments from beside it; they are kept
    // there as they are set (a state leaves the document unmodified), and Save As takes them to
    // the new name.
    void notesBesideFile()
    {
        const QString path = Path("a_dlg.edt");
        QVERIFY(WriteFile(path, EdtBytes({"Hi", "Yo"})));
        const FieldNote stored{StoredState::NeedsWork, StateHash(u"Yo"), u"why?"_qs};
        QVERIFY(NotesBesideFile(path)->Write({{1, 0, stored}}));
        frame_->Commands().OpenFiles({path});
        DocumentSession& session = *frame_->SessionAt(0);
        QCOMPARE(int(session.Status()->State(1, 0)), int(FieldState::NeedsWork));
        QCOMPARE(*session.States()->At(1, 0), stored);
        QVERIFY(session.SetComment(0, 0, u"fine"_qs, "comment"));
        QVERIFY(!session.IsModified());
        std::vector<PlacedNote> kept;
        QVERIFY(NotesBesideFile(path)->Read(&kept));
        QCOMPARE(kept, session.States()->All());
        QCOMPARE(kept.size(), size_t(2));
        host_.QueueFiles({Path("b_dlg.edt")});
        QVERIFY(frame_->Commands().SaveAs(0));
        kept.clear();
        QVERIFY(NotesBesideFile(Path("b_dlg.edt"))->Read(&kept));
        QCOMPARE(kept, session.States()->All());
    }

    // Update to New Original needs the original the translation was made from as reference;
    // then it carries the translation over as one step, takes the new version as reference
    // and reports what happened to the records. The removed record's translation goes to the
    // memory chosen.
    void updateToNewOriginal()
    {
        SetMemoryLocation(Path("tm.db"));
        EdtDocument* document = AddDocument(*frame_, {{"A"}, {"B"}, {"C"}});
        Run(*frame_, Command::UpdateOriginal);
        QCOMPARE(host_.questions.takeLast(), UiText("update.needsReference"));
        QVERIFY(WriteFile(Path("old.edt"), EdtBytes({"a", "b", "c"})));
        QVERIFY(WriteFile(Path("new.edt"), EdtBytes({"x", "a", "c"})));
        host_.QueueFiles({Path("old.edt")});
        Run(*frame_, Command::ReferenceDocument);
        host_.QueueFiles({Path("new.edt")});
        Run(*frame_, Command::UpdateOriginal);
        QVERIFY(host_.Drained());
        QCOMPARE(TextsOf(*document), (Rows{{"x"}, {"A"}, {"C"}}));
        QCOMPARE(host_.questions.takeLast(),
                 "Records kept: 1, moved: 1, changed: 0, new: 1, removed: 1.\nFields to review: "
                 "1. The new original is now the reference document.\nRecord 0, Text: new");
        QCOMPARE(frame_->TabAt(0)->Reference()->Path(), Path("new.edt"));
        frame_->Projects().Memory()->WaitForDone();
        std::unique_ptr<TranslationMemory> memory;
        QVERIFY(OpenMemory(Path("tm.db"), &memory).Ok());
        QStringList units;
        QVERIFY(memory->ForEach([&units](const MemoryLanguages& languages, const MemoryUnit& unit) {
            units << languages.source + u'>' + languages.target + u' ' + unit.source + u'|' +
                         unit.target + u'|' + unit.origin;
            return Result();
        }));
        QCOMPARE(units, QStringList{"en>en b|B|doc.edt:1:0"});
        // The new record waits for review until confirmed. Undo gives back the old original
        // and no marks; Redo the new original and the mark.
        const TranslationStatus& status = *frame_->TabAt(0)->Status();
        QCOMPARE(status.Counts().sourceChanged, 1);
        Run(*frame_, Command::Undo);
        QCOMPARE(TextsOf(*document), (Rows{{"A"}, {"B"}, {"C"}}));
        QCOMPARE(frame_->TabAt(0)->Reference()->Path(), Path("old.edt"));
        QCOMPARE(status.Counts().sourceChanged, 0);
        Run(*frame_, Command::Redo);
        QCOMPARE(frame_->TabAt(0)->Reference()->Path(), Path("new.edt"));
        QCOMPARE(status.Counts().sourceChanged, 1);
        GridView& view = *frame_->TabAt(0)->View();
        for (const int record : {1, 0}) {
            view.SelectCell(record, document->TextColumn(0));
            Run(*frame_, Command::ConfirmReview);
        }
        QCOMPARE(status.Counts().sourceChanged, 0);
    }

    // A patch that only rewrites a line keeps every text of the translation: no text
    // changes and the document stays saved, but the field still waits for review.
    void updateKeepingEveryText()
    {
        // Records of a speaker and a line; the speaker stays, the second line is rewritten.
        const EdtFormat format = MakeFormat(8, {TextField("Who", 0, 4), TextField("Line", 4, 4)});
        EdtDocument* document = frame_->DocumentAt(frame_->AddDocument(
            MakeDocument(format, {{"Bo", "A"}, {"Bo", "B"}}), QStringLiteral("doc.edt")));
        QVERIFY(WriteFile(Path("old.edt"), EdtBytes({"Bo", "a", "Bo", "b"})));
        QVERIFY(WriteFile(Path("new.edt"), EdtBytes({"Bo", "a", "Bo", "b2"})));
        host_.QueueFiles({Path("old.edt")});
        Run(*frame_, Command::ReferenceDocument);
        const bool modified = frame_->SessionAt(0)->IsModified();
        host_.QueueFiles({Path("new.edt")});
        Run(*frame_, Command::UpdateOriginal);
        QVERIFY(host_.Drained());
        QCOMPARE(TextsOf(*document), (Rows{{"Bo", "A"}, {"Bo", "B"}}));
        QCOMPARE(frame_->SessionAt(0)->IsModified(), modified);
        QCOMPARE(frame_->TabAt(0)->Status()->Counts().sourceChanged, 1);
        QCOMPARE(frame_->SessionAt(0)->Review()->At(1, 1)->oldSource, QStringLiteral("b"));
        // Typed over, the mark goes; Undo brings back the text that waits for review and
        // its mark, in the grid, the counts and the Problems list.
        auto* problems = frame_->findChild<ProblemsPanel*>();
        QVERIFY(problems);
        const auto reviewRows = [problems] {
            const QAbstractItemModel& model = *problems->Model();
            int rows = 0;
            for (int row = 0; row < model.rowCount(); ++row)
                rows += model.index(row, 0).data().toString().startsWith(
                    UiText("check.sourceChanged.title"));
            return rows;
        };
        QTRY_COMPARE(reviewRows(), 1);
        ShowAndWait(*frame_);
        GridView& view = *frame_->TabAt(0)->View();
        QVERIFY(view.SelectCell(1, document->TextColumn(1)));
        QVERIFY(view.BeginEdit());
        view.Editor()->selectAll();
        QTest::keyClicks(view.Editor(), "C");
        QTest::keyClick(view.Editor(), Qt::Key_Return);
        QCOMPARE(TextsOf(*document), (Rows{{"Bo", "A"}, {"Bo", "C"}}));
        const TranslationStatus& status = *frame_->TabAt(0)->Status();
        QCOMPARE(status.Counts().sourceChanged, 0);
        QTRY_COMPARE(reviewRows(), 0);
        Run(*frame_, Command::Undo);
        QCOMPARE(TextsOf(*document), (Rows{{"Bo", "A"}, {"Bo", "B"}}));
        QCOMPARE(status.Counts().sourceChanged, 1);
        QCOMPARE(frame_->SessionAt(0)->Review()->At(1, 1)->oldSource, QStringLiteral("b"));
        QTRY_COMPARE(reviewRows(), 1);
    }

    // The open file (the first of two tabs, with a reference) changes under the editor:
    // another program's write offers a reload to an unedited document, and Yes brings the new
    // text into the same tab, reference kept, as one step that Undo takes back; into an edited
    // one it is merged field by field (a field both changed keeps the edit); a removed file
    // leaves the document unsaved so that closing asks; a new time on the same bytes asks
    // nothing. A closed tab's file is no longer watched.
    void changedOnDisk_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("change");  // 1 another write, 2 removed, 3 touched
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<Rows>("texts");  // of the first tab afterwards
        const QString reload = UiText("recov.changed"), merged = UiText("recov.merged");
        const QStringList other{"Ot", "Ne"};
        QTest::newRow("other write reloads")
            << false << 1 << other << reload << Rows{{"Ot"}, {"Ne"}};
        QTest::newRow("other write merged into the edit")
            << true << 1 << QStringList{"Ab", "Ne"} << merged.arg("%1", "1", "0")
            << Rows{{"Ed"}, {"Ne"}};
        QTest::newRow("the edited field written too: the edit stays")
            << true << 1 << QStringList{"Ot"} << merged.arg("%1", "0", "1") << Rows{{"Ed"}};
        QTest::newRow("removed") << false << 2 << other << UiText("file.removedOutside")
                                 << Rows{{"Ab"}};
        QTest::newRow("touched") << false << 3 << other << QString() << Rows{{"Ab"}};
    }
    void changedOnDisk()
    {
        QFETCH(bool, edited);
        QFETCH(int, change);
        QFETCH(QStringList, written);
        QFETCH(QString, asked);
        Open({"a_dlg.edt", "b_dlg.edt"}, EdtBytes({"Ab"}));
        DocumentSession* session = frame_->SessionAt(0);
        session->SetReference(Document(0)->Snapshot());
        if (edited)
            QVERIFY(Edit(0, 0, 1, QStringLiteral("Ed")));
        host_.answers << QMessageBox::Yes;
        QTest::qWait(20);  // a new time stamp for the next write
        if (change == 1) {
            QVERIFY(WriteFile(Path("a_dlg.edt"), EdtBytes(written)));
        } else if (change == 2) {
            QVERIFY(QFile::remove(Path("a_dlg.edt")));
        } else {
            QFile file(Path("a_dlg.edt"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                     QFileDevice::FileModificationTime));
        }
        const QStringList expected =
            asked.isEmpty() ? QStringList() : QStringList{asked.arg(Native("a_dlg.edt"))};
        if (expected.isEmpty())
            QTest::qWait(300);
        QTRY_COMPARE(host_.questions, expected);
        if (change == 2) {
            QTest::qWait(100);
            QCOMPARE(host_.questions.size(), 1);
        }
        QCOMPARE(frame_->TabCount(), 2);
        QCOMPARE(frame_->SessionAt(0), session);
        QVERIFY(session->Reference());
        QTEST(TextsOf(*Document(0)), "texts");
        QCOMPARE(frame_->SessionAt(0)->IsModified(), edited || change == 2);
        if (change == 1 && !edited) {
            frame_->SetActiveIndex(0);
            frame_->UpdateUi();
            QCOMPARE(frame_->Action(Command::Undo)->text(), u"&Undo reloading the file"_qs);
            Run(*frame_, Command::Undo);
            QCOMPARE(TextsOf(*Document(0)), Rows{{"Ab"}});
            QVERIFY(frame_->SessionAt(0)->IsModified());
        }
        if (edited && written.size() == 2) {
            // The merge, then the edit, undone: still not what the file holds.
            frame_->SetActiveIndex(0);
            Run(*frame_, Command::Undo);
            QCOMPARE(TextsOf(*Document(0)), Rows{{"Ed"}});
            Run(*frame_, Command::Undo);
            QCOMPARE(TextsOf(*Document(0)), Rows{{"Ab"}});
            QVERIFY(frame_->SessionAt(0)->IsModified());
        }
        auto* watcher = frame_->findChild<QFileSystemWatcher*>();
        QCOMPARE(watcher->files().contains(Path("b_dlg.edt")), true);
        frame_->CloseTab(1);
        QCOMPARE(watcher->files().contains(Path("b_dlg.edt")), false);
    }

    // An editor edits a cell, keeps it unsaved past the copy interval and is killed; the next
    // start offers the copy: Restore brings the edit back as an unsaved tab that saves to the
    // original file, Discard removes the copy. Either way nothing is left once the run ends.
    void killAndRestore_data()
    {
        QTest::addColumn<bool>("discard");
        QTest::newRow("restore") << false;
        QTest::newRow("discard") << true;
    }
    void killAndRestore()
    {
        QFETCH(bool, discard);
        const QString folder = Path("recovery");
        const QByteArray old = EdtBytes({"Ab"});
        QVERIFY(WriteFile(Path("a_dlg.edt"), old));
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t editor = fork();
        if (editor == 0) {
            // The editor: any failure ends it at once, so that it never runs other tests.
            qputenv("SCRIVLET_AUTOSAVE_SECONDS", "1");
            Autosave autosave(folder);
            frame_->SetRecovery(&autosave);
            Open({"a_dlg.edt"});
            // An edit as the grid makes it: one step of the document's history.
            DocumentSession* session = frame_->SessionAt(0);
            if (!session || !session->SetText(0, 1, u"Ed", QStringLiteral("typing")))
                _exit(1);
            QTest::qWait(1500);
            autosave.Flush();
            (void)!write(ready[1], "1", 1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char byte = 0;
        QVERIFY(editor > 0 && read(ready[0], &byte, 1) == 1);
        kill(editor, SIGKILL);
        waitpid(editor, nullptr, 0);
        close(ready[0]);

        {
            Autosave autosave(folder);
            frame_->SetRecovery(&autosave);
            ModalScript answer;
            answer.Then<RestoreDialog>([discard](RestoreDialog* dialog) {
                Click(dialog, discard ? "recov.discard" : "recov.restore");
            });
            autosave.OfferRestore(*frame_, host_);
            QVERIFY(answer.Finished());
            QCOMPARE(frame_->TabCount(), discard ? 0 : 1);
            if (!discard) {
                QVERIFY(frame_->SessionAt(0)->IsModified());
                QCOMPARE(Document(0)->Text(0, 1), QStringLiteral("Ed"));
                QCOMPARE(frame_->TabName(0), QStringLiteral("a_dlg.edt"));
                QCOMPARE(ReadFile(Path("a_dlg.edt")), old);
                QVERIFY(frame_->Commands().Save(0));
                QCOMPARE(ReadFile(Path("a_dlg.edt")), EdtBytes({"Ed"}));
            }
            frame_->SetRecovery(nullptr);
        }
        QCOMPARE(QDir(folder).entryList({"*.edt", "*.json"}, QDir::Files), QStringList());
    }

    // With the bundled catalogues: a copy made in English restores after a start in German,
    // where every format has another name, and saves to the original file.
    void restoreAfterLanguageChange()
    {
        MainFrame::SetCatalogueLoader({});
        const auto start = [this](UiLanguage language) {
            frame_.reset();
            SetUiLanguage(language);
            frame_ = std::make_unique<MainFrame>();
            frame_->Commands().SetDialogHost(&host_);
        };
        start(UiLanguage::English);
        const QString folder = Path("recovery");
        Open({"a_quest.edt"}, EdtBytes({"Ab"}, 160));
        QCOMPARE(TabStates(), QStringList{"2 0 1 1"});
        QVERIFY(frame_->SessionAt(0)->SetText(0, 1, u"Ed", QStringLiteral("typing")));
        {
            RecoveryStore writer(folder);  // a process that ends without removing its copies
            QVERIFY(writer.Write(*Document(0), writer.NewId(), "a_quest.edt").Ok());
        }
        start(UiLanguage::German);
        Autosave autosave(folder);
        frame_->SetRecovery(&autosave);
        ModalScript answer;
        answer.Then<RestoreDialog>([](RestoreDialog* dialog) { Click(dialog, "recov.restore"); });
        autosave.OfferRestore(*frame_, host_);
        QVERIFY(answer.Finished());
        QCOMPARE(host_.questions, QStringList());
        QCOMPARE(TabStates(), QStringList{"2 0 1 1 modified"});
        QVERIFY(frame_->Commands().Save(0));
        const LoadResult saved = LoadDocument(Path("a_quest.edt"), kFileTypeEdt, kEncodingEnglish,
                                              *frame_->Catalogue().At(2), 2, true);
        QVERIFY(saved.document);
        QCOMPARE(saved.document->Text(0, 1), QStringLiteral("Ed"));
        frame_.reset();  // before the autosave it was given
    }

    // A copy whose description is broken and one whose format is gone: both listed with why,
    // the first discarded, the second's texts saved as Unicode text and the copy kept.
    void unrestorableCopies()
    {
        const QString folder = Path("recovery");
        const QString broken = folder + "/1.1-1.json";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteFile(broken, "{\"path\": "));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                 QFileDevice::FileModificationTime));
        auto document = MakeDocument(OneFieldFormat("Gone", {}), {{"Ab"}, {"Żółw"}});
        {
            RecoveryStore writer(folder);
            QVERIFY(writer.Write(*document, "1.2-1", "gone.edt").Ok());
        }
        QVERIFY(
            WriteDocumentCopy(*document, Path("expected.txt"), kFileTypeText, kEncodingUnicode));
        Autosave autosave(folder);
        frame_->SetRecovery(&autosave);
        QStringList notes;
        ModalScript answer;
        answer.Then<RestoreDialog>([&notes](RestoreDialog* dialog) {
            auto* list = dialog->findChild<QTreeWidget*>();
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                notes << list->topLevelItem(row)->text(0) + u' ' + list->topLevelItem(row)->text(3);
            Click(dialog, "recov.restore");
        });
        host_.answers = {QMessageBox::Save, QMessageBox::Discard};
        host_.QueueFiles({Path("texts.txt")});
        autosave.OfferRestore(*frame_, host_);
        QVERIFY(answer.Finished());
        QCOMPARE(notes,
                 QStringList({"gone.edt Its format “Gone” is not in the current format "
                              "catalogue",
                              "1.1-1.json Its description " + QDir::toNativeSeparators(broken) +
                                  " cannot be read: unterminated object"}));
        QVERIFY(host_.Drained());
        QCOMPARE(host_.questions.size(), 2);
        QCOMPARE(frame_->TabCount(), 0);
        QCOMPARE(ReadFile(Path("texts.txt")), ReadFile(Path("expected.txt")));
        QCOMPARE(QDir(folder).entryList({"*.json"}, QDir::Files), QStringList{"1.2-1.json"});
        frame_.reset();  // before the autosave it was given
    }

    // A recovery folder that cannot hold copies: the user is told once, with the folder.
    void cannotWriteCopies()
    {
        const QString folder = Path("file");
        QVERIFY(WriteFile(folder, "x"));
        qputenv("SCRIVLET_AUTOSAVE_SECONDS", "1");
        Autosave autosave(folder);
        qunsetenv("SCRIVLET_AUTOSAVE_SECONDS");
        frame_->SetRecovery(&autosave);
        QSignalSpy told(&autosave, &Autosave::CannotWrite);
        for (const char* text : {"Ab", "Cd"}) {
            frame_->AddDocument(MakeDocument(OneFieldFormat("F", {}), {{text}}), text, true);
        }
        QTest::qWait(1500);
        autosave.Flush();
        QTRY_COMPARE(told.size(), 1);
        QTest::qWait(100);
        QCOMPARE(told.size(), 1);
        QVERIFY(told[0][0].toString().contains(QDir::toNativeSeparators(folder)));
        frame_.reset();  // before the autosave it was given
    }
};

SCRIVLET_TEST(TestCommands);
#include "test_commands.moc"
