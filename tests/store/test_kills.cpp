#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "catalogue/CatalogueLoader.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "store/Memory.h"
#include "store/ProjectFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace scrivlet;
using namespace scrivlet::test;

// The converter killed (SIGKILL) at points spread over a run of each mode that writes: the
// project opens afterwards, and each translation is as it was before or as the run leaves it;
// an update of the originals is so for all files at once. So are each file's states and
// comments, which come after its texts: new states never stand beside the old texts.

namespace {

constexpr int kFiles = 20;
constexpr int kKills = 4;  // per mode

const char kCatalogue[] =
    "[FORMAT0]\nname=Things\npath=.*/(item)[^/]*\nwidth=8\n"
    "[FORMAT0.COLUMN0]\ndesc=Thing\nwidth=80\ntype=1\ndataoffset=0\ndatasize=8\n";

QString FileName(int i)
{
    return QStringLiteral("item_%1.edt").arg(i, 3, 10, QLatin1Char('0'));
}

}  // namespace

class KillTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FormatCatalogue catalogue_;
    QString P(const QString& name) const { return dir_.filePath(name); }
    QStringList Converter(const QString& work, const QString& mode) const
    {
        const QString project = work + "/p.scrivlet";
        const QString catalogue = P("formats.ini");
        if (mode == "new project")
            return {"--catalogue",    catalogue,    "--new-project",       project,
                    "--originals",    work + "/en", "--original-encoding", "0",
                    "--translations", work + "/de", "--encoding",          "0"};
        if (mode == "update of originals")
            return {"--catalogue",        catalogue,    "--project", project,
                    "--update-originals", work + "/en2"};
        if (mode == "xliff import")
            return {"--catalogue", catalogue, "--project", project, "--import-xliff", P("in.xlf")};
        if (mode == "set state")
            return {"--catalogue", catalogue,  "--project", project,   "--set-state",
                    FileName(7),   "--record", "5",         "--field", "0",
                    "--state",     "approved", "--comment", "Checked"};
        return {"--tm", work + "/tm.db", "--source-lang", "en", "--target-lang",
                "de",   "--tm-import",   P("in.tmx")};
    }

    static bool Copy(const QString& from, const QString& to)
    {
        QProcess::execute("rm", {"-rf", to});
        return QProcess::execute("cp", {"-a", from, to}) == 0;
    }

    // Each translation's bytes, by file name.
    static QHash<QString, QByteArray> Translations(const QString& work)
    {
        QHash<QString, QByteArray> files;
        for (int i = 0; i < kFiles; ++i)
            files.insert(FileName(i), ReadAll(work + "/de/" + FileName(i)));
        return files;
    }

    // Each file's states and comments, by file name.
    static QHash<QString, std::vector<PlacedNote>> Notes(const QString& work)
    {
        QHash<QString, std::vector<PlacedNote>> notes;
        ProjectFile project;
        if (!project.Open(work + "/p.scrivlet"))
            return notes;
        for (int i = 0; i < kFiles; ++i)
            notes.insert(FileName(i), project.FileNotes(FileName(i)));
        return notes;
    }

    // What is left after a kill is sound: see the class's comment.
    void Check(const QString& mode, const QString& work, const QHash<QString, QByteArray>& before,
               const QHash<QString, QByteArray>& after)
    {
        if (mode == "memory import") {
            std::unique_ptr<TranslationMemory> memory;
            QVERIFY(OpenMemory(work + "/tm.db", &memory));
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(work + "/tm.db").constData(), &db), SQLITE_OK);
            sqlite3_stmt* check = nullptr;
            sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
            QCOMPARE(sqlite3_step(check), SQLITE_ROW);
            const QByteArray verdict(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
            sqlite3_finalize(check);
            sqlite3_close(db);
            QCOMPARE(verdict, "ok");
            return;
        }
        const QString project = work + "/p.scrivlet";
        if (mode == "new project" && !QFile::exists(project)) {
            // Nothing left in the way of making it again.
            QCOMPARE(RunTool(SCRIVLET_CONVERT_EXE, Converter(work, mode)).code, 0);
        }
        ProjectFile opened;
        const Result open = opened.Open(project);
        QVERIFY2(open, qPrintable(open.Error()));
        const QHash<QString, QByteArray> now = Translations(work);
        if (mode == "update of originals") {
            const bool switched = opened.Settings().originals == "en2";
            QVERIFY(now == (switched ? after : before));
            return;
        }
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            QVERIFY2(it.value() == before[it.key()] || it.value() == after[it.key()],
                     qPrintable(it.key()));
        const QHash<QString, std::vector<PlacedNote>> notes = Notes(work);
        for (auto it = notes.cbegin(); it != notes.cend(); ++it) {
            const bool old = it.value() == notesBefore_[it.key()];
            QVERIFY2(old || it.value() == notesAfter_[it.key()], qPrintable(it.key()));
            QVERIFY2(old || now[it.key()] == after[it.key()], qPrintable(it.key()));
        }
    }

    QHash<QString, std::vector<PlacedNote>> notesBefore_, notesAfter_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteAll(P("formats.ini"), kCatalogue));
        QVERIFY(LoadFormatCatalogueFile(catalogue_, P("formats.ini")));
        const EdtFormat& format = *catalogue_.At(0);
        QByteArray xliff =
            "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">";
        for (int i = 0; i < kFiles; ++i) {
            Rows original, translation, updated{{"New"}};
            for (int record = 0; record < 40; ++record) {
                original << QStringList{QStringLiteral("T%1").arg(record)};
                translation << QStringList{QStringLiteral("U%1").arg(record)};
            }
            updated += original;
            for (const auto& [folder, rows] :
                 {std::pair{"en", original}, {"de", translation}, {"en2", updated}}) {
                const QString path = P(QStringLiteral("base/%1/").arg(folder) + FileName(i));
                QVERIFY(QDir().mkpath(QFileInfo(path).path()));
                QVERIFY(SaveDocumentAs(*MakeDocument(format, rows), path, kFileTypeEdt,
                                       kEncodingUnicode));
            }
            xliff += "<file original=\"" + FileName(i).toUtf8() +
                     "\"><body><trans-unit id=\"3:0\"><target state=\"needs-review-translation\">"
                     "Neu</target><note from=\"translator\">Ask</note></trans-unit>"
                     "</body></file>";
        }
        QVERIFY(WriteAll(P("in.xlf"), xliff + "</xliff>"));
        QByteArray tmx = "<tmx version=\"1.4\"><header srclang=\"en\"/><body>";
        for (int i = 0; i < 3000; ++i)
            tmx += "<tu><tuv xml:lang=\"en\"><seg>Source " + QByteArray::number(i) +
                   "</seg></tuv><tuv xml:lang=\"de\"><seg>Ziel</seg></tuv></tu>";
        QVERIFY(WriteAll(P("in.tmx"), tmx + "</body></tmx>"));
        // The project, and its state before each killed run.
        QVERIFY(Copy(P("base"), P("fresh")));
        QCOMPARE(RunTool(SCRIVLET_CONVERT_EXE, Converter(P("base"), "new project")).code, 0);
    }

    void killed_data()
    {
        QTest::addColumn<QString>("mode");
        for (const char* mode :
             {"new project", "update of originals", "xliff import", "set state", "memory import"})
            QTest::newRow(mode) << QString(mode);
    }

    void killed()
    {
        QFETCH(QString, mode);
        const QString start = mode == "new project" ? P("fresh") : P("base");
        const QString work = P("work");
        // A whole run first: how long it takes, and what it leaves.
        QVERIFY(Copy(start, work));
        const QHash<QString, QByteArray> before = Translations(work);
        notesBefore_ = Notes(work);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(RunTool(SCRIVLET_CONVERT_EXE, Converter(work, mode)).code, 0);
        const qint64 whole = timer.elapsed();
        const QHash<QString, QByteArray> after = Translations(work);
        notesAfter_ = Notes(work);
        if (mode == "update of originals" || mode == "xliff import")
            QVERIFY(after != before);
        if (mode == "xliff import" || mode == "set state")
            QVERIFY(notesAfter_ != notesBefore_);
        for (int kill = 0; kill < kKills; ++kill) {
            QVERIFY(Copy(start, work));
            QProcess run;
            run.start(SCRIVLET_CONVERT_EXE, Converter(work, mode));
            QVERIFY(run.waitForStarted());
            if (!run.waitForFinished(int(whole * (2 * kill + 1) / (2 * kKills)))) {
                run.kill();
                run.waitForFinished();
            }
            Check(mode, work, before, after);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("after a kill at %1 of %2 ms")
                                     .arg(whole * (2 * kill + 1) / (2 * kKills))
                                     .arg(whole)));
        }
    }
};

SCRIVLET_TEST(KillTest);

#include "test_kills.moc"
