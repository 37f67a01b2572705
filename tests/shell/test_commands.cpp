#include "CommandTestSupport.h"
#include "shell/Commands.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "documents/Encodings.h"
#include "grid/GridCell.h"
#include "grid/GridView.h"
#include "shell/MessageBoxes.h"
#include "base/Settings.h"
#include "SettingsTestSupport.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

class TestCommands : public QObject {
    Q_OBJECT

    TemporarySettings store_;
    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedHost host_;
    int realBoxes_ = 0;

    std::unique_ptr<MainFrame> MakeFrame()
    {
        auto frame = std::make_unique<MainFrame>();
        frame->Commands()->SetDialogHost(&host_);
        return frame;
    }

    QString Path(const QString& name) const { return dir_->filePath(name); }

    // Creates the files (empty unless given) and opens them all at once.
    void Open(MainFrame& frame, const QStringList& names, int filterIndex = 0, int formatIndex = 0,
              int encodingIndex = -1, const QByteArray& bytes = QByteArray())
    {
        QStringList paths;
        for (const QString& name : names) {
            paths << Path(name);
            if (!QFile::exists(paths.last()))
                QVERIFY(WriteFile(paths.last(), bytes));
        }
        host_.QueueFiles(paths, filterIndex, formatIndex, encodingIndex);
        frame.OpenDocuments();
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init()
    {
        store_.Reset();
        SetUiLanguage(UiLanguage::English);
        host_ = ScriptedHost();
        realBoxes_ = 0;
        // Nothing may fall through to a real box.
        SetMessageBoxHandler([this](const MessageBoxRequest&) {
            ++realBoxes_;
            return QMessageBox::Cancel;
        });
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        UseFormats({MakeFormat(QStringLiteral("Dialog"), NamePattern(QStringLiteral("dlg"))),
                    MakeFormat(QStringLiteral("Items"), NamePattern(QStringLiteral("item")), 10)});
    }

    void cleanup()
    {
        QCOMPARE(realBoxes_, 0);
        SetMessageBoxHandler({});
        MainFrame::SetCatalogueLoader({});
    }

    // --- open: format choice -----------------------------------------------------------

    void detection_data()
    {
        QTest::addColumn<QStringList>("patterns");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<int>>("wizardFormats");  // answers; kKeep: Finish as shown
        QTest::addColumn<QList<int>>("shown");          // the format page's selection on show
        QTest::addColumn<QList<int>>("formats");        // of the tabs

        const QString dlg = NamePattern(QStringLiteral("dlg"));
        QTest::newRow("tie asks with the first preselected")
            << QStringList{NamePattern("zzz"), dlg, dlg} << QStringList{"x_dlg.edt"}
            << QList<int>{2} << QList<int>{1} << QList<int>{2};
        QTest::newRow("match without groups asks with nothing preselected")
            << QStringList{QStringLiteral(".*"), dlg} << QStringList{"x_dlg.edt"} << QList<int>{1}
            << QList<int>{-1} << QList<int>{1};
        QTest::newRow("no match keeps the last answer")
            << QStringList{NamePattern("aaa"), NamePattern("bbb")} << QStringList{"x.edt", "y.edt"}
            << QList<int>{1, kKeep} << QList<int>{0, 1} << QList<int>{1, 1};
        QTest::newRow("three files ask once")
            << QStringList{dlg, dlg} << QStringList{"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"}
            << QList<int>{1} << QList<int>{0} << QList<int>{1, 1, 1};
        QTest::newRow("accepted format that does not match asks again")
            << QStringList{dlg, dlg} << QStringList{"a_dlg.edt", "other.edt"} << QList<int>{1, 0}
            << QList<int>{0, 1} << QList<int>{1, 0};
    }
    void detection()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QStringList, files);
        QFETCH(QList<int>, wizardFormats);
        QFETCH(QList<int>, shown);
        QFETCH(QList<int>, formats);
        QList<EdtFormat> catalogue;
        for (const QString& pattern : patterns)
            catalogue << MakeFormat(QStringLiteral("F%1").arg(catalogue.size()), pattern);
        UseFormats(catalogue);
        auto frame = MakeFrame();
        for (int format : wizardFormats)
            host_.wizardAnswers << WizardAnswer{true, format};

        Open(*frame, files);

