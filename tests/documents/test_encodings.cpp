// The .edt unit transforms against worked-out rows, the code page tables against the platform's
// converter.

#include "TestRegistry.h"
#include "documents/CodePages.h"
#include "documents/Encodings.h"

#include <QTest>
#include <QtEndian>

#include <iconv.h>  // the platform's converter is the reference for the code page tables

#include <numeric>
#include <vector>

using namespace scrivlet;

namespace {

constexpr int kUnitCount = 65536;

// One character through the platform's converter: the output bytes, or empty where it
// has no mapping (or the converter is missing).
QByteArray Iconv(const char* to, const char* from, QByteArray in)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return QByteArray();
    char out[8];
    char *inPtr = in.data(), *outPtr = out;
    size_t inLeft = size_t(in.size()), outLeft = sizeof out;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1);
    iconv_close(cd);
    return ok ? QByteArray(out, qsizetype(sizeof out - outLeft)) : QByteArray();
}

QList<int> Run(int first, int last)
{
    QList<int> units(last - first + 1);
    std::iota(units.begin(), units.end(), first);
    return units;
}

int Encode(int encoding, int ch)
{
    const char16_t in = char16_t(ch);
    uint16_t out = 0;
    return EncodeEdtUnits(encoding, &in, &out, 1) ? out : -1;
}

int Decode(int encoding, int unit)
{
    const uint16_t in = uint16_t(unit);
    char16_t out = 0;
    return DecodeEdtText(encoding, &in, 1, &out) >= 0 ? out : -1;
}

}  // namespace

class EncodingsTest : public QObject {
    Q_OBJECT

private slots:
    void edtChar_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("ch");  // -1: the unit is only read
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("readBack");

