#include "CodecTestSupport.h"
#include "documents/DocumentCodec.h"
#include "documents/Encodings.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QTemporaryDir>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

constexpr int kTwoTexts = 0;  // label, Short (20 units), Long (40 units)

using Rows = QList<QStringList>;

}  // namespace

class TextDocumentTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        InstallFormats({MakeFormat(
            64, {LabelField("No."), TextField("Short", 0, 20), TextField("Long", 20, 40)})});
        SetUiLanguage(UiLanguage::English);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("notices");
        const Rows abcd = {{"# 0", "a", "b"}, {"# 1", "c", "d"}};
        QTest::newRow("empty") << QByteArray() << 0 << Rows{} << 0;
        QTest::newRow("lf") << QByteArray("a\nb\nc\nd\n") << 0 << abcd << 0;
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc\r\nd\r\n") << 0 << abcd << 0;
        QTest::newRow("no-last-lf") << QByteArray("a\nb\nc\nd") << 0 << abcd << 0;
        QTest::newRow("ends-inside-record")
            << QByteArray("1\n2\n3\n4\n5\n") << 0
            << Rows{{"# 0", "1", "2"}, {"# 1", "3", "4"}, {"# 2", "5", ""}} << 0;
        QTest::newRow("zero-byte-ends-text")
            << QByteArray("ab\0cd\nx\n", 8) << 0 << Rows{{"# 0", "ab", "x"}} << 0;
        QTest::newRow("too-long-once")
            << QByteArray(25, 's') + "\n" + QByteArray(41, 'l') + "\n" + QByteArray(21, 't') << 0
            << Rows{{"# 0", QString(25, 's'), QString(41, 'l')}, {"# 1", QString(21, 't'), ""}}
            << 1;
        QTest::newRow("line-over-65534-bytes") << QByteArray(70000, 'x') + "\nb\n"
                                               << 0 << Rows{{"# 0", QString(70000, 'x'), "b"}} << 1;
        QTest::newRow("utf8-bom-kept")
            << QByteArray("\xEF\xBB\xBFx\ny\n") << 4 << Rows{{"# 0", u"\uFEFFx"_qs, "y"}} << 0;
        QTest::newRow("invalid-utf8") << QByteArray("a\xFF" "b\n\xC3\n") << 4
                                      << Rows{{"# 0", u"a\uFFFDb"_qs, u"\uFFFD"_qs}} << 0;
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(Rows, rows);
        QFETCH(int, notices);
        const QString path = dir_.filePath("load.txt");
        QVERIFY(WriteBytes(path, bytes));
        RecordGrid grid;
        ScriptedPrompts prompts;
        QVERIFY(LoadDocument(grid, path, kFileTypeText, encoding, kTwoTexts, false, &prompts));
        QCOMPARE(RecordTexts(grid), rows);
        QCOMPARE(prompts.notices, notices);
        QCOMPARE(prompts.asked, 0);
        QVERIFY(grid.IsAddRow(grid.RowCount() - 1));
        QVERIFY(!grid.IsModified());
    }

    void save_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lf-only") << Rows{{"a", "b"}, {"c", "d"}} << 0 << QByteArray("a\nb\nc\nd\n");
        QTest::newRow("trailing-empty-left-out")
            << Rows{{"a", ""}, {"", ""}, {"", ""}} << 0 << QByteArray("a\n\n");
        QTest::newRow("record-0-kept") << Rows{{"", ""}} << 0 << QByteArray("\n\n");
        QTest::newRow("cp1251-unmappable")
            << Rows{{u"я"_qs, u"ä"_qs}} << 3 << QByteArray("\xFF\n?\n");
        QTest::newRow("utf8-no-bom") << Rows{{u"中"_qs, ""}} << 4 << QByteArray("\xE4\xB8\xAD\n\n");
        QTest::newRow("line-feed-in-text") << Rows{{"a\nb", "c"}} << 0 << QByteArray("a\nb\nc\n");
    }
    void save()
    {
        QFETCH(Rows, rows);
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        const QString path = dir_.filePath("save.txt");
        RecordGrid grid;
        NewDocument(grid, kTwoTexts);
        FillTexts(grid, rows);
        QVERIFY(SaveDocumentAs(grid, path, kFileTypeText, encoding, -1));
        QCOMPARE(ReadBytes(path), bytes);
        QVERIFY(!grid.IsModified());
    }

    // A long text read from .txt stays whole in the document and is cut only on the way
    // into an .edt file.
    void longTextCutOnlyInEdt()
    {
        const QString txt = dir_.filePath("long.txt");
        QVERIFY(WriteBytes(txt, QByteArray(25, 'x') + "\ny\n"));
        RecordGrid grid;
        QVERIFY(LoadDocument(grid, txt, kFileTypeText, 0, kTwoTexts, true));
        const QString edt = dir_.filePath("long.edt");
        QVERIFY(SaveDocumentAs(grid, edt, kFileTypeEdt, 0, -1));
        RecordGrid back;
        QVERIFY(LoadDocument(back, edt, kFileTypeEdt, 0, kTwoTexts, true));
        QCOMPARE(RecordTexts(back), (Rows{{"# 0", QString(20, 'x'), "y"}}));
    }
};

SCRIVLET_TEST(TextDocumentTest);
#include "test_text.moc"
