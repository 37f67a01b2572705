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
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("pairs");  // source|target, or the error's start
        QTest::addColumn<bool>("fails");
        QTest::newRow("regions and case")
            << QByteArray(
                   "<tu><tuv xml:lang=\"EN-us\"><seg>Door</seg></tuv>"
                   "<tuv xml:lang=\"ru_RU\"><seg>Дверь</seg></tuv></tu>")
            << QStringList{u"Door|Дверь"_qs} << false;
        QTest::newRow("TMX 1.1 lang") << QByteArray(
                                             "<tu><tuv lang=\"en\"><seg>Door</seg></tuv><tuv "
                                             "lang=\"ru\"><seg>Дверь</seg></tuv>"
                                             "</tu>")
                                      << QStringList{u"Door|Дверь"_qs} << false;
        QTest::newRow("inline codes left out, highlight kept")
            << QByteArray(
                   "<tu><tuv xml:lang=\"en\"><seg>Open <bpt i=\"1\">&lt;b></bpt><hi>the</hi> door"
                   "<ept i=\"1\">&lt;/b></ept><ph>{0}</ph></seg></tuv>"
                   "<tuv xml:lang=\"ru\"><seg>Открой <it "
                   "pos=\"begin\">x</it>дверь</seg></tuv></tu>")
            << QStringList{u"Open the door|Открой дверь"_qs} << false;
        QTest::newRow("other languages and missing sides")
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
            << QStringList{u"Yes|Да"_qs} << false;
        QTest::newRow("document type") << QByteArray("<!DOCTYPE tmx [<!ENTITY a \"aaaa\">]>")
                                       << QStringList{u"<!DOCTYPE>"_qs} << true;
        QTest::newRow("nested too deep")
            << QByteArray("<tu><tuv xml:lang=\"en\"><seg>") + QByteArray("<hi>").repeated(300)
            << QStringList{u"256"_qs} << true;
        QTest::newRow("broken") << QByteArray("<tu><tuv xml:lang=\"en\"><seg>x</tuv>")
                                << QStringList{u"line 2, column 82"_qs} << true;
    }

    void read()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, pairs);
        QFETCH(bool, fails);
        QVERIFY(dir_.isValid());
        const QString path = dir_.filePath(QStringLiteral("in.tmx"));
        const bool doctype = body.startsWith("<!DOCTYPE");
        const QByteArray text = doctype ? body + "<tmx version=\"1.4\"><body/></tmx>"
                                        : "<tmx version=\"1.4\"><header srclang=\"en\"/><body>" +
                                              body + "</body></tmx>";
        QVERIFY(WriteAll(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + text));
        QStringList read;
        const Result result =
            ReadTmx(path, QStringLiteral("en-GB"), QStringLiteral("ru"), [&read](TmxPair&& pair) {
                read << pair.source + u'|' + pair.target;
                return Result();
            });
        QCOMPARE(!result.Ok(), fails);
        if (fails)
            QVERIFY2(result.Error().contains(pairs[0]), qPrintable(result.Error()));
        else
            QCOMPARE(read, pairs);
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
