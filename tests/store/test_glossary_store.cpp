#include "TestFiles.h"
#include "TestRegistry.h"

#include "store/ProjectFile.h"
#include "store/ProjectGlossary.h"

#include <QTemporaryDir>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const QByteArray kTbx =
    "<?xml version=\"1.0\"?><martif type=\"TBX\"><text><body>"
    "<termEntry><descrip>weapon</descrip>"
    "<langSet xml:lang=\"en\"><tig><term>sword</term></tig></langSet>"
    "<langSet xml:lang=\"de\"><tig><term>Schwert</term></tig><tig><term>Klinge</term></tig>"
    "</langSet></termEntry>"
    "</body></text></martif>";

QStringList Flat(const std::vector<GlossaryTerm>& terms)
{
    QStringList out;
    for (const GlossaryTerm& t : terms)
        out << t.source + u'=' + t.targets.join(u'|') + u';' + t.note;
    return out;
}

}  // namespace

// The glossary kept in a project file: imports counted, the CSV export read back whole, and
// the converter's doors.
class ProjectGlossaryTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    // A new project file that already holds "sword = Schwert".
    bool MakeProject(const QString& name, ProjectFile* project)
    {
        return project->Create(P(name), {"en", "de", 0, 0}) &&
               WriteAll(P(name + ".csv"), "sword,Schwert\n") &&
               ImportProjectGlossary(*project, P(name + ".csv"), &counts_);
    }
    GlossaryImport counts_;

private slots:
    void import_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<qint64>>("counts");  // terms, added, duplicates
        QTest::addColumn<QStringList>("after");     // empty: refused, the project unchanged
        QTest::newRow("csv") << "a.csv" << QByteArray("sword,Schwert\nsword,Klinge\nlamp,Lampe\n")
                             << QList<qint64>{3, 2, 1}
                             << QStringList{"sword=Schwert|Klinge;", "lamp=Lampe;"};
        QTest::newRow("tbx") << "a.tbx" << kTbx << QList<qint64>{2, 1, 1}
                             << QStringList{"sword=Schwert|Klinge;weapon"};
        QTest::newRow("csv broken on line 2")
            << "b.csv" << QByteArray("lamp,Lampe\nshield,\"Schild\n") << QList<qint64>{0, 0, 0}
            << QStringList();
        QTest::newRow("tbx cut short")
            << "b.tbx" << kTbx.left(kTbx.size() - 20) << QList<qint64>{0, 0, 0} << QStringList();
        QTest::newRow("other type")
            << "a.txt" << QByteArray("lamp,Lampe\n") << QList<qint64>{0, 0, 0} << QStringList();
    }
    void import()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qint64>, counts);
        QFETCH(QStringList, after);
        ProjectFile project;
        QVERIFY(MakeProject(QStringLiteral("import-%1").arg(QTest::currentDataTag()), &project));
        QVERIFY(WriteAll(P(file), bytes));
        GlossaryImport done;
        const Result read = ImportProjectGlossary(project, P(file), &done);
        QCOMPARE(read.Ok(), !after.isEmpty());
        QCOMPARE((QList<qint64>{done.terms, done.added, done.duplicates}), counts);
        // A term's note is the first one any of its pairs brought.
        QCOMPARE(Flat(ProjectGlossaryTerms(project)),
                 after.isEmpty() ? QStringList{"sword=Schwert;"} : after);
    }

    void clear()
    {
        ProjectFile project;
        QVERIFY(MakeProject("clear", &project));
        QVERIFY(ClearProjectGlossary(project));
        QVERIFY(ProjectGlossaryTerms(project).empty());
        QVERIFY(ImportProjectGlossary(project, P("clear.csv"), &counts_));
        QCOMPARE(counts_.added, 1);
    }

    void converterDoors()
    {
        ProjectFile project;
        QVERIFY(project.Create(P("doors.scrivlet"), {"en", "de", 0, 0}));
        QVERIFY(WriteAll(P("doors.csv"), "source,target\nsword,Schwert\nlamp,Lampe\n"));
        QVERIFY(WriteAll(P("doors-bad.csv"), "lamp\n"));
        const QString exe = SCRIVLET_CONVERT_EXE;
        const QStringList project_ = {"--project", P("doors.scrivlet")};
        const std::pair<QStringList, QByteArray> runs[] = {
            {{"--import-glossary", P("doors.csv")},
             "{\"terms\": 2, \"added\": 2, \"duplicates\": 0}\n"},
            {{"--import-glossary", P("doors.csv")},
             "{\"terms\": 2, \"added\": 0, \"duplicates\": 2}\n"},
            {{"--export-glossary", P("doors-out.csv")}, "{\"exported\": 2}\n"},
        };
        for (const auto& [args, line] : runs) {
            const ToolRun run = RunTool(exe, project_ + args);
            QCOMPARE(run.code, 0);
            QCOMPARE(run.out, line);
        }
        QCOMPARE(ReadAll(P("doors-out.csv")),
                 "source,target,note\r\nsword,Schwert,\r\nlamp,Lampe,\r\n");
        const ToolRun bad =
            RunTool(exe, project_ + QStringList{"--import-glossary", P("doors-bad.csv")});
        QCOMPARE(bad.code, 1);
        QCOMPARE(bad.out, QByteArray());
        QVERIFY2(bad.err.contains("Line 1: a term needs a source and a target."),
                 qPrintable(bad.err));
        QCOMPARE(ProjectGlossaryTerms(project).size(), 2u);
    }
};

SCRIVLET_TEST(ProjectGlossaryTest);
#include "test_glossary_store.moc"
