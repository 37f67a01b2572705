#include "TestFiles.h"
#include "TestRegistry.h"
#include "store/ProjectChecks.h"
#include "store/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Runs the built converter as a user would.

namespace {

using namespace scrivlet::test;
using Result = ToolRun;

Result Convert(const QStringList& args)
{
    return RunTool(QStringLiteral(SCRIVLET_CONVERT_EXE), args);
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

// "ab" / "cd!" then "x" / "" in the Talk format: 'a' is stored as 98 and so on, the rest of
// each field zero.
const QByteArray kDialogRecords =
    QByteArray::fromHex("6200630000006400650022000000000079000000000000000000000000000000");

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

    // Runs a command line: its exit status, its whole stdout (status 0) or part of stderr.
    // At status 0 stdout is out whole and stderr holds err; otherwise stderr holds out.
    void Expect(const QString& args, int code, QString out, const QString& err = {}) const
    {
        const Result result = Convert(Expand(args));
        QCOMPARE(result.code, code);
        out.replace(QLatin1String("%DIR%"), dir_.path());
        if (code == 0) {
            QCOMPARE(QString::fromUtf8(result.out), out);
            QVERIFY2(result.err.contains(err), qPrintable(result.err));
        } else {
            QVERIFY2(result.err.contains(out), qPrintable(result.err));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(QStringLiteral(SCRIVLET_CONVERT_EXE)).isExecutable());
        QVERIFY(dir_.isValid());
        catalogue_ = P("formats.test.ini");
        QVERIFY(WriteAll(catalogue_, kCatalogue));
        // The same two records as text and as a record file.
        QVERIFY(WriteAll(P("dialog.txt"), "ab\ncd!\nx\n\n"));
        QVERIFY(WriteAll(P("dialog.edt"), kDialogRecords));
        QVERIFY(WriteAll(P("half.edt"), QByteArray(24, '\0')));  // 1.5 records of 8 units
        QVERIFY(QDir(dir_.path()).mkpath("folder"));
        // Catalogues that hold no format, and one no read would end.
        QVERIFY(WriteAll(P("empty.ini"), ""));
        const QString wide = QString::fromLatin1(kCatalogue);
        QVERIFY(WriteAll(P("utf16.ini"),
                         QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2)));
        QVERIFY(::mkfifo(QFile::encodeName(P("fifo.ini")).constData(), 0600) == 0);
        // One record of dialog.txt's, then small Cyrillic letters and a too long text.
        QVERIFY(WriteAll(P("ref.txt"), "ab\nzz\n"));
        QVERIFY(WriteAll(P("bad.txt"), "ab\n\xff\xfe\nx\n\n"));
        QVERIFY(WriteAll(P("ru.txt"), u"ab\ncd!\nж\nЖЖЖЖЖЖ\n"_qs.toUtf8()));
        // Translations of dialog.txt as another tool edited them (one field given twice), one
        // English cannot store, and a malformed file.
        QVERIFY(WriteAll(P("edited.po"),
                         "msgctxt \"1:0\"\nmsgid \"x\"\nmsgstr \"y\"\n\n"
                         "msgctxt \"0:1\"\nmsgid \"cd!\"\nmsgstr \"\"\n\"C\\\"D\"\n\n"
                         "msgctxt \"1:0\"\nmsgid \"x2\"\nmsgstr \"z\"\n"));
        QVERIFY(WriteAll(P("cyrillic.po"), "msgctxt \"1:0\"\nmsgid \"x\"\nmsgstr \"\xd0\x96\"\n"));
        QVERIFY(WriteAll(P("broken.po"), "msgid \"x\nmsgstr \"\"\n"));
        // Things (one field of 8) to check: a placeholder lost, a period lost, one left as is.
        QVERIFY(WriteAll(P("item-en.txt"), "%d hp\nOK.\nab\n"));
        QVERIFY(WriteAll(P("item-de.txt"), "LP\nOK\nab\n"));
        // A target beyond the first plane, so that a detail's JSON carries a surrogate pair.
        QVERIFY(WriteAll(P("terms.csv"), "source,target\nhp,LP\nok,Gut \U0001F44C\n"));
        QVERIFY(WriteAll(P("item-typo.txt"), "Teh cat\n"));
        // Things with a tag, a bracket and a game's tag lost, a word twice, a lower-case start
        // and a translation 4.2 times as long as its original.
        QVERIFY(WriteAll(P("shape-en.txt"), "<b>Hi</b> there\n(see map)\nTake the sword\nOpen it\n"
                                            "Open the door\n[b]Go[/b]\n"));
        QVERIFY(WriteAll(P("shape-de.txt"), "Hallo</b>\nsiehe Karte)\nNimm das das Schwert\n"
                                            "offen\n" + QByteArray(55, 'X') + "\nLos[/b]\n"));
        // A new version of an original: a line inserted, one rewritten (the speaker stays), one
        // dropped; and the translation of the old version.
        QVERIFY(WriteAll(P("old.txt"), "a\n1\nb\n2\nc\n3\nd\n4\n"));
        QVERIFY(WriteAll(P("new.txt"), "x\n1\na\n1\nb\n22\nd\n4\n"));
        QVERIFY(WriteAll(P("tr.txt"), "A\nI\nB\nII\nC\nIII\nD\nIV\n"));
        // Originals that recur, and a translation that has some of them once.
        QVERIFY(WriteAll(P("src.txt"), "Tom\nHi\nTom\nHi\nAnn\nHi\nBob\nYo\nBob\nYo\nBob\nYo\n"));
        QVERIFY(WriteAll(P("halfway.txt"), "Tim\nHallo\n\n\nAnn\nHi\nBo\nJo\nBob\n\nBb\nYo\n"));
    }

