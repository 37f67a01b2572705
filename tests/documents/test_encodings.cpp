#include "CodePages.h"
#include "Encodings.h"
#include "TestRegistry.h"

#include <QTest>
#include <QtEndian>

// The platform's converter is the reference for the code page tables where it exists.
#if __has_include(<iconv.h>)
#include <iconv.h>
#define HAVE_ICONV 1
#endif

#include <algorithm>
#include <vector>

using namespace scrivlet;

namespace {

constexpr int kUnitCount = 65536;

// The bytes that the published Windows-1252 leaves undefined.
const QList<int> kUndefined1252 = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

#ifdef HAVE_ICONV
// One character through the platform's converter: the output bytes, or empty where it
// has no mapping.
QByteArray Iconv(iconv_t cd, QByteArray in)
{
    char out[8];
    char* inPtr = in.data();
    char* outPtr = out;
    size_t inLeft = size_t(in.size());
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1)) {
        return QByteArray();
    }
    return QByteArray(out, qsizetype(sizeof out - outLeft));
}

struct IconvPair {
    iconv_t toUnicode;
    iconv_t fromUnicode;
    explicit IconvPair(const char* codePage)
        : toUnicode(iconv_open("UTF-16LE", codePage)), fromUnicode(iconv_open(codePage, "UTF-16LE"))
    {
    }
    ~IconvPair()
    {
        for (iconv_t cd : {toUnicode, fromUnicode}) {
            if (cd != iconv_t(-1)) {
                iconv_close(cd);
            }
        }
    }
    bool Ok() const { return toUnicode != iconv_t(-1) && fromUnicode != iconv_t(-1); }
};
#endif

int Shifted(int code)
{
    return code >= 33 ? code + 1 : code;
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
const int kPolishCodes[] = {140, 143, 156, 159, 163, 165, 175, 179, 185,
                            191, 198, 202, 209, 211, 230, 234, 241, 243};

// Units that survive decode-then-encode unchanged, worked out from the mappings.
bool UnitRoundTrips(int encoding, int unit)
{
    if (unit == 33) {
        return false;  // 33 and 34 both read as '!', which is stored as 34
    }
    const int code = unit > 33 ? unit - 1 : unit;
    switch (encoding) {
        case kEncodingEnglish:
        case kEncodingGerman:
            return code < 256 || IsExactBlockCode(code);
        case kEncodingPolish:
            if (code >= 1101 && code <= 1163) {
                return IsExactBlockCode(code);
            }
            if (code >= 0x0410 && code <= 0x044F) {
                return false;  // read unchanged, stored back in the block
            }
            if (code == 0x00D3 || code == 0x00F3) {
                return true;  // Ó and ó sit at their own codes
            }
            // A Polish letter's own code: stored back at its Windows-1250 code.
            return std::find(std::begin(kPolishLetters), std::end(kPolishLetters), code) ==
                   std::end(kPolishLetters);
        case kEncodingRussian:
            return code < 256;
        default:
            return true;
    }
}

// Keeps embedded zeros, lone surrogates and a leading U+FEFF of the literal.
template <size_t N>
QString Str(const char16_t (&text)[N])
{
    return QString(reinterpret_cast<const QChar*>(text), N - 1);
}

}  // namespace

class EncodingsTest : public QObject {
    Q_OBJECT

private slots:
    void encodeEdtChar_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("ch");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("readBack");

