// The .edt unit transforms against rows and sets worked out from the mappings, and the code
// page tables against the platform's converter.

#include "TestRegistry.h"
#include "documents/CodePages.h"
#include "documents/Encodings.h"

#include <QTest>
#include <QtEndian>

#include <iconv.h>  // the platform's converter is the reference for the code page tables

#include <algorithm>
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

// Codes of the Cyrillic block that read back as the letter that was stored there: all but
// the second Е (1107) and the small letters from 1133.
bool IsExactBlockCode(int code)
{
    return (code >= 1101 && code <= 1106) || (code >= 1108 && code <= 1132);
}

const char16_t kPolishLetters[] = {0x015A, 0x0179, 0x015B, 0x017A, 0x0141, 0x0104,
                                   0x017B, 0x0142, 0x0105, 0x017C, 0x0106, 0x0118,
                                   0x0143, 0x00D3, 0x0107, 0x0119, 0x0144, 0x00F3};

// Units that survive decode-then-encode unchanged, worked out from the mappings.
bool UnitRoundTrips(int encoding, int unit)
{
    if (unit == 33)
        return false;  // 33 and 34 both read as '!', which is stored as 34
    const int code = unit > 33 ? unit - 1 : unit;
    switch (encoding) {
        case kEncodingEnglish:
        case kEncodingGerman:
            return code < 256 || IsExactBlockCode(code);
        case kEncodingPolish:
            if (code >= 1101 && code <= 1163)
                return IsExactBlockCode(code);
            if (code >= 0x0410 && code <= 0x044F)
                return false;  // read unchanged, stored back in the block
            if (code == 0x00D3 || code == 0x00F3)
                return true;  // Ó and ó sit at their own codes
            // A Polish letter's own code: stored back at its Windows-1250 code.
            return std::find(std::begin(kPolishLetters), std::end(kPolishLetters), code) ==
                   std::end(kPolishLetters);
        case kEncodingRussian:
            return code < 256;
        default:
            return true;
    }
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
            QTest::addRow("%d small zhe", e) << e << 0x0436 << 1109 << 0x0416;
            QTest::addRow("%d hard sign reads as Shcha", e) << e << 0x042A << 1128 << 0x0429;
            QTest::addRow("%d yo reads as De", e) << e << 0x0451 << 1106 << 0x0414;
            QTest::addRow("%d euro at its Windows-1252 byte", e) << e << 0x20AC << 129 << 0x20AC;
            QTest::addRow("%d Polish l keeps own code", e) << e << 0x0142 << 323 << int('B');
            QTest::addRow("%d below block", e) << e << -1 << 1101 << int('L');
            QTest::addRow("%d above block", e) << e << -1 << 1165 << 0x0152;
            QTest::addRow("%d high bits dropped", e) << e << -1 << 0x0142 << int('A');
            QTest::addRow("%d largest unit", e) << e << -1 << 0xFFFF << 0x00FE;
        }
        QTest::newRow("Polish l stroke") << 2 << 0x0142 << 180 << 0x0142;
        QTest::newRow("Polish small ya") << 2 << 0x044F << 1133 << 0x042F;
        QTest::newRow("Polish yo lands in block") << 2 << 0x0451 << 1106 << 0x0414;
        QTest::newRow("Russian ya") << 3 << 0x044F << 256 << 0x044F;
        QTest::newRow("Russian CJK") << 3 << 0x4E2D << 64 << int('?');
        QTest::newRow("Russian euro") << 3 << 0x20AC << 137 << 0x20AC;
        QTest::newRow("Russian undefined byte") << 3 << 0x0098 << 153 << 0x0098;
        QTest::newRow("Unicode U+FFFE") << 4 << 0xFFFE << 0xFFFF << 0xFFFE;
        QTest::newRow("Unicode high surrogate") << 4 << 0xD83D << 0xD83E << 0xD83D;
        for (int e : {kEncodingEnglish, kEncodingGerman, kEncodingPolish}) {
            QTest::addRow("%d second E", e) << e << -1 << 1108 << 0x0415;
            QTest::addRow("%d Yeru after gap", e) << e << -1 << 1129 << 0x042B;
            QTest::addRow("%d block end", e) << e << -1 << 1164 << 0x044E;
        }
        QTest::newRow("Polish 138 not a letter") << 2 << -1 << 139 << 0x008A;
        QTest::newRow("Polish euro byte unchanged") << 2 << -1 << 129 << 0x0080;
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

    void unitRoundTrip_data()
    {
        QTest::addColumn<int>("encoding");
        for (int e = 0; e < kEncodingCount; ++e)
            QTest::addRow("%d", e) << e;
    }
    void unitRoundTrip()
    {
        QFETCH(int, encoding);
        // Every unit read, then all stored back at once.
        std::vector<char16_t> chars(kUnitCount);
        std::vector<uint16_t> back(kUnitCount);
        for (int unit = 0; unit < kUnitCount; ++unit)
            chars[unit] = char16_t(Decode(encoding, unit));
        QVERIFY(EncodeEdtUnits(encoding, chars.data(), back.data(), kUnitCount));
        for (int unit = 0; unit < kUnitCount; ++unit) {
            if ((back[unit] == unit) != UnitRoundTrips(encoding, unit))
                QFAIL(qPrintable(
                    QStringLiteral("unit %1 came back as %2").arg(unit).arg(back[unit])));
        }
    }

    void codePagesMatchIconv_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("iconvName");
        QTest::addColumn<QList<int>>("undefined");
        QTest::newRow("1250") << 1250 << QByteArray("CP1250")
                              << QList<int>{0x81, 0x83, 0x88, 0x90, 0x98};
        QTest::newRow("1251") << 1251 << QByteArray("CP1251") << QList<int>{0x98};
        QTest::newRow("1252") << 1252 << QByteArray("CP1252")
                              << QList<int>{0x81, 0x8D, 0x8F, 0x90, 0x9D};
    }
    void codePagesMatchIconv()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, iconvName);
        QFETCH(QList<int>, undefined);
        const CodePageTable* table = WindowsCodePage(codePage);
        QVERIFY(table != nullptr);
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