    // A command line: its exit status, what it prints and what it leaves in OUTPUT (r.txt or
    // r.edt, any case); a failure writes nothing.
    void commandLine_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");       // stdout whole; for status 1 and 2 part of stderr
        QTest::addColumn<QByteArray>("saved");  // empty: nothing written
        QTest::addColumn<QString>("err");       // part of stderr at status 0
        auto row = [](const char* tag, const QString& args, int code, const QString& out,
                      const QByteArray& saved = {}, const QString& err = {}) {
            QTest::newRow(tag) << args << code << out << saved << err;
        };
        const QString cat = "--catalogue %CAT% --format ";
        const QString talk = cat + "0 --encoding 0 ", dialog = talk + "%DIR%/dialog.txt ";
        row("nothing", "", 2, "--format is missing\nUsage:");
        row("unknown option", "--frobnicate", 2, "unknown option --frobnicate\nUsage:");
        row("bad encoding", cat + "0 --encoding 5 --dump x", 2,
            "--encoding must be 0 to 4, not '5'\nUsage:");
        row("format out of range", cat + "3 --encoding 0 --dump %DIR%/dialog.txt", 2,
            "--format must be auto or 0 to 2, not '3'\nUsage:");
        row("missing catalogue", "--catalogue %DIR%/none.ini --list-formats", 1,
            "File %DIR%/none.ini not found");
        row("empty catalogue", "--catalogue %DIR%/empty.ini --list-formats", 1,
            "The catalogue %DIR%/empty.ini holds no usable format.");
        row("UTF-16 catalogue", "--catalogue %DIR%/utf16.ini --list-formats", 1,
            "The catalogue %DIR%/utf16.ini holds no usable format.");
        row("FIFO catalogue", "--catalogue %DIR%/fifo.ini --list-formats", 1,
            "File %DIR%/fifo.ini not found");
        row("endless catalogue", "--catalogue /dev/zero --list-formats", 1,
            "File /dev/zero not found");
        row("unreadable input", talk + "--dump %DIR%/no.txt", 1,
            "Unable to open file '%DIR%/no.txt'\nThe file cannot be opened for reading.\n"
            "No such file or directory");
        row("unreadable input, German", talk + "--language de --dump %DIR%/folder", 1,
            u"Die Datei '%DIR%/folder' kann nicht geöffnet werden\nDer Pfad bezeichnet keine Datei"_qs);
        row("unwritable output", dialog + "%DIR%/no/such/out.edt", 1,
            "Unable to save file '%DIR%/no/such/out.edt'\nThe file cannot be created");
        row("size without --yes", talk + "--dump %DIR%/half.edt", 1,
            "Left over at the end: 8 bytes of an incomplete record, which will not be saved "
            "back.\n\nOpen the whole records anyway? (--yes)\nUnable to open file "
            "'%DIR%/half.edt'\nThe file size is not a whole number of records of this EDT "
            "format.\n24 bytes is no whole number of 16-byte records.");
        row("size with --yes", talk + "--yes --dump %DIR%/half.edt", 0, "[\"first\",\"\",\"\"]\n");
        // Bytes not valid in the encoding are told; --strict refuses the file.
        const QString bad = cat + "0 --encoding 4 %DIR%/bad.txt %DIR%/r.txt";
        row("invalid bytes told", bad, 0, "", "ab\n\xef\xbf\xbd\xef\xbf\xbd\nx\n\n",
            u"bad.txt: 2 invalid bytes replaced with \ufffd; the first is in line 2 (record first)."_qs);
        row("invalid bytes told, Russian", "--language ru " + bad, 0, "",
            "ab\n\xef\xbf\xbd\xef\xbf\xbd\nx\n\n",
            u"Заменено на \ufffd: 2 недопустимых байта; первый — в строке 2 (запись first)."_qs);
        row("invalid bytes, strict", "--strict " + bad, 1, "(record first). (--strict)");
        row("auto, tie", cat + "auto --encoding 0 --dump %DIR%/dialog.txt", 1,
            "formats 0 (Talk), 2 (Talk again) match equally");
        row("auto, no match", cat + "auto --encoding 0 --dump %DIR%/half.edt", 1,
            "no format matches");