        for (int e = 0; e < kEncodingCount; ++e) {
            QTest::addRow("%d zero", e) << e << 0 << 0 << 0;
            QTest::addRow("%d blank", e) << e << 32 << 32 << 32;
            QTest::addRow("%d exclamation", e) << e << 33 << 34 << 33;
            QTest::addRow("%d U+FFFF", e) << e << 0xFFFF << 64 << int('?');
        }
        for (int e : {kEncodingEnglish, kEncodingGerman}) {
            QTest::addRow("%d capital Zhe", e) << e << 0x0416 << 1109 << 0x0416;
            QTest::addRow("%d small zhe", e) << e << 0x0436 << 1109 << 0x0416;
            QTest::addRow("%d hard sign reads as Shcha", e) << e << 0x042A << 1128 << 0x0429;
            QTest::addRow("%d yo reads as De", e) << e << 0x0451 << 1106 << 0x0414;
            QTest::addRow("%d a umlaut", e) << e << 0x00E4 << 229 << 0x00E4;
            QTest::addRow("%d euro at its Windows-1252 byte", e) << e << 0x20AC << 129 << 0x20AC;
            QTest::addRow("%d right quote at its Windows-1252 byte", e) << e << 0x2019 << 147 << 0x2019;
            QTest::addRow("%d Polish l keeps own code", e) << e << 0x0142 << 323 << int('B');
        }
        QTest::newRow("Polish l stroke") << 2 << 0x0142 << 180 << 0x0142;
        QTest::newRow("Polish Ya") << 2 << 0x042F << 1133 << 0x042F;
        QTest::newRow("Polish small ya") << 2 << 0x044F << 1133 << 0x042F;
        QTest::newRow("Polish CJK own code") << 2 << 0x4E2D << 0x4E2E << 0x4E2D;
        QTest::newRow("Polish yo lands in block") << 2 << 0x0451 << 1106 << 0x0414;
        QTest::newRow("Russian ya") << 3 << 0x044F << 256 << 0x044F;
        QTest::newRow("Russian Zhe") << 3 << 0x0416 << 199 << 0x0416;
        QTest::newRow("Russian CJK") << 3 << 0x4E2D << 64 << int('?');
        QTest::newRow("Russian a umlaut") << 3 << 0x00E4 << 64 << int('?');
        QTest::newRow("Russian euro") << 3 << 0x20AC << 137 << 0x20AC;
        QTest::newRow("Russian undefined byte") << 3 << 0x0098 << 153 << 0x0098;
        QTest::newRow("Unicode CJK") << 4 << 0x4E2D << 0x4E2E << 0x4E2D;
        QTest::newRow("Unicode Zhe") << 4 << 0x0416 << 0x0417 << 0x0416;
        QTest::newRow("Unicode U+FFFE") << 4 << 0xFFFE << 0xFFFF << 0xFFFE;
        QTest::newRow("Unicode high surrogate") << 4 << 0xD83D << 0xD83E << 0xD83D;
        QTest::newRow("unknown index as English") << 9 << 0x0436 << 1109 << 0x0416;
    }
    void encodeEdtChar()
    {
        QFETCH(int, encoding);
        QFETCH(int, ch);
        QFETCH(int, stored);
        QFETCH(int, readBack);
        QCOMPARE(int(EncodeEdtChar(encoding, char16_t(ch))), stored);
        QCOMPARE(int(DecodeEdtChar(encoding, uint16_t(stored))), readBack);
    }

    void decodeEdtChar_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("ch");

        for (int e = 0; e < kEncodingCount; ++e) {
            QTest::addRow("%d unshifted 33", e) << e << 33 << int('!');
        }
        for (int e : {kEncodingEnglish, kEncodingGerman, kEncodingPolish}) {
            QTest::addRow("%d block start", e) << e << 1102 << 0x0410;
            QTest::addRow("%d second E", e) << e << 1108 << 0x0415;
            QTest::addRow("%d Shcha", e) << e << 1128 << 0x0429;
            QTest::addRow("%d Yeru after gap", e) << e << 1129 << 0x042B;
            QTest::addRow("%d Ya", e) << e << 1133 << 0x042F;
            QTest::addRow("%d small a", e) << e << 1134 << 0x0430;
            QTest::addRow("%d block end", e) << e << 1164 << 0x044E;
        }
        for (int e : {kEncodingEnglish, kEncodingGerman}) {
            QTest::addRow("%d below block", e) << e << 1101 << int('L');
            QTest::addRow("%d above block", e) << e << 1165 << 0x0152;
            QTest::addRow("%d euro byte", e) << e << 129 << 0x20AC;
            QTest::addRow("%d undefined byte", e) << e << 130 << 0x0081;
            QTest::addRow("%d high bits dropped", e) << e << 0x0142 << int('A');
            QTest::addRow("%d largest unit", e) << e << 0xFFFF << 0x00FE;
        }
        QTest::newRow("Polish below block") << 2 << 1101 << 1100;
        QTest::newRow("Polish above block") << 2 << 1165 << 1164;
        QTest::newRow("Polish 138 not a letter") << 2 << 139 << 0x008A;
        QTest::newRow("Polish euro byte unchanged") << 2 << 129 << 0x0080;
        QTest::newRow("Polish S acute") << 2 << 141 << 0x015A;
        QTest::newRow("Russian no block") << 3 << 1102 << int('M');
        QTest::newRow("Russian euro byte") << 3 << 137 << 0x20AC;
        QTest::newRow("Russian high bits dropped") << 3 << 0x1100 << 0x044F;
        QTest::newRow("Unicode largest unit") << 4 << 0xFFFF << 0xFFFE;
        QTest::newRow("Unicode 35") << 4 << 35 << 34;
    }
    void decodeEdtChar()
    {
        QFETCH(int, encoding);
        QFETCH(int, unit);
        QFETCH(int, ch);
        QCOMPARE(int(DecodeEdtChar(encoding, uint16_t(unit))), ch);
    }

    void polishLetters_data()
    {
        QTest::addColumn<int>("letter");
        QTest::addColumn<int>("code");
        for (size_t i = 0; i < std::size(kPolishLetters); ++i) {
            QTest::addRow("%d", kPolishCodes[i]) << int(kPolishLetters[i]) << kPolishCodes[i];
        }
    }
    void polishLetters()
    {
        QFETCH(int, letter);
        QFETCH(int, code);
        QCOMPARE(int(EncodeEdtChar(kEncodingPolish, char16_t(letter))), code + 1);
        QCOMPARE(int(DecodeEdtChar(kEncodingPolish, uint16_t(code + 1))), letter);
        // The English edition has no Polish letters: they keep their own code.
        QCOMPARE(int(EncodeEdtChar(kEncodingEnglish, char16_t(letter))), Shifted(letter));
    }

    void unitRoundTrip_data()
    {
        QTest::addColumn<int>("encoding");
        for (int e = 0; e < kEncodingCount; ++e) {
            QTest::addRow("%d", e) << e;
        }
    }
    void unitRoundTrip()
    {
        QFETCH(int, encoding);
        int holds = 0;
        for (int unit = 0; unit < kUnitCount; ++unit) {
            const int back = EncodeEdtChar(encoding, DecodeEdtChar(encoding, uint16_t(unit)));
            const bool expected = UnitRoundTrips(encoding, unit);
            if ((back == unit) != expected) {
                QFAIL(qPrintable(QStringLiteral("unit %1 came back as %2, expected %3")
                                     .arg(unit)
                                     .arg(back)
                                     .arg(expected ? "itself" : "another unit")));
            }
            holds += expected ? 1 : 0;
        }
        // Sizes of the sets, as a cross-check of the predicate itself.
        const int expectedCount[kEncodingCount] = {256 + 6 + 25, 256 + 6 + 25,
                                                   65535 - 61 - 1 - 31 - 16, 256, 65535};
        QCOMPARE(holds, expectedCount[encoding]);
    }

    void bulkMatchesSingle_data() { unitRoundTrip_data(); }
    void bulkMatchesSingle()
    {
        QFETCH(int, encoding);
        std::vector<uint16_t> units(kUnitCount);
        std::vector<char16_t> chars(kUnitCount);
        for (int i = 0; i < kUnitCount; ++i) {
            units[i] = uint16_t(i);
            chars[i] = char16_t(i);
        }
        std::vector<char16_t> decoded(kUnitCount);
        std::vector<uint16_t> encoded(kUnitCount);
        QVERIFY(DecodeEdtUnits(encoding, units.data(), decoded.data(), units.size()));
        QVERIFY(EncodeEdtUnits(encoding, chars.data(), encoded.data(), chars.size()));
        for (int i = 0; i < kUnitCount; ++i) {
            QCOMPARE(int(decoded[i]), int(DecodeEdtChar(encoding, uint16_t(i))));
            QCOMPARE(int(encoded[i]), int(EncodeEdtChar(encoding, char16_t(i))));
        }
        // In place, as the codec may do with a record buffer, and with a length that is no
        // multiple of any block size: the units past n stay as they were.
        static_assert(sizeof(uint16_t) == sizeof(char16_t));
        const size_t n = kUnitCount - 5;
        std::vector<uint16_t> buffer = units;
        QVERIFY(
            DecodeEdtUnits(encoding, buffer.data(), reinterpret_cast<char16_t*>(buffer.data()), n));
        QVERIFY(std::equal(buffer.begin(), buffer.begin() + n, decoded.begin()));
        QVERIFY(std::equal(buffer.begin() + n, buffer.end(), units.begin() + n));
        buffer = units;
        QVERIFY(
            EncodeEdtUnits(encoding, reinterpret_cast<char16_t*>(buffer.data()), buffer.data(), n));
        QVERIFY(std::equal(buffer.begin(), buffer.begin() + n, encoded.begin()));
        QVERIFY(std::equal(buffer.begin() + n, buffer.end(), units.begin() + n));
    }

    void textCodePage()
    {
        const int expected[] = {1252, 1252, 1250, 1251, 65001};
        for (int e = 0; e < kEncodingCount; ++e) {
            QCOMPARE(TextCodePage(e), expected[e]);
        }
    }

    void unknownNumbersFail()
    {
        QCOMPARE(TextCodePage(kEncodingCount), -1);
        QCOMPARE(TextCodePage(-1), -1);
        QVERIFY(WindowsCodePage(437) == nullptr);
        QVERIFY(DecodeText(437, QByteArray("abc")).isNull());
        QVERIFY(EncodeText(437, u"abc").isNull());
        QVERIFY(DecodeText(1252, "abc", -1).isNull());
        const uint16_t in[2] = {40, 50};
        char16_t out[2] = {7, 7};
        QVERIFY(!DecodeEdtUnits(kEncodingCount, in, out, 2));
        QVERIFY(!EncodeEdtUnits(-1, u"ab", reinterpret_cast<uint16_t*>(out), 2));
        QCOMPARE(int(out[0]), 7);
    }

    void codePagesMatchIconv_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("iconvName");
        QTest::addColumn<QList<int>>("undefined");
        QTest::newRow("1250") << 1250 << QByteArray("CP1250")
                              << QList<int>{0x81, 0x83, 0x88, 0x90, 0x98};
        QTest::newRow("1251") << 1251 << QByteArray("CP1251") << QList<int>{0x98};
        QTest::newRow("1252") << 1252 << QByteArray("CP1252") << kUndefined1252;
    }
    void codePagesMatchIconv()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, iconvName);
        QFETCH(QList<int>, undefined);
        const CodePageTable* table = WindowsCodePage(codePage);
        QVERIFY(table != nullptr);
