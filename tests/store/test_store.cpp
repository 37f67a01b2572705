#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include "catalogue/CatalogueLoader.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "exchange/Exchange.h"
#include "store/FieldNotes.h"
#include "store/IgnoreFile.h"
#include "store/Memory.h"
#include "store/ProjectWalk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace scrivlet;
using namespace scrivlet::test;

// A project as a user makes one: originals in sub-folders (Unicode), translations in English,
// one original without its translation and one translation without its original.

namespace {

// Talk: Name (4 units) and Text (5); Things: one field of 8; Lines: Speaker (16) and Line (60).
const char kCatalogue[] =
    "[FORMAT0]\nname=Talk\npath=.*/(dialog)[^/]*\nwidth=9\n"
    "[FORMAT0.COLUMN0]\ndesc=Name\nwidth=100\ntype=1\ndataoffset=0\ndatasize=4\n"
    "[FORMAT0.COLUMN1]\ndesc=Text\nwidth=200\ntype=1\ndataoffset=4\ndatasize=5\n"
    "[FORMAT1]\nname=Things\npath=.*/(item)[^/]*\nwidth=8\n"
    "[FORMAT1.COLUMN0]\ndesc=Thing\nwidth=80\ntype=1\ndataoffset=0\ndatasize=8\n"
    "[FORMAT2]\nname=Lines\npath=.*/(lines)[^/]*\nwidth=76\n"
    "[FORMAT2.COLUMN0]\ndesc=Speaker\nwidth=100\ntype=1\ndataoffset=0\ndatasize=16\n"
    "[FORMAT2.COLUMN1]\ndesc=Line\nwidth=200\ntype=1\ndataoffset=16\ndatasize=60\n";

const QByteArray kXliffStart =
    "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">";

struct FixtureFile {
    const char* path;
    int format;
    Rows rows;
};

// "act2/dialog_end.edt" has no translation (its Cyrillic cannot be stored in English);
// "old/dialog_cut.edt" is a translation without an original.
const FixtureFile kOriginals[] = {
    {"act1/dialog_intro.edt", 0, {{"Tobb", "Hello"}, {"Ann", "Bye"}, {"", "Hi"}}},
    {"act1/items.edt", 1, {{"Lamp"}, {"Sword"}}},
    {"act2/dialog_end.edt", 0, {{"Tobb", u"Жук"_qs}}},
};
const FixtureFile kTranslations[] = {
    {"act1/dialog_intro.edt", 0, {{"Tobb", "Hallo"}, {"Ann", ""}, {"", "Hi"}}},
    {"act1/items.edt", 1, {{"Lampe"}, {"Sword"}}},
    {"old/dialog_cut.edt", 0, {{"Tobb", "Weg"}}},
};

// A game patch of a few hundred lines: every 31st record removed, one inserted before another,
// one rewritten. fromOld gives each new record's old one (-1: new), changed the rewritten ones.
struct Patch {
    Rows oldRows, newRows;
    std::vector<int> fromOld;
    std::vector<bool> changed;
};

Patch MakePatch(int records)
{
    Patch patch;
    auto line = [](int i, const char* where) {
        return QStringLiteral("Line %1 of the story goes %2").arg(i).arg(where);
    };
    for (int i = 0; i < records; ++i) {
        const QString speaker = QStringLiteral("Speaker %1").arg(i % 7);
        patch.oldRows << QStringList{speaker, line(i, "here")};
        const int kind = i % 31;
        if (kind == 5)
            continue;
        if (kind == 9) {
            patch.newRows << QStringList{QStringLiteral("Guest %1").arg(i), line(i, "anew")};
            patch.fromOld.push_back(-1);
            patch.changed.push_back(false);
        }
        patch.newRows << QStringList{speaker, line(i, kind == 17 ? "there" : "here")};
        patch.fromOld.push_back(i);
        patch.changed.push_back(kind == 17);
    }
    return patch;
}

// What the platform's translators make of a text; the same as the sed script below.
QString Translated(QString text)
{
    return text.replace("Speaker", "Sprecher").replace("Line", "Zeile").replace("here", "hier");
}
const char kTranslate[] = "s/Speaker/Sprecher/;s/Line/Zeile/;s/here/hier/";

// Each Line entry by its source (they are all different) within entries [first, end).
QHash<QString, TranslationEntry> Lines(const std::vector<TranslationEntry>& entries,
                                       size_t first = 0, size_t end = SIZE_MAX)
{
    QHash<QString, TranslationEntry> lines;
    for (size_t i = first; i < std::min(end, entries.size()); ++i) {
        if (entries[i].field == 1)
            lines.insert(entries[i].source, entries[i]);
    }
    return lines;
}

}  // namespace

class ProjectTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FormatCatalogue catalogue_;
    QString P(const QString& name) const { return dir_.filePath(name); }
    ToolRun Convert(const QStringList& args) const
    {
        return RunTool(SCRIVLET_CONVERT_EXE, QStringList{"--catalogue", P("formats.ini")} + args);
    }

    // The two folders and the project file "<name>.scrivlet" in a folder of its own.
    bool MakeProject(const QString& name)
    {
        const QString home = P(name);
        for (const auto& [files, folder, encoding] :
             {std::tuple{std::span(kOriginals), "en", kEncodingUnicode},
              std::tuple{std::span(kTranslations), "de", kEncodingEnglish}}) {
            for (const FixtureFile& file : files) {
                const QString path = home + u'/' + folder + u'/' + file.path;
                auto document = MakeDocument(*catalogue_.At(file.format), file.rows);
                if (!QDir().mkpath(QFileInfo(path).path()) ||
                    !SaveDocumentAs(*document, path, kFileTypeEdt, encoding))
                    return false;
            }
        }
        const ToolRun made = Convert({"--new-project", home + "/p.scrivlet", "--originals",
                                      home + "/en", "--original-encoding", "4", "--translations",
                                      home + "/de", "--encoding", "0"});
        return made.code == 0 && made.out == "{\"files\": 3, \"missing\": 1, \"extra\": 1}\n";
    }

    // The merged PO files keep the translations of the kept, moved and changed records and
    // guess the new ones' at most as fuzzy; imported, each lands on its record, a fuzzy one as
    // needs work.
    void CheckMerged(const QString& home, const QStringList& files, const Patch& patch)
    {
        Rows expected;
        for (size_t j = 0; j < patch.fromOld.size(); ++j) {
            const int i = patch.fromOld[j];
            const QStringList& now = patch.newRows[j];
            expected << (i < 0 ? now
                               : QStringList{Translated(patch.oldRows[i][0]),
                                             Translated(patch.oldRows[i][1])});
        }
        for (const QString& file : files) {
            std::vector<TranslationEntry> entries;
            QVERIFY(ReadTranslations(home + "/merged/" + file + ".po",
                                     *TranslationFormatNamed(u"po"), &entries));
            const QHash<QString, TranslationEntry> lines = Lines(entries);
            for (size_t j = 0; j < patch.fromOld.size(); ++j) {
                const TranslationEntry line = lines.value(patch.newRows[j][1]);
                const int i = patch.fromOld[j];
                if (i < 0) {
                    QVERIFY(line.text.isEmpty() || line.fuzzy);
                } else {
                    QCOMPARE(line.text, Translated(patch.oldRows[i][1]));
                    QCOMPARE(line.fuzzy, bool(patch.changed[j]));
                }
            }
        }
        const ToolRun imported =
            Convert({"--project", home + "/p.scrivlet", "--import-po", home + "/merged"});
        QVERIFY2(imported.code == 0, qPrintable(imported.err));
        // The changed records' lines in each file at least, from the total line.
        const qsizetype changed = std::count(patch.changed.begin(), patch.changed.end(), true);
        const QByteArray key = "\"needs_work\": ";
        const qsizetype at = imported.out.lastIndexOf(key) + key.size();
        QVERIFY2(imported.out.mid(at).chopped(2).toLongLong() >= changed * files.size(),
                 imported.out.constData());
        for (const QString& file : files) {
            const LoadResult loaded = LoadDocument(home + "/de/" + file, kFileTypeEdt,
                                                   kEncodingEnglish, *catalogue_.At(2), 2, true);
            QVERIFY(loaded.document);
            Rows texts = TextsOf(*loaded.document);
            // A new record may take a guess, as needs work; the others are as they were.
            for (size_t j = 0; j < patch.fromOld.size(); ++j) {
                if (patch.fromOld[j] < 0)
                    texts[j] = expected[j];
            }
            QCOMPARE(texts, expected);
        }
    }

    // Each record of the new XLIFF export has the id its old record had in the old one; the
    // new records have ids the old export never used.
    void CheckXliffIds(const QString& home, const QStringList& files, const Patch& patch)
    {
        std::vector<TranslationEntry> before, after;
        std::vector<BundlePart> oldParts, newParts;
        const TranslationFileFormat& xliff = *TranslationFormatNamed(u"xliff");
        QVERIFY(ReadTranslations(home + "/1.xlf", xliff, &before, &oldParts));
        QVERIFY(ReadTranslations(home + "/2.xlf", xliff, &after, &newParts));
        QCOMPARE(oldParts.size(), size_t(files.size()));
        QCOMPARE(newParts.size(), size_t(files.size()));
        for (qsizetype f = 0; f < files.size(); ++f) {
            const auto last = [&](const std::vector<BundlePart>& parts) {
                return f + 1 < files.size() ? parts[f + 1].first : SIZE_MAX;
            };
            const auto old = Lines(before, oldParts[f].first, last(oldParts));
            const auto now = Lines(after, newParts[f].first, last(newParts));
            QSet<int> oldIds;
            for (const TranslationEntry& entry : old)
                oldIds.insert(entry.recordId);
            for (size_t j = 0; j < patch.fromOld.size(); ++j) {
                const int id = now.value(patch.newRows[j][1]).recordId;
                const int i = patch.fromOld[j];
                QVERIFY(id >= 0);
                if (i < 0)
                    QVERIFY(!oldIds.contains(id));
                else
                    QCOMPARE(id, old.value(patch.oldRows[i][1]).recordId);
            }
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteAll(P("formats.ini"), kCatalogue));
        QVERIFY(LoadFormatCatalogueFile(catalogue_, P("formats.ini")));
        QVERIFY(MakeProject("main"));
    }

    void doors_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout; for status 2 the start of stderr
        const QString p = "--project %P ";
        QTest::newRow("stats")
            << p + "--stats" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"records\": 3, \"fields\": 6, "
               "\"empty\": 2, \"same_as_reference\": 3, \"translated\": 1, \"needs_work\": 0, "
               "\"approved\": 0, \"too_long\": 0, \"not_storable\": 0}\n"
               "{\"file\": \"act1/items.edt\", \"records\": 2, \"fields\": 2, \"empty\": 0, "
               "\"same_as_reference\": 1, \"translated\": 1, \"needs_work\": 0, "
               "\"approved\": 0, \"too_long\": 0, \"not_storable\": 0}\n"
               "{\"file\": \"act2/dialog_end.edt\", \"missing\": true, \"records\": 1, "
               "\"fields\": 2, \"empty\": 0, \"same_as_reference\": 2, \"translated\": 0, "
               "\"needs_work\": 0, \"approved\": 0, \"too_long\": 0, \"not_storable\": 1}\n"
               "{\"files\": 3, \"records\": 6, \"fields\": 10, \"empty\": 2, "
               "\"same_as_reference\": 6, \"translated\": 2, \"needs_work\": 0, "
               "\"approved\": 0, \"too_long\": 0, \"not_storable\": 1, \"missing\": 1}\n";
        // The translations are searched, a missing one as its original's copy; not the extra one.
        QTest::newRow("find")
            << p + "--find o" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, \"field\": 0, "
               "\"start\": 1, \"length\": 1}\n"
               "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, \"field\": 1, "
               "\"start\": 4, \"length\": 1}\n"
               "{\"file\": \"act1/items.edt\", \"record\": 1, \"field\": 0, \"start\": 2, "
               "\"length\": 1}\n"
               "{\"file\": \"act2/dialog_end.edt\", \"missing\": true, \"record\": 0, "
               "\"field\": 0, \"start\": 1, \"length\": 1}\n";
        QTest::newRow("find, regex, case")
            << p + "--find [A-Z]i --regex --match-case" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"record\": 2, \"field\": 1, "
               "\"start\": 0, \"length\": 2}\n";
        QTest::newRow("find, whole word") << p + "--find lamp --whole-word" << 0 << "";
        // A missing translation is checked as the original's copy.
        const QString same =
            ", \"check\": \"untranslated\", \"detail\": \"same as the original\"}\n";
        QTest::newRow("check")
            << p + "--checks untranslated,empty --check" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, \"field\": 0" + same +
                   "{\"file\": \"act1/dialog_intro.edt\", \"record\": 1, \"field\": 0" + same +
                   "{\"file\": \"act1/dialog_intro.edt\", \"record\": 1, \"field\": 1, "
                   "\"check\": \"empty\", \"detail\": \"empty, the original has text\"}\n"
                   "{\"file\": \"act1/dialog_intro.edt\", \"record\": 2, \"field\": 1" +
                   same + "{\"file\": \"act1/items.edt\", \"record\": 1, \"field\": 0" + same +
                   "{\"file\": \"act2/dialog_end.edt\", \"record\": 0, \"field\": 0" + same +
                   "{\"file\": \"act2/dialog_end.edt\", \"record\": 0, \"field\": 1" + same +
                   "{\"files\": 3, \"fields\": 10, \"problems\": 7, \"by_check\": "
                   "{\"untranslated\": 6, \"empty\": 1}, \"ignored\": 0}\n";
        QTest::newRow("bad pattern") << p + "--find ( --regex" << 2 << "scrivlet-convert: '('";
        QTest::newRow("two modes")
            << p + "--stats --find x" << 2 << "scrivlet-convert: --project takes one of";
        QTest::newRow("fuzzy without an import")
            << p + "--include-fuzzy --stats" << 2
            << "scrivlet-convert: --include-fuzzy goes with --import-po or --import-xliff\n";
        QTest::newRow("folders given again")
            << p + "--stats --originals x" << 2
            << "scrivlet-convert: the folders and encodings are the project's own";
        QTest::newRow("the text --project")
            << "--format 0 --encoding 0 --find --project %D/act1/dialog_intro.edt" << 0 << "";
        // A format chosen for a file, then detection again.
        QTest::newRow("set format")
            << p + "--set-format act1/items.edt 0" << 0
            << "{\"file\": \"act1/items.edt\", \"format\": 0, \"override\": true}\n";
        QTest::newRow("set format auto")
            << p + "--set-format act1/./items.edt auto" << 0
            << "{\"file\": \"act1/items.edt\", \"format\": 1, \"override\": false}\n";
        QTest::newRow("set format, no such original")
            << p + "--set-format old/dialog_cut.edt 0" << 1 << "";
        QTest::newRow("set format, no such format")
            << p + "--set-format act1/items.edt 3" << 2
            << "scrivlet-convert: --set-format takes auto or 0 to 2, not '3'";
        QTest::newRow("existing project") << "--new-project %P --originals %D --translations %D "
                                             "--original-encoding 0 --encoding 0"
                                          << 1 << "";
    }

    void doors()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QStringList list = args.split(u' ');
        list.replaceInStrings("%P", P("main/p.scrivlet")).replaceInStrings("%D", P("main/en"));
        const ToolRun run = Convert(list);
        QCOMPARE(run.code, code);
        if (code == 2)
            QVERIFY2(run.err.startsWith(out), qPrintable(run.err));
        else
            QCOMPARE(QString::fromUtf8(run.out), out);
    }

    // The fields' states through the converter, run in order on one project (%P), then beside
    // a file outside it (%F): what is set, refused, listed and counted.
    void states_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // stdout; else the start of stderr
        const QString set = "--project %P --set-state ";
        const auto line = [](const char* file, int record, int field, const char* state,
                             const char* comment = nullptr) {
            return QStringLiteral(
                       "{\"file\": \"%1\", \"record\": %2, \"field\": %3, "
                       "\"state\": \"%4\"%5}\n")
                .arg(file)
                .arg(record)
                .arg(field)
                .arg(state)
                .arg(comment ? QStringLiteral(", \"comment\": \"%1\"").arg(comment) : QString());
        };
        QTest::newRow("needs work, commented")
            << set +
                   "act1/dialog_intro.edt --record 0 --field 1 --state needs_work --comment "
                   "Du/Sie?"
            << 0 << line("act1/dialog_intro.edt", 0, 1, "needs_work");
        QTest::newRow("approved") << set + "act1/items.edt --record 0 --field 0 --state approved"
                                  << 0 << line("act1/items.edt", 0, 0, "approved");
        QTest::newRow("a name that stays, confirmed")
            << set + "act1/./items.edt --record 1 --field 0 --state translated" << 0
            << line("act1/items.edt", 1, 0, "translated");
        QTest::newRow("empty field approved")
            << set + "act1/dialog_intro.edt --record 1 --field 1 --state approved" << 1
            << "scrivlet-convert: Record 1, field 1 is empty";
        QTest::newRow("no such record")
            << set + "act1/items.edt --record 2 --field 0 --state approved" << 1
            << "scrivlet-convert: There is no record 2 in act1/items.edt";
        QTest::newRow("no such field")
            << set + "act1/items.edt --record 0 --field 1 --state approved" << 1
            << "scrivlet-convert: There is no text field 1";
        QTest::newRow("no such file")
            << set + "old/dialog_cut.edt --record 0 --field 0 --state approved" << 1
            << "scrivlet-convert: The project has no original old/dialog_cut.edt.";
        QTest::newRow("no such state")
            << set + "act1/items.edt --record 0 --field 0 --state done" << 2
            << "scrivlet-convert: --state takes needs_work, translated or approved, not 'done'";
        QTest::newRow("record without --set-state")
            << "--project %P --stats --record 0" << 2 << "scrivlet-convert: --record, --field";
        QTest::newRow("listed") << "--project %P --states" << 0
                                << line("act1/dialog_intro.edt", 0, 1, "needs_work", "Du/Sie?") +
                                       line("act1/items.edt", 0, 0, "approved") +
                                       line("act1/items.edt", 1, 0, "translated");
        QTest::newRow("listed, one file") << "--project %P --states act1/items.edt" << 0
                                          << line("act1/items.edt", 0, 0, "approved") +
                                                 line("act1/items.edt", 1, 0, "translated");
        QTest::newRow("counted")
            << "--project %P --stats" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"records\": 3, \"fields\": 6, "
               "\"empty\": 2, \"same_as_reference\": 3, \"translated\": 0, \"needs_work\": 1, "
               "\"approved\": 0, \"too_long\": 0, \"not_storable\": 0}\n"
               "{\"file\": \"act1/items.edt\", \"records\": 2, \"fields\": 2, \"empty\": 0, "
               "\"same_as_reference\": 0, \"translated\": 1, \"needs_work\": 0, "
               "\"approved\": 1, \"too_long\": 0, \"not_storable\": 0}\n"
               "{\"file\": \"act2/dialog_end.edt\", \"missing\": true, \"records\": 1, "
               "\"fields\": 2, \"empty\": 0, \"same_as_reference\": 2, \"translated\": 0, "
               "\"needs_work\": 0, \"approved\": 0, \"too_long\": 0, \"not_storable\": 1}\n"
               "{\"files\": 3, \"records\": 6, \"fields\": 10, \"empty\": 2, "
               "\"same_as_reference\": 5, \"translated\": 1, \"needs_work\": 1, "
               "\"approved\": 1, \"too_long\": 0, \"not_storable\": 1, \"missing\": 1}\n";
        const QString file = "--format 0 --encoding 0 ";
        QTest::newRow("beside a file") << file +
                                              "--set-state --record 0 --field 1 --state "
                                              "approved --comment ok %F"
                                       << 0 << line("%F", 0, 1, "approved");
        QTest::newRow("beside a file, listed")
            << file + "--states %F" << 0 << line("%F", 0, 1, "approved", "ok");
        QTest::newRow("beside a file, counted")
            << file + "--stats %F" << 0
            << "{\"records\": 3, \"fields\": 6, \"empty\": 2, \"translated\": 3, "
               "\"needs_work\": 0, \"approved\": 1, \"too_long\": 0, \"not_storable\": 0}\n";
    }

    void states()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        if (!QFile::exists(P("states/p.scrivlet")))
            QVERIFY(MakeProject("states"));
        const QString file = P("states/de/act1/dialog_intro.edt");
        QStringList list = args.split(u' ');
        list.replaceInStrings("%P", P("states/p.scrivlet")).replaceInStrings("%F", file);
        const ToolRun run = Convert(list);
        QCOMPARE(run.code, code);
        if (code == 0)
            QCOMPARE(QString::fromUtf8(run.out), out.replace("%F", file));
        else
            QVERIFY2(run.err.startsWith(out), qPrintable(run.err));
    }

    // The project filled from its memory: an exact match as translated, a fuzzy one as needs
    // work; a file the project lacks is refused.
    void pretranslateProject()
    {
        QVERIFY(MakeProject("pre"));
        const QString project = P("pre/p.scrivlet");
        {
            std::unique_ptr<TranslationMemory> memory;
            QVERIFY(OpenMemory(project, &memory));
            MemoryCounts counts;
            const std::vector<MemoryUnit> units{{"Bye", "Ciao", "x", 0},
                                                {"Swords", "Schwert", "x", 0}};
            QVERIFY(memory->Add({"en", "de"}, units, &counts));
        }
        const QStringList args{"--project", project, "--pretranslate"};
        ToolRun run = Convert(args + QStringList{"--min-score", "50"});
        QCOMPARE(run.code, 0);
        QCOMPARE(QString::fromUtf8(run.out),
                 "{\"file\": \"act1/dialog_intro.edt\", \"filled\": 1, \"exact\": 1, "
                 "\"fuzzy\": 0, \"too_long\": 0}\n"
                 "{\"file\": \"act1/items.edt\", \"filled\": 1, \"exact\": 0, \"fuzzy\": 1, "
                 "\"too_long\": 0}\n"
                 "{\"file\": \"act2/dialog_end.edt\", \"filled\": 0, \"exact\": 0, \"fuzzy\": 0, "
                 "\"too_long\": 0}\n"
                 "{\"files\": 3, \"filled\": 2, \"exact\": 1, \"fuzzy\": 1, \"too_long\": 0}\n");
        QVERIFY(!QFile::exists(P("pre/de/act2/dialog_end.edt")));
        run = Convert({"--project", project, "--states"});
        QCOMPARE(QString::fromUtf8(run.out),
                 "{\"file\": \"act1/items.edt\", \"record\": 1, \"field\": 0, "
                 "\"state\": \"needs_work\"}\n");
        QCOMPARE(Convert(args + QStringList{"--file", "act9/none.edt"}).code, 1);
    }

    // A review mark reads as needs work; settling the field another way takes the mark and
    // keeps the source the memory needs.
    void reviewMarkIsNeedsWork()
    {
        QVERIFY(MakeProject("notes"));
        ProjectFile project;
        QVERIFY(project.Open(P("notes/p.scrivlet")));
        QVERIFY(project.SetFieldMarks("a.edt", 0, 0, {"old", ReviewReason::Changed, ""}));
        QVERIFY(project.SetFieldMarks("a.edt", 1, 0, {"src", ReviewReason::Changed, ""}));
        std::vector<PlacedNote> notes = project.FileNotes("a.edt");
        QCOMPARE(notes.size(), size_t(2));
        QCOMPARE(notes[0].note.state, StoredState::NeedsWork);
        notes[0].note = {StoredState::Approved, 7, "fine"};
        notes[1].note.comment = "still";
        QVERIFY(NotesInProject(project, "a.edt")->Write(notes));
        QCOMPARE(project.Marks("a.edt", 0, 0),
                 (FieldMarks{"old", ReviewReason::None, "fine", StoredState::Approved, 7}));
        QCOMPARE(project.Marks("a.edt", 1, 0)->review, ReviewReason::Changed);
        QCOMPARE(project.FileNotes("a.edt"), notes);
        QVERIFY(NotesInProject(project, "a.edt")->Write({}));
        QCOMPARE(project.Marks("a.edt", 0, 0), (FieldMarks{"old", ReviewReason::None, ""}));
    }

    // Ignored problems are left out of --check and counted in "ignored" while their texts stay;
    // a stale ignore (texts changed since) brings the problem back. In the project for
    // --project, beside the file without one.
    void checkLeavesOutIgnored_data()
    {
        QTest::addColumn<bool>("inProject");
        QTest::addColumn<QString>("heldFor");  // the translation the ignore was made for
        QTest::addColumn<QString>("out");
        const QString line =
            "{\"record\": 1, \"field\": 0, \"check\": \"untranslated\", \"detail\": \"same as "
            "the original\"}\n";
        const QString file = "{\"file\": \"act1/items.edt\", ";
        QTest::newRow("project") << true << "Sword"
                                 << "{\"files\": 1, \"fields\": 2, \"problems\": 0, \"by_check\": "
                                    "{\"untranslated\": 0}, \"ignored\": 1}\n";
        QTest::newRow("project, text changed since")
            << true << "Swort"
            << file + line.mid(1) +
                   "{\"files\": 1, \"fields\": 2, \"problems\": 1, \"by_check\": "
                   "{\"untranslated\": 1}, \"ignored\": 0}\n";
        QTest::newRow("beside the file") << false << "Sword"
                                         << "{\"fields\": 2, \"problems\": 0, \"by_check\": "
                                            "{\"untranslated\": 0}, \"ignored\": 1}\n";
        QTest::newRow("beside the file, text changed since")
            << false << "Swort"
            << line +
                   "{\"fields\": 2, \"problems\": 1, \"by_check\": {\"untranslated\": 1}, "
                   "\"ignored\": 0}\n";
    }
    void checkLeavesOutIgnored()
    {
        QFETCH(bool, inProject);
        QFETCH(QString, heldFor);
        const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QVERIFY(MakeProject(name));
        const QString home = P(name);
        // Only the items: the other files' problems would hide the count.
        QVERIFY(QFile::remove(home + "/en/act1/dialog_intro.edt"));
        QVERIFY(QDir(home + "/en/act2").removeRecursively());
        const std::vector<IgnoredProblem> ignored{
            {1, 0, Check::Untranslated, IgnoreHash(heldFor, u"Sword")}};
        ToolRun run;
        if (inProject) {
            ProjectFile project;
            QVERIFY(project.Open(home + "/p.scrivlet"));
            QVERIFY(project.ReplaceIgnoredProblems("act1/items.edt", ignored));
            run =
                Convert({"--project", home + "/p.scrivlet", "--checks", "untranslated", "--check"});
        } else {
            const QString translation = home + "/de/act1/items.edt";
            QVERIFY(WriteIgnoreFile(translation, ignored));
            run = Convert({"--format", "1", "--encoding", "0", "--reference",
                           home + "/en/act1/items.edt", "--reference-encoding", "4", "--checks",
                           "untranslated", "--check", translation});
        }
        QCOMPARE(run.code, 0);
        QTEST(QString::fromUtf8(run.out), "out");
    }

    // The same original translated otherwise in another file: both files report it.
    void inconsistentAcrossFiles_data()
    {
        QTest::addColumn<QString>("translation");  // of "Lamp" in the second file of items
        QTest::addColumn<QString>("out");
        const QString line =
            "{\"file\": \"%1\", \"record\": 0, \"field\": 0, \"check\": "
            "\"inconsistent\", \"detail\": \"the same original has 2 "
            "different translations\"}\n";
        const QString sum =
            "{\"files\": 4, \"fields\": 11, \"problems\": %1, \"by_check\": "
            "{\"inconsistent\": %1}, \"ignored\": 0}\n";
        QTest::newRow("differently")
            << "Leuchte"
            << line.arg("act1/items.edt") + line.arg("act2/items_more.edt") + sum.arg(2);
        QTest::newRow("alike") << "Lampe" << sum.arg(0);
    }
    void inconsistentAcrossFiles()
    {
        QFETCH(QString, translation);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(MakeProject(name));
        const QString home = P(name);
        for (const auto& [folder, text, encoding] :
             {std::tuple{"/en/", QStringLiteral("Lamp"), kEncodingUnicode},
              std::tuple{"/de/", translation, kEncodingEnglish}}) {
            auto document = MakeDocument(*catalogue_.At(1), {{text}});
            QVERIFY(QDir().mkpath(home + folder + "act2"));
            QVERIFY(SaveDocumentAs(*document, home + folder + "act2/items_more.edt", kFileTypeEdt,
                                   encoding));
        }
        const ToolRun run =
            Convert({"--project", home + "/p.scrivlet", "--checks", "inconsistent", "--check"});
        QCOMPARE(run.code, 0);
        QTEST(QString::fromUtf8(run.out), "out");
    }

    // Reopening takes the counts from the project file; a touched file is read but keeps its
    // counts, a changed one is counted anew.
    void cache()
    {
        QVERIFY(MakeProject("cache"));
        ProjectFile project;
        QVERIFY(project.Open(P("cache/p.scrivlet")));
        const ProjectListing listing = ListProject(project, catalogue_);
        // Counted by another process: what it stored holds here.
        QCOMPARE(Convert({"--project", P("cache/p.scrivlet"), "--stats"}).code, 0);
        CountRun again;
        QVERIFY(CountProject(project, catalogue_, listing, &again));
        QCOMPARE(again.read, 0);
        QCOMPARE(again.fromCache, 3);
        QCOMPARE(again.pairs[1].counts.translated, 1);

        const QString items = P("cache/de/act1/items.edt");
        QFile file(items);
        // The same bytes a minute later: read, hashed, counts kept.
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(CountProject(project, catalogue_, listing, &again));
        QCOMPARE(again.read, 1);
        QCOMPARE(again.pairs[1].counts.translated, 1);
        QVERIFY(CountProject(project, catalogue_, listing, &again));
        QCOMPARE(again.read, 0);
        // "Sword" becomes "Swert": now both are translated.
        auto changed = MakeDocument(*catalogue_.At(1), {{"Lampe"}, {"Swert"}});
        QVERIFY(SaveDocumentAs(*changed, items, kFileTypeEdt, kEncodingEnglish));
        QVERIFY(CountProject(project, catalogue_, listing, &again));
        QCOMPARE(again.read, 1);
        QCOMPARE(again.pairs[1].counts.translated, 2);
    }

    void schema_data()
    {
        QTest::addColumn<QByteArray>("sql");  // makes the file before it is opened
        QTest::addColumn<QString>("error");   // empty: opens
        // As the first release wrote it: no per-field table yet.
        QTest::newRow("version 1")
            << QByteArray(
                   "CREATE TABLE schema_version(version INTEGER NOT NULL);"
                   "INSERT INTO schema_version VALUES(1);"
                   "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                   "INSERT INTO settings VALUES('originals', 'en'), "
                   "('translations', 'de'), ('original_encoding', '4'), "
                   "('translation_encoding', '0');"
                   "CREATE TABLE format_overrides(file TEXT PRIMARY KEY, format INTEGER);"
                   "CREATE TABLE file_cache(file TEXT PRIMARY KEY, o_size INTEGER,"
                   " o_modified INTEGER, o_hash INTEGER, t_size INTEGER,"
                   " t_modified INTEGER, t_hash INTEGER, layout INTEGER,"
                   " records INTEGER, fields INTEGER, empty INTEGER, same INTEGER,"
                   " translated INTEGER, too_long INTEGER, not_storable INTEGER);")
            << QString();
        QTest::newRow("newer") << QByteArray(
                                      "CREATE TABLE schema_version(version INTEGER);"
                                      "INSERT INTO schema_version VALUES(" +
                                      QByteArray::number(ProjectFile::kSchemaVersion + 1) + ");")
                               << "was made by a newer version";
        QTest::newRow("other database")
            << QByteArray("CREATE TABLE t(x);") << "is not a Scrivlet project file";
        // Another program's database may well keep a version table: it is left as it was.
        QTest::newRow("other database with a version table")
            << QByteArray(
                   "CREATE TABLE schema_version(version INTEGER);"
                   "INSERT INTO schema_version VALUES(1);CREATE TABLE t(x);")
            << "is not a Scrivlet project file";
        QTest::newRow("empty version table")
            << QByteArray("CREATE TABLE schema_version(version INTEGER NOT NULL);")
            << "is damaged: its version table holds no version.";
    }

    void schema()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, error);
        const QString path = P(QStringLiteral("schema-%1.scrivlet").arg(QTest::currentDataTag()));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const QByteArray before = ReadAll(path);
        ProjectFile project;
        const Result opened = project.Open(path);
        QVERIFY2(error.isEmpty() ? opened.Ok() : opened.Error().contains(error),
                 qPrintable(opened.Error()));
        if (!error.isEmpty()) {
            QVERIFY(opened.Error().contains(path));
            QCOMPARE(ReadAll(path), before);  // no table added, no journal mode switched
            QVERIFY(!QFile::exists(path + "-wal"));
            return;
        }
        QCOMPARE(project.SchemaVersion(), ProjectFile::kSchemaVersion);
        QCOMPARE(project.Settings().translations, "de");
        QCOMPARE(project.Settings().originalEncoding, kEncodingUnicode);
        QVERIFY(project.SetFieldMarks("a.edt", 1, 0, {u"Жук"_qs, ReviewReason::Changed, "short"}));
        QVERIFY(project.SetFileRecordIds("a.edt", {{2, 0}, 3}));
        QCOMPARE(project.FileRecordIds("a.edt").Of(3), (std::vector<qint32>{2, 0, 3}));
    }

    // --project --check takes the project's glossary; a --glossary file stands in for it.
    void projectGlossaryCheck_data()
    {
        QTest::addColumn<QStringList>("glossary");
        QTest::addColumn<QByteArray>("out");
        const QByteArray none =
            "{\"files\": 3, \"fields\": 10, \"problems\": 0, "
            "\"by_check\": {\"glossary\": 0}, \"ignored\": 0}\n";
        QTest::newRow("the project's")
            << QStringList()
            << QByteArray(
                   "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, "
                   "\"field\": 1, \"check\": \"glossary\", \"detail\": "
                   "\"“hello” not translated as “Servus”\"}\n"
                   "{\"files\": 3, \"fields\": 10, \"problems\": 1, "
                   "\"by_check\": {\"glossary\": 1}, \"ignored\": 0}\n");
        QTest::newRow("a file's") << QStringList{"--glossary", P("hallo.csv")} << none;
    }
    void projectGlossaryCheck()
    {
        QFETCH(QStringList, glossary);
        const QString project = P("glossary/p.scrivlet");
        if (!QFileInfo::exists(project)) {
            QVERIFY(MakeProject("glossary"));
            QVERIFY(WriteAll(P("servus.csv"), "hello,Servus\nlamp,Lampe\n"));
            QVERIFY(WriteAll(P("hallo.csv"), "hello,Hallo\n"));
            QCOMPARE(Convert({"--project", project, "--import-glossary", P("servus.csv")}).code, 0);
        }
        const ToolRun run = Convert(QStringList{"--project", project, "--checks", "glossary"} +
                                    glossary + QStringList{"--check"});
        QCOMPARE(run.code, 0);
        QTEST(run.out, "out");
    }

    // A new version of the originals: the dialogue gains a line before the rest, rewrites one
    // (the speaker stays) and drops one; the items stay. The note follows its record, the
    // fields to review carry their reason and old source, the project the new folder.
    void updateOriginals()
    {
        QVERIFY(MakeProject("update"));
        const QString home = P("update");
        const std::pair<const char*, Rows> newOriginals[] = {
            {"act1/dialog_intro.edt", {{"Mira", "Hey"}, {"Tobb", "Hi you"}, {"Ann", "Bye"}}},
            {"act1/items.edt", {{"Lamp"}, {"Sword"}}}};
        for (const auto& [path, rows] : newOriginals) {
            const QString file = home + "/en2/" + path;
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(SaveDocumentAs(*MakeDocument(*catalogue_.At(path[5] == 'd' ? 0 : 1), rows),
                                   file, kFileTypeEdt, kEncodingUnicode));
        }
        const QString dialog = "act1/dialog_intro.edt";
        {
            ProjectFile project;
            QVERIFY(project.Open(home + "/p.scrivlet"));
            QVERIFY(project.SetFieldMarks(dialog, 1, 1, {"", ReviewReason::None, "Ann's line"}));
        }
        // The dropped line was translated, and the project's memory knows its languages (a
        // Unicode side cannot name them): its translation goes there.
        QVERIFY(SaveDocumentAs(
            *MakeDocument(*catalogue_.At(0), {{"Tobb", "Hallo"}, {"Ann", ""}, {"", "Moin"}}),
            home + "/de/" + dialog, kFileTypeEdt, kEncodingEnglish));
        {
            std::unique_ptr<TranslationMemory> memory;
            MemoryCounts counts;
            QVERIFY(OpenMemory(home + "/p.scrivlet", &memory).Ok());
            const MemoryUnit seed{"Lamp", "Lampe", "seed", 0};
            QVERIFY(memory->Add({"en", "de"}, std::span(&seed, 1), &counts).Ok());
        }
        const ToolRun run =
            Convert({"--project", home + "/p.scrivlet", "--update-originals", home + "/en2"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out,
                 "{\"file\": \"act1/dialog_intro.edt\", \"records\": 3, \"kept\": 0, \"moved\": 1, "
                 "\"changed\": 1, \"new\": 1, \"removed\": 1, \"propagated\": 0}\n"
                 "{\"file\": \"act1/items.edt\", \"records\": 2, \"kept\": 2, \"moved\": 0, "
                 "\"changed\": 0, \"new\": 0, \"removed\": 0, \"propagated\": 0}\n"
                 "{\"files\": 2, \"records\": 5, \"kept\": 2, \"moved\": 1, \"changed\": 1, "
                 "\"new\": 1, \"removed\": 1, \"propagated\": 0}\n");
        ProjectFile project;
        QVERIFY(project.Open(home + "/p.scrivlet"));
        QCOMPARE(project.Settings().originals, "en2");
        const LoadResult translation = LoadDocument(home + "/de/" + dialog, kFileTypeEdt,
                                                    kEncodingEnglish, *catalogue_.At(0), 0, true);
        QVERIFY(translation.document);
        QCOMPARE(TextsOf(*translation.document),
                 (Rows{{"Mira", "Hey"}, {"Tobb", "Hallo"}, {"Ann", ""}}));
        QStringList marks;
        for (const ProjectFile::PlacedMarks& row : project.FileMarks(dialog))
            marks << QStringLiteral("%1.%2 %3 %4 %5")
                         .arg(row.record)
                         .arg(row.field)
                         .arg(ReviewReasonName(row.marks.review), row.marks.source, row.marks.note);
        QCOMPARE(marks.join(u'|'), "0.0 new  |0.1 new  |1.1 changed Hello |2.1   Ann's line");
        // The changed and the moved record keep their ids, the new one takes the next; a file
        // that kept its records keeps naming them by position.
        QCOMPARE(project.FileRecordIds(dialog), (RecordIds{{3, 0, 1}, 4}));
        QCOMPARE(project.FileRecordIds("act1/items.edt"), RecordIds());
        std::unique_ptr<TranslationMemory> memory;
        QVERIFY(OpenMemory(home + "/p.scrivlet", &memory).Ok());
        QStringList units;
        QVERIFY(memory->ForEach([&units](const MemoryLanguages&, const MemoryUnit& unit) {
            units << unit.source + u'|' + unit.target + u'|' + unit.origin;
            return Result();
        }));
        QCOMPARE(units, (QStringList{"Lamp|Lampe|seed", "Hi|Moin|act1/dialog_intro.edt:2:1"}));
    }

    // A project's export holds each original under its relative path; edited by a translator
    // and imported, it changes one translation and makes the missing one. Entries are named by
    // record id or, as in files exported before ids were kept, by position.
    void exchange_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("xliff") << "xliff";
        QTest::newRow("po") << "po";
    }

    void exchange()
    {
        QFETCH(QString, format);
        const QString name = "exchange-" + format;
        QVERIFY(MakeProject(name));
        const QString project = P(name + "/p.scrivlet");
        const QString out = P(name + (format == "po" ? "/po" : "/all.xlf"));
        const QStringList args{"--project", project};
        const ToolRun exported = Convert(args + QStringList{"--export-" + format, out});
        QCOMPARE(exported.code, 0);
        // Every source without a translation gets one: "Sword" and the missing file's text.
        auto translate = [](const QString& path, const QString& from, const QString& to) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            QVERIFY2(text.contains(from), qPrintable(text));
            file.close();
            QVERIFY(WriteAll(path, QString(text).replace(from, to).toUtf8()));
        };
        // "Sword" as a file already out on a platform names it: by its position.
        if (format == "xliff") {
            translate(out, "id=\"r1:0\"", "id=\"1:0\"");
            translate(out, "<source>Sword</source>",
                      "<source>Sword</source><target>Schwert</target>");
            translate(out, u"<source>Жук</source>"_qs,
                      u"<source>Жук</source><target>Käfer</target>"_qs);
        } else {
            translate(out + "/act1/items.edt.po", "msgctxt \"r1:0\"", "msgctxt \"1:0\"");
            translate(out + "/act1/items.edt.po", "\"Sword\"\nmsgstr \"\"",
                      "\"Sword\"\nmsgstr \"Schwert\"");
            translate(out + "/act2/dialog_end.edt.po", u"\"Жук\"\nmsgstr \"\""_qs,
                      u"\"Жук\"\nmsgstr \"Käfer\""_qs);
        }
        const ToolRun imported = Convert(args + QStringList{"--import-" + format, out});
        QCOMPARE(imported.err, QString());
        // A target nobody approved (the XLIFF ones added by hand) comes in as needs work.
        const int drafts = format == "xliff" ? 1 : 0;
        const auto rest = [](int needsWork) {
            return QStringLiteral(
                       "\"fuzzy_skipped\": 0, \"too_long\": 0, \"unknown\": 0, "
                       "\"not_storable\": 0, \"duplicate\": 0, \"needs_work\": %1}\n")
                .arg(needsWork);
        };
        QCOMPARE(QString::fromUtf8(imported.out),
                 "{\"file\": \"act1/dialog_intro.edt\", \"imported\": 0, \"unchanged\": 5, " +
                     rest(0) +
                     "{\"file\": \"act1/items.edt\", \"imported\": 1, \"unchanged\": 1, " +
                     rest(drafts) +
                     "{\"file\": \"act2/dialog_end.edt\", \"created\": true, \"imported\": 1, "
                     "\"unchanged\": 1, " +
                     rest(drafts) + "{\"files\": 3, \"imported\": 2, \"unchanged\": 7, " +
                     rest(2 * drafts));
        for (const auto& [path, rows] : {std::pair{"act1/items.edt", Rows{{"Lampe"}, {"Schwert"}}},
                                         {"act2/dialog_end.edt", Rows{{"Tobb", u"Käfer"_qs}}}}) {
            const QString file = P(name + "/de/" + path);
            const LoadResult loaded =
                LoadDocument(file, kFileTypeEdt, kEncodingEnglish,
                             *catalogue_.At(path[5] == 'i' ? 1 : 0), -1, true);
            QVERIFY2(loaded.document, qPrintable(loaded.error));
            QCOMPARE(TextsOf(*loaded.document), rows);
        }
    }

    // A <file> of an import that names no original of the project is reported, with its line,
    // and the rest imported.
    void xliffPartsReported()
    {
        const QString in = P("parts.xlf");
        const QByteArray unit =
            "<body><trans-unit id=\"0:0\"><source>x</source></trans-unit></body>";
        QVERIFY(WriteAll(in, kXliffStart + "\n<file>" + unit +
                                 "</file>\n<file original=\"x.edt\">" + unit +
                                 "</file>\n<file original=\"act1/items.edt\"/>\n"
                                 "<file original=\"act1/items.edt\">" +
                                 unit + "</file></xliff>"));
        const ToolRun run = Convert({"--project", P("main/p.scrivlet"), "--import-xliff", in});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err,
                 "scrivlet-convert: The <file> on line 2 has no original attribute, so it names no "
                 "file of the project; its entries were not imported (1).\n"
                 "scrivlet-convert: x.edt: The <file> on line 3 names no original of the project; "
                 "its entries were not imported (1).\n"
                 "scrivlet-convert: act1/items.edt: The <file> on line 5 names a file an earlier "
                 "<file> already named; its entries were not imported (1).\n");
        QVERIFY(run.out.startsWith("{\"file\": \"act1/items.edt\", \"imported\": 0,"));
    }

    // A project on a read-only mount or a full disk is named with the system's reason, not
    // called no project; --stats still counts, and says where the counts could not be kept.
    void unwritableFolder_data()
    {
        QTest::addColumn<bool>("full");
        QTest::newRow("read-only mount") << false;
        QTest::newRow("full disk") << true;
    }
    void unwritableFolder()
    {
        QFETCH(bool, full);
        const QString home = P(full ? "full" : "readonly");
        QVERIFY(QDir().mkpath(home));
        if (!full)
            QVERIFY(MakeProject("readonly"));
        const QString project = home + "/p.scrivlet";
        const QString log = P("unwritable.log");
        const bool sound = RunInChild([&] {
            QFile out(log);
            if (!out.open(QIODevice::WriteOnly))
                return false;
            const QByteArray folder = QFile::encodeName(home);
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return false;
            if (full) {
                if (mount("tmpfs", folder.constData(), "tmpfs", 0, "size=1m") != 0 ||
                    !MakeProject("full"))
                    return false;
                QFile filler(home + "/filler");
                if (!filler.open(QIODevice::WriteOnly))
                    return false;
                while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
                }
            } else if (mount(folder.constData(), folder.constData(), nullptr, MS_BIND, nullptr) ||
                       mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                             nullptr)) {
                return false;
            }
            const ToolRun run = Convert({"--project", project, "--stats"});
            out.write(run.err.toUtf8());
            return !run.err.contains("is not a Scrivlet project") &&
                   (run.err.isEmpty() || run.err.contains(project));
        });
        QVERIFY2(sound, ReadAll(log).constData());
    }

    // A missing translation is made only for an entry that goes into it; one its encoding
    // cannot store is left out and counted once.
    void importCreatesOnlyWithEntries_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<bool>("created");
        QTest::newRow("the original's text")
            << u"Жук"_qs << "\"imported\": 0, \"unchanged\": 1" << false;
        QTest::newRow("not storable") << u"Жжж"_qs << "\"imported\": 0, \"unchanged\": 0" << false;
        QTest::newRow("a translation")
            << u"Käfer"_qs << "\"created\": true, \"imported\": 1" << true;
    }
    void importCreatesOnlyWithEntries()
    {
        QFETCH(QString, target);
        QFETCH(QString, counts);
        const QString home =
            P(QStringLiteral("create-%1").arg(QTest::currentDataTag()).replace(' ', '_'));
        QVERIFY(MakeProject(QFileInfo(home).fileName()));
        QVERIFY(WriteAll(home + "/in.xlf",
                         kXliffStart +
                             "<file original=\"act2/dialog_end.edt\"><body><trans-unit "
                             "id=\"0:1\"><target>" +
                             target.toUtf8() + "</target></trans-unit></body></file></xliff>"));
        const ToolRun run =
            Convert({"--project", home + "/p.scrivlet", "--import-xliff", home + "/in.xlf"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.startsWith("{\"file\": \"act2/dialog_end.edt\", " + counts.toUtf8()),
                 run.out.constData());
        QVERIFY(
            run.out.contains(target == u"Жжж"_qs ? "\"not_storable\": 1" : "\"not_storable\": 0"));
        QTEST(QFile::exists(home + "/de/act2/dialog_end.edt"), "created");
    }

    // A link among the translations is followed where it stays inside their folder or the
    // project names it; elsewhere nothing is written through it. Each row imports "Schwert"
    // into act1/items.edt, whose folder is a link to the real one.
    void linkedTranslations_data()
    {
        QTest::addColumn<QString>("target");  // where act1 really is, relative to the project
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("items");  // the real file's texts after the import
        QTest::newRow("inside the folder") << "de/store/act1" << false << 0 << "Lampe|Schwert";
        QTest::newRow("outside, not named") << "store/act1" << false << 1 << "Lampe|Sword";
        QTest::newRow("outside, named") << "store/act1" << true << 0 << "Lampe|Schwert";
    }
    void linkedTranslations()
    {
        QFETCH(QString, target);
        QFETCH(bool, allowed);
        const QString name =
            QStringLiteral("link-%1").arg(QTest::currentDataTag()).replace(' ', '_');
        QVERIFY(MakeProject(name));
        const QString home = P(name);
        QVERIFY(QDir().mkpath(QFileInfo(home + u'/' + target).path()));
        QVERIFY(QDir().rename(home + "/de/act1", home + u'/' + target));
        QVERIFY(QFile::link(home + u'/' + target, home + "/de/act1"));
        const QString project = home + "/p.scrivlet";
        if (allowed)
            QCOMPARE(Convert({"--project", project, "--allow-link", "act1"}).code, 0);
        const ToolRun stats = Convert({"--project", project, "--stats"});
        QVERIFY(stats.out.endsWith("\"missing\": 1}\n") == (target.startsWith("de/") || allowed));
        QCOMPARE(stats.err.contains("is a link to a place outside"),
                 !allowed && !target.startsWith("de/"));
        QVERIFY(WriteAll(home + "/in.xlf",
                         kXliffStart + "<file original=\"act1/items.edt\"><body><trans-unit "
                                       "id=\"1:0\"><target>Schwert</target></trans-unit></body>"
                                       "</file></xliff>"));
        QTEST(Convert({"--project", project, "--import-xliff", home + "/in.xlf"}).code, "code");
        const LoadResult items = LoadDocument(home + u'/' + target + "/items.edt", kFileTypeEdt,
                                              kEncodingEnglish, *catalogue_.At(1), 1, true);
        QVERIFY(items.document);
        const Rows rows = TextsOf(*items.document);
        QTEST(rows[0][0] + u'|' + rows[1][0], "items");
    }

    // A file name that is no UTF-8 is named on stderr, escaped, not left out without a word.
    void badNameTold()
    {
        QVERIFY(MakeProject("names"));
        const QByteArray bad = QFile::encodeName(P("names/en/act1")) + "/dialog_caf\xE9.edt";
        QCOMPARE(::link(QFile::encodeName(P("names/en/act1/dialog_intro.edt")).constData(),
                        bad.constData()),
                 0);
        const ToolRun run = Convert({"--project", P("names/p.scrivlet"), "--stats"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.contains("act1/dialog_caf\\xe9.edt: the file name is not valid UTF-8"),
                 qPrintable(run.err));
        ::unlink(bad.constData());  // QDir cannot name it to remove it
    }

    // A project on a translation platform across a game patch. The platform's translations of
    // the old export are merged into the new one by gettext's msgmerge (or, for XLIFF, by
    // id): every kept, moved and changed record keeps its translation (a rewritten line's as
    // fuzzy), and the merged file goes back into the project by its names. The second file has
    // no translation in the project: its records keep their ids all the same.
    void platformRoundTrip()
    {
        const QString home = P("platform");
        const QStringList files{"lines.edt", "lines_spare.edt"};
        const Patch patch = MakePatch(300);
        const EdtFormat& format = *catalogue_.At(2);
        for (const auto& [folder, rows] :
             {std::pair{"en", patch.oldRows}, {"en2", patch.newRows}, {"de", patch.oldRows}}) {
            for (const QString& file : files) {
                const QString path = home + u'/' + folder + u'/' + file;
                if (folder == QLatin1String("de") && file != files[0])
                    continue;
                QVERIFY(QDir().mkpath(QFileInfo(path).path()));
                QVERIFY(SaveDocumentAs(*MakeDocument(format, rows), path, kFileTypeEdt,
                                       kEncodingEnglish));
            }
        }
        const QString project = home + "/p.scrivlet";
        const QStringList args{"--project", project};
        QCOMPARE(
            Convert({"--new-project", project, "--originals", home + "/en", "--original-encoding",
                     "0", "--translations", home + "/de", "--encoding", "0"})
                .code,
            0);
        const auto exportAs = [&](const QString& po, const QString& xliff) {
            return Convert(args + QStringList{"--export-po", home + po}).code == 0 &&
                   Convert(args + QStringList{"--export-xliff", home + xliff}).code == 0;
        };
        QVERIFY(exportAs("/po1", "/1.xlf"));
        for (const QString& file : files) {
            const QString po = home + "/po1/" + file + ".po";
            QCOMPARE(RunTool("msgen", {"-o", po, po}).code, 0);
            QCOMPARE(
                RunTool("msgfilter", {"--keep-header", "-i", po, "-o", po, "sed", "-e", kTranslate})
                    .code,
                0);
        }
        const ToolRun updated = Convert(args + QStringList{"--update-originals", home + "/en2"});
        QVERIFY2(updated.code == 0, qPrintable(updated.err));
        QVERIFY(exportAs("/po2", "/2.xlf"));
        QVERIFY(QDir().mkpath(home + "/merged"));
        for (const QString& file : files) {
            const ToolRun merged =
                RunTool("msgmerge", {"--quiet", "-o", home + "/merged/" + file + ".po",
                                     home + "/po1/" + file + ".po", home + "/po2/" + file + ".po"});
            QVERIFY2(merged.code == 0, qPrintable(merged.err));
            const ToolRun checked =
                RunTool("msgfmt", {"--check", "-o", "/dev/null", home + "/merged/" + file + ".po"});
            QVERIFY2(checked.code == 0, qPrintable(checked.err));
        }
        CheckMerged(home, files, patch);
        CheckXliffIds(home, files, patch);
        for (const QString schema : {SCRIVLET_XLIFF_STRICT_XSD, SCRIVLET_XLIFF_TRANSITIONAL_XSD}) {
            if (!QFileInfo::exists(schema))
                QSKIP("the XLIFF schemas are not beside the repository");
            const ToolRun valid =
                RunTool("xmllint", {"--noout", "--schema", schema, home + "/2.xlf"});
            QVERIFY2(valid.code == 0, qPrintable(valid.err));
        }
    }

    // An update cut short before the project switched is undone by the next open, which says
    // so; the files written beside the translations go.
    void interruptedUpdateRolledBack()
    {
        QVERIFY(MakeProject("cut"));
        const QString items = P("cut/de/act1/items.edt");
        const QByteArray before = ReadAll(items);
        {
            ProjectFile project;
            QVERIFY(project.Open(P("cut/p.scrivlet")));
            QVERIFY(project.BeginUpdate());
            QVERIFY(WriteAll(ProjectFile::StagedPath(items), "new"));
            QVERIFY(project.StageUpdate("act1/items.edt", {}, {}));
            // Another update waits for this one.
            ProjectFile second;
            QVERIFY(second.Open(P("cut/p.scrivlet")));
            QVERIFY(second.PendingNote().isEmpty());
            QVERIFY(!second.BeginUpdate());
        }  // gone without a switch, as if killed
        ProjectFile project;
        QVERIFY(project.Open(P("cut/p.scrivlet")));
        QVERIFY2(project.PendingNote().contains("undone"), qPrintable(project.PendingNote()));
        QCOMPARE(ReadAll(items), before);
        QVERIFY(!QFile::exists(ProjectFile::StagedPath(items)));
        QCOMPARE(project.Settings().originals, "en");
    }

    // The editor's save clears only the marks of the fields it names; marks another program
    // set meanwhile stay, and the change is seen.
    void reviewMarksClearedByField()
    {
        QVERIFY(MakeProject("review"));
        ProjectFile editor, converter;
        QVERIFY(editor.Open(P("review/p.scrivlet")));
        QVERIFY(converter.Open(P("review/p.scrivlet")));
        QVERIFY(!editor.ChangedElsewhere());
        for (int record : {0, 1})
            QVERIFY(
                converter.SetFieldMarks("a.edt", record, 1, {"old", ReviewReason::Changed, ""}));
        QVERIFY(editor.ChangedElsewhere());
        QVERIFY(!editor.ChangedElsewhere());
        const ProjectFile::ReviewedField saved{1, 1, "now"};
        QVERIFY(editor.ClearReviewMarks("a.edt", std::span(&saved, 1)));
        QCOMPARE(editor.Marks("a.edt", 0, 1), (FieldMarks{"old", ReviewReason::Changed, ""}));
        QCOMPARE(editor.Marks("a.edt", 1, 1), (FieldMarks{"now", ReviewReason::None, ""}));
    }

    // Per-field marks and format overrides outlive the connection; the file is in WAL mode.
    void marks()
    {
        const QString path = P("main/p.scrivlet");
        {
            ProjectFile project;
            QVERIFY(project.Open(path));
            QVERIFY(project.SetFieldMarks("act1/items.edt", 1, 0,
                                          {"Sword", ReviewReason::New, "a note"}));
            QVERIFY(
                project.SetFieldMarks("act1/items.edt", 1, 0, {"Sword", ReviewReason::None, ""}));
            QVERIFY(project.SetFormatOverride("act1/items.edt", 0));
        }
        ProjectFile project;
        QVERIFY(project.Open(path));
        QCOMPARE(project.Marks("act1/items.edt", 1, 0),
                 (FieldMarks{"Sword", ReviewReason::None, ""}));
        QCOMPARE(project.Marks("act1/items.edt", 0, 0), std::nullopt);
        QCOMPARE(project.FormatOverrides().value("act1/items.edt", -1), 0);
        QVERIFY(project.SetFormatOverride("act1/items.edt", -1));
        QVERIFY(project.FormatOverrides().isEmpty());
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(project.CachePath()).constData(), &db), SQLITE_OK);
        sqlite3_stmt* mode = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr);
        QCOMPARE(sqlite3_step(mode), SQLITE_ROW);
        QCOMPARE(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal");
        sqlite3_finalize(mode);
        sqlite3_close(db);
    }
};

SCRIVLET_TEST(ProjectTest);

#include "test_store.moc"
