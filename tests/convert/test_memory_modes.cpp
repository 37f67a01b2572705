#include "SilentServer.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QTest>


// The converter's memory doors, run in order against one memory file as a user would.

namespace {

using namespace scrivlet::test;

// One text field of 6 characters.
const char kCatalogue[] =
    "[FORMAT0]\nname=Lines\npath=.*/(lines)[^/]*\nwidth=6\n"
    "[FORMAT0.COLUMN0]\ndesc=Line\nwidth=80\ntype=1\ndataoffset=0\ndatasize=6\n";

const char kTmx[] =
    "<?xml version=\"1.0\"?><tmx version=\"1.4\"><header srclang=\"en\"/><body>"
    "<tu><tuv xml:lang=\"en\"><seg>Door</seg></tuv><tuv xml:lang=\"de\"><seg>Tür</seg></tuv></tu>"
    "<tu><tuv xml:lang=\"en\"><seg>Doors</seg></tuv><tuv xml:lang=\"de-AT\"><seg>Türen</seg>"
    "</tuv></tu>"
    "<tu><tuv xml:lang=\"en\"><seg>Door</seg></tuv><tuv xml:lang=\"de\"><seg>Tür</seg></tuv></tu>"
    "<tu><tuv xml:lang=\"en\"><seg>Red lamp</seg></tuv><tuv xml:lang=\"de\"><seg>Rote Lampe</seg>"
    "</tuv></tu></body></tmx>";

}  // namespace

class MemoryModesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SilentServer silent_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteAll(dir_.filePath("formats.ini"), kCatalogue));
        QVERIFY(WriteAll(dir_.filePath("in.tmx"), kTmx));
        QVERIFY(WriteAll(dir_.filePath("other.tmx"),
                         "<tmx version=\"1.4\"><body><tu><tuv xml:lang=\"fr\"><seg>Porte</seg>"
                         "</tuv><tuv xml:lang=\"it\"><seg>Porta</seg></tuv></tu></body></tmx>"));
        QVERIFY(WriteAll(dir_.filePath("large.tmx"),
                         "<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">\n<tmx version=\"1.4\"><body>\n"
                         "<tu><tuv xml:lang=\"en\"><seg>" +
                             QByteArray(1100, 'x') +
                             "</seg></tuv><tuv xml:lang=\"de\"><seg>y</seg></tuv></tu>\n"
                             "<tu><tuv xml:lang=\"en\"><seg>Door</seg></tuv><tuv "
                             "xml:lang=\"de\"><seg>Tür</seg></tuv></tu></body></tmx>"));
        QVERIFY(silent_.Port() > 0);
        QVERIFY(WriteAll(dir_.filePath("lines-en.txt"), "Lamp\nDoor\n\nSame\n"));
        QVERIFY(WriteAll(dir_.filePath("lines-de.txt"), "Lampe\nDoor\nDazu\nSame\n"));
        // Pre-translated: empty, equal to the original, or translated already.
        QVERIFY(WriteAll(dir_.filePath("ref.txt"), "Door\nDoors\nRed lamp\nDoor\nLamp\nNew\n"));
        QVERIFY(WriteAll(dir_.filePath("todo.txt"), "\nDoors\n\nTor\n\n\n"));
        QVERIFY(WriteAll(dir_.filePath("fuzzy.po"),
                         "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                         "#, fuzzy\nmsgctxt \"0:0\"\nmsgid \"Gate\"\nmsgstr \"Tor?\"\n\n"
                         "msgctxt \"1:0\"\nmsgid \"Key\"\nmsgstr \"Schl\xc3\xbcssel\"\n"));
    }

    // Rows run in order: each works on the memory the rows before it filled.
    void doors_data()
    {
        QTest::addColumn<QString>("args");  // split at '|'; %D is the folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout, or what stderr holds on a failure
        QTest::newRow("new memory needs languages")
            << "--tm|%D/never.db|--tm-import|%D/in.tmx" << 2 << "needs --source-lang";
        QTest::newRow("one language is not enough")
            << "--tm|%D/tm.db|--source-lang|en|--tm-import|%D/in.tmx" << 2 << "give both";
        QTest::newRow("tmx") << "--tm|%D/tm.db|--source-lang|en-US|--target-lang|de|--tm-import|"
                                "%D/in.tmx"
                             << 0 << "{\"segments\": 4, \"added\": 3, \"duplicates\": 1}\n";
        QTest::newRow("tmx again, the memory's languages")
            << "--tm|%D/tm.db|--tm-import|%D/in.tmx" << 0
            << "{\"segments\": 4, \"added\": 0, \"duplicates\": 4}\n";
        QTest::newRow("pair") << "--tm|%D/tm.db|--catalogue|%D/formats.ini|--format|auto|"
                                 "--encoding|1|--reference-encoding|0|--tm-import-pair|"
                                 "%D/lines-en.txt|%D/lines-de.txt"
                              << 0 << "{\"segments\": 1, \"added\": 1, \"duplicates\": 0}\n";
        for (const char* kind : {"po", "xliff"}) {
            const QString file = QStringLiteral("%D/lines.") + (kind[0] == 'p' ? "po" : "xlf");
            QTest::newRow(kind) << "--catalogue|%D/formats.ini|--format|0|--encoding|1|--reference|"
                                   "%D/lines-en.txt|--reference-encoding|0|--export-" +
                                       QString(kind) + u'|' + file + "|%D/lines-de.txt"
                                << 0 << "";
            QTest::newRow(kind) << "--tm|%D/tm.db|--tm-import|" + file << 0
                                << "{\"segments\": 1, \"added\": 0, \"duplicates\": 1}\n";
        }
        // Told which languages the file holds; a unit over the limit left out with its line,
        // and counted.
        QTest::newRow("tmx in other languages")
            << "--tm|%D/tm.db|--tm-import|%D/other.tmx" << 0
            << "{\"segments\": 0, \"added\": 0, \"duplicates\": 0}\n"
               "||no unit holds both en-US and de; the file's units are in: fr, it.";
        QTest::newRow("tmx with a unit too large")
            << "--tm|%D/tm.db|--tm-import|%D/large.tmx|--tm-unit-limit|1" << 0
            << "{\"segments\": 1, \"added\": 0, \"duplicates\": 1, \"too_large\": 1}\n"
               "||large.tmx: the unit on line 3 holds more than 1024 characters";
        QTest::newRow("fuzzy po entries left out")
            << "--tm|%D/tm.db|--tm-import|%D/fuzzy.po" << 0
            << "{\"segments\": 1, \"added\": 1, \"duplicates\": 0}\n";
        QTest::newRow("exact and fuzzy")
            << "--tm|%D/tm.db|--suggest|Door" << 0
            << u"{\"source\": \"Door\", \"target\": \"Tür\", \"score\": 100}\n"
               "{\"source\": \"Doors\", \"target\": \"Türen\", \"score\": 80}\n"_qs;
        QTest::newRow("min score and limit")
            << "--tm|%D/tm.db|--suggest|Doors|--min-score|50|--limit|1" << 0
            << u"{\"source\": \"Doors\", \"target\": \"Türen\", \"score\": 100}\n"_qs;
        QTest::newRow("none above the score")
            << "--tm|%D/tm.db|--suggest|Lantern|--min-score|90" << 0 << "";
        QTest::newRow("pretranslate")
            << "--tm|%D/tm.db|--catalogue|%D/formats.ini|--format|0|--encoding|1|--reference|"
               "%D/ref.txt|--pretranslate|%D/todo.txt|%D/done.txt|--min-score|70"
            << 0 << "{\"filled\": 3, \"exact\": 3, \"fuzzy\": 0, \"too_long\": 1}\n";
        QTest::newRow("pretranslate, only what the output's encoding stores")
            << "--tm|%D/tm.db|--catalogue|%D/formats.ini|--format|0|--encoding|1|--reference|"
               "%D/ref.txt|--pretranslate|%D/todo.txt|%D/ru.txt|--min-score|70|--to-encoding|3"
            << 0 << "{\"filled\": 1, \"exact\": 1, \"fuzzy\": 0, \"too_long\": 1}\n";
        QTest::newRow("export") << "--tm|%D/tm.db|--tm-export|%D/out.tmx" << 0
                                << "{\"exported\": 5, \"left_out\": 0}\n";
        QTest::newRow("two modes")
            << "--tm|%D/tm.db|--suggest|x|--tm-export|%D/o.tmx" << 2 << "takes one of";
        QTest::newRow("no server, no password told")
            << "--tm|postgresql://me:secret@/none?host=%D|--suggest|x" << 1
            << "memory postgresql://me@/none";
        QTest::newRow("password in the query, not told")
            << "--tm|postgresql:///none?host=%D&password=secret&user=me|--suggest|x" << 1
            << "memory postgresql:///none?host=%D&user=me cannot";
        QTest::newRow("garbage connection string named")
            << "--tm|postgres://[x:secret@|--suggest|x" << 1 << "memory postgres://[x@ cannot";
        QTest::newRow("server that never answers")
            << "--tm|postgresql://me@127.0.0.1:%PORT/tm|--tm-timeout|1|--suggest|x" << 1
            << "the server did not answer within 1 s.";
        QTest::newRow("limit without suggest")
            << "--tm|%D/tm.db|--tm-export|%D/o.tmx|--limit|3" << 2 << "--limit goes with";
        QTest::newRow("score past 100")
            << "--tm|%D/tm.db|--suggest|x|--min-score|101" << 2 << "0 to 100";
    }

    void doors()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        args.replace(QLatin1String("%PORT"), QString::number(silent_.Port()));
        out.replace(QLatin1String("%D"), dir_.path());
        const ToolRun run = RunTool(QStringLiteral(SCRIVLET_CONVERT_EXE),
                                    args.replace(QLatin1String("%D"), dir_.path()).split(u'|'));
        QVERIFY2(run.code == code, qPrintable(run.err));
        QVERIFY(!run.err.contains("secret"));
        const QStringList parts = out.split(QLatin1String("||"));  // stdout || part of stderr
        if (code != 0)
            QVERIFY2(run.err.contains(out), qPrintable(run.err));
        else
            QCOMPARE(QString::fromUtf8(run.out), parts[0]);
        if (parts.size() > 1)
            QVERIFY2(run.err.contains(parts[1]), qPrintable(run.err));
    }

    // A write cut by the file-size limit is reported with the system's reason, not by the
    // process ending on SIGXFSZ.
    void fileSizeLimit()
    {
        QByteArray tmx = "<tmx version=\"1.4\"><body>";
        for (int i = 0; i < 3000; ++i)
            tmx += "<tu><tuv xml:lang=\"en\"><seg>Source text " + QByteArray::number(i) +
                   "</seg></tuv><tuv xml:lang=\"de\"><seg>Zieltext</seg></tuv></tu>";
        QVERIFY(WriteAll(dir_.filePath("many.tmx"), tmx + "</body></tmx>"));
        const ToolRun run =
            RunTool("sh", {"-c", "ulimit -f 64; exec \"$0\" \"$@\"", SCRIVLET_CONVERT_EXE, "--tm",
                           dir_.filePath("limited.db"), "--source-lang", "en", "--target-lang",
                           "de", "--tm-import", dir_.filePath("many.tmx")});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("the memory " + dir_.filePath("limited.db")) &&
                     run.err.contains("File too large"),
                 qPrintable(run.err));
    }

    // A statement the server does not answer (a table another session holds locked) fails
    // within the timeout, and the failure names the memory, not the file being imported.
    void serverSilentMidImport()
    {
        QUrl server(qEnvironmentVariable("SCRIVLET_TEST_POSTGRES"));
        if (server.isEmpty() || QStandardPaths::findExecutable("psql").isEmpty())
            QSKIP("SCRIVLET_TEST_POSTGRES names no server, or psql is missing");
        // A database of its own: the memory tests drop the tables of theirs.
        RunTool("psql", {server.toString(), "-q", "-c", "CREATE DATABASE scrivlet_silent"});
        server.setPath(QStringLiteral("/scrivlet_silent"));
        const QStringList import{"--tm", server.toString(), "--source-lang", "en",
                                 "--target-lang", "de", "--tm-timeout", "1", "--tm-import",
                                 dir_.filePath("in.tmx")};
        QCOMPARE(RunTool(SCRIVLET_CONVERT_EXE, import).code, 0);
        QProcess holder;
        holder.start("psql", {server.toString(), "-q", "-c",
                              "BEGIN; LOCK TABLE tm_unit; SELECT pg_sleep(4);"});
        QVERIFY(holder.waitForStarted());
        QTest::qWait(500);
        const ToolRun run = RunTool(SCRIVLET_CONVERT_EXE, import);
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.startsWith("scrivlet-convert: the memory postgresql:///scrivlet_silent") &&
                     run.err.contains("the server did not answer within 1 s."),
                 qPrintable(run.err));
    }


    // The pre-translated file: exact matches in the empty fields and the one equal to its
    // original; "Red lamp" has only a match longer than the field; a translated field stays.
    // The refused first import made no memory.
    void filesLeft()
    {
        QVERIFY(!QFile::exists(dir_.filePath("never.db")));
        QCOMPARE(ReadAll(dir_.filePath("done.txt")),
                 QByteArray("T\xfcr\nT\xfcren\n\nTor\nLampe\n"));
    }
};

SCRIVLET_TEST(MemoryModesTest);

#include "test_memory_modes.moc"
