#include "TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Runs the built converter as a user would.

namespace {

struct Result {
    int code = -1;
    QByteArray out;
    QString err;
};

Result Convert(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(SCRIVLET_CONVERT_EXE), args);
    Result result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Two formats share the dialogue pattern, so a dialogue file is a tie; the item pattern is
// unique. Record layout: 8 units, Name 0..2, Text 3..7.
const char kCatalogue[] =
    "; test catalogue\n"
    "[FORMAT0]\nname=Talk\npath=.*/(dialog)[^/]*\nwidth=8\n"
    "[FORMAT0.COLUMN0]\ndesc=No.\nwidth=-1\ntype=0\nlabel.0=first\n"
    "[FORMAT0.COLUMN1]\ndesc=Name\nwidth=100\ntype=1\ndataoffset=0\ndatasize=3\n"
    "[FORMAT0.COLUMN2]\ndesc=Text\nwidth=200\ntype=1\ndataoffset=3\ndatasize=5\n"
    "[FORMAT1]\nname=Things\npath=.*/(item)[^/]*\nwidth=8\n"
    "[FORMAT1.COLUMN0]\ndesc=Thing\nwidth=80\ntype=1\ndataoffset=0\ndatasize=8\n"
    "[FORMAT2]\nname=Talk again\npath=.*/(dialog)[^/]*\nwidth=4\n"
    "[FORMAT2.COLUMN0]\ndesc=Line\nwidth=80\ntype=1\ndataoffset=0\ndatasize=4\n";

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class ConvertTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString catalogue_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    // A command line written as one string: words split at blanks, %CAT% and %DIR% filled in.
    QStringList Expand(const QString& line) const
    {
        QStringList args = line.split(u' ', Qt::SkipEmptyParts);
        for (QString& arg : args) {
            arg.replace(QLatin1String("%CAT%"), catalogue_);
            arg.replace(QLatin1String("%DIR%"), dir_.path());
        }
        return args;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(QStringLiteral(SCRIVLET_CONVERT_EXE)).isExecutable());
        QVERIFY(dir_.isValid());
        catalogue_ = P("formats.test.ini");
        QVERIFY(WriteAll(catalogue_, kCatalogue));
        // "ab" / "cd!" then "x" / "" : two records of the Talk format.
        QVERIFY(WriteAll(P("dialog.txt"), "ab\ncd!\nx\n\n"));
        QVERIFY(WriteAll(P("half.edt"), QByteArray(24, '\0')));  // 1.5 records of 8 units
        QVERIFY(QDir(dir_.path()).mkpath("folder"));
        // One record of dialog.txt's, then small Cyrillic letters and a too long text.
        QVERIFY(WriteAll(P("ref.txt"), "ab\nzz\n"));
        QVERIFY(WriteAll(P("ru.txt"), u"ab\ncd!\nж\nЖЖЖЖЖЖ\n"_qs.toUtf8()));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // part of stderr
        const QString talk = "--catalogue %CAT% --format 0 --encoding 0 ";
        QTest::newRow("help") << "--help" << 0 << "";
        QTest::newRow("nothing") << "" << 2 << "--format is missing";
        QTest::newRow("unknown-option") << "--frobnicate" << 2 << "unknown option";
        QTest::newRow("bad-encoding") << "--catalogue %CAT% --format 0 --encoding 5 --dump x" << 2
                                      << "--encoding must be 0 to 4";
        QTest::newRow("format-out-of-range")
            << "--catalogue %CAT% --format 3 --encoding 0 --dump %DIR%/dialog.txt" << 2
            << "--format must be";
        QTest::newRow("missing-catalogue")
            << "--catalogue %DIR%/none.ini --list-formats" << 1 << "File %DIR%/none.ini not found";
        QTest::newRow("unreadable-input")
            << talk + "--dump %DIR%/no.txt" << 1
            << "Unable to open file '%DIR%/no.txt'\nThe file cannot be opened for reading.";
        QTest::newRow("unreadable-input-german")
            << talk + "--language de --dump %DIR%/folder" << 1
            << u"Die Datei '%DIR%/folder' kann nicht geöffnet werden\nDer Pfad bezeichnet keine Datei"_qs;
        QTest::newRow("unwritable-output")
            << talk + "%DIR%/dialog.txt %DIR%/no/such/out.edt" << 1
            << "Unable to save file '%DIR%/no/such/out.edt'\nThe file cannot be created";
        QTest::newRow("size-without-yes")
            << talk + "--dump %DIR%/half.edt" << 1 << "Invalid file size";
        QTest::newRow("size-with-yes") << talk + "--yes --dump %DIR%/half.edt" << 0 << "";
        const QString detect = "--catalogue %CAT% --format auto --encoding 0 --dump %DIR%/";
        QTest::newRow("auto-tie") << detect + "dialog.txt" << 1
                                  << "formats 0 (Talk), 2 (Talk again) match equally";
        QTest::newRow("auto-no-match") << detect + "half.edt" << 1 << "no format matches";
    }
    void exitCodes()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Result result = Convert(Expand(args));
        QCOMPARE(result.code, code);
        message.replace(QLatin1String("%DIR%"), dir_.path());
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        if (code == 2)
            QVERIFY(result.err.contains(QLatin1String("Usage:")));
        if (args == QLatin1String("--help"))
            QVERIFY(result.out.contains("--list-formats"));
    }

    void listFormatsIsJson()
    {
        const Result result = Convert({"--catalogue", catalogue_, "--list-formats"});
        QCOMPARE(result.code, 0);
        const QJsonArray formats = QJsonDocument::fromJson(result.out).array();
        QCOMPARE(formats.size(), 3);
        QCOMPARE(formats[0].toObject(), QJsonDocument::fromJson(R"({
            "index": 0, "name": "Talk", "path": ".*/(dialog)[^/]*", "width": 8, "fields": [
              {"caption": "No.", "width": -1, "type": 0, "offset": 0, "size": 0,
               "labels": ["first"]},
              {"caption": "Name", "width": 100, "type": 1, "offset": 0, "size": 3, "labels": []},
              {"caption": "Text", "width": 200, "type": 1, "offset": 3, "size": 5, "labels": []}]
            })")
                                            .object());
        QCOMPARE(formats[2].toObject()["index"].toInt(), 2);
    }

    // Text to .edt in one encoding, .edt to text in another, and the dumps on the way.
    void convertAndDump()
    {
        const QString talk = "--catalogue %CAT% --format 0 --encoding ";
        QCOMPARE(Convert(Expand(talk + "4 --to-encoding 3 %DIR%/dialog.txt %DIR%/out.EDT")).code,
                 0);
        // 'a' is stored as 98 and so on, the rest of each field zero.
        QCOMPARE(ReadAll(P("out.EDT")), QByteArray::fromHex("620063000000640065002200000000007900"
                                                            "0000000000000000000000000000"));
        QCOMPARE(Convert(Expand(talk + "3 --dump %DIR%/out.EDT")).out,
                 QByteArray("[\"first\",\"ab\",\"cd!\"]\n[\"# 1\",\"x\",\"\"]\n"));
        QCOMPARE(Convert(Expand(talk + "3 %DIR%/out.EDT %DIR%/back.txt")).code, 0);
        QCOMPARE(ReadAll(P("back.txt")), QByteArray("ab\ncd!\nx\n\n"));
    }

    // The sample documents built beside the converter: every one is recognised by its name
    // and holds the texts of its source.
    void samplesAreRecognisedAndComplete()
    {
        const QDir samples(
            QFileInfo(QStringLiteral(SCRIVLET_CONVERT_EXE)).dir().filePath("samples"));
        const QStringList files = samples.entryList({"*.edt", "*.txt"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 18, qPrintable(files.join(' ')));
        const QDir sources(QStringLiteral(SCRIVLET_SAMPLE_SOURCES));
        for (const QString& file : files) {
            const QString base = file.section('.', 0, 0);  // "dialog-russian"
            const QString kind = base.section('-', 0, 0);
            const QString variant = base.section('-', 1);
            const int encoding = variant == "english" ? 0 : variant == "russian" ? 3 : 4;
            const QString source = QStringLiteral("%1_%2.txt")
                                       .arg(kind, variant == "english"   ? "en"
                                                  : variant == "russian" ? "ru"
                                                                         : "multi");
            const Result sample =
                Convert({"--format", "auto", "--encoding", QString::number(encoding), "--dump",
                         samples.filePath(file)});
            QVERIFY2(sample.code == 0, qPrintable(file + ": " + sample.err));
            const int format = kind == "dialog" ? 0 : kind == "items" ? 1 : 2;
            const Result expected = Convert({"--format", QString::number(format), "--encoding", "4",
                                             "--dump", sources.filePath(source)});
            QCOMPARE(expected.code, 0);
            QVERIFY(expected.out.count('\n') >= 3);
            QCOMPARE(sample.out, expected.out);
        }
    }

    // --find and --replace-with over dialog.txt (Name of 3, Text of 5): the JSON lines, the
    // exit status and what OUTPUT holds.
    void findAndReplace_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");       // stdout; for 2 a part of stderr
        QTest::addColumn<QByteArray>("saved");  // OUTPUT %DIR%/r.txt; null: none
        const QString in = "--catalogue %CAT% --format 0 --encoding 0 %DIR%/dialog.txt ";
        const QByteArray none;
        QTest::newRow("case ignored") << "--find X " + in << 0
                                      << R"({"record": 1, "field": 0, "start": 0, "length": 1})"
                                         "\n"
                                      << none;
        QTest::newRow("nothing matched") << "--match-case --find X " + in << 0 << "" << none;
        QTest::newRow("every match in order")
            << "--regex --find [bd] " + in << 0
            << R"({"record": 0, "field": 0, "start": 1, "length": 1})"
               "\n"
               R"({"record": 0, "field": 1, "start": 1, "length": 1})"
               "\n"
            << none;
        QTest::newRow("invalid pattern")
            << "--regex --find ( " + in << 2 << "'(' is no valid regular expression" << none;
        QTest::newRow("options need --find") << "--regex " + in << 2 << "go with --find" << none;
        QTest::newRow("replaced, one field too long")
            << "--regex --find [a-z] --replace-with $&$& " + in + "%DIR%/r.txt" << 0
            << R"({"replaced": 3, "records": 2, "skipped_too_long": 1})"
               "\n"
            << QByteArray("ab\nccdd!\nxx\n\n");
    }
    void findAndReplace()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QByteArray, saved);
        QFile::remove(P("r.txt"));
        const Result result = Convert(Expand(args));
        QCOMPARE(result.code, code);
        if (code == 2)
            QVERIFY2(result.err.contains(out), qPrintable(result.err));
        else
            QCOMPARE(QString::fromUtf8(result.out), out);
        QCOMPARE(ReadAll(P("r.txt")), saved);
    }

    // Translations over dialog.txt: an export read back by itself changes no byte; a PO
    // another tool edited (one field given twice) is imported with the counts printed;
    // --strict refuses what the encoding cannot store.
    void translations_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("po");  // written to %DIR%/in.po first
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");       // stdout; else a part of stderr
        QTest::addColumn<QByteArray>("saved");  // OUTPUT %DIR%/r.txt; null: none
        const QString talk = "--catalogue %CAT% --format 0 --encoding 0 ";
        const QString in = talk + "--import-po %DIR%/in.po %DIR%/dialog.txt %DIR%/r.txt";
        const QByteArray edited =
            "msgctxt \"1:0\"\nmsgid \"x\"\nmsgstr \"y\"\n\n"
            "msgctxt \"0:1\"\nmsgid \"cd!\"\nmsgstr \"\"\n\"C\\\"D\"\n\n"
            "msgctxt \"1:0\"\nmsgid \"x2\"\nmsgstr \"z\"\n";
        const QByteArray none;
        QTest::newRow("import")
            << in << edited << 0
            << R"({"imported": 2, "unchanged": 0, "fuzzy_skipped": 0, "too_long": 0, )"
               R"("unknown": 0, "not_storable": 0, "duplicate": 1})"
               "\n"
            << QByteArray("ab\nC\"D\ny\n\n");
        QTest::newRow("strict, not storable")
            << "--strict " + in << QByteArray("msgctxt \"1:0\"\nmsgid \"x\"\nmsgstr \"\xd0\x96\"\n")
            << 1 << "cannot be stored" << none;
        QTest::newRow("refused file")
            << in << QByteArray("msgid \"x\nmsgstr \"\"\n") << 1 << "line 2" << none;
    }
    void translations()
    {
        QFETCH(QString, args);
        QFETCH(QByteArray, po);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QByteArray, saved);
        QFile::remove(P("r.txt"));
        QVERIFY(WriteAll(P("in.po"), po));
        const Result result = Convert(Expand(args));
        QCOMPARE(result.code, code);
        if (code == 0)
            QCOMPARE(QString::fromUtf8(result.out), out);
        else
            QVERIFY2(result.err.contains(out), qPrintable(result.err));
        QCOMPARE(ReadAll(P("r.txt")), saved);
    }

    // A PO export msgfmt accepts, read back into the reference, gives the same bytes; the
    // translation that lacks its source's final line break comes back only as a fuzzy one.
    void exportedPoReadsBackUnchanged()
    {
        const QString talk = "--catalogue %CAT% --format 0 --encoding 0 ";
        // The translated file is the reference's copy with its own texts. The reference holds
        // "AB" "cd!\n" / "X" "" (units stored one higher from 33 up), as no text file can.
        QVERIFY(WriteAll(P("ref.edt"), QByteArray::fromHex("4200430000006400650022000a000000"
                                                           "59000000000000000000000000000000")));
        QCOMPARE(Convert(Expand(talk + "%DIR%/dialog.txt %DIR%/d.edt")).code, 0);
        const QString exported = P("e.po");
        QCOMPARE(Convert(Expand(talk + "--reference %DIR%/ref.edt --export-po " + exported +
                                " %DIR%/d.edt"))
                     .code,
                 0);
        QCOMPARE(ReadAll(exported).count("#, fuzzy"), 1);
        if (!QStandardPaths::findExecutable("msgfmt").isEmpty()) {
            QCOMPARE(QProcess::execute("msgfmt", {"--check", "-o", "/dev/null", exported}), 0);
        }
        const Result back = Convert(Expand(talk + "--include-fuzzy --import-po " + exported +
                                           " %DIR%/ref.edt %DIR%/b.edt"));
        QCOMPARE(back.code, 0);
        QVERIFY2(back.out.startsWith("{\"imported\": 3, \"unchanged\": 0,"), back.out);
        QCOMPARE(ReadAll(P("b.edt")), ReadAll(P("d.edt")));
    }

    // --stats counts; --strict refuses to write characters OUTPUT's encoding changes.
    void statsAndStrict_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout, or for status 1 and 2 a part of stderr
        const QString talk = "--catalogue %CAT% --format 0 --encoding ";
        QTest::newRow("counts") << talk + "0 --stats %DIR%/dialog.txt" << 0
                                << R"({"records": 2, "fields": 4, "empty": 1, "translated": 3, )"
                                   R"("too_long": 0, "not_storable": 0})";
        QTest::newRow("reference with fewer records")
            << talk + "0 --reference %DIR%/ref.txt --stats %DIR%/dialog.txt" << 0
            << R"({"records": 2, "fields": 4, "empty": 1, "same_as_reference": 1, )"
               R"("translated": 2, "too_long": 0, "not_storable": 0})";
        QTest::newRow("not storable in --to-encoding")
            << talk + "4 --to-encoding 0 --stats %DIR%/ru.txt" << 0
            << R"({"records": 2, "fields": 4, "empty": 0, "translated": 4, "too_long": 1, )"
               R"("not_storable": 2})";
        QTest::newRow("strict refuses") << talk +
                                               "4 --to-encoding 0 --strict %DIR%/ru.txt "
                                               "%DIR%/s.edt"
                                        << 1 << u"s.edt: record 1, Name: \u0436"_qs;
        QTest::newRow("strict passes") << talk +
                                              "4 --to-encoding 3 --strict %DIR%/ru.txt "
                                              "%DIR%/s.edt"
                                       << 0 << "";
    }
    void statsAndStrict()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFile::remove(P("s.edt"));
        const Result result = Convert(Expand(args));
        QCOMPARE(result.code, code);
        if (code != 0)
            QVERIFY2(result.err.contains(out), qPrintable(result.err));
        else
            QCOMPARE(QString::fromUtf8(result.out).trimmed(), out);
        // A refused conversion writes nothing.
        if (args.contains("--strict"))
            QCOMPARE(QFile::exists(P("s.edt")), code == 0);
    }
};

SCRIVLET_TEST(ConvertTest);
#include "test_convert.moc"
