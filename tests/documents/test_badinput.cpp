// Loads and saves of hostile or broken input: formats straight from a bad catalogue, odd and
// huge files, text that is no valid text, and places a file cannot be written to. Each gets a
// clear answer, quickly, with bounded memory, and leaves every existing file as it was.

#include "catalogue/CatalogueLoader.h"
#include "CodecTestSupport.h"
#include "documents/DocumentCodec.h"
#include "documents/Encodings.h"
#include "catalogue/IniFile.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

using Rows = QList<QStringList>;

// What a piece of work did in a child process: its answer, its time and how far the resident
// memory rose above what the child started with.
struct ChildRun {
    bool ran = false;
    bool answer = false;
    qint64 milliseconds = 0;
    long peakGrowthKb = 0;
};

long ResidentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// A fork keeps the measurement clear of whatever the other tests left in the heap, and lets a
// file-size limit apply to the work alone.
ChildRun RunInChild(const std::function<bool()>& work, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    int fds[2];
    ChildRun run;
    if (pipe(fds) != 0)
        return run;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (fileSizeLimit != RLIM_INFINITY) {
            signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const long before = ResidentKb();
        QElapsedTimer timer;
        timer.start();
        ChildRun result;
        result.ran = true;
        result.answer = work();
        result.milliseconds = timer.elapsed();
        struct rusage usage = {};
        getrusage(RUSAGE_SELF, &usage);
        result.peakGrowthKb = usage.ru_maxrss - before;
        const bool sent = write(fds[1], &result, sizeof result) == sizeof result;
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    if (child > 0) {
        if (read(fds[0], &run, sizeof run) != sizeof run)
            run = ChildRun{};
        int status = 0;
        waitpid(child, &status, 0);
    }
    close(fds[0]);
    return run;
}

// The catalogue's own reading of a format section, so that the codec meets the values exactly
// as a user's file would hand them over.
int InstallCatalogueText(const QByteArray& text)
{
    IniFile ini;
    ini.LoadBytes(text.toStdString());
    FormatCatalogue catalogue;
    ReadFormatCatalogue(catalogue, ini);
    GlobalCatalogue() = catalogue;
    return catalogue.Count() == 1 ? 0 : -1;
}

QByteArray OneTextField(const QByteArray& width, const QByteArray& offset, const QByteArray& size)
{
    return "[FORMAT0]\nname=Bad\nwidth=" + width +
           "\n[FORMAT0.COLUMN0]\ndesc=No.\ntype=0\n"
           "[FORMAT0.COLUMN1]\ndesc=Text\ntype=1\ndataoffset=" +
           offset + "\ndatasize=" + size + "\n";
}

}  // namespace

class BadInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        SetUiLanguage(UiLanguage::English);
    }

    // A record length or field the codec cannot honour: unusable lengths fail every load and
    // save at once, fields reaching outside the record are clipped to it.
    void badCatalogueLayouts_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<bool>("usable");
        // Rows of the .edt file of units 65 to 68 ("@ABC" once the shift is undone) and
        // record length 2.
        QTest::addColumn<Rows>("rows");

        QTest::newRow("length 0") << OneTextField("0", "0", "1") << false << Rows{};
        QTest::newRow("negative length") << OneTextField("-2", "0", "1") << false << Rows{};
        QTest::newRow("length above 2^30")
            << OneTextField("1073741825", "0", "1") << false << Rows{};
        QTest::newRow("largest length") << OneTextField("2147483647", "0", "1") << false << Rows{};
        // 99999999999 wraps in 32 bits to 1215752191, still beyond 2^30.
        QTest::newRow("length beyond 32 bits")
            << OneTextField("99999999999", "0", "1") << false << Rows{};
        QTest::newRow("field past the record")
            << OneTextField("2", "1", "1000") << true << Rows{{"# 0", "A"}, {"# 1", "C"}};
        QTest::newRow("offset past the record")
            << OneTextField("2", "7", "1") << true << Rows{{"# 0", ""}, {"# 1", ""}};
        QTest::newRow("negative offset")
            << OneTextField("2", "-1", "2") << true << Rows{{"# 0", ""}, {"# 1", ""}};
        QTest::newRow("negative size")
            << OneTextField("2", "0", "-1") << true << Rows{{"# 0", "@A"}, {"# 1", "BC"}};
        QTest::newRow("largest offset and size") << OneTextField("2", "2147483647", "2147483647")
                                                 << true << Rows{{"# 0", ""}, {"# 1", ""}};
    }
    void badCatalogueLayouts()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(bool, usable);
        QFETCH(Rows, rows);
        const int format = InstallCatalogueText(catalogue);
        QCOMPARE(format, 0);

        const QByteArray edtBytes = Units({'A', 'B', 'C', 'D'});
        const QByteArray textBytes("first\nsecond\n");
        QVERIFY(WriteBytes(Path("layout.edt"), edtBytes));
        QVERIFY(WriteBytes(Path("layout.txt"), textBytes));
        QElapsedTimer timer;
        timer.start();
        RecordGrid edt;
        ScriptedPrompts yes(true);
        QCOMPARE(LoadDocument(edt, Path("layout.edt"), kFileTypeEdt, 0, format, false, &yes),
                 usable);
        RecordGrid text;
        QCOMPARE(LoadDocument(text, Path("layout.txt"), kFileTypeText, 0, format, true), usable);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        if (usable)
            QCOMPARE(RecordTexts(edt), rows);
        QCOMPARE(ReadBytes(Path("layout.edt")), edtBytes);
        QCOMPARE(ReadBytes(Path("layout.txt")), textBytes);

        // A new document of the format with one record: a usable format saves it (small),
        // an unusable one refuses at once, without building a record of gigabytes.
        const ChildRun run = RunInChild([&] {
            RecordGrid grid;
            NewDocument(grid, format);
            grid.AppendNewRecord();
            return SaveDocumentAs(grid, Path("new.edt"), kFileTypeEdt, 0, -1);
        });
        QVERIFY(run.ran);
        QCOMPARE(run.answer, usable);
        QVERIFY2(run.milliseconds < 1000, qPrintable(QString::number(run.milliseconds)));
        QVERIFY2(run.peakGrowthKb < 64 * 1024, qPrintable(QString::number(run.peakGrowthKb)));
        QCOMPARE(QFileInfo::exists(Path("new.edt")), usable);
        QFile::remove(Path("new.edt"));
    }

    // Files that hold no whole record, or nothing at all.
    void oddEdtSizes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("quietLoads");
        QTest::addColumn<int>("records");  // after answering Yes
        QTest::newRow("0 bytes") << QByteArray() << true << 0;
        QTest::newRow("1 byte") << QByteArray("A") << false << 0;
        QTest::newRow("half a unit past a record") << Units({'A', 'B', 'C'}) + "x" << false << 1;
        QTest::newRow("all 0xFF") << QByteArray(12, '\xff') << true << 2;
    }
    void oddEdtSizes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, quietLoads);
        QFETCH(int, records);
        InstallFormats({MakeFormat(3, {LabelField("No."), TextField("Text", 0, 3)})});
        const QString path = Path("odd.edt");
        QVERIFY(WriteBytes(path, bytes));
        for (int encoding = 0; encoding < kEncodingCount; ++encoding) {
            RecordGrid quiet;
            QCOMPARE(LoadDocument(quiet, path, kFileTypeEdt, encoding, 0, true), quietLoads);
            RecordGrid asked;
            ScriptedPrompts yes(true);
            QVERIFY(LoadDocument(asked, path, kFileTypeEdt, encoding, 0, false, &yes));
            QCOMPARE(yes.asked, quietLoads ? 0 : 1);
            QCOMPARE(asked.RecordCount(), records);
            QVERIFY(asked.HasAddRow());
        }
        QCOMPARE(ReadBytes(path), bytes);
    }

    // 100 MB of zeros as a sparse file. A record of 51,200 units (100 KB) gives 1,024 records,
    // so the test measures the reading, not the building of millions of cells.
    void hundredMegabytesOfZeros()
    {
        constexpr qint64 kSize = 100 * 1024 * 1024;
        constexpr int kRecordLength = 51200;
        InstallFormats({MakeFormat(
            kRecordLength, {LabelField("No."), TextField("A", 0, 16), TextField("B", 51184, 16)})});
        const QString path = Path("zeros.edt");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kSize));
        }
        const QDateTime modified = QFileInfo(path).lastModified();
        const ChildRun run = RunInChild([&] {
            RecordGrid grid;
            const bool loaded = LoadDocument(grid, path, kFileTypeEdt, 4, 0, true);
            return loaded && grid.RecordCount() == kSize / (2 * kRecordLength) &&
                   RecordTexts(grid).last() == QStringList{"# 1023", "", ""};
        });
        QVERIFY(run.ran);
        QVERIFY(run.answer);
        QVERIFY2(run.milliseconds < 5000, qPrintable(QString::number(run.milliseconds)));
        // The whole file would be 100 MB; the reader holds one chunk of it at a time.
        QVERIFY2(run.peakGrowthKb < 48 * 1024, qPrintable(QString::number(run.peakGrowthKb)));
        QCOMPARE(QFileInfo(path).size(), kSize);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    // Text files that are no proper text: they load as far as they go and survive a round trip.
    void brokenTextFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("first");  // texts of the first record
        QTest::addColumn<int>("notices");

        QTest::newRow("invalid utf-8")
            << QByteArray("a\xc3(\xff\n\xe2\x82\n\xed\xa0\x80z\n") << int(kEncodingUnicode) << 2
            << QStringList{"a\ufffd(\ufffd", "\ufffd\ufffd"} << 0;
        QTest::newRow("nul bytes") << QByteArray("ab\0cd\n\0\n\0\0\0", 11) << int(kEncodingEnglish)
                                   << 2 << QStringList{"ab", ""} << 0;
        QTest::newRow("only line feeds")
            << QByteArray(10000, '\n') << int(kEncodingRussian) << 5000 << QStringList{"", ""} << 0;
        QTest::newRow("10 MB line") << QByteArray(10 * 1024 * 1024, 'x') + "\nend\n"
                                    << int(kEncodingGerman) << 1
                                    << QStringList{QString(10 * 1024 * 1024, u'x'), "end"} << 1;
        QTest::newRow("10 MB line without line feed")
            << QByteArray(10 * 1024 * 1024, '\xd0') << int(kEncodingPolish) << 1
            << QStringList{QString(10 * 1024 * 1024, QChar(0x0110)), ""} << 1;
        QTest::newRow("binary") << QByteArray("\x01\xfe\x7f\r\x1b\n\xff\xfe\x00\x41", 10)
                                << int(kEncodingUnicode) << 1
                                << QStringList{"\x01\ufffd\x7f\r\x1b", "\ufffd\ufffd"} << 0;
    }
    void brokenTextFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(int, records);
        QFETCH(QStringList, first);
        QFETCH(int, notices);
        InstallFormats({MakeFormat(
            64, {LabelField("No."), TextField("Short", 0, 20), TextField("Long", 20, 44)})});
        const QString path = Path("broken.txt");
        QVERIFY(WriteBytes(path, bytes));

        QElapsedTimer timer;
        timer.start();
        RecordGrid grid;
        ScriptedPrompts prompts;
        QVERIFY(LoadDocument(grid, path, kFileTypeText, encoding, 0, false, &prompts));
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(grid.RecordCount(), records);
        QCOMPARE(RecordTexts(grid).first().mid(1), first);
        QCOMPARE(prompts.notices, notices);
        QCOMPARE(ReadBytes(path), bytes);

        // What was read saves and reads back the same, as text and as .edt.
        QVERIFY(SaveDocumentAs(grid, Path("again.txt"), kFileTypeText, encoding, -1));
        RecordGrid again;
        QVERIFY(LoadDocument(again, Path("again.txt"), kFileTypeText, encoding, 0, true));
        const int kept = LastNonEmpty(grid) + 1;
        QCOMPARE(RecordTexts(again), RecordTexts(grid).mid(0, std::max(kept, 1)));
        QVERIFY(SaveDocumentAs(again, Path("again.edt"), kFileTypeEdt, encoding, -1));
        QCOMPARE(QFileInfo(Path("again.edt")).size(), qint64(std::max(kept, 1)) * 64 * 2);
    }

    // Places no document can be saved to: the save fails, the grid stays modified and the
    // file in the way is untouched.
    void unwritablePlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent is a file") << "plain.txt/x.edt";
        QTest::newRow("grandparent is a file") << "plain.txt/sub/x.txt";
        QTest::newRow("over a folder") << "folder";
        QTest::newRow("folder with a trailing slash") << "folder/";
        QTest::newRow("missing folder") << "missing/x.edt";
    }
    void unwritablePlaces()
    {
        QFETCH(QString, name);
        InstallFormats({MakeFormat(4, {LabelField("No."), TextField("Text", 0, 4)})});
        const QByteArray plain("keep me\n");
        QVERIFY(WriteBytes(Path("plain.txt"), plain));
        QVERIFY(QDir(dir_.path()).mkpath("folder/inside"));
        const QStringList before =
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (int type : {kFileTypeEdt, kFileTypeText}) {
            RecordGrid grid;
            NewDocument(grid, 0);
            FillTexts(grid, {{"abc"}});
            grid.SetModified(true);
            QVERIFY(!SaveDocumentAs(grid, Path(name), type, 0, -1));
            QVERIFY(grid.IsModified());
        }
        QCOMPARE(ReadBytes(Path("plain.txt")), plain);
        QVERIFY(QFileInfo(Path("folder/inside")).isDir());
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // A disk that is full from the first byte, under a document so small that it waits in
    // the write buffer until the end: the failure shows only as the last bytes go out, and
    // still nothing replaces the old file and no temporary file stays behind.
    void fullDiskOnTheLastWrite_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::newRow("edt") << int(kFileTypeEdt);
        QTest::newRow("text") << int(kFileTypeText);
    }
    void fullDiskOnTheLastWrite()
    {
        QFETCH(int, fileType);
        InstallFormats({MakeFormat(4, {LabelField("No."), TextField("Text", 0, 4)})});
        const QString path = Path(fileType == kFileTypeEdt ? "old.edt" : "old.txt");
        const QByteArray old("old content");
        QVERIFY(WriteBytes(path, old));
        const ChildRun run = RunInChild(
            [&] {
                RecordGrid grid;
                NewDocument(grid, 0);
                FillTexts(grid, {{"new"}, {"text"}});
                grid.SetModified(true);
                const bool saved = SaveDocumentAs(grid, path, fileType, 0, -1);
                return !saved && grid.IsModified();
            },
            0);
        QVERIFY(run.ran);
        QVERIFY(run.answer);
        QCOMPARE(ReadBytes(path), old);
        QCOMPARE(QDir(dir_.path()).entryList({QFileInfo(path).fileName() + "*"}, QDir::Files),
                 QStringList{QFileInfo(path).fileName()});
    }

private:
    static int LastNonEmpty(const RecordGrid& grid)
    {
        const Rows rows = RecordTexts(grid);
        for (int row = static_cast<int>(rows.size()) - 1; row >= 0; --row) {
            for (int k = 1; k < rows[row].size(); ++k) {
                if (!rows[row][k].isEmpty())
                    return row;
            }
        }
        return -1;
    }
};

SCRIVLET_TEST(BadInputTest);
#include "test_badinput.moc"
