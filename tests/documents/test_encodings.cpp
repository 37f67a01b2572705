// .edt units against worked-out rows, code page tables against the platform's converter.

#include "TestRegistry.h"
#include "documents/CodePages.h"
#include "documents/Encodings.h"
#include "documents/Storability.h"

#include <QTest>
#include <QtEndian>

#include <iconv.h>  // the platform's converter is the reference for the code page tables

#include <numeric>
#include <vector>

using namespace scrivlet;

namespace {

constexpr int kUnitCount = 65536;

// One character through the platform's converter; empty without a mapping or converter.
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

}  // namespace

class EncodingsTest : public QObject {
    Q_OBJECT

private slots:
    // Characters stored as units and read back; whole texts take runs of 16 units through
    // another path.
    void edtUnits_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");  // null: the units are only read
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QString>("readBack");
        auto one = [](int e, const char* name, int ch, int stored, int readBack) {
            QTest::addRow("%d %s", e, name) << e << (ch < 0 ? QString() : QString(QChar(ch)))
                                            << QList<int>{stored} << QString(QChar(readBack));
        };
        for (int e = 0; e < kEncodingCount; ++e) {
            one(e, "exclamation", 33, 34, 33);
            one(e, "U+FFFF", 0xFFFF, 64, '?');
            one(e, "unshifted 33", -1, 33, '!');
        }
        for (int e : {kEncodingEnglish, kEncodingGerman, kEncodingPolish}) {
            one(e, "yo reads as De", 0x0451, 1106, 0x0414);
            one(e, "second E", -1, 1108, 0x0415);
            one(e, "block end", -1, 1164, 0x044E);
            if (e == kEncodingPolish)
                continue;
            one(e, "euro at its Windows-1252 byte", 0x20AC, 129, 0x20AC);
            one(e, "Polish l keeps own code", 0x0142, 323, 'B');
            one(e, "below block", -1, 1101, 'L');
            one(e, "above block", -1, 1165, 0x0152);
            one(e, "largest unit", -1, 0xFFFF, 0x00FE);
        }
        one(2, "Polish l stroke", 0x0142, 180, 0x0142);
        one(3, "Russian ya", 0x044F, 256, 0x044F);
        one(3, "Russian CJK", 0x4E2D, 64, '?');
        one(4, "Unicode U+FFFE", 0xFFFE, 0xFFFF, 0xFFFE);
        one(4, "Unicode high surrogate", 0xD83D, 0xD83E, 0xD83D);
        one(2, "Polish 138 not a letter", -1, 139, 0x008A);
        one(3, "Russian no block", -1, 1102, 'M');
        one(3, "Russian high bits dropped", -1, 0x1100, 0x044F);
        one(4, "Unicode largest unit", -1, 0xFFFF, 0xFFFE);
        const QString polish = u"ŚŹśźŁĄŻłążĆĘŃÓćęńó"_qs;
        QTest::newRow("2 Polish letters")
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
    void edtUnits()
    {
        QFETCH(int, encoding);
        QFETCH(QString, text);
        QFETCH(QList<int>, stored);
        std::vector<uint16_t> units(stored.begin(), stored.end());
        if (!text.isNull()) {
            units.assign(text.size(), 0);
            QVERIFY(EncodeEdtUnits(encoding, reinterpret_cast<const char16_t*>(text.utf16()),
                                   units.data(), units.size()));
            QCOMPARE(QList<int>(units.begin(), units.end()), stored);
        }
        std::vector<char16_t> chars(units.size());
        QCOMPARE(DecodeEdtText(encoding, units.data(), units.size(), chars.data()), units.size());
        QTEST(QStringView(chars.data(), chars.size()).toString(), "readBack");
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

    // What a save anyway writes in place of a text the storage cannot keep, which the document
    // then shows: a text file has one line per field and no zero, an encoding its characters.
    void storableText_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("text file, line break")
            << int(kFileTypeText) << int(kEncodingUnicode) << "one\ntwo"
            << "one two";
        QTest::newRow("text file, zero ends it") << int(kFileTypeText) << int(kEncodingUnicode)
                                                 << u"ab"_qs + QChar(0) + u"cd"_qs << "ab";
        QTest::newRow("a letter the encoding lacks")
            << int(kFileTypeEdt) << int(kEncodingEnglish) << u"\u0436x"_qs << u"\u0416x"_qs;
        QTest::newRow("storable as it is")
            << int(kFileTypeEdt) << int(kEncodingRussian) << u"\u0436x"_qs << u"\u0436x"_qs;
    }
    void storableText()
    {
        QFETCH(int, fileType);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        const TextStorage storage{encoding, fileType};
        QTEST(StorableText(text, storage), "stored");
        QVERIFY(CanStore(StorableText(text, storage), storage));
    }
};

SCRIVLET_TEST(EncodingsTest);
#include "test_encodings.moc"
