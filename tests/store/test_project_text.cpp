#include "TestFiles.h"
#include "TestRegistry.h"

#include "store/ProjectFile.h"
#include "store/ProjectGlossary.h"
#include "store/ProjectText.h"

#include <QTemporaryDir>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

// What a team shares of a project as text: written on every change, the database rebuilt from
// it, read again where git changed it, merged row by row; and a project of one database
// converted without losing a row.
class ProjectTextTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    // A project with something in every shared table, and its memory's table in the database.
    void Fill(ProjectFile& project)
    {
        QVERIFY(project.SetFormatOverride("a.edt", 2));
        QVERIFY(project.SetValue("word_list", "Ann\nBob"));
        QVERIFY(WriteAll(P("terms.csv"), "sword,Schwert\n"));
        GlossaryImport counts;
        QVERIFY(ImportProjectGlossary(project, P("terms.csv"), &counts));
        QVERIFY(project.SetFieldMarks(
            "act/a.edt", 3, 1, {"Hello", ReviewReason::Changed, "ask Ann", StoredState::None, 0}));
        QVERIFY(project.SetFieldMarks(
            "act/a.edt", 4, 0,
            {"Bye", ReviewReason::None, "", StoredState::Approved, -8'000'000'000'000'000'000}));
        QVERIFY(project.ReplaceIgnoredProblems("act/a.edt", {{4, 0, Check::TooLong, 77}}));
        QVERIFY(project.SetFileRecordIds("act/a.edt", {{5, 3, 9}, 10}));
    }
    // Everything a project shares, read through the project.
    static QString Shared(ProjectFile& project)
    {
        QStringList out{project.Settings().translations, project.Value("word_list"),
                        QString::number(project.FormatOverrides().value("a.edt", -1))};
        for (const GlossaryTerm& term : ProjectGlossaryTerms(project))
            out << term.source + u'=' + term.targets.join(u'|');
        for (const ProjectFile::PlacedMarks& m : project.FileMarks("act/a.edt"))
            out << QStringLiteral("%1.%2 %3 %4 %5 %6 %7")
                       .arg(m.record)
                       .arg(m.field)
                       .arg(m.marks.source)
                       .arg(int(m.marks.review))
                       .arg(m.marks.note)
                       .arg(int(m.marks.state))
                       .arg(m.marks.stateHash);
        for (const IgnoredProblem& i : project.IgnoredProblems("act/a.edt"))
            out << QStringLiteral("ignored %1.%2 %3").arg(i.record).arg(i.field).arg(i.hash);
        const RecordIds ids = project.FileRecordIds("act/a.edt");
        out << QStringLiteral("ids %1 next %2").arg(ids.ids.size()).arg(ids.next);
        return out.join(u';');
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Written as it changes; a copy of the texts alone (a fresh clone) is the whole project;
    // a text changed under it (a pull) is read again, and notes removed from the folder go.
    void textIsTheProject()
    {
        QVERIFY(QDir().mkpath(P("one/tr")));
        QString expected;
        {
            ProjectFile project;
            QVERIFY(project.Create(P("one/g.scrivlet"), {"orig", "tr", 0, 0}));
            Fill(project);
            expected = Shared(project);
        }
        QVERIFY(ReadAll(P("one/g.scrivlet")).startsWith(SharedTextHeader(SharedScope::Project)));
        QVERIFY(QFile::exists(P("one/tr/act/a.edt.notes")));
        QVERIFY(QDir().mkpath(P("clone/tr/act")));
        QVERIFY(QFile::copy(P("one/g.scrivlet"), P("clone/g.scrivlet")));
        QVERIFY(QFile::copy(P("one/tr/act/a.edt.notes"), P("clone/tr/act/a.edt.notes")));
        ProjectFile clone;
        QVERIFY(clone.Open(P("clone/g.scrivlet")));
        QCOMPARE(Shared(clone), expected);
        QByteArray notes = ReadAll(P("clone/tr/act/a.edt.notes"));
        notes.replace("ask Ann", "ask Bob");
        QVERIFY(WriteAll(P("clone/tr/act/a.edt.notes"), notes));
        QVERIFY(clone.Open(P("clone/g.scrivlet")));
        QCOMPARE(clone.FileMarks("act/a.edt").front().marks.note, "ask Bob");
        QVERIFY(QFile::remove(P("clone/tr/act/a.edt.notes")));
        QVERIFY(clone.Open(P("clone/g.scrivlet")));
        QVERIFY(clone.FileMarks("act/a.edt").empty());
        QVERIFY(clone.IgnoredProblems("act/a.edt").empty());
    }

    // A project of one database (its database moved back in the project file's place) is
    // converted as it opens: nothing is lost, and the texts are written.
    void oneDatabaseConverted()
    {
        QVERIFY(QDir().mkpath(P("old/tr")));
        QString expected;
        {
            ProjectFile project;
            QVERIFY(project.Create(P("old/g.scrivlet"), {"orig", "tr", 0, 0}));
            Fill(project);
            expected = Shared(project);
            QVERIFY(
                project.Database().Exec("CREATE TABLE tm_unit(id INTEGER PRIMARY KEY);"
                                        "INSERT INTO tm_unit VALUES(42);"));
        }
        QVERIFY(QFile::remove(P("old/g.scrivlet")) && QFile::remove(P("old/tr/act/a.edt.notes")));
        QVERIFY(QFile::rename(P("old/g.scrivlet-cache"), P("old/g.scrivlet")));
        ProjectFile project;
        QVERIFY(project.Open(P("old/g.scrivlet")));
        QCOMPARE(Shared(project), expected);
        QVERIFY(ReadAll(P("old/g.scrivlet")).startsWith(SharedTextHeader(SharedScope::Project)));
        QVERIFY(ReadAll(P("old/tr/act/a.edt.notes")).contains("ask Ann"));
        sql::Statement memory = project.Database().Prepare("SELECT id FROM tm_unit");
        QVERIFY(memory.Step());
        QCOMPARE(memory.Int(0), 42);
    }

    void merge_data()
    {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("merged");  // the rows after the header
        QTest::addColumn<int>("conflicts");
        const QByteArray marks = R"(["field_marks",0,1,"Hi",0,"ask",0,0])";
        QTest::newRow("neighbouring fields")
            << marks << marks + "\n" + R"(["field_marks",1,0,"Yo",0,"ours",1,5])"
            << R"(["field_marks",0,0,"Ho",0,"theirs",0,0])" + QByteArray("\n") + marks
            << R"(["field_marks",0,0,"Ho",0,"theirs",0,0])"
               "\n" +
                   marks + "\n" +
                   R"(["field_marks",1,0,"Yo",0,"ours",1,5])"
                   "\n"
            << 0;
        QTest::newRow("one field: needs work wins, both comments, the review mark stays")
            << marks << QByteArray(R"(["field_marks",0,1,"Hi",0,"ask Ann",3,7])")
            << QByteArray(R"(["field_marks",0,1,"Hi",2,"ask Bob",1,9])")
            << QByteArray(R"(["field_marks",0,1,"Hi",2,"ask Ann\nask Bob",1,9])"
                          "\n")
            << 0;
        QTest::newRow("a change beats a removal")
            << marks << QByteArray() << QByteArray(R"(["field_marks",0,1,"Hi",0,"asked",0,0])")
            << QByteArray(R"(["field_marks",0,1,"Hi",0,"asked",0,0])"
                          "\n")
            << 0;
        const QByteArray ids = R"(["record_ids",3,"AAAAAA=="])";
        QTest::newRow("record ids two ways") << ids << QByteArray(R"(["record_ids",4,"AQAAAA=="])")
                                             << QByteArray(R"(["record_ids",5,"AgAAAA=="])")
                                             << QByteArray(R"(["record_ids",4,"AQAAAA=="])"
                                                           "\n")
                                             << 1;
    }
    void merge()
    {
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        const QByteArray header = SharedTextHeader(SharedScope::File) + '\n';
        QByteArray merged;
        SharedMergeCounts counts;
        QVERIFY(MergeSharedText(header + base, header + ours, header + theirs, &merged, &counts));
        QTEST(merged.mid(header.size()), "merged");
        QTEST(int(counts.conflicts), "conflicts");
        QVERIFY(!MergeSharedText(header, header, "not ours", &merged, &counts));
    }
};

SCRIVLET_TEST(ProjectTextTest);
#include "test_project_text.moc"
