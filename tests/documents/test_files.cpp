// Loading and saving .edt and .txt files, odd, huge or broken ones included; a failure leaves
// every existing file as it was.

#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "base/UiText.h"
#include "documents/DocumentFileFormat.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"
#include "documents/RowLabels.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(scrivlet::EdtFormat)

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const EdtFormat kPlain =  // unit 7 uncovered
    MakeFormat(8, {LabelField("No."), TextField("Name", 0, 3), TextField("Text", 3, 4, -1)});
const EdtFormat kOverlap = MakeFormat(6, {TextField("A", 0, 4), TextField("B", 2, 4)});
const EdtFormat kLines =
    MakeFormat(64, {LabelField("No."), TextField("Short", 0, 20), TextField("Long", 20, 44)});

LoadResult Load(const QString& path, int fileType, int encoding, const EdtFormat& format,
                bool quiet = true, DocumentPrompts* prompts = nullptr)
{
    return LoadDocument(path, fileType, encoding, format, 0, quiet, prompts);
}

QByteArray Units(const QList<int>& units)
{
    QByteArray bytes;
    for (int unit : units)
        bytes.append(char(unit & 0xFF)).append(char((unit >> 8) & 0xFF));
    return bytes;
}

}  // namespace

class DocumentFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        SetUiLanguage(UiLanguage::English);
    }

    // Records only for ".edt"; a type picked in the dialog wins over the name.
    void typeForPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("type");
        const int all = kFileTypeAll, edt = kFileTypeEdt, txt = kFileTypeText;
        QTest::newRow("edt") << "a/x.edt" << all << edt;
        QTest::newRow("edt upper case") << "X.EDT" << all << edt;
        QTest::newRow("txt") << "x.txt" << all << txt;
        QTest::newRow("other suffix") << "x.dat" << all << txt;
        QTest::newRow("no suffix") << "edt" << all << txt;
        QTest::newRow("edt inside the name") << "x.edt.bak" << all << txt;
        QTest::newRow("records picked for .dat") << "x.dat" << edt << edt;
        QTest::newRow("text picked for .edt") << "x.edt" << txt << txt;
        QTest::newRow("no type number") << "x.edt" << 7 << edt;
    }
    void typeForPath()
    {
        QFETCH(QString, path);
        QFETCH(int, chosen);
        QTEST(int(FileTypeForPath(path, chosen)), "type");
    }

    // Entry n of the type list stands for type n, the first for all of them.
    void dialogFilters()
    {
        const QList<FileDialogFilter> filters = FileDialogFilters();
        QCOMPARE(filters.size(), 3);
        QCOMPARE(filters[kFileTypeAll].patterns, QStringList({"*.edt", "*.txt"}));
        QCOMPARE(filters[kFileTypeEdt].description, "EDT files (.edt)");
        QCOMPARE(filters[kFileTypeText].patterns, QStringList{"*.txt"});
        QCOMPARE(FileTypeSuffix(kFileTypeText), "txt");
        QCOMPARE(FileTypeSuffix(kFileTypeAll), QString());
    }

    // The bytes a document is saved as, in both file types.
    void save_data()
    {
        QTest::addColumn<int>("fileType");  // .edt ones are saved in the overlapping layout
        QTest::addColumn<int>("encoding");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QByteArray>("bytes");
        const int edt = kFileTypeEdt, txt = kFileTypeText;
        // B clears its whole field, so A's tail inside it is gone too.
        QTest::newRow("edt-overlap-later-wins")
            << edt << 0 << Rows{{"abcd", "X"}, {"abcd", ""}, {"", ""}}
            << Units({98, 99, 89, 0, 0, 0, 98, 99, 0, 0, 0, 0});
        QTest::newRow("txt-lf-only")
            << txt << 0 << Rows{{"a", "b"}, {"c", "d"}} << QByteArray("a\nb\nc\nd\n");
        QTest::newRow("txt-cp1252-unmappable")
            << txt << 0 << Rows{{u"ä€\u0081\u0080Жx"_qs, u"a\U0001F600b\xD83D"_qs}}
            << QByteArray("\xE4\x80\x81??x\na?b?\n");
        // A byte-order mark only where a text has one.
        QTest::newRow("txt-utf8") << txt << 4 << Rows{{u"中"_qs, u"\uFEFFx"_qs}}
                                  << QByteArray("\xE4\xB8\xAD\n\xEF\xBB\xBFx\n");
        QTest::newRow("txt-line-feed-in-text")
            << txt << 0 << Rows{{"a\nb", "c"}} << QByteArray("a\nb\nc\n");
    }
    void save()
    {
        QFETCH(int, fileType);
        const EdtFormat& format = fileType == kFileTypeEdt ? kOverlap : kPlain;
        QFETCH(int, encoding);
        QFETCH(Rows, rows);
        const QString path = Path("save");
        const auto document = MakeDocument(format, rows);
        QVERIFY(SaveDocumentAs(*document, path, fileType, encoding).Ok());
        QTEST(ReadAll(path), "bytes");
        QCOMPARE(TextsOf(*document), rows);  // records left out of the file stay in the document
    }

    // Records a file's size gives, asked when no whole number; big sparse files are read without
    // being held (100 KB records, so that the reading is measured, not building records).
    void edtSizes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("recordLength");
        QTest::addColumn<int>("reply");  // -1: a quiet load that asks nothing
        // -1: the size is invalid; -2: too many records; -3: more memory than there is
        QTest::addColumn<int>("records");
        const int yes = 1, no = 0, quiet = -1;
        QTest::newRow("empty") << qint64(0) << 8 << quiet << 0;
        QTest::newRow("half-record-yes") << qint64(40) << 8 << yes << 2;
        QTest::newRow("half-record-no") << qint64(40) << 8 << no << -1;
        QTest::newRow("half-record-quiet") << qint64(40) << 8 << quiet << -1;
        QTest::newRow("half-unit-yes") << qint64(33) << 8 << yes << 2;
        QTest::newRow("huge-length-yes") << qint64(10) << (1 << 30) << yes << 0;
        QTest::newRow("100MB") << qint64(100) * 1024 * 1024 << 51200 << quiet << 1024;
        QTest::newRow("more-records-than-rows") << qint64(INT_MAX) * 2 << 1 << quiet << -2;
        QTest::newRow("more-memory-than-there-is") << qint64(INT_MAX - 2) * 8 << 4 << quiet << -3;
    }
    void edtSizes()
    {
        QFETCH(qint64, bytes);
        QFETCH(int, recordLength);
        QFETCH(int, reply);
        QFETCH(int, records);
        const EdtFormat format = MakeFormat(recordLength, {TextField("A", 0, 4)});
        const QString path = Path("size.edt");
        // Texts in the first records, so that a save keeps them; zeros, sparse, after them.
        QVERIFY(WriteAll(path, QByteArray(qMin<qint64>(bytes, 64), 'B')) &&
                QFile::resize(path, bytes));
        const QDateTime modified = QFileInfo(path).lastModified();
        QElapsedTimer timer;
        timer.start();
        // One chunk of the file at a time, never a buffer sized from the record length alone.
        QVERIFY(RunInChild(
            [&] {
                ScriptedPrompts prompts(reply > 0);
                const LoadResult loaded = Load(path, kFileTypeEdt, 2, format, reply < 0, &prompts);
                const char* error =
                    records == -1 ? str::FileErrorInvalidSize : str::FileErrorTooManyRecords;
                const QString needs = UiText("fileError.needsMemory").section(u'%', 0, 0);
                // Bytes left out make the document differ from its file.
                const qint64 leftOut = bytes % (qint64{recordLength} * 2);
                return prompts.asked == (reply < 0 ? 0 : 1) &&
                       (loaded.document ? loaded.document->RecordCount() == records &&
                                              loaded.notes.bytesLeftOut == leftOut &&
                                              loaded.notes.DiffersFromFile() == (leftOut > 0)
                        : records == -3 ? loaded.error.startsWith(needs)
                                        : records < 0 && loaded.error.startsWith(UiText(error)));
            },
            48 * 1024));
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(QFileInfo(path).size(), bytes);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        if (records > 0 && reply > 0) {  // once saved, the incomplete record is gone
            ScriptedPrompts prompts(true);
            const LoadResult loaded = Load(path, kFileTypeEdt, 2, format, false, &prompts);
            QVERIFY(loaded.document && SaveDocument(*loaded.document).Ok());
            QCOMPARE(QFileInfo(path).size(), records * recordLength * 2);
        }
    }

    // Records read and saved again in layouts as a catalogue may give them: unusable lengths fail
    // at once; fields are clipped to the record, and one clipped to nothing stores nothing.
    void edtRecords_data()
    {
        QTest::addColumn<int>("recordLength");
        QTest::addColumn<QList<int>>("fields");  // offset and size of each text field
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QList<int>>("units");  // of the file
        QTest::addColumn<Rows>("rows");
        // Empty: the format is unusable. Trailing empty records are not saved.
        QTest::addColumn<QList<int>>("saved");
        const QList<int> plain = {0, 3, 3, 4}, abcd = {66, 67, 68, 69};
        const QList<int> full = {66, 67, 68, 69, 70, 71, 72, 0};  // texts filling their fields
        QTest::newRow("ascii") << 8 << plain << 0 << QList<int>{66, 32, 66, 34, 0, 99, 99, 7} + full
                               << Rows{{"A A", "!"}, {"ABC", "DEFG"}}
                               << QList<int>{66, 32, 66, 34, 0, 0, 0, 0} + full;
        const QList<int> inner = {98, 0, 0, 99, 0, 0, 0, 0,  0, 0, 0, 0,
                                  0,  0, 0, 0,  0, 0, 0, 99, 0, 0, 0, 0};
        QTest::newRow("inner-empty-kept-trailing-left-out")
            << 8 << plain << 0 << inner + QList<int>(8, 0)
            << Rows{{"a", "b"}, {"", ""}, {"", "b"}, {"", ""}} << inner;
        const QList<int> cjk = {0x4E2E, 0x0437, 0, 66, 0, 0, 0, 0};
        QTest::newRow("unicode") << 8 << plain << 4 << cjk << Rows{{u"中ж"_qs, "A"}} << cjk;
        for (int length : {0, -2, (1 << 30) + 1, INT_MAX})
            QTest::addRow("length-%d", length)
                << length << QList<int>{0, 1} << 0 << abcd << Rows{} << QList<int>{};
        QTest::newRow("field-past-the-record") << 2 << QList<int>{1, 1000} << 0 << abcd
                                               << Rows{{"B"}, {"D"}} << QList<int>{0, 67, 0, 69};
        for (const QList<int>& field : {QList<int>{7, 1}, {2, 1}, {-1, 2}, {INT_MAX, INT_MAX}})
            QTest::addRow("nothing-at-%d-size-%d", field[0], field[1])
                << 2 << field << 0 << abcd << Rows{{""}, {""}} << QList<int>{0, 0};
        QTest::newRow("negative-size")
            << 2 << QList<int>{0, -1} << 0 << abcd << Rows{{"AB"}, {"CD"}} << abcd;
        QTest::newRow("clipped-later-wins") << 4 << QList<int>{2, 10, -1, 2, 0, -1} << 0 << abcd
                                            << Rows{{"CD", "", "ABCD"}} << abcd;
    }
    void edtRecords()
    {
        QFETCH(int, recordLength);
        QFETCH(QList<int>, fields);
        QFETCH(int, encoding);
        QFETCH(QList<int>, units);
        QFETCH(Rows, rows);
        QFETCH(QList<int>, saved);
        EdtFormat format = MakeFormat(recordLength, {LabelField("No.")});
        for (int k = 0; k < fields.size() / 2; ++k)
            format.fields[k + 1] =
                TextField(QStringLiteral("F%1").arg(k), fields[2 * k], fields[2 * k + 1]);
        const bool usable = !saved.isEmpty();
        QVERIFY(WriteAll(Path("in.edt"), Units(units)));
        QVERIFY(WriteAll(Path("in.txt"), "first\nsecond\n"));
        ScriptedPrompts yes(true);
        const LoadResult edt = Load(Path("in.edt"), kFileTypeEdt, encoding, format, false, &yes);
        const LoadResult text = Load(Path("in.txt"), kFileTypeText, encoding, format);
        QCOMPARE(bool(text.document), usable);
        if (!usable) {
            QCOMPARE(edt.error, UiText(str::FileErrorUnusableFormat));
            QCOMPARE(text.error, UiText(str::FileErrorUnusableFormat));
        } else {
            QVERIFY2(edt.document, qPrintable(edt.error));
            QCOMPARE(TextsOf(*edt.document), rows);
            for (int k = 0; k < rows.first().size(); ++k) {
                if (rows.first()[k].isEmpty())
                    edt.document->SetText(0, k + 1, u"never stored");
            }
            QVERIFY(SaveDocument(*edt.document).Ok());
        }
        QCOMPARE(ReadAll(Path("in.edt")), Units(usable ? saved : units));
    }

    // Text files load as far as they go, stay as they were, and save and read back the same.
    void textLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("notices");
        QTest::addColumn<int>("invalid");    // bytes not valid in the encoding
        QTest::addColumn<int>("firstLine");  // of the first of them
        const Rows abcd = {{"a", "b"}, {"c", "d"}};
        QByteArray lines;  // enough records to span several .edt read and write chunks
        Rows many;
        for (int i = 0; i < 15000; ++i)
            lines += QByteArray::number(i) + "\n-\n", many.append({QString::number(i), "-"});
        QTest::newRow("many-records") << lines << 4 << many << 0 << 0 << 0;
        QTest::newRow("empty") << QByteArray() << 0 << Rows{} << 0 << 0 << 0;
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc\r\nd\r\n") << 0 << abcd << 0 << 0 << 0;
        QTest::newRow("ends-inside-record")
            << QByteArray("1\n2\n3\n4\n5\n") << 0 << Rows{{"1", "2"}, {"3", "4"}, {"5", ""}} << 0
            << 0 << 0;
        QTest::newRow("too-long-told-once")
            << QByteArray(25, 's') + "\n" + QByteArray(45, 'l') + "\n" + QByteArray(21, 't') << 0
            << Rows{{QString(25, 's'), QString(45, 'l')}, {QString(21, 't'), ""}} << 1 << 0 << 0;
        QTest::newRow("cp1252-undefined-byte")
            << QByteArray("a\x80\x81\n") << 0 << Rows{{u"a€\u0081"_qs, ""}} << 0 << 1 << 1;
        QTest::newRow("utf8-bom-kept")
            << QByteArray("\xEF\xBB\xBFx\ny\n") << 4 << Rows{{u"\uFEFFx"_qs, "y"}} << 0 << 0 << 0;
        QTest::newRow("invalid-utf8")
            << QByteArray("a\xc3(\xff\n\xe2\x82\n\xed\xa0\x80z\n") << int(kEncodingUnicode)
            << Rows{{"a\ufffd(\ufffd", "\ufffd\ufffd"}, {"\ufffd\ufffd\ufffdz", ""}} << 0 << 7 << 1;
        QTest::newRow("utf8-invalid-after-valid")
            << QByteArray("ok\n\xc5\xbc\xf0\x9f\x98\x80\n\xe2\x82\xac\xc0\xf4\x90\n") << 4
            << Rows{{"ok", u"ż😀"_qs}, {u"€\ufffd\ufffd\ufffd"_qs, ""}} << 0 << 3 << 3;
        QTest::newRow("cp1251-undefined-byte")
            << QByteArray("\xc0\n\x98\n") << int(kEncodingRussian) << Rows{{u"А"_qs, u"\u0098"_qs}}
            << 0 << 1 << 2;
        QTest::newRow("zero-byte-ends-text") << QByteArray("ab\0cd\n\0\n\0\0\0", 11) << 0
                                             << Rows{{"ab", ""}, {"", ""}} << 0 << 0 << 0;
        QTest::newRow("only-line-feeds") << QByteArray(10000, '\n') << int(kEncodingRussian)
                                         << Rows(5000, {"", ""}) << 0 << 0 << 0;
        QTest::newRow("10MB-line-without-lf")
            << QByteArray(10 * 1024 * 1024, '\xd0') << int(kEncodingPolish)
            << Rows{{QString(10 * 1024 * 1024, QChar(0x0110)), ""}} << 1 << 0 << 0;
        QTest::newRow("binary") << QByteArray("\x01\xfe\x7f\r\x1b\n\xff\xfe\x00\x41", 10)
                                << int(kEncodingUnicode)
                                << Rows{{"\x01\ufffd\x7f\r\x1b", "\ufffd\ufffd"}} << 0 << 3 << 1;
    }
    void textLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(Rows, rows);
        const QString path = Path("load.txt");
        QVERIFY(WriteAll(path, bytes));
        QElapsedTimer timer;
        timer.start();
        ScriptedPrompts prompts;
        const LoadResult loaded = Load(path, kFileTypeText, encoding, kLines, false, &prompts);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(loaded.document, qPrintable(loaded.error));
        QCOMPARE(TextsOf(*loaded.document), rows);
        QTEST(prompts.notices, "notices");
        QTEST(int(loaded.notes.invalidBytes), "invalid");
        QTEST(int(loaded.notes.firstInvalidLine), "firstLine");
        QCOMPARE(InvalidBytesText(loaded.notes, kLines).isEmpty(), loaded.notes.invalidBytes == 0);
        QVERIFY(!loaded.notes.DiffersFromFile());
        QCOMPARE(ReadAll(path), bytes);

        // Records a save keeps: up to the last with a text, at least record 0.
        qsizetype kept = rows.size();
        while (kept > 1 && rows[kept - 1].join(QString()).isEmpty())
            --kept;
        QVERIFY(SaveDocumentAs(*loaded.document, Path("again.txt"), kFileTypeText, encoding).Ok());
        const LoadResult again = Load(Path("again.txt"), kFileTypeText, encoding, kLines);
        QVERIFY(again.document);
        QCOMPARE(TextsOf(*again.document), rows.mid(0, kept));
        QVERIFY(SaveDocumentAs(*again.document, Path("again.edt"), kFileTypeEdt, encoding).Ok());
        const LoadResult edt = Load(Path("again.edt"), kFileTypeEdt, encoding, kLines);
        QVERIFY(edt.document);
        Rows cut = rows.mid(0, kept);  // to the fields' sizes
        for (QStringList& texts : cut)
            texts = {texts[0].left(20), texts[1].left(44)};
        QCOMPARE(TextsOf(*edt.document), cut);
    }

    // A file that shrinks while it is read fails the load instead of giving fewer records.
    void shrinkingFileFails()
    {
        struct Shrinking : QBuffer {
            qint64 size() const override { return QBuffer::size() + 16; }
        } device;
        device.setData(Units(QList<int>(16, 66)));
        QVERIFY(device.open(QIODevice::ReadOnly));
        EdtDocument document(kPlain);
        const Result read = EdtFileFormat().Read(device, document, ReadContext{});
        QCOMPARE(read.Error(), UiText(str::FileErrorReadFailed));
    }

    // Places no document can be saved to, and a disk that fills up during the save, halfway
    // through a big document or only as the last buffered bytes of a small one go out: the save
    // fails with a reason (the system's, where it has one), the document keeps its path, type,
    // encoding and unsaved mark, whatever is in the way is untouched and no temporary file
    // stays behind.
    void saveFails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("limit");  // of the file size, in bytes; -1: none
        QTest::addColumn<bool>("systemReason");
        QTest::newRow("parent-is-a-file") << "plain.txt/x.edt" << 1 << -1 << true;
        QTest::newRow("over-a-folder") << "folder" << 1 << -1 << false;
        QTest::newRow("folder-with-a-trailing-slash") << "folder/" << 1 << -1 << false;
        QTest::newRow("missing-folder") << "missing/x.edt" << 1 << -1 << true;
        QTest::newRow("no-path") << "" << 1 << -1 << false;
        QTest::newRow("dangling-link") << "dangling" << 1 << -1 << false;
        QTest::newRow("full-disk-halfway") << "plain.txt" << 40000 << 64 * 1024 << true;
        QTest::newRow("full-disk-last-write") << "plain.txt" << 2 << 0 << true;
    }
    void saveFails()
    {
        QFETCH(QString, name);
        QFETCH(int, records);
        QFETCH(int, limit);
        QFETCH(bool, systemReason);
        const QByteArray plain("keep me\n");
        QVERIFY(WriteAll(Path("plain.txt"), plain));
        QVERIFY(QDir(dir_.path()).mkpath("folder/inside"));
        QFile::link(Path("folder/target"), Path("dangling"));
        const QStringList before =
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QString path = name.isEmpty() ? name : Path(name);
        for (int type : {kFileTypeEdt, kFileTypeText}) {
            QVERIFY(RunInChild(
                [&] {
                    const auto document = MakeDocument(kPlain, Rows(records, {"123", "4"}));
                    const QString own = Path("own.txt");
                    document->SetPath(own), document->SetFileType(kFileTypeText);
                    document->SetEncoding(kEncodingRussian);
                    const Result saved = SaveDocumentAs(*document, path, type, kEncodingGerman);
                    return !saved && saved.Error() != QLatin1String("?") &&
                           saved.Error().contains(u'\n') == systemReason &&
                           document->Path() == own && document->GetFileType() == kFileTypeText &&
                           document->GetEncoding() == kEncodingRussian;
                },
                LONG_MAX, limit < 0 ? RLIM_INFINITY : rlim_t(limit)));
        }
        QCOMPARE(ReadAll(Path("plain.txt")), plain);
        QVERIFY(QFileInfo(Path("folder/inside")).isDir());
        QVERIFY(QFileInfo(Path("dangling")).isSymLink() &&
                !QFileInfo::exists(Path("folder/target")));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // A save onto a full file system or over a file it may not replace, and a save of a
    // document whose folder went away: the old file stays byte for byte, nothing is left
    // behind, the reason is the system's and the document stays unsaved.
    void saveFailsOnDisk_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("full-file-system") << 0;
        QTest::newRow("read-only-file") << 1;
        QTest::newRow("folder-vanished") << 2;
    }
    void saveFailsOnDisk()
    {
        QFETCH(int, fault);
        if (fault == 1 && geteuid() == 0)
            QSKIP("running as root: file permissions do not stop a save");
        const QString folder = Path(QStringLiteral("disk%1").arg(fault));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/doc.txt";
        const QByteArray old("keep me\n");
        auto work = [&] {
            if (fault == 0 && !MountSmallDisk(folder))
                return false;
            if (!WriteAll(file, old))
                return false;
            auto document = Load(file, kFileTypeText, 0, kPlain).document;
            if (!document || !document->InsertRecords(0, 40000))
                return false;
            for (int record = 0; record < 40000; ++record)
                document->SetText(record, 1, u"a longer text than before");
            if (fault == 1)
                QFile::setPermissions(file, QFile::ReadOwner),
                    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            if (fault == 2)
                QDir(folder).removeRecursively();
            const Result saved = SaveDocument(*document);
            const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            return !saved && saved.Error().contains(u'\n') && document->Path() == file &&
                   (fault == 2 ? left.isEmpty()
                               : ReadAll(file) == old && left == QStringList{"doc.txt"});
        };
        if (fault == 0 && !RunInChild([&] { return MountSmallDisk(folder); }))
            QSKIP("no small file system can be mounted here (needs a mount namespace)");
        const bool kept = fault == 0 ? RunInChild(work) : work();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(kept);
    }

    // Messages name a record as the grid does: the first label column's label of its row,
    // else the interface language's numbered label (also in a format without label column).
    void recordNames_data()
    {
        QTest::addColumn<EdtFormat>("format");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("name");
        const EdtFormat chapters =
            MakeFormat(4, {TextField("Text", 0, 4), LabelField("Chapter", {"Prologue", "One"}),
                           LabelField("Page", {"p1"})});
        QTest::newRow("labelled") << chapters << "en" << 0 << "Prologue";
        QTest::newRow("beyond the labels") << chapters << "en" << 3 << "# 3";
        QTest::newRow("no label column") << kOverlap << "en" << 3 << "# 3";
        QTest::newRow("Russian number") << kPlain << "ru" << 12 << u"\u2116 12"_qs;
    }
    void recordNames()
    {
        QFETCH(EdtFormat, format);
        QFETCH(QString, language);
        QFETCH(int, record);
        SetUiLanguage(LanguageFromCode(language));
        const QString name = RowLabels().RecordName(format, record);
        SetUiLanguage(UiLanguage::English);
        QTEST(name, "name");
    }
};

SCRIVLET_TEST(DocumentFilesTest);
#include "test_files.moc"