#ifdef HAVE_ICONV
        IconvPair converter(iconvName.constData());
        if (!converter.Ok()) {
            QSKIP("the system's iconv lacks this code page");
        }
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray platform = Iconv(converter.toUnicode, QByteArray(1, char(byte)));
            QCOMPARE(platform.isEmpty(), undefined.contains(byte));
            const int expected =
                platform.isEmpty() ? byte : qFromLittleEndian<quint16>(platform.constData());
            QCOMPARE(int(table->Char(uint8_t(byte))), expected);
        }
        for (int ch = 0; ch < kUnitCount; ++ch) {
            QByteArray in(2, Qt::Uninitialized);
            qToLittleEndian<quint16>(quint16(ch), in.data());
            const QByteArray platform = Iconv(converter.fromUnicode, in);
            int expected = platform.isEmpty() ? -1 : uchar(platform[0]);
            if (ch < 0x100 && undefined.contains(ch)) {
                expected = ch;
            }
            QCOMPARE(table->Byte(char16_t(ch)), expected);
        }
#else
        QSKIP("no iconv on this platform to compare with");
#endif
    }

    void decodeText_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("1252 euro and undefined")
            << 1252 << QByteArray("a\x80\x81") << Str(u"a€\u0081");
        QTest::newRow("1252 zero byte kept") << 1252 << QByteArray("a\0b", 3) << Str(u"a\0b");
        QTest::newRow("1250 Polish") << 1250 << QByteArray("\xB3\xA5\x8C") << Str(u"łĄŚ");
        QTest::newRow("1251 Russian") << 1251 << QByteArray("\xC0\xFF\xA8") << Str(u"АяЁ");
        QTest::newRow("utf8 BOM kept") << 65001
                                       << QByteArray(
                                              "\xEF\xBB\xBF"
                                              "ab")
                                       << Str(u"\uFEFFab");
        QTest::newRow("utf8 invalid byte") << 65001
                                           << QByteArray(
                                                  "a\xFF"
                                                  "b")
                                           << Str(u"a\uFFFDb");
        QTest::newRow("utf8 pair") << 65001 << QByteArray("\xF0\x9F\x98\x80") << Str(u"\U0001F600");
        QTest::newRow("utf8 Cyrillic") << 65001 << QByteArray("\xD0\x96") << Str(u"Ж");
        QTest::newRow("utf8 empty") << 65001 << QByteArray() << QString();
        QTest::newRow("1251 empty") << 1251 << QByteArray() << QString();
    }
    void decodeText()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString decoded = DecodeText(codePage, bytes);
        QCOMPARE(decoded, text);
        QVERIFY(!decoded.isNull());
    }

    void decodeTextCutSequence()
    {
        // A UTF-8 sequence cut off at the end of a line must still leave a mark.
        const QString decoded = DecodeText(65001, QByteArray("a\xE2\x82"));
        QVERIFY(decoded.startsWith(u'a'));
        QVERIFY(decoded.size() > 1);
        QVERIFY(decoded.mid(1).count(QChar(0xFFFD)) == decoded.size() - 1);
    }

    void encodeText_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("1252 Latin") << 1252 << Str(u"ä€\u0081") << QByteArray("\xE4\x80\x81");
        QTest::newRow("1252 no Cyrillic") << 1252 << Str(u"Жx") << QByteArray("?x");
        QTest::newRow("1252 U+0080 unmappable") << 1252 << Str(u"\u0080") << QByteArray("?");
        QTest::newRow("1252 pair is one char") << 1252 << Str(u"a\U0001F600b") << QByteArray("a?b");
        QTest::newRow("1252 lone high") << 1252 << Str(u"a\xD83D") << QByteArray("a?");
        QTest::newRow("1252 lone low") << 1252 << Str(u"\xDE00z") << QByteArray("?z");
        QTest::newRow("1252 zero kept") << 1252 << Str(u"a\0b") << QByteArray("a\0b", 3);
        QTest::newRow("1250 Polish") << 1250 << Str(u"łĄŚ") << QByteArray("\xB3\xA5\x8C");
        QTest::newRow("1250 no Cyrillic") << 1250 << Str(u"Ж") << QByteArray("?");
        QTest::newRow("1251 Russian") << 1251 << Str(u"АяЁ") << QByteArray("\xC0\xFF\xA8");
        QTest::newRow("1251 no umlaut") << 1251 << Str(u"ä") << QByteArray("?");
        QTest::newRow("utf8 pair") << 65001 << Str(u"\U0001F600") << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("utf8 BOM written")
            << 65001 << Str(u"\uFEFFx") << QByteArray("\xEF\xBB\xBFx");
        QTest::newRow("utf8 lone high at end")
            << 65001 << Str(u"a\xD83D") << QByteArray("a\xEF\xBF\xBD");
        QTest::newRow("utf8 lone low") << 65001
                                       << Str(u"\xDE00"
                                              "a")
                                       << QByteArray(
                                              "\xEF\xBF\xBD"
                                              "a");
        QTest::newRow("utf8 empty") << 65001 << QString() << QByteArray();
        QTest::newRow("1250 empty") << 1250 << QString() << QByteArray();
    }
    void encodeText()
    {
        QFETCH(int, codePage);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const QByteArray encoded = EncodeText(codePage, text);
        QCOMPARE(encoded, bytes);
        QVERIFY(!encoded.isNull());
    }

    void everyByteRoundTrips_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::newRow("1250") << 1250;
        QTest::newRow("1251") << 1251;
        QTest::newRow("1252") << 1252;
    }
    void everyByteRoundTrips()
    {
        QFETCH(int, codePage);
        QByteArray all(256, Qt::Uninitialized);
        for (int byte = 0; byte < 256; ++byte) {
            all[byte] = char(byte);
        }
        const QString text = DecodeText(codePage, all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(EncodeText(codePage, text), all);
    }
};

SCRIVLET_TEST(EncodingsTest);
#include "test_encodings.moc"
