// Catalogue files that are huge, broken or no text at all: the reader answers quickly, keeps
// what is readable and never reaches past its input.

#include "TestRegistry.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/IniFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace scrivlet;

namespace {

constexpr qsizetype kMegabyte = 1024 * 1024;

QByteArray Format(int index, const QByteArray& name, const QByteArray& width = "4")
{
    const QByteArray section = "FORMAT" + QByteArray::number(index);
    return "[" + section + "]\nname=" + name + "\nwidth=" + width + "\n[" + section +
           ".COLUMN0]\ndesc=Text\ntype=1\ndataoffset=0\ndatasize=4\n";
}

QByteArray Garbage(qsizetype size)
{
    QRandomGenerator random(20261206);  // fixed, so a failure can be reproduced
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    return bytes;
}

}  // namespace

class CatalogueBadInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("formats");
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<int>("lastWidth");

        QByteArray many;
        for (int i = 0; i < 10000; ++i)
            many += Format(i, "F" + QByteArray::number(i));
        QTest::newRow("10,000 formats") << many << 10000 << "F9999" << 4;
        QTest::newRow("binary garbage") << Garbage(256 * 1024) << 0 << QString() << 0;
        QTest::newRow("garbage around a format")
            << Garbage(4096) + "\n" + Format(0, "Kept") + Garbage(4096) << 1 << "Kept" << 4;
        QTest::newRow("1 MB name")
            << Format(0, QByteArray(kMegabyte, 'n')) << 1 << QString(kMaxNameUnits, u'n') << 4;
        QTest::newRow("1 MB quoted name") << Format(0, "\"" + QByteArray(kMegabyte, 'q') + "\"")
                                          << 1 << QString(kMaxNameUnits, u'q') << 4;
        // 10^n is a multiple of 2^32 for n >= 32: n nines wrap to -1.
        QTest::newRow("1 MB of digits wraps")
            << Format(0, "Wide", QByteArray(kMegabyte, '9')) << 1 << "Wide" << -1;
        QTest::newRow("1 MB of blanks in a line")
            << "name" + QByteArray(kMegabyte, ' ') + "=x\n" + Format(0, "After") << 1 << "After"
            << 4;
        QTest::newRow("1 MB of blanks before a quote")
            << "k = a" + QByteArray(kMegabyte, ' ') + "\"b\n" + Format(0, "After") << 1 << "After"
            << 4;
        QTest::newRow("1 MB section name")
            << "[" + QByteArray(kMegabyte, 'S') + "]\n" + Format(0, "After") << 1 << "After" << 4;
        QTest::newRow("1 MB of brackets")
            << QByteArray(kMegabyte, '[') + "\n" + Format(0, "After") << 1 << "After" << 4;
        QTest::newRow("1 MB of zero bytes")
            << QByteArray(kMegabyte, '\0') + "\n" + Format(0, "After") << 1 << "After" << 4;
        QTest::newRow("carriage returns only")
            << Format(0, "X").replace('\n', '\r') << 0 << QString() << 0;
        QTest::newRow("no line end at all") << Format(0, "Last").chopped(1) << 1 << "Last" << 4;
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, formats);
        QFETCH(QString, lastName);
        QFETCH(int, lastWidth);

        const QString path = dir_.filePath("formats.ini");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
        }
        // Processor time: what the reading costs, whatever else the machine is doing. The
        // bound has room for a sanitizer build; quadratic work on these sizes would take minutes.
        const std::clock_t started = std::clock();
        FormatCatalogue catalogue;
        QVERIFY(LoadFormatCatalogueFile(catalogue, path));
        const long milliseconds = (std::clock() - started) * 1000 / CLOCKS_PER_SEC;
        QVERIFY2(milliseconds < 10000, qPrintable(QString::number(milliseconds)));
        QCOMPARE(catalogue.Count(), formats);
        if (formats > 0) {
            const EdtFormat& last = catalogue.Formats().back();
            QCOMPARE(last.name, lastName);
            QCOMPARE(last.recordLength, lastWidth);
            QCOMPARE(last.FieldCount(), 1);
        }
    }
};

SCRIVLET_TEST(CatalogueBadInputTest);
#include "test_badinput.moc"
