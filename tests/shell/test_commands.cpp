// The document commands through a scripted dialog host: what is asked, in which order, and
// what ends up in the tabs and on disk.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/MessageBoxes.h"

#include <QDir>

using namespace scrivlet;
using namespace scrivlet::test;

class TestCommands : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    ScriptedHost host_;
    int realBoxes_ = 0;

    std::unique_ptr<MainFrame> MakeFrame()
    {
        auto frame = std::make_unique<MainFrame>();
        frame->Commands().SetDialogHost(&host_);
        return frame;
    }
    QString Path(const QString& name) const { return env_.Path(name); }
    static QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

    // Creates the files that do not exist yet and opens them all at once.
    void Open(MainFrame& frame, const QStringList& names, const QByteArray& bytes = {},
              int filterIndex = 0, int encodingIndex = -1)
    {
        QStringList paths;
        for (const QString& name : names) {
            paths << Path(name);
            if (!QFile::exists(paths.last()))
                QVERIFY(WriteFile(paths.last(), bytes));
        }
        host_.QueueFiles(paths, filterIndex, 0, encodingIndex);
        frame.Commands().Open();
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
    }

    void cleanup()
    {
        QCOMPARE(realBoxes_, 0);
        SetMessageBoxHandler({});
        MainFrame::SetCatalogueLoader({});
    }

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
            QCOMPARE(host_.wizardCalls[i].first, int(kWizardFormatPage));
            QCOMPARE(host_.wizardCalls[i].second.format, shown[i]);
        }
        QCOMPARE(frame->TabCount(), formats.size());
        for (int i = 0; i < formats.size(); ++i) {
            QCOMPARE(frame->DocumentAt(i)->FormatIndex(), formats[i]);
            QCOMPARE(frame->TabTitle(i), files[i]);
        }
        QVERIFY(host_.Drained());
    }

    // The type entry decides, "all supported" goes by the extension; a text line longer
    // than its field loads whole and is told once.
    void fileType_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("capital EDT extension")
            << 0 << QStringList{"A_DLG.EDT"} << QByteArray() << QList<int>{1} << QStringList{};
        QTest::newRow("text entry wins over the name")
            << 2 << QStringList{"a_dlg.edt"} << QByteArray() << QList<int>{2} << QStringList{};
        QTest::newRow("last file handled: text")
            << 0 << QStringList{"b_dlg.edt", "a_dlg.txt"} << QByteArray() << QList<int>{1, 2}
            << QStringList{};
        QTest::newRow("over-long line")
            << 0 << QStringList{"long_dlg.txt"} << QByteArray("Fits\nMuch too long\n")
            << QList<int>{2} << QStringList{UiText(str::TextTooLong)};
    }
    void fileType()
    {
        QFETCH(int, filterIndex);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, types);
        QFETCH(QStringList, questions);
        auto frame = MakeFrame();
        Open(*frame, files, bytes, filterIndex);
        QCOMPARE(frame->TabCount(), types.size());
        for (int i = 0; i < types.size(); ++i)
            QCOMPARE(frame->DocumentAt(i)->GetFileType(), types[i]);
        QCOMPARE(frame->Commands().State().lastFileType, types.last());
        QCOMPARE(host_.questions, questions);
    }

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
        Open(*frame, {"half_dlg.edt"}, QByteArray(20, 'a'));

        QCOMPARE(host_.wizardCalls.size(), 1);
        QCOMPARE(host_.wizardCalls[0].second.format, 0);  // the attempted format
        QStringList expected;
        for (int text : texts)
            expected << (text == str::OpenFailed ? QStringLiteral("Unable to open file '%1'")
                                                       .arg(Native(Path("half_dlg.edt")))
                                                 : UiText(text));
        QCOMPARE(host_.questions, expected);
        QCOMPARE(frame->TabCount(), records < 0 ? 0 : 1);
        if (records >= 0)
            QCOMPARE(frame->DocumentAt(0)->RecordCount(), records);
        QVERIFY(host_.Drained());
    }

    // The panel starts at the last encoding, also after a restart; Open and Save As store it.
    void encodingRemembered()
    {
        auto frame = MakeFrame();
        Open(*frame, {"a_dlg.edt"}, {}, 0, kEncodingRussian);
        QCOMPARE(host_.fileRequests[0].panel.encodingIndex, 0);
        QCOMPARE(frame->DocumentAt(0)->GetEncoding(), int(kEncodingRussian));
        Open(*frame, {"b_dlg.edt"});
        QCOMPARE(host_.fileRequests[1].panel.encodingIndex, int(kEncodingRussian));
        host_.QueueFiles({Path("c_dlg.edt")}, 0, 0, kEncodingPolish);
        QVERIFY(frame->Commands().SaveAs(1));
        QCOMPARE(frame->DocumentAt(1)->GetEncoding(), int(kEncodingPolish));
        env_.settings.Restart();
        host_.fileAnswers << FileDialogAnswer{};
        frame->Commands().Open();
        QCOMPARE(host_.fileRequests.last().panel.encodingIndex, int(kEncodingPolish));
        QVERIFY(host_.fileRequests.last().panel.formatEnabled);
        QCOMPARE(host_.fileRequests.last().panel.formatIndex, 0);
    }

    // The panel shows the document's format, fixed, and its encoding; "all supported" takes
    // the type from the name; Cancel changes nothing.
    void saveAs_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("chosen");  // empty: cancel
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
        QTest::newRow("cancel") << 0 << ""
                                << "src_item.edt" << 1;
    }
    void saveAs()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(int, fileType);
        auto frame = MakeFrame();
        const QByteArray before = EdtBytes({"Hi", "Yo"}, 10);
        Open(*frame, {"src_item.edt"}, before, 0, kEncodingUnicode);
        EdtDocument* document = frame->DocumentAt(0);
        QVERIFY(document->SetText(0, 1, QStringLiteral("Ok")));
        if (!chosen.isEmpty()) {
            QVERIFY(WriteFile(Path(written), "old contents"));
            host_.QueueFiles({Path(chosen)}, filterIndex, 0, kEncodingEnglish);
        } else {
            host_.fileAnswers << FileDialogAnswer{};
        }

        QCOMPARE(frame->Commands().SaveAs(0), !chosen.isEmpty());

        const PanelSetup& panel = host_.fileRequests.last().panel;
        QCOMPARE(panel.formats.value(panel.formatIndex), QStringLiteral("Items"));
        QVERIFY(!panel.formatEnabled);
        QCOMPARE(panel.encodingIndex, int(kEncodingUnicode));
        QCOMPARE(document->Path(), Path(written));
        QCOMPARE(document->GetFileType(), fileType);
        QCOMPARE(document->IsModified(), chosen.isEmpty());
        QCOMPARE(frame->TabTitle(0), chosen.isEmpty() ? QChar(kModifiedMark) + written : written);
        const QByteArray bytes = ReadFile(Path(written));
        if (chosen.isEmpty())
            QCOMPARE(bytes, before);
        else if (fileType == kFileTypeEdt)
            QCOMPARE(bytes, EdtBytes({"Ok", "Yo"}, 10));
        else
            QCOMPARE(bytes, QByteArray("Ok\nYo\n"));
        QVERIFY(host_.questions.isEmpty());
    }

    void close_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("saved");  // the document has a file
        QTest::addColumn<int>("answer");  // -1: not asked
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QByteArray>("onDisk");  // the file afterwards
        const QByteArray before = EdtBytes({"Hi"});
        QTest::newRow("unmodified closes without asking") << false << true << -1 << true << before;
        QTest::newRow("No closes without saving")
            << true << true << int(QMessageBox::No) << true << before;
        QTest::newRow("Cancel keeps the tab")
            << true << true << int(QMessageBox::Cancel) << false << before;
        QTest::newRow("Yes saves, then closes")
            << true << true << int(QMessageBox::Yes) << true << EdtBytes({"Ok"});
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
        QVERIFY(WriteFile(path, EdtBytes({"Hi"})));
        if (saved) {
            Open(*frame, {"doc_dlg.edt"});
            QVERIFY(frame->DocumentAt(0)->SetText(0, 1, QStringLiteral("Ok")));
        } else {
            host_.wizardAnswers << WizardAnswer{true, 0};
            frame->Commands().New();
            host_.fileAnswers << FileDialogAnswer{};
        }
        frame->DocumentAt(0)->SetModified(modified);
        if (answer >= 0)
            host_.answers << QMessageBox::StandardButton(answer);

        Run(*frame, Command::Close);

        QCOMPARE(frame->TabCount(), closed ? 0 : 1);
        QCOMPARE(ReadFile(path), onDisk);
        QStringList asked;
        if (answer >= 0)
            asked << QStringLiteral("Do you want to save changes in '%1' ?")
                         .arg(saved ? Native(path) : QString());
        QCOMPARE(host_.questions, asked);
        // Yes on a new document goes through Save As.
        QCOMPARE(host_.fileRequests.size(), 1);
        QCOMPARE(host_.fileRequests[0].kind, saved ? FileDialogKind::Open : FileDialogKind::SaveAs);
        QVERIFY(host_.Drained());
    }

    // Close All and Exit ask from the last tab to the first and stop at the first Cancel or
    // failed save (here b's: a folder stands where its file was); the Exit request is handled
    // once the command has returned.
    void closeAll_data()
    {
        QTest::addColumn<bool>("exit");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("saved");  // the files that hold the edit afterwards
        QTest::newRow("Exit: No, then Cancel")
            << true << QList<int>{QMessageBox::No, QMessageBox::Cancel} << "";
        QTest::newRow("failed save stops Close All")
            << false << QList<int>{QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Ok} << "c";
    }
    void closeAll()
    {
        QFETCH(bool, exit);
        QFETCH(QList<int>, answers);
        QFETCH(QString, saved);
        auto frame = MakeFrame();
        auto path = [this](QChar c) { return Path(QStringLiteral("%1_dlg.edt").arg(c)); };
        Open(*frame, {"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"}, EdtBytes({"Hi"}));
        for (int i = 0; i < 3; ++i)
            QVERIFY(frame->DocumentAt(i)->SetText(0, 1, QStringLiteral("Ok")));
        if (!exit)
            QVERIFY(QFile::remove(path(u'b')) && QDir().mkdir(path(u'b')));
        for (int answer : answers)
            host_.answers << QMessageBox::StandardButton(answer);
        frame->show();

        if (exit) {
            Run(*frame, Command::Exit);
            QCOMPARE(frame->TabCount(), 3);
            QTRY_COMPARE(host_.questions.size(), answers.size());
        } else {
            QVERIFY(!frame->Commands().CloseAll());
        }

        QCOMPARE(frame->TabCount(), 2);
        QVERIFY(frame->isVisible());
        QVERIFY(frame->DocumentAt(1)->IsModified());
        QCOMPARE(host_.questions.size(), answers.size());
        QVERIFY(host_.questions[0].contains(Native(path(u'c'))));
        QVERIFY(host_.questions[1].contains(Native(path(u'b'))));
        if (!exit)
            QCOMPARE(host_.questions[2],
                     QStringLiteral("Unable to save file '%1'").arg(Native(path(u'b'))));
        for (QChar c : QStringLiteral("ac"))
            QCOMPARE(ReadFile(path(c)), EdtBytes({saved.contains(c) ? "Ok" : "Hi"}));
        QVERIFY(host_.Drained());
    }

    // Every document goes to the folder under its own name; documents never saved are named
    // after their tab, equal names get " (2)"; the tabs keep their names.
    void saveAllAs_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<QStringList>("names");  // written, per tab
        QTest::addColumn<QList<int>>("types");
        QTest::newRow("text") << 2
                              << QStringList{"a_dlg (2).txt", "a_dlg.txt", "New (2).txt", "New.txt",
                                             "notes_dlg.txt"}
                              << QList<int>{2, 2, 2, 2, 2};
        QTest::newRow("each its own")
            << 0
            << QStringList{"a_dlg (2).edt", "a_dlg.edt", "New (2).edt", "New.edt", "notes_dlg.txt"}
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
        Open(*frame, {"one/a_dlg.edt"}, EdtBytes({"Hi"}));
        Open(*frame, {"two/a_dlg.edt"}, EdtBytes({"Yo"}));
        host_.wizardAnswers << WizardAnswer{true, 0} << WizardAnswer{true, 0};
        frame->Commands().New();
        frame->Commands().New();
        Open(*frame, {"one/notes_dlg.txt"}, QByteArray("Tx\n"));
        QStringList tabNames;
        for (int i = 0; i < frame->TabCount(); ++i)
            tabNames << frame->TabName(i);

        host_.folderAnswers << Path("out");
        host_.wizardAnswers << WizardAnswer{true, kKeep, fileType, kEncodingGerman};
        Run(*frame, Command::SaveAllAs);

        QCOMPARE(host_.wizardCalls.last().first, kWizardFileTypePage | kWizardEncodingPage);
        for (int i = 0; i < frame->TabCount(); ++i) {
            const EdtDocument* document = frame->DocumentAt(i);
            QCOMPARE(document->Path(), Path("out/" + names[i]));
            QVERIFY2(QFile::exists(document->Path()), qPrintable(names[i]));
            QCOMPARE(document->GetFileType(), types[i]);
            QCOMPARE(document->GetEncoding(), int(kEncodingGerman));
            QCOMPARE(frame->TabTitle(i), tabNames[i]);  // saved: no mark
        }
        QCOMPARE(ReadFile(Path("out/" + names[0])),
                 types[0] == kFileTypeEdt ? EdtBytes({"Hi"}) : QByteArray("Hi\n"));
        QVERIFY(host_.questions.isEmpty());
        QVERIFY(host_.Drained());
    }
};

SCRIVLET_TEST(TestCommands);
#include "test_commands.moc"