        // Text to records in another encoding, records to text, and the dump of records.
        row("text to .EDT", cat + "0 --encoding 4 --to-encoding 3 %DIR%/dialog.txt %DIR%/r.EDT", 0,
            "", kDialogRecords);
        row(".edt to text", cat + "0 --encoding 3 %DIR%/dialog.edt %DIR%/r.txt", 0, "",
            "ab\ncd!\nx\n\n");
        row("dump", cat + "0 --encoding 3 --dump %DIR%/dialog.edt", 0,
            "[\"first\",\"ab\",\"cd!\"]\n[\"# 1\",\"x\",\"\"]\n");

        // --find and --replace-with over dialog.txt (Name of 3, Text of 5).
        row("find, case ignored", dialog + "--find X", 0,
            "{\"record\": 1, \"field\": 0, \"start\": 0, \"length\": 1}\n");
        row("find, nothing matched", dialog + "--match-case --find X", 0, "");
        row("find, every match in order", dialog + "--regex --find [bd]", 0,
            "{\"record\": 0, \"field\": 0, \"start\": 1, \"length\": 1}\n"
            "{\"record\": 0, \"field\": 1, \"start\": 1, \"length\": 1}\n");
        row("find, invalid pattern", dialog + "--regex --find (", 2,
            "'(' is no valid regular expression");
        row("match options need --find", dialog + "--regex", 2, "go with --find\nUsage:");
        row("replaced, one field too long",
            dialog + "--regex --find [a-z] --replace-with $&$& %DIR%/r.txt", 0,
            "{\"replaced\": 3, \"records\": 2, \"skipped_too_long\": 1}\n", "ab\nccdd!\nxx\n\n");

        // Translations imported with the counts printed; --strict refuses what the encoding
        // cannot store; a malformed file is refused whole.
        const QString import = dialog + "%DIR%/r.txt --import-po %DIR%/";
        row("import", import + "edited.po", 0,
            "{\"imported\": 2, \"unchanged\": 0, \"fuzzy_skipped\": 0, \"too_long\": 0, "
            "\"unknown\": 0, \"not_storable\": 0, \"duplicate\": 1, \"needs_work\": 0}\n",
            "ab\nC\"D\ny\n\n");
        row("import, strict, not storable", "--strict " + import + "cyrillic.po", 1,
            "cannot be stored");
        row("import, malformed file", import + "broken.po", 1, "line 2");