        QCOMPARE(host_.wizardCalls.size(), shown.size());
        for (int i = 0; i < shown.size(); ++i) {
            QCOMPARE(host_.wizardCalls[i].pageSet, int(kWizardFormatPage));
            QCOMPARE(host_.wizardCalls[i].shown.format, shown[i]);
        }
        QCOMPARE(frame->TabCount(), formats.size());
        for (int i = 0; i < formats.size(); ++i) {
            QCOMPARE(frame->ViewAt(i)->Grid()->GetFormatIndex(), formats[i]);
            QCOMPARE(frame->TabTitle(i), files[i]);
        }
        QCOMPARE(frame->Commands()->State().formatConfirmed, !wizardFormats.isEmpty());
        QVERIFY(host_.Drained());
    }

    // --- open: file type ---------------------------------------------------------------

    void fileType_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<int>>("types");
        QTest::newRow("capital EDT extension") << 0 << QStringList{"A_DLG.EDT"} << QList<int>{1};
        QTest::newRow("text entry wins over the name")
            << 2 << QStringList{"a_dlg.edt"} << QList<int>{2};
        QTest::newRow("last file handled: text")
            << 0 << QStringList{"b_dlg.edt", "a_dlg.txt"} << QList<int>{1, 2};
    }
    void fileType()
    {
        QFETCH(int, filterIndex);
        QFETCH(QStringList, files);
        QFETCH(QList<int>, types);
        auto frame = MakeFrame();
        Open(*frame, files, filterIndex);
        QCOMPARE(frame->TabCount(), types.size());
        for (int i = 0; i < types.size(); ++i)
            QCOMPARE(frame->ViewAt(i)->Grid()->GetFileType(), types[i]);
        QCOMPARE(frame->Commands()->State().lastFileType, types.last());
    }

    // --- open: a failed load -----------------------------------------------------------

    void failedLoad_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("format");          // chosen in the second wizard
        QTest::addColumn<QList<int>>("answers");  // to the message boxes, in order
        QTest::addColumn<QList<int>>("texts");    // string numbers of the questions asked
        QTest::addColumn<int>("records");         // -1: no tab
        QTest::newRow("cancel skips the file")
            << false << 0 << QList<int>{} << QList<int>{str::OpenFailed} << -1;
        QTest::newRow("a format that fits loads")
            << true << 1 << QList<int>{} << QList<int>{str::OpenFailed} << 1;
        QTest::newRow("same format now asks, Yes loads the whole records")
            << true << 0 << QList<int>{QMessageBox::Ok, QMessageBox::Yes}
            << QList<int>{str::OpenFailed, str::InvalidFileSize} << 2;
        QTest::newRow("same format, No fails again")
            << true << 0 << QList<int>{QMessageBox::Ok, QMessageBox::No}
            << QList<int>{str::OpenFailed, str::InvalidFileSize, str::OpenFailed} << -1;
    }
    void failedLoad()
    {
        QFETCH(bool, accept);
        QFETCH(int, format);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, texts);
        QFETCH(int, records);
        auto frame = MakeFrame();
        for (int answer : answers)
            host_.answers << QMessageBox::StandardButton(answer);
        host_.wizardAnswers << WizardAnswer{accept, format};
        // 20 bytes: two and a half records of format 0, one of format 1. The first load is
        // quiet, since no format was confirmed in the wizard yet: it fails without asking.
        Open(*frame, {"half_dlg.edt"}, 0, 0, -1, QByteArray(20, 'a'));

        QCOMPARE(host_.wizardCalls.size(), 1);
        QCOMPARE(host_.wizardCalls[0].shown.format, 0);  // the attempted format
        QCOMPARE(host_.questions.size(), texts.size());
        const QString path = Native(Path(QStringLiteral("half_dlg.edt")));
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(host_.questions[i],
                     texts[i] == str::OpenFailed
                         ? QStringLiteral("Unable to open file '%1'").arg(path)
                         : UiText(str::InvalidFileSize));
        }
        QCOMPARE(frame->TabCount(), records < 0 ? 0 : 1);
        if (records >= 0)
            QCOMPARE(frame->ViewAt(0)->Grid()->RecordCount(), records);
        QVERIFY(host_.Drained());
    }

    void overlongTextLineIsNoticed()
    {
        auto frame = MakeFrame();
        Open(*frame, {"long_dlg.txt"}, 0, 0, -1, QByteArray("Fits\nMuch too long\n"));
        QCOMPARE(frame->TabCount(), 1);
        QCOMPARE(host_.questions.size(), 1);
        QCOMPARE(host_.questions[0], UiText(str::TextTooLong));
    }

    // --- the panel's encoding ----------------------------------------------------------

    void encodingRemembered()
    {
        {
            auto frame = MakeFrame();
            QCOMPARE(host_.fileRequests.size(), 0);
            Open(*frame, {"a_dlg.edt"}, 0, 0, kEncodingRussian);
            QCOMPARE(host_.fileRequests[0].panel.encodingIndex, 0);
            QCOMPARE(frame->ViewAt(0)->Grid()->GetEncoding(), int(kEncodingRussian));
            Open(*frame, {"b_dlg.edt"});
            QCOMPARE(host_.fileRequests[1].panel.encodingIndex, int(kEncodingRussian));

            // Save As writes its choice too.
            host_.QueueFiles({Path("c_dlg.edt")}, 0, 0, kEncodingPolish);
            QVERIFY(frame->SaveAsDocument(frame->TabAt(1)));
            QCOMPARE(frame->ViewAt(1)->Grid()->GetEncoding(), int(kEncodingPolish));
        }
        QCOMPARE(store_.Stored("LastEncodingIndex").toUInt(), quint32(kEncodingPolish));
        // A restart: fresh settings over the same store.
        store_.Restart();
        auto frame = MakeFrame();
        host_.QueueCancel();
        frame->OpenDocuments();
        QCOMPARE(host_.fileRequests.last().panel.encodingIndex, int(kEncodingPolish));
        QVERIFY(host_.fileRequests.last().panel.formatEnabled);
        QCOMPARE(host_.fileRequests.last().panel.formatIndex, 0);
    }

    // --- Save As -----------------------------------------------------------------------

    void saveAsPanelShowsTheDocumentsFormat()
    {
        auto frame = MakeFrame();
        Open(*frame, {"a_item.edt"}, 0, 0, kEncodingUnicode);
        host_.QueueCancel();
        QVERIFY(!frame->SaveAsDocument(frame->ActiveTab()));
        const FileDialogRequest& request = host_.fileRequests.last();
        QCOMPARE(request.panel.formats.value(request.panel.formatIndex), QStringLiteral("Items"));
        QVERIFY(!request.panel.formatEnabled);
        QCOMPARE(request.panel.encodingIndex, int(kEncodingUnicode));
        // Cancel changes nothing.
        QCOMPARE(frame->TabTitle(0), QStringLiteral("a_item.edt"));
        QCOMPARE(frame->ViewAt(0)->Grid()->GetPath(), Path("a_item.edt"));
    }

    void saveAs_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("fileType");
        QTest::newRow("all supported, .txt") << 0 << "out.txt"
                                             << "out.txt" << 2;
        QTest::newRow("all supported, other") << 0 << "out.dat"
                                              << "out.dat" << 1;
        QTest::newRow("all supported, none") << 0 << "out"
                                             << "out.edt" << 1;
        QTest::newRow("text, none") << 2 << "out"
                                    << "out.txt" << 2;
        QTest::newRow("text over an .edt name") << 2 << "out.edt"
                                                << "out.edt" << 2;
    }
    void saveAs()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(int, fileType);
        auto frame = MakeFrame();
        Open(*frame, {"src_dlg.edt"}, 0, 0, -1, EdtBytes({"Hi", "Yo"}));
        RecordGrid* grid = frame->ActiveView()->Grid();
        QVERIFY(grid->CellAt(0, 1)->SetValue(QStringLiteral("Ok")));
        grid->SetModified(true);
        QVERIFY(WriteFile(Path(written), "old contents"));

        host_.QueueFiles({Path(chosen)}, filterIndex);
        QVERIFY(frame->SaveAsDocument(frame->ActiveTab()));
        QCOMPARE(grid->GetPath(), Path(written));
        QCOMPARE(grid->GetFileType(), fileType);
        QVERIFY(!grid->IsModified());
        QCOMPARE(frame->TabTitle(0), written);
        QCOMPARE(frame->Commands()->State().lastFileType, filterIndex);
        const QByteArray bytes = ReadFile(Path(written));
        if (fileType == kFileTypeEdt)
            QCOMPARE(bytes, EdtBytes({"Ok", "Yo"}));
        else
            QCOMPARE(bytes, QByteArray("Ok\nYo\n"));
        QVERIFY(host_.questions.isEmpty());
    }

    // --- Close, Close All, Exit --------------------------------------------------------

    void close_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("saved");  // the document has a path
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QByteArray>("onDisk");  // the file afterwards
        const QByteArray before = EdtBytes({"Hi"});
        const QByteArray after = EdtBytes({"Ok"});
        QTest::newRow("unmodified closes without asking") << false << true << -1 << true << before;
        QTest::newRow("No closes without saving")
            << true << true << int(QMessageBox::No) << true << before;
        QTest::newRow("Cancel keeps the tab")
            << true << true << int(QMessageBox::Cancel) << false << before;
        QTest::newRow("Yes saves, then closes")
            << true << true << int(QMessageBox::Yes) << true << after;
        QTest::newRow("Yes on a new document, Save As cancelled")
            << true << false << int(QMessageBox::Yes) << false << before;
    }
    void close()
    {
        QFETCH(bool, modified);
        QFETCH(bool, saved);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QByteArray, onDisk);
        auto frame = MakeFrame();
        const QString path = Path("doc_dlg.edt");
        if (saved) {
            Open(*frame, {"doc_dlg.edt"}, 0, 0, -1, EdtBytes({"Hi"}));
        } else {
            QVERIFY(WriteFile(path, onDisk));
            host_.wizardAnswers << WizardAnswer{true, 0};
            frame->NewDocument();
            host_.QueueCancel();
        }
        RecordGrid* grid = frame->ActiveView()->Grid();
        if (saved)
            QVERIFY(grid->CellAt(0, 1)->SetValue(QStringLiteral("Ok")));
        grid->SetModified(modified);
        if (answer >= 0)
            host_.answers << QMessageBox::StandardButton(answer);

        frame->RunCommand(cmd::Close);

        QCOMPARE(frame->TabCount(), closed ? 0 : 1);
        QCOMPARE(ReadFile(path), onDisk);
        QCOMPARE(host_.questions.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0)
            QCOMPARE(host_.questions[0], QStringLiteral("Do you want to save changes in '%1' ?")
                                             .arg(saved ? Native(path) : QString()));
        // Yes on a new document goes through Save As.
        const auto saveDialogs = std::count_if(
            host_.fileRequests.begin(), host_.fileRequests.end(),
            [](const FileDialogRequest& r) { return r.kind == FileDialogKind::SaveAs; });
        QCOMPARE(saveDialogs, !saved && answer == QMessageBox::Yes ? 1 : 0);
        QVERIFY(host_.Drained());
    }

    void exitAsksFromTheLastTabAndStopsAtCancel()
    {
        auto frame = MakeFrame();
        Open(*frame, {"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"});
        for (int i = 0; i < 3; ++i)
            frame->ViewAt(i)->Grid()->SetModified(true);
        frame->show();
        host_.answers << QMessageBox::No << QMessageBox::Cancel;
        frame->RunCommand(cmd::Exit);
        // The close request arrives once the command has returned.
        QCOMPARE(frame->TabCount(), 3);
        QTRY_COMPARE(host_.questions.size(), 2);
        QVERIFY(host_.questions[0].contains(Native(Path("c_dlg.edt"))));
        QVERIFY(host_.questions[1].contains(Native(Path("b_dlg.edt"))));
        QCOMPARE(frame->TabCount(), 2);
        QCOMPARE(frame->TabTitle(0), QStringLiteral("a_dlg.edt"));
        QCOMPARE(frame->TabTitle(1), QStringLiteral("b_dlg.edt"));
        QVERIFY(frame->isVisible());

        host_.answers << QMessageBox::No << QMessageBox::No;
        QVERIFY(frame->close());
        QCOMPARE(frame->TabCount(), 0);
        QVERIFY(host_.questions.last().contains(Native(Path("a_dlg.edt"))));
        QVERIFY(host_.Drained());
    }

    void failedSaveStopsCloseAll()
    {
        auto frame = MakeFrame();
        Open(*frame, {"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"}, 0, 0, -1, EdtBytes({"Hi"}));
        for (int i = 0; i < 3; ++i) {
            frame->ViewAt(i)->Grid()->CellAt(0, 1)->SetValue(QStringLiteral("Ok"));
            frame->ViewAt(i)->Grid()->SetModified(true);
        }
        // b's file can no longer be written: a folder stands in its place.
        QVERIFY(QFile::remove(Path("b_dlg.edt")));
        QVERIFY(QDir().mkdir(Path("b_dlg.edt")));
        host_.answers << QMessageBox::Yes << QMessageBox::Yes;

        QVERIFY(!frame->CloseAllDocuments());

        QCOMPARE(frame->TabCount(), 2);
        QCOMPARE(ReadFile(Path("c_dlg.edt")), EdtBytes({"Ok"}));
        QCOMPARE(ReadFile(Path("a_dlg.edt")), EdtBytes({"Hi"}));
        QCOMPARE(host_.questions.size(), 3);
        QCOMPARE(host_.questions[2],
                 QStringLiteral("Unable to save file '%1'").arg(Native(Path("b_dlg.edt"))));
        QVERIFY(frame->ViewAt(1)->Grid()->IsModified());
    }

    // --- Save All As -------------------------------------------------------------------

    void saveAllAs_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<QStringList>("names");  // written, per tab
        QTest::addColumn<QList<int>>("types");
        QTest::newRow("text") << 2
                              << QStringList{"a (2).txt", "a.txt", "New (2).txt", "New.txt",
                                             "notes.txt"}
                              << QList<int>{2, 2, 2, 2, 2};
        QTest::newRow("each its own")
            << 0 << QStringList{"a (2).edt", "a.edt", "New (2).edt", "New.edt", "notes.txt"}
            << QList<int>{1, 1, 1, 1, 2};
    }
    void saveAllAs()
    {
        QFETCH(int, fileType);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, types);
        auto frame = MakeFrame();
        QVERIFY(QDir().mkpath(Path("one")) && QDir().mkpath(Path("two")) &&
                QDir().mkpath(Path("out")));
        // Two documents called a.edt, two never saved, one text file.
        Open(*frame, {"one/a_dlg.edt"}, 0, 0, -1, EdtBytes({"Hi"}));
        Open(*frame, {"two/a_dlg.edt"}, 0, 0, -1, EdtBytes({"Yo"}));
        host_.wizardAnswers << WizardAnswer{true, 0} << WizardAnswer{true, 0};
        frame->NewDocument();
        frame->NewDocument();
        Open(*frame, {"one/notes_dlg.txt"}, 0, 0, -1, QByteArray("Tx\n"));
        for (QString& name : names)
            name.replace(QStringLiteral("a"), QStringLiteral("a_dlg"))
                .replace(QStringLiteral("notes"), QStringLiteral("notes_dlg"));
        frame->UpdateUi();
        QStringList titles;
        for (int i = 0; i < frame->TabCount(); ++i)
            titles << frame->TabTitle(i);

        host_.folderAnswers << Path("out");
        host_.wizardAnswers << WizardAnswer{true, kKeep, fileType, kEncodingGerman};
        frame->RunCommand(cmd::SaveAllAs);

        QCOMPARE(host_.folderRequests, 1);
        QCOMPARE(host_.wizardCalls.last().pageSet, kWizardFileTypePage | kWizardEncodingPage);
        for (int i = 0; i < frame->TabCount(); ++i) {
            RecordGrid* grid = frame->ViewAt(i)->Grid();
            QCOMPARE(grid->GetPath(), Path("out/" + names[i]));
            QVERIFY2(QFile::exists(grid->GetPath()), qPrintable(names[i]));
            QCOMPARE(grid->GetFileType(), types[i]);
            QCOMPARE(grid->GetEncoding(), int(kEncodingGerman));
            QVERIFY(!grid->IsModified());
            QCOMPARE(frame->TabTitle(i), titles[i]);
        }
        const QByteArray first = ReadFile(Path("out/" + names[0]));
        QCOMPARE(first, types[0] == kFileTypeEdt ? EdtBytes({"Hi"}) : QByteArray("Hi\n"));
        QVERIFY(host_.questions.isEmpty());
        QVERIFY(host_.Drained());
    }

};

SCRIVLET_TEST(TestCommands);
#include "test_commands.moc"
