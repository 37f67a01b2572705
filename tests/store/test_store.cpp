#include "TestDocument.h"
#include "TestRegistry.h"

#include "catalogue/CatalogueLoader.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "store/ProjectWalk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace scrivlet;
using namespace scrivlet::test;

// A project as a user makes one: originals in sub-folders (Unicode), translations in English,
// one original without its translation and one translation without its original.

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run Convert(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(SCRIVLET_CONVERT_EXE), args);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// Talk: Name (4 units) and Text (5); Things: one field of 8.
const char kCatalogue[] =
    "[FORMAT0]\nname=Talk\npath=.*/(dialog)[^/]*\nwidth=9\n"
    "[FORMAT0.COLUMN0]\ndesc=Name\nwidth=100\ntype=1\ndataoffset=0\ndatasize=4\n"
    "[FORMAT0.COLUMN1]\ndesc=Text\nwidth=200\ntype=1\ndataoffset=4\ndatasize=5\n"
    "[FORMAT1]\nname=Things\npath=.*/(item)[^/]*\nwidth=8\n"
    "[FORMAT1.COLUMN0]\ndesc=Thing\nwidth=80\ntype=1\ndataoffset=0\ndatasize=8\n";

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

}  // namespace

class ProjectTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FormatCatalogue catalogue_;
    QString P(const QString& name) const { return dir_.filePath(name); }

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
        const Run made = Convert({"--catalogue", P("formats.ini"), "--new-project",
                                  home + "/p.scrivlet", "--originals", home + "/en",
                                  "--original-encoding", "4", "--translations", home + "/de",
                                  "--encoding", "0"});
        return made.code == 0 && made.out == "{\"files\": 3, \"missing\": 1, \"extra\": 1}\n";
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
        QTest::newRow("stats") << p + "--stats" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"records\": 3, \"fields\": 6, "
               "\"empty\": 2, \"same_as_reference\": 3, \"translated\": 1, \"too_long\": 0, "
               "\"not_storable\": 0}\n"
               "{\"file\": \"act1/items.edt\", \"records\": 2, \"fields\": 2, \"empty\": 0, "
               "\"same_as_reference\": 1, \"translated\": 1, \"too_long\": 0, "
               "\"not_storable\": 0}\n"
               "{\"file\": \"act2/dialog_end.edt\", \"missing\": true, \"records\": 1, "
               "\"fields\": 2, \"empty\": 0, \"same_as_reference\": 2, \"translated\": 0, "
               "\"too_long\": 0, \"not_storable\": 1}\n"
               "{\"files\": 3, \"records\": 6, \"fields\": 10, \"empty\": 2, "
               "\"same_as_reference\": 6, \"translated\": 2, \"too_long\": 0, "
               "\"not_storable\": 1, \"missing\": 1}\n";
        // Only translations are searched: not the missing one's original, not the extra one.
        QTest::newRow("find") << p + "--find o" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, \"field\": 0, "
               "\"start\": 1, \"length\": 1}\n"
               "{\"file\": \"act1/dialog_intro.edt\", \"record\": 0, \"field\": 1, "
               "\"start\": 4, \"length\": 1}\n"
               "{\"file\": \"act1/items.edt\", \"record\": 1, \"field\": 0, \"start\": 2, "
               "\"length\": 1}\n";
        QTest::newRow("find, regex, case") << p + "--find [A-Z]i --regex --match-case" << 0
            << "{\"file\": \"act1/dialog_intro.edt\", \"record\": 2, \"field\": 1, "
               "\"start\": 0, \"length\": 2}\n";
        QTest::newRow("find, whole word") << p + "--find lamp --whole-word" << 0 << "";
        QTest::newRow("bad pattern") << p + "--find ( --regex" << 2 << "scrivlet-convert: '('";
        QTest::newRow("two modes") << p + "--stats --find x" << 2
            << "scrivlet-convert: --project takes one of";
        QTest::newRow("folders given again") << p + "--stats --originals x" << 2
            << "scrivlet-convert: the folders and encodings are the project's own";
        QTest::newRow("existing project") << "--new-project %P --originals %D --translations %D "
                                             "--original-encoding 0 --encoding 0"
                                          << 1 << "";
    }

    void doors()
    {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QStringList list = QStringList{"--catalogue", P("formats.ini")} + args.split(u' ');
        list.replaceInStrings("%P", P("main/p.scrivlet")).replaceInStrings("%D", P("main/en"));
        const Run run = Convert(list);
        QCOMPARE(run.code, code);
        if (code == 2)
            QVERIFY2(run.err.startsWith(out), qPrintable(run.err));
        else
            QCOMPARE(run.out, out);
    }
};

SCRIVLET_TEST(ProjectTest);

#include "test_store.moc"
