#include "CodecTestSupport.h"
#include "documents/DocumentCodec.h"
#include "documents/Encodings.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Catalogue indices of the formats that initTestCase installs.
enum : int {
    kPlain,    // 8 units: label, Name 0..2, Text 3..6, unit 7 uncovered
    kOverlap,  // 6 units: A 0..3, B 2..5
    kHundred,  // 100 units
    kPastEnd,  // 4 units: fields reaching outside the record
    kZeroLength,
    kHuge,  // 2^30 units
};

}  // namespace

class CodecTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        InstallFormats(
            {MakeFormat(8, {LabelField("No."), TextField("Name", 0, 3), TextField("Text", 3, 4, -1)}),
             MakeFormat(6, {TextField("A", 0, 4), TextField("B", 2, 4)}),
             MakeFormat(100, {TextField("Text", 0, 10)}),
             MakeFormat(4, {TextField("Tail", 2, 10), TextField("Before", -1, 2),
                            TextField("All", 0, -1)}),
             MakeFormat(0, {TextField("Text", 0, 1)}),
             MakeFormat(1 << 30, {TextField("Text", 0, 4)})});
        SetUiLanguage(UiLanguage::English);
    }

    // A record read and written again: the texts it gives, and the units it is saved as
    // (units that no field covers come back as zero).
    void edtRoundTrip_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QList<int>>("units");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("saved");
        for (int e = 0; e < kEncodingCount; ++e)
            QTest::addRow("ascii-%d", e) << e << QList<int>{66, 32, 66, 34, 0, 99, 99, 7} << "A A"
                                         << "!" << QList<int>{66, 32, 66, 34, 0, 0, 0, 0};
        const QList<int> full = {66, 67, 68, 69, 70, 71, 72, 0};
        QTest::newRow("exact-size-no-zero") << 0 << full << "ABC" << "DEFG" << full;
        QTest::newRow("english-cyrillic")
            << 0 << QList<int>{1109, 1128, 1108, 0, 0, 0, 0, 0} << u"ЖЩЕ"_qs << ""
            << QList<int>{1109, 1128, 1107, 0, 0, 0, 0, 0};
        QTest::newRow("russian") << 3 << QList<int>{256, 1102, 0, 0, 0, 0, 0, 0} << u"яM"_qs << ""
                                 << QList<int>{256, 78, 0, 0, 0, 0, 0, 0};
        QTest::newRow("unicode") << 4 << QList<int>{0x4E2E, 0x0437, 0, 0, 0, 0, 0, 0} << u"中ж"_qs
                                 << "" << QList<int>{0x4E2E, 0x0437, 0, 0, 0, 0, 0, 0};
    }
    void edtRoundTrip()
    {
        QFETCH(int, encoding);
        QFETCH(QList<int>, units);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QList<int>, saved);
        const QString path = Path("roundtrip.edt");
        QVERIFY(WriteBytes(path, Units(units)));
        RecordGrid grid;
        QVERIFY(LoadDocument(grid, path, kFileTypeEdt, encoding, kPlain, false));
        QCOMPARE(RecordTexts(grid), (QList<QStringList>{{"# 0", name, text}}));
        QVERIFY(SaveDocument(grid));
        QCOMPARE(ReadBytes(path), Units(saved));
    }

    void saveLeavesOutTrailingEmptyRecords_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("written");
        QTest::newRow("no-records") << QList<QStringList>{} << 0;
        QTest::newRow("record-0-never-trimmed") << QList<QStringList>{{"", ""}} << 1;
        QTest::newRow("trailing") << QList<QStringList>{{"a", ""}, {"", ""}, {"", ""}} << 1;
        QTest::newRow("inner-empty-kept")
            << QList<QStringList>{{"a", ""}, {"", ""}, {"", "b"}} << 3;
    }
    void saveLeavesOutTrailingEmptyRecords()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, written);
        const QString path = Path("trim.edt");
        RecordGrid grid;
        NewDocument(grid, kPlain);
        FillTexts(grid, rows);
        QVERIFY(SaveDocumentAs(grid, path, kFileTypeEdt, 0, -1));
        QCOMPARE(QFileInfo(path).size(), qint64(written) * 16);
        QCOMPARE(grid.RecordCount(), rows.size());  // trimmed records stay in the document
    }

    void overlappingFieldsLaterWins()
    {
        const QString path = Path("overlap.edt");
        RecordGrid grid;
        NewDocument(grid, kOverlap);
        FillTexts(grid, {{"abcd", "X"}, {"abcd", ""}});
        QVERIFY(SaveDocumentAs(grid, path, kFileTypeEdt, 0, -1));
        // B clears its whole field, so A's tail inside it is gone too.
        QCOMPARE(ReadBytes(path), Units({98, 99, 89, 0, 0, 0, 98, 99, 0, 0, 0, 0}));
    }

    void recordCountFromSize_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<int>("records");  // -1: the load fails
        QTest::addColumn<int>("asked");
        QTest::newRow("empty") << int(kPlain) << 0 << false << true << 0 << 0;
        QTest::newRow("200-byte-records") << int(kHundred) << 1000 << false << true << 5 << 0;
        QTest::newRow("half-record-yes") << int(kPlain) << 40 << true << false << 2 << 1;
        QTest::newRow("half-record-no") << int(kPlain) << 40 << false << false << -1 << 1;
        QTest::newRow("half-record-quiet") << int(kPlain) << 40 << true << true << -1 << 0;
        QTest::newRow("huge-length-quiet") << int(kHuge) << 10 << true << true << -1 << 0;
        QTest::newRow("huge-length-yes") << int(kHuge) << 10 << true << false << 0 << 1;
    }
    void recordCountFromSize()
    {
        QFETCH(int, format);
        QFETCH(int, bytes);
        QFETCH(bool, answer);
        QFETCH(bool, quiet);
        QFETCH(int, records);
        QFETCH(int, asked);
        const QString path = Path("size.edt");
        QList<int> units;
        while (units.size() < 500)
            units += {66, 0, 0, 67, 0, 0, 0, 0};
        QVERIFY(WriteBytes(path, Units(units).left(bytes)));
        QElapsedTimer timer;
        timer.start();
        RecordGrid grid;
        grid.SetModified(true);
        ScriptedPrompts prompts(answer);
        QCOMPARE(LoadDocument(grid, path, kFileTypeEdt, 0, format, quiet, &prompts), records >= 0);
        QCOMPARE(prompts.asked, asked);
        QVERIFY(timer.elapsed() < 1000);  // no buffer sized from the record length alone
        if (records < 0)
            return;
        QCOMPARE(grid.RecordCount(), records);
        QVERIFY(grid.IsAddRow(records));
        QCOMPARE(grid.ModeFlags(), quint32(kDocumentGridModes));
        QVERIFY(!grid.IsModified());
        if (asked) {
            QVERIFY(SaveDocument(grid));
            QCOMPARE(QFileInfo(path).size(), records * 16);  // the incomplete record is gone
        }
    }

    void zeroRecordLengthFails()
    {
        const QString path = Path("any.edt");
        QVERIFY(WriteBytes(path, Units({66, 67})));
        RecordGrid grid;
        QVERIFY(!LoadDocument(grid, path, kFileTypeEdt, 0, kZeroLength, true));
        QVERIFY(!LoadDocument(grid, path, kFileTypeText, 0, kZeroLength, true));
        NewDocument(grid, kZeroLength);
        grid.SetModified(true);
        QVERIFY(!SaveDocumentAs(grid, path, kFileTypeEdt, 0, -1));
        QVERIFY(grid.IsModified());
        QCOMPARE(ReadBytes(path), Units({66, 67}));
    }

    void fieldsAreClippedToTheRecord()
    {
        const QString path = Path("clip.edt");
        QVERIFY(WriteBytes(path, Units({66, 67, 68, 69, 70, 71, 72, 73})));
        RecordGrid grid;
        QVERIFY(LoadDocument(grid, path, kFileTypeEdt, 0, kPastEnd, true));
        // Tail 2..11 holds what lies in 2..3; offset -1 lies beyond the record; size -1
        // reaches to its end.
        QCOMPARE(RecordTexts(grid), (QList<QStringList>{{"CD", "", "ABCD"}, {"GH", "", "EFGH"}}));
        grid.CellAt(0, 1)->SetValue(QStringLiteral("never stored"));
        QVERIFY(SaveDocument(grid));
        QCOMPARE(ReadBytes(path), Units({66, 67, 68, 69, 70, 71, 72, 73}));
    }

    // A disk that fills up halfway through the save: the old file must survive untouched.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::newRow("edt") << int(kFileTypeEdt);
        QTest::newRow("text") << int(kFileTypeText);
    }
    void fullDiskKeepsTheOldFile()
    {
#ifndef Q_OS_UNIX
        QSKIP("needs fork and a file size limit");
#else
        QFETCH(int, fileType);
        const QString path = Path(fileType == kFileTypeEdt ? "full.edt" : "full.txt");
        RecordGrid grid;
        NewDocument(grid, kPlain);
        QList<QStringList> rows(40000, {QStringLiteral("123"), QStringLiteral("text")});
        FillTexts(grid, rows.mid(0, 3));
        QVERIFY(SaveDocumentAs(grid, path, fileType, 0, -1));
        const QByteArray old = ReadBytes(path);
        FillTexts(grid, rows);
        grid.SetModified(true);

        const pid_t child = fork();
        if (child == 0) {  // the save fails in a process that may write only 64 KiB
            struct rlimit limit = {64 * 1024, 64 * 1024};
            signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(!SaveDocument(grid) && grid.IsModified() ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(ReadBytes(path), old);
        const QStringList left = QDir(dir_.path()).entryList({QFileInfo(path).fileName() + "*"});
        QCOMPARE(left.size(), 1);  // no temporary file left behind
#endif
    }

    void roundTripManyRecords()
    {
        // Enough records to span several read and write chunks.
        RecordGrid grid, back;
        NewDocument(grid, kHundred);
        QList<QStringList> rows;
        for (int i = 0; i < 30000; ++i)
            rows.append({QStringLiteral("r%1").arg(i)});
        FillTexts(grid, rows);
        QVERIFY(SaveDocumentAs(grid, Path("many.edt"), kFileTypeEdt, 4, -1));
        QVERIFY(LoadDocument(back, Path("many.edt"), kFileTypeEdt, 4, kHundred, true));
        QCOMPARE(RecordTexts(back), rows);
    }
};

SCRIVLET_TEST(CodecTest);
#include "test_codec.moc"