        // --stats counts; --strict refuses to write characters OUTPUT's encoding changes.
        row("stats", dialog + "--stats", 0,
            "{\"records\": 2, \"fields\": 4, \"empty\": 1, \"translated\": 3, \"needs_work\": 0, "
            "\"approved\": 0, \"too_long\": 0, "
            "\"not_storable\": 0}\n");
        row("stats, reference with fewer records", dialog + "--reference %DIR%/ref.txt --stats", 0,
            "{\"records\": 2, \"fields\": 4, \"empty\": 1, \"same_as_reference\": 1, "
            "\"translated\": 2, \"needs_work\": 0, \"approved\": 0, \"too_long\": 0, "
            "\"not_storable\": 0}\n");
        const QString ru = cat + "0 --encoding 4 %DIR%/ru.txt --to-encoding ";
        row("stats, not storable in --to-encoding", ru + "0 --stats", 0,
            "{\"records\": 2, \"fields\": 4, \"empty\": 0, \"translated\": 4, \"needs_work\": 0, "
            "\"approved\": 0, \"too_long\": 1, "
            "\"not_storable\": 2}\n");
        row("strict refuses", ru + "0 --strict %DIR%/r.edt", 1,
            u"r.edt: record # 1, Name: \u0436\nscrivlet-convert: %DIR%/r.edt not written: its "
            u"encoding would change the characters of 1 field\n"_qs);
        // --update carries tr.txt over from old.txt to new.txt; the new record's "1" takes the
        // translation "I" it has elsewhere.
        const QString update = talk + "--old-reference %DIR%/old.txt --reference %DIR%/new.txt ";
        row("update", update + "--update %DIR%/tr.txt %DIR%/r.txt", 0,
            "{\"record\": 0, \"field\": 0, \"reason\": \"new\"}\n"
            "{\"record\": 0, \"field\": 1, \"reason\": \"new\"}\n"
            "{\"record\": 2, \"field\": 1, \"reason\": \"changed\"}\n"
            "{\"records\": 4, \"kept\": 1, \"moved\": 1, \"changed\": 1, \"new\": 1, "
            "\"removed\": 1, \"propagated\": 1}\n",
            "x\nI\nA\nI\nB\nII\nD\nIV\n");
        row("update over INPUT", update + "--update %DIR%/tr.txt %DIR%/./tr.txt", 2,
            "OUTPUT must not be INPUT");
        row("update without OLD",
            talk +
                "--reference %DIR%/new.txt --update %DIR%/tr.txt "
                "%DIR%/r.txt",
            2, "--update needs --old-reference OLD");
        row("update, not OLD's translation", update + "--update %DIR%/dialog.txt %DIR%/r.txt", 1,
            "record count (2)");
        // "Tom", "Hi" and "Yo" have one translation each and go to their untranslated fields;
        // "Bob" has two, so it stays; "Ann" is no group.
        row("propagate",
            talk + "--reference %DIR%/src.txt --propagate %DIR%/halfway.txt %DIR%/r.txt", 0,
            "{\"groups\": 4, \"filled\": 5, \"conflicting\": 1}\n",
            "Tim\nHallo\nTim\nHallo\nAnn\nHallo\nBo\nJo\nBob\nJo\nBb\nJo\n");
        row("propagate without a reference", talk + "--propagate %DIR%/halfway.txt %DIR%/r.txt", 2,
            "--propagate needs --reference REF");
        row("strict passes", ru + "3 --strict %DIR%/r.edt", 0, "",
            QByteArray::fromHex(
                "62006300000064006500220000000000e70000000000c700c700c700c700c700"));
    }
    // --check: one JSON line per problem, then the summary.
    void check_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout whole; for status 1 and 2 part of stderr
        const QString things = "--catalogue %CAT% --format 1 --encoding 0 ";
        const QString de = things + "--reference %DIR%/item-en.txt --check %DIR%/item-de.txt ";
        const QString clean =
            "\"too_long\": 0, \"not_storable\": 0, \"untranslated\": 1, "
            "\"empty\": 0, \"placeholders\": 1, \"tags\": 0, \"numbers\": 0, "
            "\"brackets\": 0, \"leading_space\": 0, \"trailing_space\": 0, "
            "\"line_breaks\": 0, \"double_space\": 0, \"repeated_word\": 0, "
            "\"end_punctuation\": 1, \"start_case\": 0, \"length_ratio\": 0, "
            "\"inconsistent\": 0, \"glossary\": 0";
        QTest::newRow("all checks")
            << de << 0
            << QString(
                   "{\"record\": 0, \"field\": 0, \"check\": \"placeholders\", \"detail\": "
                   "\"missing %d\"}\n"
                   "{\"record\": 1, \"field\": 0, \"check\": \"end_punctuation\", "
                   "\"detail\": \"the original ends in “.”\"}\n"
                   "{\"record\": 2, \"field\": 0, \"check\": \"untranslated\", \"detail\": "
                   "\"same as the original\"}\n"
                   "{\"fields\": 3, \"problems\": 3, \"by_check\": {") +
                   clean + "}, \"ignored\": 0}\n";
        QTest::newRow("glossary only")
            << de + "--checks glossary --glossary %DIR%/terms.csv" << 0
            << u"{\"record\": 1, \"field\": 0, \"check\": \"glossary\", \"detail\": "
               "\"“ok” not translated as “Gut \U0001F44C”\"}\n"
               "{\"fields\": 3, \"problems\": 1, \"by_check\": {\"glossary\": 1}, \"ignored\": 0}\n"_qs;
        QTest::newRow("spelling, no reference")
            << things + "--spelling en --check %DIR%/item-typo.txt" << 0
            << "{\"record\": 0, \"field\": 0, \"check\": \"spelling\", \"detail\": "
               "\"unknown words: Teh\"}\n"
               "{\"fields\": 1, \"problems\": 1, \"by_check\": {\"too_long\": 0, "
               "\"not_storable\": 0, \"double_space\": 0, \"repeated_word\": 0, "
               "\"spelling\": 1}, \"ignored\": 0}\n";
        // The shape checks with a game's tag given; then with a ratio and a field let off.
        const QString shape = things +
                              "--checks tags,brackets,repeated_word,start_case,length_ratio "
                              "--reference %DIR%/shape-en.txt --tag \\[/?[a-z]+\\] ";
        const QString line = "{\"record\": %1, \"field\": 0, \"check\": \"%2\", \"detail\": \"%3\"}\n";
        const QString sum = "{\"fields\": 6, \"problems\": %1, \"by_check\": {\"tags\": 2, "
                            "\"brackets\": 1, \"repeated_word\": 1, \"start_case\": %2, "
                            "\"length_ratio\": %3}, \"ignored\": 0}\n";
        const QString found = line.arg(0).arg("tags", "missing <b>") +
                              line.arg(1).arg("brackets", "( 0 vs 1") +
                              line.arg(2).arg("repeated_word", "word repeated: das das");
        const QString lower = line.arg(3).arg(
            "start_case", u"the original starts with “O”, the translation with “o”"_qs);
        const QString tag = line.arg(5).arg("tags", "missing [b]");
        QTest::newRow("shape checks")
            << shape + "--check %DIR%/shape-de.txt" << 0
            << found + lower + line.arg(4).arg("length_ratio", "4.2 times the original") + tag +
                   sum.arg(6).arg(1).arg(1);
        QTest::newRow("shape checks, ratio 5, field 1:0 may start in lower case")
            << shape + "--length-ratio 5 --no-start-case 1:0 --check %DIR%/shape-de.txt" << 0
            << found + tag + sum.arg(4).arg(0).arg(0);
        QTest::newRow("bad ratio") << de + "--length-ratio 1" << 2
                                   << "--length-ratio must be a number above 1, not '1'";
        QTest::newRow("bad field") << de + "--no-start-case 1" << 2
                                   << "--no-start-case takes FORMAT:FIELD (numbers), not '1'";
        QTest::newRow("bad tag") << de + "--tag (" << 2 << "'(' is no valid regular expression";
        QTest::newRow("unknown check") << de + "--checks frob" << 2 << "unknown check 'frob'";
        QTest::newRow("spelling without language")
            << de + "--checks spelling" << 2 << "the spelling check needs --spelling LANG";
        QTest::newRow("bad placeholder")
            << de + "--placeholder (" << 2 << "'(' is no valid regular expression";
        QTest::newRow("missing glossary")
            << de + "--glossary %DIR%/none.csv" << 1 << "Unable to open file '%DIR%/none.csv'";
        QTest::newRow("check options alone")
            << things + "--spelling en --dump %DIR%/item-de.txt" << 2 << "go with --check";
    }
    void check()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        Expect(args, code, out);
    }

    // --project --check with what the editor keeps in the project (words added to the word
    // list, the game's own placeholders and tags, a field that may start in lower case), and
    // without.
    void projectCheckTakesProjectChoices_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("out");
        const QString line = "{\"file\": \"act/items.txt\", \"record\": %1, \"field\": 0, "
                             "\"check\": \"%2\", \"detail\": \"%3\"}\n";
        const QString sum = "{\"files\": 1, \"fields\": 4, \"problems\": %1, \"by_check\": "
                            "{\"placeholders\": %2, \"tags\": %2, \"start_case\": %3, "
                            "\"spelling\": %3}, \"ignored\": 0}\n";
        QTest::newRow("kept in the project")
            << true
            << line.arg(1).arg("placeholders", "missing [NAME]") +
                   line.arg(2).arg("tags", "missing [b]") + sum.arg(2).arg(1).arg(0);
        // Without them "[NAME]" is prose and "[/b]" holds a word.
        const QString lower = u"the original starts with “%1”, the translation with “%2”"_qs;
        QTest::newRow("none kept")
            << false
            << line.arg(0).arg("spelling", u"unknown words: Харроумир"_qs) +
                   line.arg(1).arg("start_case", lower.arg("N", u"п"_qs)) +
                   line.arg(2).arg("spelling", "unknown words: b") +
                   line.arg(3).arg("start_case", lower.arg("O", u"о"_qs)) +
                   sum.arg(4).arg(0).arg(2);
    }
    void projectCheckTakesProjectChoices()
    {
        QFETCH(bool, stored);
        const QString home = P(stored ? "kept" : "none");
        QVERIFY(QDir().mkpath(home + "/en/act") && QDir().mkpath(home + "/ru/act"));
        QVERIFY(WriteAll(home + "/en/act/items.txt",
                         "Harrowmere is dark.\n[NAME] wins\n[b]Go[/b]\nOpen it\n"));
        QVERIFY(WriteAll(home + "/ru/act/items.txt",
                         u"Харроумир погас.\nпобеждает\nИди[/b]\nоткрой\n"_qs.toUtf8()));
        const QString project = home + "/p.scrivlet";
        QCOMPARE(Convert({"--catalogue", catalogue_, "--new-project", project, "--originals",
                          home + "/en", "--original-encoding", "4", "--translations",
                          home + "/ru", "--encoding", "4"})
                     .code,
                 0);
        if (stored) {
            scrivlet::ProjectFile file;
            QVERIFY(file.Open(project));
            QVERIFY(scrivlet::StoreProjectWordList(file, {u"Харроумир"_qs}));
            QVERIFY(scrivlet::StoreCheckTuning(
                file, {{"\\[[A-Z]+\\]"}, {"\\[/?[a-z]+\\]"}, 3, {"1:0"}}));
        }
        const Result run = Convert({"--catalogue", catalogue_, "--project", project, "--checks",
                                    "placeholders,tags,start_case,spelling", "--spelling", "ru",
                                    "--check"});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QTEST(QString::fromUtf8(run.out), "out");
    }

    // A box kept with --set-box (a format's field, then one file's over it) and what --check
    // makes of it; the single-file --box with a TrueType font; wrong box options.
    void boxes_data()
    {
        QTest::addColumn<QString>("args");  // after --project P; %FONT% the fixture's copy
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout whole; else part of stderr
        const QString set = "--set-box 1 0 --font %FONT% --size 20 ";
        const QString check = "--checks too_wide,missing_glyph --check";
        const QString line =
            "{\"file\": \"act/items.txt\", \"record\": %1, \"field\": 0, "
            "\"check\": \"%2\", \"detail\": \"%3\"}\n";
        const QString sum =
            "{\"files\": 1, \"fields\": 3, \"problems\": %1, \"by_check\": "
            "{\"too_wide\": %2, \"missing_glyph\": 1}, \"ignored\": 0}\n";
        QTest::newRow("set") << set + "--width 60 --lines 1" << 0
                             << "{\"format\": 1, \"field\": 0, \"font\": \"fonts/box.fnt\", "
                                "\"size\": 20, \"width\": 60, \"lines\": 1, \"break\": "
                                "\"space\"}\n";
        QTest::newRow("check") << check << 0
                               << line.arg(0).arg("too_wide", "2 lines, the box holds 1") +
                                      line.arg(1).arg("too_wide",
                                                      "a word 66 px wide, the box is 60 px") +
                                      line.arg(2).arg("missing_glyph",
                                                      "the font has no glyph for: ?") +
                                      sum.arg(3).arg(2);
        QTest::newRow("set for the file")
            << set + "--width 200 --lines 2 --break anywhere --file act/items.txt" << 0
            << "{\"format\": 1, \"field\": 0, \"font\": \"fonts/box.fnt\", \"size\": 20, "
               "\"width\": 200, \"lines\": 2, \"break\": \"anywhere\"}\n";
        QTest::newRow("check with the file's box")
            << check << 0
            << line.arg(2).arg("missing_glyph", "the font has no glyph for: ?") + sum.arg(1).arg(0);
        QTest::newRow("no such field")
            << "--set-box 1 1 --font %FONT% --size 20 --width 9 --lines 1" << 1
            << "format 1 has 1 text fields";
        QTest::newRow("no such file")
            << set + "--width 9 --lines 1 --file none.txt" << 1 << "none.txt";
        QTest::newRow("no lines") << set + "--width 9" << 2
                                  << "--size, --width and --lines take numbers above 0";
        QTest::newRow("bad break") << set + "--width 9 --lines 1 --break never" << 2
                                   << "--break takes space or anywhere, not 'never'";
        QTest::newRow("font alone") << "--font %FONT% --stats" << 2 << "go with --set-box";
        QTest::newRow("not a font") << "--set-box 1 0 --font %DIR%/item-en.txt --size 20 "
                                       "--width 9 --lines 1"
                                    << 1 << "cannot be loaded";
    }
    void boxes()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        const QString home = P("boxes");
        if (!QFileInfo::exists(home + "/p.scrivlet")) {
            QVERIFY(QDir().mkpath(home + "/en/act") && QDir().mkpath(home + "/de/act") &&
                    QDir().mkpath(home + "/fonts"));
            QVERIFY(QFile::copy(SCRIVLET_TEST_FONTS "/box.fnt", home + "/fonts/box.fnt"));
            QVERIFY(WriteAll(home + "/en/act/items.txt", "a\nb\nc\n"));
            QVERIFY(WriteAll(home + "/de/act/items.txt", "abc cab bca\nAVAVAVA\nab?\n"));
            QCOMPARE(Convert({"--catalogue", catalogue_, "--new-project", home + "/p.scrivlet",
                              "--originals", home + "/en", "--original-encoding", "4",
                              "--translations", home + "/de", "--encoding", "4"})
                         .code,
                     0);
        }
        args.replace(QLatin1String("%FONT%"), home + "/fonts/box.fnt");
        Expect("--catalogue %CAT% --project " + home + "/p.scrivlet " + args, code, out);
    }

    void boxOfOneFile()
    {
        // DejaVu Sans at 16 px: four lines of 100 px (the layout test holds the wrap to Qt's).
        const QString font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        QVERIFY(WriteAll(P("box-de.txt"), "Der Hüter des Tores öffnet es nicht\n"));
        Expect(
            "--catalogue %CAT% --format 1 --encoding 4 --checks too_wide,missing_glyph --box 0:" +
                font + ":16:100:2 --check %DIR%/box-de.txt",
            0,
            "{\"record\": 0, \"field\": 0, \"check\": \"too_wide\", \"detail\": \"4 lines, "
            "the box holds 2\"}\n{\"fields\": 1, \"problems\": 1, \"by_check\": "
            "{\"too_wide\": 1, \"missing_glyph\": 0}, \"ignored\": 0}\n");
        Expect(
            "--catalogue %CAT% --format 1 --encoding 4 --box 0:f:16:0:2 --check %DIR%/box-de.txt",
            2, "--box takes FIELD:FONT:SIZE:WIDTH:LINES[:BREAK] with numbers above 0");
    }

    void commandLine()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QDir dir(dir_.path(), QStringLiteral("r.*"));
        for (const QString& name : dir.entryList(QDir::Files))
            QVERIFY(dir.remove(name));
        QFETCH(QString, err);
        Expect(args, code, out, err);
        QByteArray written;
        for (const QString& name : dir.entryList(QDir::Files))
            written += ReadAll(dir.filePath(name));
        QTEST(written, "saved");
    }

    void helpAndListFormats()
    {
        const Result help = Convert({"--help"});
        QVERIFY(help.code == 0 && help.out.startsWith("Usage:") && help.out.contains("--stats"));
        // A project's exchange options, one file for a format that holds many documents.
        QVERIFY2(
            help.out.contains("--project P.scrivlet --export-xliff OUT.xlf | --export-po DIR\n"
                              "  scrivlet-convert [COMMON] --project P.scrivlet --import-xliff "
                              "IN.xlf | --import-po DIR\n                   [--include-fuzzy]\n"),
            help.out);
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

    // The sample documents built beside the converter: every one is recognised by its name
    // and holds the texts of its source.
    void samplesAreRecognisedAndComplete()
    {
        const QDir samples(
            QFileInfo(QStringLiteral(SCRIVLET_CONVERT_EXE)).dir().filePath("samples"));
        const QStringList files = samples.entryList({"*.edt", "*.txt"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 18, qPrintable(files.join(' ')));
        // Each variant's encoding and its source's suffix; the kinds in catalogue order.
        const QMap<QString, QStringList> variants{
            {"english", {"0", "en"}}, {"russian", {"3", "ru"}}, {"unicode", {"4", "multi"}}};
        const QStringList kinds{"dialog", "items", "quest"};
        for (const QString& file : files) {
            const QString kind = file.section('-', 0, 0);
            const QStringList variant = variants.value(file.section('.', 0, 0).section('-', 1));
            QVERIFY2(kinds.contains(kind) && !variant.isEmpty(), qPrintable(file));
            const Result sample = Convert(
                {"--format", "auto", "--encoding", variant[0], "--dump", samples.filePath(file)});
            QVERIFY2(sample.code == 0, qPrintable(file + ": " + sample.err));
            const Result expected = Convert(
                {"--format", QString::number(kinds.indexOf(kind)), "--encoding", "4", "--dump",
                 QStringLiteral(SCRIVLET_SAMPLE_SOURCES "/%1_%2.txt").arg(kind, variant[1])});
            QCOMPARE(expected.code, 0);
            QVERIFY(expected.out.count('\n') >= 3);
            QCOMPARE(sample.out, expected.out);
        }
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
        const QString exported = P("e.po");
        QCOMPARE(Convert(Expand(talk + "--reference %DIR%/ref.edt --export-po " + exported +
                                " %DIR%/dialog.edt"))
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
        QCOMPARE(ReadAll(P("b.edt")), kDialogRecords);
    }
};

SCRIVLET_TEST(ConvertTest);
#include "test_convert.moc"
