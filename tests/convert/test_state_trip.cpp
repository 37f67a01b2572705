#include "TestFiles.h"
#include "TestRegistry.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// A pre-translated project's states and comments go out through the converter's exports, past
// the other tools a translator uses, and come back into a project that had none, as they were.
// PO cannot say "approved", nor can Qt's TS: there an approval comes back as translated.

using namespace scrivlet::test;

namespace {

const char kCatalogue[] =
    "[FORMAT0]\nname=Things\npath=.*/(item)[^/]*\nwidth=8\n"
    "[FORMAT0.COLUMN0]\ndesc=Thing\nwidth=80\ntype=1\ndataoffset=0\ndatasize=8\n";

ToolRun Convert(const QStringList& args)
{
    return RunTool(QStringLiteral(SCRIVLET_CONVERT_EXE), args);
}

QString Lconvert()
{
    return QStandardPaths::findExecutable("lconvert",
                                          {QLibraryInfo::path(QLibraryInfo::BinariesPath)});
}

}  // namespace

class StateTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    // A project over en/ and de/ in home; its run's status.
    int NewProject(const QString& home)
    {
        return Convert({"--catalogue", P("formats.ini"), "--new-project", home + "/p.scrivlet",
                        "--originals", home + "/en", "--original-encoding", "4", "--translations",
                        home + "/de", "--encoding", "4"})
            .code;
    }
    QByteArray States(const QString& home)
    {
        const ToolRun run = Convert(
            {"--catalogue", P("formats.ini"), "--project", home + "/p.scrivlet", "--states"});
        return run.code == 0 ? run.out : run.err.toUtf8();
    }
    void Run(const QString& home, QStringList args)
    {
        args =
            QStringList{"--catalogue", P("formats.ini"), "--project", home + "/p.scrivlet"} + args;
        const ToolRun run = Convert(args);
        QVERIFY2(run.code == 0, qPrintable(args.join(u' ') + u'\n' + run.err));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteAll(P("formats.ini"), kCatalogue));
        const QString home = P("home");
        QVERIFY(QDir().mkpath(home + "/en") && QDir().mkpath(home + "/de"));
        QVERIFY(WriteAll(home + "/en/items.txt", "Door\nGo east\nClose\nSword\nShield\n"));
        QVERIFY(WriteAll(home + "/de/items.txt", "Tuer\n\n\nSchwert\nSchild\n"));
        QCOMPARE(NewProject(home), 0);
        // The project's memory fills one field exactly and guesses another.
        QVERIFY(WriteAll(P("m.tmx"),
                         "<tmx version=\"1.4\"><header srclang=\"en\"/><body>"
                         "<tu><tuv xml:lang=\"en\"><seg>Go west</seg></tuv>"
                         "<tuv xml:lang=\"de\"><seg>Geh West</seg></tuv></tu>"
                         "<tu><tuv xml:lang=\"en\"><seg>Close</seg></tuv>"
                         "<tuv xml:lang=\"de\"><seg>Zu</seg></tuv></tu></body></tmx>"));
        QCOMPARE(Convert({"--tm", home + "/p.scrivlet", "--source-lang", "en", "--target-lang",
                          "de", "--tm-import", P("m.tmx")})
                     .code,
                 0);
        Run(home, {"--pretranslate", "--min-score", "50"});
        Run(home, {"--set-state", "items.txt", "--record", "0", "--field", "0", "--state",
                   "approved", "--comment", "Checked with the team"});
        Run(home, {"--set-state", "items.txt", "--record", "1", "--field", "0", "--state",
                   "needs_work", "--comment", "Ask about\nthe \"east\""});
        Run(home, {"--set-state", "items.txt", "--record", "3", "--field", "0", "--state",
                   "translated", "--comment", "Kept"});
        QCOMPARE(QString::fromUtf8(States(home)),
                 "{\"file\": \"items.txt\", \"record\": 0, \"field\": 0, \"state\": \"approved\", "
                 "\"comment\": \"Checked with the team\"}\n"
                 "{\"file\": \"items.txt\", \"record\": 1, \"field\": 0, \"state\": "
                 "\"needs_work\", \"comment\": \"Ask about\\nthe \\\"east\\\"\"}\n"
                 "{\"file\": \"items.txt\", \"record\": 3, \"field\": 0, \"state\": "
                 "\"translated\", \"comment\": \"Kept\"}\n");
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("keepsApproval");
        QTest::newRow("po") << "po" << false;
        QTest::newRow("xliff") << "xliff" << true;
        QTest::newRow("xliff, lconvert to ts and back") << "lconvert" << false;
    }
    void roundTrip()
    {
        QFETCH(QString, route);
        QFETCH(bool, keepsApproval);
        const QString home = P("home"), out = P("out-" + route);
        QString back;
        if (route == "po") {
            Run(home, {"--export-po", out});
            back = out + "/items.txt.po";
            if (QStandardPaths::findExecutable("msgfmt").isEmpty() ||
                QStandardPaths::findExecutable("po2xliff").isEmpty())
                QSKIP("msgfmt or po2xliff is missing");
            QCOMPARE(RunTool("msgfmt", {"--check", "-o", "/dev/null", back}).code, 0);
            // translate-toolkit reads the draft as one and the comments as the translator's.
            QCOMPARE(RunTool("po2xliff", {back, out + "/tt.xlf"}).code, 0);
            const QByteArray tt = ReadAll(out + "/tt.xlf");
            QVERIFY2(tt.contains("approved=\"no\"><source>Go east</source>\n        <target "
                                 "state=\"needs-translation\">Geh West</target>"),
                     tt.constData());
            QCOMPARE(tt.count("approved=\"no\""), 2);  // the header is the other one
            QVERIFY(tt.contains("<note from=\"po-translator\">Ask about\nthe \"east\"</note>"));
            QVERIFY(tt.contains("<note from=\"po-translator\">Checked with the team</note>"));
        } else {
            back = out + ".xlf";
            Run(home, {"--export-xliff", back});
            // The schemas sit beside the repository; a clone elsewhere checks the rest.
            if (QFile::exists(SCRIVLET_XLIFF_STRICT_XSD))
                QCOMPARE(
                    RunTool("xmllint", {"--noout", "--schema", SCRIVLET_XLIFF_STRICT_XSD, back})
                        .code,
                    0);
            if (route == "lconvert") {
                if (Lconvert().isEmpty())
                    QSKIP("lconvert is missing");
                QCOMPARE(RunTool(Lconvert(), {"-i", back, "-o", out + ".ts"}).code, 0);
                back = out + "-back.xlf";
                QCOMPARE(RunTool(Lconvert(), {"-i", out + ".ts", "-o", back}).code, 0);
            }
        }
        // Into a project of the same texts that keeps no states.
        const QString fresh = P("fresh-" + route);
        QVERIFY(QDir().mkpath(fresh + "/en") && QDir().mkpath(fresh + "/de"));
        for (const char* file : {"/en/items.txt", "/de/items.txt"})
            QVERIFY(QFile::copy(home + file, fresh + file));
        QCOMPARE(NewProject(fresh), 0);
        Run(fresh, {route == "po" ? "--import-po" : "--import-xliff", route == "po" ? out : back});
        QByteArray expected = States(home);
        if (!keepsApproval)
            expected.replace("\"approved\"", "\"translated\"");
        QCOMPARE(States(fresh), expected);
    }
};

SCRIVLET_TEST(StateTripTest);
#include "test_state_trip.moc"
