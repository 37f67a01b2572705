#include "TestFiles.h"
#include "TestRegistry.h"
#include "exchange/Glossary.h"

#include <QTemporaryDir>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Terms as "source=target|target;note" lines, for one comparison.
QStringList Flat(const std::vector<GlossaryTerm>& terms)
{
    QStringList out;
    for (const GlossaryTerm& t : terms)
        out << t.source + u'=' + t.targets.join(u'|') + (t.note.isEmpty() ? u""_qs : u';' + t.note);
    return out;
}

}  // namespace

class GlossaryTest : public QObject {
    Q_OBJECT

private slots:
    void csv_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("error");  // empty: read
        QTest::newRow("header, BOM, CRLF")
            << QByteArray("\xEF\xBB\xBFsource,target,note\r\nsword,Schwert,weapon\r\n")
            << QStringList{"sword=Schwert;weapon"} << "";
        QTest::newRow("quoted comma, quote and line break")
            << QByteArray(
                   "\"Odile, keeper\",\"Odile \"\"die Wärterin\"\"\"\nlamp,\"Lampe\nLeuchte\"\n")
            << QStringList{u"Odile, keeper=Odile \"die Wärterin\""_qs, "lamp=Lampe\nLeuchte"} << "";
        QTest::newRow("one term on two lines, blank line")
            << QByteArray("book,книга\n\nbook,том\n") << QStringList{u"book=книга|том"_qs} << "";
        QTest::newRow("unclosed quote") << QByteArray("a,b\nc,\"d\n") << QStringList()
                                        << "Line 2: a quoted field does not end.";
        QTest::newRow("no target") << QByteArray("a,b\nc\n") << QStringList()
                                   << "Line 2: a term needs a source and a target.";
        QTest::newRow("not UTF-8")
            << QByteArray("a,\xE4\n") << QStringList() << "The file is not UTF-8 text.";
        QTest::newRow("NUL") << QByteArray("a,b\nc,d\0e\n", 10) << QStringList()
                             << "Line 2: it holds a NUL character, which no term may hold.";
    }
    void csv()
    {
        QFETCH(QByteArray, bytes);
        std::vector<GlossaryTerm> terms;
        const Result read = ParseGlossaryCsv(bytes, &terms);
        QTEST(read.Error(), "error");
        if (read)
            QTEST(Flat(terms), "terms");
    }

    void tbx_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("error");
        const QByteArray basic =
            "<?xml version='1.0'?><martif type='TBX-Basic'><text><body>"
            "<termEntry><descrip type='definition'>a weapon</descrip>"
            "<langSet xml:lang='en'><tig><term>sword</term></tig></langSet>"
            "<langSet xml:lang='de-DE'><tig><term>Schwert</term></tig></langSet>"
            "<langSet xml:lang='pl'><tig><term>miecz</term></tig></langSet></termEntry>"
            "</body></text></martif>";
        QTest::newRow("TBX-Basic, all targets")
            << basic << "" << QStringList{"sword=Schwert|miecz;a weapon"} << "";
        QTest::newRow("TBX-Basic, German")
            << basic << "de" << QStringList{"sword=Schwert;a weapon"} << "";
        QTest::newRow("TBX 3")
            << QByteArray(
                   "<tbx><text><body><conceptEntry><langSec xml:lang='en'><termSec>"
                   "<term>lamp</term></termSec></langSec><langSec xml:lang='ru'><termSec>"
                   "<term>лампа</term></termSec></langSec></conceptEntry></body></text></tbx>")
            << "ru" << QStringList{u"lamp=лампа"_qs} << "";
        QTest::newRow("DOCTYPE declaring an entity")
            << QByteArray("<!DOCTYPE martif [<!ENTITY x 'y'>]><martif/>") << "" << QStringList()
            << "Glossaries whose document type declaration (<!DOCTYPE>) holds declarations of "
               "its own are not read; it may only name the DTD.";
        QTest::newRow("DOCTYPE naming the DTD")
            << "<!DOCTYPE martif SYSTEM 'TBXcoreStructV02.dtd'>" + basic.mid(21) << ""
            << QStringList{"sword=Schwert|miecz;a weapon"} << "";
        QTest::newRow("too deep") << "<martif>" + QByteArray("<a>").repeated(300) +
                                         QByteArray("</a>").repeated(300) + "</martif>"
                                  << "" << QStringList()
                                  << "elements are nested more than 256 levels deep";
        QTest::newRow("other XML")
            << QByteArray("<xliff/>") << "" << QStringList() << "The file is no TBX glossary.";
    }
    void tbx()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, language);
        std::vector<GlossaryTerm> terms;
        const Result read = ParseGlossaryTbx(bytes, language, &terms);
        QTEST(read.Error(), "error");
        if (read)
            QTEST(Flat(terms), "terms");
    }

    // By suffix; other files are refused before they are read.
    void readBySuffix()
    {
        QTemporaryDir dir;
        QVERIFY(WriteAll(dir.filePath("g.CSV"), "sword,Schwert\n"));
        std::vector<GlossaryTerm> terms;
        QVERIFY(ReadGlossary(dir.filePath("g.CSV"), {}, &terms));
        QCOMPARE(Flat(terms), QStringList{"sword=Schwert"});
        QCOMPARE(ReadGlossary(dir.filePath("g.txt"), {}, &terms).Error(),
                 QStringLiteral("Glossaries are read from .csv and .tbx files."));
    }
};

SCRIVLET_TEST(GlossaryTest);
#include "test_glossary.moc"
