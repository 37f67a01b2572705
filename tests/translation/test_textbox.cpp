#include "TestDocument.h"
#include "TestRegistry.h"
#include "translation/BmFont.h"
#include "translation/BoxFonts.h"
#include "translation/DocumentChecks.h"

#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

// tests/fonts/box.fnt, made at 20 px: space 5, A 12, V 11, a 9, b 10, c 8, ж 14, 😀 20; AV
// kerns -2, VA -3.
namespace {

const QString kFont = QStringLiteral(SCRIVLET_TEST_FONTS "/box.fnt");

std::shared_ptr<const TextMeasure> Font(double size = 20)
{
    auto font = std::make_shared<BmFont>();
    const Result read = font->Read(kFont, size);
    if (!read)
        qWarning() << read.Error();
    return read ? font : nullptr;
}

TextBox Box(int width, int lines = 1, BoxBreak breaks = BoxBreak::Spaces, double size = 20)
{
    return {kFont, size, width, lines, breaks};
}

}  // namespace

class TextBoxTest : public QObject {
    Q_OBJECT

private slots:
    // Lines and widths worked out by hand from the advances and kerning pairs above.
    void fit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("anywhere");
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("lines");   // the lines' texts, "|" between
        QTest::addColumn<QString>("widths");  // theirs
        QTest::addColumn<double>("widest");
        const auto row = [](const char* name, const QString& text, int width, const QString& lines,
                            const QString& widths, double widest, bool anywhere = false,
                            double size = 20) {
            QTest::newRow(name) << text << width << anywhere << size << lines << widths << widest;
        };
        row("fits exactly", "abc abc", 59, "abc abc", "59", 27);
        row("wraps at the space", "abc abc", 58, "abc|abc", "27,27", 27);
        row("kerned", "AVA", 30, "AVA", "30", 30);
        row("word wider than box", "AVA ab", 29, "AVA|ab", "30,19", 30);
        row("own line breaks", "abc\r\n\nabc", 100, "abc||abc", "27,0,27", 27);
        row("leading spaces count", "  abc abc", 60, "  abc|abc", "37,27", 27);
        row("spaces between hang", "ab   ab", 38, "ab|ab", "19,19", 19);
        row("no-break space holds", u"ab\u00a0ab"_qs, 37, u"ab\u00a0ab"_qs, "38", 38);
        row("empty", "", 10, "", "0", 0);
        row("anywhere", "abcabc", 30, "abc|abc", "27,27", 10, true);
        row("anywhere kerned", "AVAV", 21, "AV|AV", "18,21", 11, true);
        row("twice the size", "abc abc", 118, "abc abc", "118", 54, false, 40);
        row("beyond the plane", u"😀a ж"_qs, 29, u"😀a|ж"_qs, "29,14", 29);
        row("missing counts nothing", "axb", 19, "axb", "19", 19);
    }
    void fit()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, anywhere);
        QFETCH(double, size);
        const TextBox box = Box(width, 1, anywhere ? BoxBreak::Anywhere : BoxBreak::Spaces, size);
        const auto font = Font(size);
        QVERIFY(font);
        std::vector<BoxLine> laid;
        const BoxFit fit = FitText(text, *font, box, &laid);
        QStringList texts, widths;
        for (const BoxLine& line : laid)
            texts << text.mid(line.start, line.length), widths << QString::number(line.width);
        QTEST(texts.join(u'|'), "lines");
        QCOMPARE(fit.lines, static_cast<int>(laid.size()));
        QTEST(widths.join(u','), "widths");
        QTEST(fit.widest, "widest");
    }

    void missingGlyphs()
    {
        const auto font = Font();
        QVERIFY(font);
        QCOMPARE(MissingGlyphs(u"a\nxжx😀q\t"_qs, *font), QStringLiteral("xq"));
        QVERIFY(LacksGlyphs(u"abq"_qs, *font));
        QVERIFY(!LacksGlyphs(u"ab\r\nc😀"_qs, *font));
    }

    void badFonts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no characters") << QByteArray("info size=20\ncommon lineHeight=24\n");
        QTest::newRow("bad advance") << QByteArray("char id=65 xadvance=x\n");
        QTest::newRow("bad kerning") << QByteArray("char id=65 xadvance=3\nkerning first=65\n");
        QTest::newRow("not a font") << QByteArray("\x89PNG\r\n");
    }
    void badFonts()
    {
        QFETCH(QByteArray, text);
        BmFont font;
        QVERIFY(!font.Parse(text, QStringLiteral("x.fnt"), 20));
        std::shared_ptr<const TextMeasure> measure;
        QVERIFY(!LoadBoxFont({QStringLiteral("/nonexistent.fnt"), 20, 10, 1, {}}, &measure));
        QVERIFY(!LoadBoxFont({QStringLiteral("font.ttf"), 20, 10, 1, {}}, &measure));
    }

    // The checks of a document whose format's field has a box, and a file's own box over it.
    void checks()
    {
        const EdtFormat format = MakeFormat(80, {TextField("Text", 0, 80)});
        const auto document =
            MakeDocument(format, {{"abc cab bca"}, {"AVAVAVA"}, {"ab ba"}, {"bad ab?"}}, 3);
        CheckSettings settings;
        settings.boxes[{3, 0}] = {Box(60, 1), Font()};
        DocumentChecks checks(*document, settings);
        const auto details = [&](int record) {
            QStringList said;
            for (const Problem& p : checks.Details(record, 0))
                said << QString::fromLatin1(CheckName(p.check)) + QStringLiteral(": ") + p.detail;
            return said.join(u'\n');
        };
        QCOMPARE(details(0), QStringLiteral("too_wide: 2 lines, the box holds 1"));
        QCOMPARE(details(1), QStringLiteral("too_wide: a word 66 px wide, the box is 60 px"));
        QCOMPARE(details(2), QString());
        QCOMPARE(details(3), QStringLiteral("missing_glyph: the font has no glyph for: d?"));
        QCOMPARE(checks.CountOf(Check::TooWide), 2);
        settings.fileBoxes[{QStringLiteral("a/b.edt"), 0}] = {Box(130, 2), Font()};
        checks.SetBoxFile(QStringLiteral("a/b.edt"));
        QCOMPARE(checks.CountOf(Check::TooWide), 0);
        QCOMPARE(checks.CountOf(Check::MissingGlyph), 1);
        settings.enabled &= ~Bit(Check::MissingGlyph);
        checks.RecheckAll();
        QCOMPARE(checks.Count(), 0);
    }
};

SCRIVLET_TEST(TextBoxTest);
#include "test_textbox.moc"
