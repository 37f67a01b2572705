#include "TestRegistry.h"
#include "session/LayoutFont.h"
#include "translation/BoxFonts.h"

#include <QTest>
#include <QTextLayout>

using namespace scrivlet;

// A TrueType font from Debian's packages (fonts-dejavu-core) wraps as Qt's own layout draws
// it: the same lines, the same widths.
namespace {

const QString kFont = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

// The lines QTextLayout makes of one paragraph at width, without the spaces they break at.
QStringList QtLines(const QString& text, const QFont& font, int width, QList<double>* widths)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
        *widths << line.naturalTextWidth();
    }
    layout.endLayout();
    return lines;
}

}  // namespace

class LayoutFontTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseLayoutFonts(); }

    void wrapsAsQtDraws_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        const QString tale = QStringLiteral(
            "The keeper of the western gate will not open it before the bells have rung twice, "
            "so wait by the fire, Traveller, and AVOW your WAVY TAVERN tale.");
        for (const int width : {90, 160, 241, 360})
            QTest::addRow("English %d", width) << tale << width;
        QTest::newRow("Russian")
            << QStringLiteral(
                   "Хранитель западных ворот не откроет их, пока колокола не прозвонят дважды.")
            << 200;
        QTest::newRow("German")
            << QStringLiteral("Größere Übungsräume für Straßenmusikanten wären schön gewesen.")
            << 150;
    }
    void wrapsAsQtDraws()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        const TextBox box{kFont, 16, width, 1, BoxBreak::Spaces};
        std::shared_ptr<const TextMeasure> measure;
        const Result loaded = LoadBoxFont(box, &measure);
        QVERIFY2(loaded, qPrintable(loaded.Error()));
        std::vector<BoxLine> laid;
        const BoxFit fit = FitText(text, *measure, box, &laid);
        QList<double> qtWidths;
        const QStringList qtLines =
            QtLines(text, static_cast<const LayoutFont&>(*measure).Font(), width, &qtWidths);
        QStringList lines;
        for (const BoxLine& line : laid)
            lines << text.mid(line.start, line.length);
        QCOMPARE(lines, qtLines);
        QCOMPARE(fit.lines, qtLines.size());
        QVERIFY(fit.lines > 1);
        for (qsizetype i = 0; i < qtWidths.size(); ++i)
            QVERIFY2(std::abs(laid[static_cast<size_t>(i)].width - qtWidths[i]) < 0.05,
                     qPrintable(QStringLiteral("line %1: %2 against %3")
                                    .arg(i)
                                    .arg(laid[static_cast<size_t>(i)].width)
                                    .arg(qtWidths[i])));
    }

    // The checks measure a paragraph whole first: the same width as its characters' edges,
    // the same count of lines.
    void wholeParagraphs()
    {
        std::shared_ptr<const TextMeasure> measure;
        const TextBox box{kFont, 16, 100, 2, BoxBreak::Spaces};
        QVERIFY(LoadBoxFont(box, &measure));
        const QString text = QStringLiteral("Go \nDer Hüter des Tores öffnet es nicht\nAV Wa ");
        std::vector<double> edges;
        for (const QString& paragraph : text.split(u'\n')) {
            measure->Edges(paragraph, &edges);
            QVERIFY(std::abs(measure->Width(paragraph) - edges.back()) < 0.01);
        }
        std::vector<BoxLine> laid;
        QCOMPARE(FitText(text, *measure, box).lines, FitText(text, *measure, box, &laid).lines);
        QCOMPARE(laid.size(), size_t{6});
    }

    void missingAndUnloadable()
    {
        std::shared_ptr<const TextMeasure> measure;
        QVERIFY(LoadBoxFont({kFont, 20, 100, 1, {}}, &measure));
        QCOMPARE(MissingGlyphs(u"Ж水aあ水"_qs, *measure), u"水あ"_qs);
        QVERIFY(!LoadBoxFont({QStringLiteral("/nonexistent.ttf"), 20, 100, 1, {}}, &measure));
    }
};

SCRIVLET_TEST(LayoutFontTest);
#include "test_layoutfont.moc"
