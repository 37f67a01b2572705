#include "TestFiles.h"
#include "TestGit.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QTest>

// The git doors as a team uses them: a bare origin and two clones whose drivers --git-setup
// set, git calling them on a pull, a diff and a log, and the conflicts a pull leaves resolved
// field by field.

namespace {

using namespace scrivlet::test;

// Record layout: 8 units, a label column, Name 0..2, Text 3..7.
const char kCatalogue[] =
    "[FORMAT0]\nname=Talk\npath=.*/(dialog)[^/]*\nwidth=8\n"
    "[FORMAT0.COLUMN0]\ndesc=No.\nwidth=-1\ntype=0\nlabel.0=first\nlabel.1=second\n"
    "[FORMAT0.COLUMN1]\ndesc=Name\nwidth=100\ntype=1\ndataoffset=0\ndatasize=3\n"
    "[FORMAT0.COLUMN2]\ndesc=Text\nwidth=200\ntype=1\ndataoffset=3\ndatasize=5\n";

const QString kFile = QStringLiteral("tr/dialog.edt");

}  // namespace

class GitModesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    ToolRun Convert(const QStringList& args) const
    {
        return RunTool(QStringLiteral(SCRIVLET_CONVERT_EXE),
                       QStringList{"--catalogue", P("formats.ini")} + args);
    }
    // Writes the clone's translation from text lines (Name, Text per record; at most 3 and 5
    // characters) and commits it.
    void Commit(const QString& clone, const QByteArray& lines) const
    {
        QVERIFY(WriteAll(P("lines.txt"), lines));
        QCOMPARE(Convert({"--format", "0", "--encoding", "4", P("lines.txt"), clone + u'/' + kFile})
                     .code,
                 0);
        const ToolRun commit = Git(clone, {"commit", "-qam", "edit"});
        QVERIFY2(commit.code == 0, commit.out + commit.err.toUtf8());
    }
    QByteArray Shown(const QString& clone) const
    {
        return Convert({"--textconv", clone + u'/' + kFile}).out;
    }
    ToolRun Resolve(int record, int field, const QString& take) const
    {
        return Convert({"--project", P("b/game.scrivlet"), "--resolve", "dialog.edt", "--record",
                        QString::number(record), "--field", QString::number(field), "--take",
                        take});
    }
    int Unmerged(const QString& clone) const
    {
        return int(Git(clone, {"ls-files", "-u", "--", kFile}).out.count('\n'));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteAll(P("formats.ini"), kCatalogue));
        QVERIFY(IsolateGit(dir_.path()));
        QCOMPARE(RunTool("git", {"init", "-q", "--bare", P("origin.git")}).code, 0);
        QCOMPARE(RunTool("git", {"clone", "-q", P("origin.git"), P("a")}).code, 0);
        // A project of the original and its translation, both in Unicode.
        QVERIFY(QDir().mkpath(P("a/orig")) && QDir().mkpath(P("a/tr")));
        QVERIFY(WriteAll(P("lines.txt"), "Ann\nHello\nBob\nBye\n"));
        QCOMPARE(
            Convert({"--format", "0", "--encoding", "4", P("lines.txt"), P("a/orig/dialog.edt")})
                .code,
            0);
        QVERIFY(QFile::copy(P("a/orig/dialog.edt"), P("a/") + kFile));
        QCOMPARE(
            Convert({"--new-project", P("a/game.scrivlet"), "--originals", P("a/orig"),
                     "--original-encoding", "4", "--translations", P("a/tr"), "--encoding", "4"})
                .code,
            0);
    }

    // The driver called directly on text files outside any project.
    void mergeDriver_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");  // a part of stderr
        QTest::addColumn<QByteArray>("result");
        const QString given = "--format 0 --encoding 4";
        const QByteArray al = "Al\nHello\n";
        QTest::newRow("merged") << given << al << QByteArray("Ann\nHi\n") << 0
                                << QByteArray("{\"fields\": 2, \"merged\": 1, \"conflicts\": 0}\n")
                                << "" << QByteArray("Al\nHi\n");
        QTest::newRow("conflict") << given << al << QByteArray("Bo\nHi\n") << 1
                                  << QByteArray(
                                         "{\"fields\": 2, \"merged\": 1, \"conflicts\": 1}\n")
                                  << "" << QByteArray("Al\nHi\n");
        QTest::newRow("no project, no encoding")
            << "--format 0" << al << QByteArray("Ann\nHi\n") << 1 << QByteArray()
            << "lies in none of the folders of a project" << al;
        QTest::newRow("no such format")
            << "--format 7 --encoding 4" << al << QByteArray("Ann\nHi\n") << 2 << QByteArray()
            << "--format must be" << al;
    }
    void mergeDriver()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        QFETCH(QString, err);
        QVERIFY(WriteAll(P("m/base.txt"), "Ann\nHello\n") && WriteAll(P("m/ours.txt"), ours) &&
                WriteAll(P("m/theirs.txt"), theirs));
        const ToolRun run =
            Convert(options.split(u' ') +
                    QStringList{"--merge", P("m/base.txt"), P("m/ours.txt"), P("m/theirs.txt")});
        QTEST(run.code, "code");
        QTEST(run.out, "out");
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QTEST(ReadAll(P("m/ours.txt")), "result");
    }

    // What set-up writes, then that a second run writes nothing.
    void setup()
    {
        const ToolRun first = Convert({"--git-setup", P("a")});
        QCOMPARE(first.code, 0);
        QCOMPARE(first.out,
                 "{\"attributes\": [\"*.scrivlet merge=scrivlet\", "
                 "\"tr/**/*.edt merge=scrivlet diff=scrivlet\", "
                 "\"tr/**/*.edt.states merge=scrivlet\", \"tr/**/*.edt.notes merge=scrivlet\", "
                 "\"tr/**/*.txt merge=scrivlet diff=scrivlet\", "
                 "\"tr/**/*.txt.states merge=scrivlet\", \"tr/**/*.txt.notes merge=scrivlet\", "
                 "\"orig/**/*.edt merge=scrivlet diff=scrivlet\", "
                 "\"orig/**/*.edt.states merge=scrivlet\", "
                 "\"orig/**/*.edt.notes merge=scrivlet\", "
                 "\"orig/**/*.txt merge=scrivlet diff=scrivlet\", "
                 "\"orig/**/*.txt.states merge=scrivlet\", "
                 "\"orig/**/*.txt.notes merge=scrivlet\"], "
                 "\"ignore\": [\"*.scrivlet-wal\", \"*.scrivlet-shm\", \"*.scrivlet-journal\", "
                 "\"*.scrivlet.part\", \"*.scrivlet.update-lock\", \"*.scrivlet-new\", "
                 "\"*.scrivlet-cache*\"], "
                 "\"config\": [\"merge.scrivlet.name\", \"merge.scrivlet.driver\", "
                 "\"diff.scrivlet.textconv\"]}\n");
        QCOMPARE(Convert({"--git-setup", P("a")}).out,
                 "{\"attributes\": [], \"ignore\": [], \"config\": []}\n");
        QCOMPARE(ReadAll(P("a/.gitattributes")).count('\n'), 13);
        QCOMPARE(Git(P("a"), {"add", "."}).code, 0);
        QCOMPARE(Git(P("a"), {"commit", "-qm", "project"}).code, 0);
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        // A clone has the files but not the configuration.
        QCOMPARE(RunTool("git", {"clone", "-q", P("origin.git"), P("b")}).code, 0);
        QCOMPARE(Convert({"--git-setup", P("b")}).out,
                 "{\"attributes\": [], \"ignore\": [], \"config\": [\"merge.scrivlet.name\", "
                 "\"merge.scrivlet.driver\", \"diff.scrivlet.textconv\"]}\n");
    }

    // Two translators, different fields of one record file: the pull merges both.
    void differentFields()
    {
        Commit(P("a"), "Ann\nHallo\nBob\nBye\n");
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        Commit(P("b"), "Ann\nHello\nRob\nBye\n");
        const ToolRun pull = Git(P("b"), {"pull", "--no-rebase", "-q", "origin", "main"});
        QVERIFY2(pull.code == 0, qPrintable(pull.err));
        QCOMPARE(Shown(P("b")),
                 "first, Name: Ann\nfirst, Text: Hallo\nsecond, Name: Rob\n"
                 "second, Text: Bye\n");
        QCOMPARE(Git(P("b"), {"push", "-q", "origin", "main"}).code, 0);
        QCOMPARE(Git(P("a"), {"pull", "--no-rebase", "-q", "origin", "main"}).code, 0);
    }

    // The same field changed two ways: the merge stops, the file unmerged with ours in it and
    // the field listed as a conflict.
    void sameField()
    {
        Commit(P("a"), "Ana\nHallo\nRob\nBye\n");
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        Commit(P("b"), "Anu\nHallo\nRob\nCiao\n");
        const ToolRun pull = Git(P("b"), {"pull", "--no-rebase", "origin", "main"});
        QCOMPARE(pull.code, 1);
        QVERIFY2(pull.out.contains("{\"fields\": 4, \"merged\": 0, \"conflicts\": 1}"),
                 pull.out.constData());
        QCOMPARE(Unmerged(P("b")), 3);
        QCOMPARE(Shown(P("b")),
                 "first, Name: Anu\nfirst, Text: Hallo\nsecond, Name: Rob\n"
                 "second, Text: Ciao\n");
        const ToolRun listed = Convert({"--project", P("b/game.scrivlet"), "--conflicts"});
        QCOMPARE(listed.code, 0);
        QCOMPARE(listed.out,
                 "{\"file\": \"dialog.edt\", \"record\": 0, \"field\": 0, "
                 "\"base\": \"Ann\", \"ours\": \"Anu\", \"theirs\": \"Ana\"}\n");
    }

    // Requests no conflict answers, while the file is unmerged: nothing written or staged.
    void resolveRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        const QStringList at0 = {"--record", "0", "--field", "0"};
        QTest::newRow("no such file") << QStringList{"--resolve", "other.edt", "--record", "0",
                                                     "--field",   "0",         "--take",   "ours"}
                                      << 1 << "other.edt has no conflicts left";
        QTest::newRow("no such record") << QStringList{"--record", "5"} << 1 << "no record 5";
        QTest::newRow("no such field") << QStringList{"--field", "2"} << 1 << "no text field 2";
        QTest::newRow("not in conflict")
            << QStringList{"--record", "1", "--field", "1"} << 1 << "is not in conflict";
        QTest::newRow("no side") << QStringList{"--take", "mine"} << 2
                                 << "--take is ours or theirs";
        QTest::newRow("no field given")
            << QStringList{"--resolve", "dialog.edt", "--record", "0", "--take", "ours"} << 2
            << "--resolve needs --record, --field and --take";
    }
    void resolveRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        // Options given twice: the later wins, so each row changes one part of a good request.
        QStringList line = {"--project", P("b/game.scrivlet"),
                            "--resolve", "dialog.edt",
                            "--record",  "0",
                            "--field",   "0",
                            "--take",    "theirs"};
        if (args.startsWith("--resolve"))
            line = QStringList{"--project", P("b/game.scrivlet")};
        const ToolRun run = Convert(line + args);
        QTEST(run.code, "code");
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QCOMPARE(Unmerged(P("b")), 3);
    }

    // Taking theirs writes it and, the file's last conflict, stages it: the merge commits.
    void resolveTheirs()
    {
        const ToolRun run = Resolve(0, 0, "theirs");
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out,
                 "{\"file\": \"dialog.edt\", \"record\": 0, \"field\": 0, "
                 "\"text\": \"Ana\"}\n");
        QCOMPARE(Unmerged(P("b")), 0);
        QCOMPARE(Convert({"--project", P("b/game.scrivlet"), "--conflicts"}).out, "");
        QCOMPARE(Git(P("b"), {"commit", "-qm", "merged"}).code, 0);
        QCOMPARE(Git(P("b"), {"status", "--porcelain", "--", kFile}).out, "");
        const QByteArray committed = Git(P("b"), {"show", "HEAD:" + kFile}).out;
        QVERIFY(WriteAll(P("committed.edt"), committed));
        QCOMPARE(
            Convert({"--format", "0", "--encoding", "4", "--textconv", P("committed.edt")}).out,
            "first, Name: Ana\nfirst, Text: Hallo\nsecond, Name: Rob\n"
            "second, Text: Ciao\n");
        QCOMPARE(Git(P("b"), {"push", "-q", "origin", "main"}).code, 0);
        QCOMPARE(Git(P("a"), {"pull", "--no-rebase", "-q", "origin", "main"}).code, 0);
    }

    // A clone without the driver: git leaves ours whole. Resolving merges the rest as the driver
    // would; ours kept in one field leaves the file unmerged until theirs settles the other.
    void resolveWithoutDriver()
    {
        Commit(P("a"), "Ada\nHallo\nRex\nSalut\n");
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        QCOMPARE(Git(P("b"), {"config", "--remove-section", "merge.scrivlet"}).code, 0);
        Commit(P("b"), "Avi\nHola\nRoy\nCiao\n");
        QCOMPARE(Git(P("b"), {"pull", "--no-rebase", "-q", "origin", "main"}).code, 1);
        QCOMPARE(Convert({"--project", P("b/game.scrivlet"), "--conflicts"}).out.count('\n'), 2);
        QCOMPARE(Resolve(0, 0, "ours").out,
                 "{\"file\": \"dialog.edt\", \"record\": 0, "
                 "\"field\": 0, \"text\": \"Avi\"}\n");
        QCOMPARE(Unmerged(P("b")), 3);
        QCOMPARE(Resolve(0, 0, "ours").code, 1);
        QCOMPARE(Resolve(1, 0, "theirs").code, 0);
        QCOMPARE(Unmerged(P("b")), 0);
        QCOMPARE(Shown(P("b")),
                 "first, Name: Avi\nfirst, Text: Hola\nsecond, Name: Rex\n"
                 "second, Text: Salut\n");
        QCOMPARE(Git(P("b"), {"commit", "-qm", "merged"}).code, 0);
        QCOMPARE(Convert({"--git-setup", P("b")}).code, 0);
    }

    // The notes kept beside a file: two translators' states and comments on neighbouring
    // fields, and on one field, merge without a conflict.
    void notes()
    {
        const QString notes = kFile + ".states";
        const auto write = [&](const QString& clone, const QByteArray& fields) {
            QVERIFY(WriteAll(clone + u'/' + notes, "{\"fields\": [" + fields + "]}"));
            QCOMPARE(Git(clone, {"add", notes}).code, 0);
            QCOMPARE(Git(clone, {"commit", "-qm", "notes"}).code, 0);
        };
        const QByteArray asked = R"({"record": 0, "field": 1, "comment": "ask"})";
        write(P("a"), asked);
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        QCOMPARE(Git(P("b"), {"fetch", "-q", "origin"}).code, 0);
        QCOMPARE(Git(P("b"), {"reset", "-q", "--hard", "origin/main"}).code, 0);
        write(P("a"),
              asked.chopped(6) +
                  R"("ask Ann"}, {"record": 1, "field": 0, "state": "approved", "hash": "1"})");
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        write(P("b"), asked.chopped(6) + R"("ask Bob", "state": "needs_work", "hash": "2"})");
        const ToolRun pull = Git(P("b"), {"pull", "--no-rebase", "origin", "main"});
        QVERIFY2(pull.code == 0, pull.out + pull.err.toUtf8());
        QVERIFY2(pull.out.contains("{\"fields\": 2, \"merged\": 2, \"conflicts\": 0}"),
                 pull.out.constData());
        const QByteArray merged = ReadAll(P("b/") + notes);
        for (const char* part : {R"("comment": "ask Bob\nask Ann")", R"("state": "needs_work")",
                                 R"("state": "approved")"})
            QVERIFY2(merged.contains(part), merged.constData());
    }

    // A project's states and comments on neighbouring fields of one file, set by two
    // translators, merge; a fresh clone opens the whole project from the text.
    void projectNotes()
    {
        const auto setState = [&](const QString& clone, const char* record, const char* comment) {
            const ToolRun set = Convert({"--project", clone + "/game.scrivlet", "--set-state",
                                         "dialog.edt", "--record", record, "--field", "1",
                                         "--state", "needs_work", "--comment", comment});
            QVERIFY2(set.code == 0, qPrintable(set.err));
            QCOMPARE(Git(clone, {"add", "-A"}).code, 0);
            QCOMPARE(Git(clone, {"commit", "-qm", "state"}).code, 0);
        };
        QCOMPARE(Git(P("b"), {"fetch", "-q", "origin"}).code, 0);
        QCOMPARE(Git(P("b"), {"reset", "-q", "--hard", "origin/main"}).code, 0);
        setState(P("a"), "0", "ask Ann");
        QCOMPARE(Git(P("a"), {"push", "-q", "origin", "main"}).code, 0);
        setState(P("b"), "1", "ask Bob");
        const ToolRun pull = Git(P("b"), {"pull", "--no-rebase", "origin", "main"});
        QVERIFY2(pull.code == 0, pull.out + pull.err.toUtf8());
        QCOMPARE(Git(P("b"), {"push", "-q", "origin", "main"}).code, 0);
        const QByteArray both =
            "{\"file\": \"dialog.edt\", \"record\": 0, \"field\": 1, \"state\": \"needs_work\", "
            "\"comment\": \"ask Ann\"}\n"
            "{\"file\": \"dialog.edt\", \"record\": 1, \"field\": 1, \"state\": \"needs_work\", "
            "\"comment\": \"ask Bob\"}\n";
        QCOMPARE(Convert({"--project", P("b/game.scrivlet"), "--states"}).out, both);
        QCOMPARE(RunTool("git", {"clone", "-q", P("origin.git"), P("c")}).code, 0);
        QVERIFY(!QFile::exists(P("c/game.scrivlet-cache")));
        QCOMPARE(Convert({"--project", P("c/game.scrivlet"), "--states"}).out, both);
        QCOMPARE(Git(P("c"), {"status", "--porcelain"}).out, QByteArray());
    }

    // git diff and git log -p show the fields that changed as text.
    void diff()
    {
        QVERIFY(WriteAll(P("lines.txt"), "Ada\nHi\nRex\nSalut\n"));
        QCOMPARE(
            Convert({"--format", "0", "--encoding", "4", P("lines.txt"), P("a/") + kFile}).code, 0);
        const QByteArray diff = Git(P("a"), {"diff"}).out;
        QVERIFY2(diff.contains("\n-first, Text: Hallo\n+first, Text: Hi\n"), diff.constData());
        QCOMPARE(Git(P("a"), {"commit", "-qam", "hi"}).code, 0);
        const QByteArray log = Git(P("a"), {"log", "-p", "-1"}).out;
        QVERIFY2(log.contains("\n-first, Text: Hallo\n+first, Text: Hi\n"), log.constData());
    }
};

SCRIVLET_TEST(GitModesTest);
#include "test_git_modes.moc"