        for (int e = 0; e < kEncodingCount; ++e) {
            QTest::addRow("%d exclamation", e) << e << 33 << 34 << 33;
            QTest::addRow("%d U+FFFF", e) << e << 0xFFFF << 64 << int('?');
            QTest::addRow("%d unshifted 33", e) << e << -1 << 33 << int('!');
        }
        for (int e : {kEncodingEnglish, kEncodingGerman}) {
            QTest::addRow("%d yo reads as De", e) << e << 0x0451 << 1106 << 0x0414;
            QTest::addRow("%d euro at its Windows-1252 byte", e) << e << 0x20AC << 129 << 0x20AC;
            QTest::addRow("%d Polish l keeps own code", e) << e << 0x0142 << 323 << int('B');
            QTest::addRow("%d below block", e) << e << -1 << 1101 << int('L');
            QTest::addRow("%d above block", e) << e << -1 << 1165 << 0x0152;
            QTest::addRow("%d largest unit", e) << e << -1 << 0xFFFF << 0x00FE;
        }
        QTest::newRow("Polish l stroke") << 2 << 0x0142 << 180 << 0x0142;
        QTest::newRow("Polish yo lands in block") << 2 << 0x0451 << 1106 << 0x0414;
        QTest::newRow("Russian ya") << 3 << 0x044F << 256 << 0x044F;
        QTest::newRow("Russian CJK") << 3 << 0x4E2D << 64 << int('?');
        QTest::newRow("Unicode U+FFFE") << 4 << 0xFFFE << 0xFFFF << 0xFFFE;
        QTest::newRow("Unicode high surrogate") << 4 << 0xD83D << 0xD83E << 0xD83D;
        for (int e : {kEncodingEnglish, kEncodingGerman, kEncodingPolish}) {
            QTest::addRow("%d second E", e) << e << -1 << 1108 << 0x0415;
            QTest::addRow("%d block end", e) << e << -1 << 1164 << 0x044E;
        }
        QTest::newRow("Polish 138 not a letter") << 2 << -1 << 139 << 0x008A;
        QTest::newRow("Russian no block") << 3 << -1 << 1102 << int('M');
        QTest::newRow("Russian high bits dropped") << 3 << -1 << 0x1100 << 0x044F;
        QTest::newRow("Unicode largest unit") << 4 << -1 << 0xFFFF << 0xFFFE;
    }
    void edtChar()
    {
        QFETCH(int, encoding);
        QFETCH(int, ch);
        QFETCH(int, stored);
        QFETCH(int, readBack);
        if (ch >= 0)
            QCOMPARE(Encode(encoding, ch), stored);
        QCOMPARE(Decode(encoding, stored), readBack);
    }

    // Whole texts at once, which takes the runs of 16 units through another path.
    void edtText_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QString>("readBack");
        const QString polish = u"ŚŹśźŁĄŻłążĆĘŃÓćęńó"_qs;
        QTest::newRow("Polish letters")
            << 2 << polish << QList<int>{141, 144, 157, 160, 164, 166, 176, 180, 186,
                                         192, 199, 203, 210, 212, 231, 235, 242, 244}
            << polish;
        const QString capitals = u"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_qs;
        const QList<int> block = Run(1102, 1107) + Run(1109, 1128) + Run(1128, 1133);
        const QString read = QString(capitals).replace(u'Ъ', u'Щ');
        QTest::newRow("English capitals") << 0 << capitals << block << read;
        QTest::newRow("Polish small letters") << 2 << capitals.toLower() << block << read;
        const QString ascii = u" !\"#$%&'()*+,-./0123456789:;<=>?"_qs;
        QTest::newRow("Unicode") << 4 << u'\uFFFF' + ascii << QList<int>{64, 32} + Run(34, 64)
                                 << u'?' + ascii;
    }
    void edtText()
    {
        QFETCH(int, encoding);
        QFETCH(QString, text);
        QFETCH(QList<int>, stored);
        QFETCH(QString, readBack);
        std::vector<uint16_t> units(text.size());
        QVERIFY(EncodeEdtUnits(encoding, reinterpret_cast<const char16_t*>(text.utf16()),
                               units.data(), units.size()));
        QCOMPARE(QList<int>(units.begin(), units.end()), stored);
        std::vector<char16_t> chars(units.size());
        QCOMPARE(DecodeEdtText(encoding, units.data(), units.size(), chars.data()), units.size());
        QCOMPARE(QStringView(chars.data(), chars.size()).toString(), readBack);
    }

    void codePagesMatchIconv_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QList<int>>("undefined");
        QTest::newRow("1250") << 1250 << QList<int>{0x81, 0x83, 0x88, 0x90, 0x98};
        QTest::newRow("1251") << 1251 << QList<int>{0x98};
        QTest::newRow("1252") << 1252 << QList<int>{0x81, 0x8D, 0x8F, 0x90, 0x9D};
    }
    void codePagesMatchIconv()
    {
        QFETCH(int, codePage);
        QFETCH(QList<int>, undefined);
        const CodePageTable* table = WindowsCodePage(codePage);
        QVERIFY(table != nullptr);
        const QByteArray iconvName = "CP" + QByteArray::number(codePage);
        const char* name = iconvName.constData();
        if (Iconv("UTF-16LE", name, "A").isEmpty())
            QSKIP("the system's iconv lacks this code page");
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray platform = Iconv("UTF-16LE", name, QByteArray(1, char(byte)));
            QCOMPARE(platform.isEmpty(), undefined.contains(byte));
            const int expected =
                platform.isEmpty() ? byte : qFromLittleEndian<quint16>(platform.constData());
            QCOMPARE(int(table->Char(uint8_t(byte))), expected);
        }
        for (int ch = 0; ch < kUnitCount; ++ch) {
            QByteArray in(2, Qt::Uninitialized);
            qToLittleEndian<quint16>(quint16(ch), in.data());
            const QByteArray platform = Iconv(name, "UTF-16LE", in);
            int expected = platform.isEmpty() ? -1 : uchar(platform[0]);
            if (ch < 0x100 && undefined.contains(ch))
                expected = ch;
            QCOMPARE(table->Byte(char16_t(ch)), expected);
        }
    }
};

SCRIVLET_TEST(EncodingsTest);
#include "test_encodings.moc"
