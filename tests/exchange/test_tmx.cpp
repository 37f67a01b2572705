#include "TestFiles.h"
#include "TestRegistry.h"

#include "exchange/Tmx.h"

#include <QTemporaryDir>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

// TMX as other tools write it, read for the pair en -> ru.

class TmxTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("doctype");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("pairs");  // source|target, or the error's start
        QTest::addColumn<QString>("notes");      // units too large (lines), languages held
        QTest::addColumn<bool>("fails");
        const QByteArray door =
            "<tu><tuv xml:lang=\"en\"><seg>Door</seg></tuv><tuv xml:lang=\"ru\"><seg>Дверь</seg>"
            "</tuv></tu>";
        QTest::newRow("regions and case")
            << QByteArray()
            << QByteArray(
                   "<tu><tuv xml:lang=\"EN-us\"><seg>Door</seg></tuv>"
                   "<tuv xml:lang=\"ru_RU\"><seg>Дверь</seg></tuv></tu>")
            << QStringList{u"Door|Дверь"_qs} << "0 en ru" << false;
        QTest::newRow("TMX 1.1 lang") << QByteArray()
                                      << QByteArray(
                                             "<tu><tuv lang=\"en\"><seg>Door</seg></tuv><tuv "
                                             "lang=\"ru\"><seg>Дверь</seg></tuv>"
                                             "</tu>")
                                      << QStringList{u"Door|Дверь"_qs} << "0 en ru" << false;
        QTest::newRow("inline codes left out, highlight kept")
            << QByteArray()
            << QByteArray(
                   "<tu><tuv xml:lang=\"en\"><seg>Open <bpt i=\"1\">&lt;b></bpt><hi>the</hi> door"
                   "<ept i=\"1\">&lt;/b></ept><ph>{0}</ph></seg></tuv>"
                   "<tuv xml:lang=\"ru\"><seg>Открой <it "
                   "pos=\"begin\">x</it>дверь</seg></tuv></tu>")
            << QStringList{u"Open the door|Открой дверь"_qs} << "0 en ru" << false;
        QTest::newRow("other languages and missing sides")
            << QByteArray()
            << QByteArray(
                   "<tu><tuv xml:lang=\"en\"><seg>A</seg></tuv><tuv "
                   "xml:lang=\"de\"><seg>B</seg></tuv>"
                   "</tu><tu><tuv xml:lang=\"en\"><seg>Alone</seg></tuv></tu>"
                   "<tu><tuv xml:lang=\"en\"><seg>Empty</seg></tuv><tuv "
                   "xml:lang=\"ru\"><seg/></tuv>"
                   "</tu><tu><prop type=\"x-origin\">f:1:0</prop><tuv "
                   "xml:lang=\"en\"><seg>Yes</seg>"
                   "</tuv><tuv xml:lang=\"ru\"><seg>Да</seg></tuv><tuv "
                   "xml:lang=\"ru\"><seg>Ага</seg>"
                   "</tuv></tu>")
            << QStringList{u"Yes|Да"_qs} << "0 en de ru" << false;
        // The languages held are what a user needs when none of the pair is there.
        QTest::newRow("neither language")
            << QByteArray()
            << QByteArray(
                   "<tu><tuv xml:lang=\"de\"><seg>A</seg></tuv><tuv xml:lang=\"fr-CA\">"
                   "<seg>B</seg></tuv></tu>")
            << QStringList() << "0 de fr" << false;
        // A unit over the limit is left out whatever its language, with its line; the rest
        // is read.
        QTest::newRow("unit too large")
            << QByteArray()
            << "\n<tu><tuv xml:lang=\"de\"><seg>" + QByteArray(40000, 'x') +
                   "</seg></tuv><tuv xml:lang=\"en\"><seg>" + QByteArray(30000, 'y') +
                   "</seg></tuv></tu>" + door
            << QStringList{u"Door|Дверь"_qs} << "1 (3) de en ru" << false;
        QTest::newRow("document type naming its DTD")
            << QByteArray("<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">") << door
            << QStringList{u"Door|Дверь"_qs} << "0 en ru" << false;
        QTest::newRow("document type declaring an entity")
            << QByteArray("<!DOCTYPE tmx [<!ENTITY a \"aaaa\">]>") << door
            << QStringList{u"<!DOCTYPE>"_qs} << "" << true;
        QTest::newRow("document type with an empty internal subset")
            << QByteArray("<!DOCTYPE tmx SYSTEM \"tmx14.dtd\" []>") << door
            << QStringList{u"<!DOCTYPE>"_qs} << "" << true;
        QTest::newRow("nested too deep")
            << QByteArray()
            << QByteArray("<tu><tuv xml:lang=\"en\"><seg>") + QByteArray("<hi>").repeated(300)
            << QStringList{u"256"_qs} << "" << true;
        QTest::newRow("broken") << QByteArray()
                                << QByteArray("<tu><tuv xml:lang=\"en\"><seg>x</tuv>")
                                << QStringList{u"line 2, column 82"_qs} << "" << true;
    }

    void read()
    {
        QFETCH(QByteArray, doctype);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, pairs);
        QFETCH(bool, fails);
        QVERIFY(dir_.isValid());
        const QString path = dir_.filePath(QStringLiteral("in.tmx"));
        QVERIFY(WriteAll(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype +
                                   "<tmx version=\"1.4\"><header srclang=\"en\"/><body>" + body +
                                   "</body></tmx>"));
        QStringList read;
        TmxNotes notes;
        const Result result = ReadTmx(
            path, QStringLiteral("en-GB"), QStringLiteral("ru"),
            [&read](TmxPair&& pair) {
                read << pair.source + u'|' + pair.target;
                return Result();
            },
            &notes, TmxLimits{64 * 1024});
        QCOMPARE(!result.Ok(), fails);
        if (fails) {
            QVERIFY2(result.Error().contains(pairs[0]), qPrintable(result.Error()));
            return;
        }
        QCOMPARE(read, pairs);
        QString lines;
        for (const qint64 line : notes.tooLargeLines)
            lines += QStringLiteral(" (%1)").arg(line);
        QTEST(QString::number(notes.tooLarge) + lines + u' ' + notes.languages.join(u' '), "notes");
        QCOMPARE(notes.taken, qint64(pairs.size()));
    }

    void refusesOtherRoot()
    {
        const QString path = dir_.filePath(QStringLiteral("x.tmx"));
        QVERIFY(WriteAll(path, "<xliff/>"));
        QVERIFY(!ReadTmx(path, "en", "ru", [](TmxPair&&) { return Result(); }).Ok());
    }
};

SCRIVLET_TEST(TmxTest);

#include "test_tmx.moc"
