// Path patterns from a hostile catalogue against the longest path a system hands over:
// detection answers within a second and still finds the formats whose patterns are sound.

#include "catalogue/FormatCatalogue.h"
#include "shell/FormatDetection.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QTest>

using namespace scrivlet;

namespace {

// Linux allows paths of 4,096 bytes; a path of folders of "a" ending in a dialogue file.
QString LongestPath()
{
    QString path;
    while (path.size() < 4000)
        path += QStringLiteral("/") + QString(60, u'a');
    return path + QStringLiteral("/dialog_") + QString(4090 - path.size() - 12, u'a') +
           QStringLiteral(".edt");
}

FormatCatalogue CatalogueOf(const QStringList& patterns)
{
    FormatCatalogue catalogue;
    for (const QString& pattern : patterns) {
        EdtFormat format;
        format.name = pattern.left(kMaxNameUnits);
        format.path = pattern;
        format.recordLength = 1;
        catalogue.Append(format);
    }
    return catalogue;
}

const QString kSound = QStringLiteral("(?:.*[\\\\/])?[^\\\\/]*(dialog)[^\\\\/]*");

}  // namespace

class DetectionBadInputTest : public QObject {
    Q_OBJECT

private slots:
    void hostilePathPatterns_data()
    {
        QTest::addColumn<QStringList>("patterns");
        QTest::addColumn<int>("format");  // the sound pattern's place
        // Exponential backtracking, recursion per character, and many of them.
        const QStringList hostile = {"(.*a*)*b", "(a|a)*b",  "((a+)+)+b",     "(.*)*(.*)*x",
                                     "(.)*x",    "((.)*)*x", "(?:(?:a|/)*)*b"};
        for (const QString& pattern : hostile) {
            QTest::newRow(qPrintable("before: " + pattern)) << QStringList{pattern, kSound} << 1;
            QTest::newRow(qPrintable("after: " + pattern)) << QStringList{kSound, pattern} << 0;
        }
    }

    // So many runaway patterns that their shared budget runs out: the answer still comes
    // within the second, and it is never one of them.
    void manyHostilePatterns()
    {
        QStringList crowd(40, QStringLiteral("(.*a*)*b"));
        crowd.append(kSound);
        QElapsedTimer timer;
        timer.start();
        const Detection detection = FormatDetector(CatalogueOf(crowd)).Detect(LongestPath());
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(detection.format == -1 || detection.format == 40);
    }
    void hostilePathPatterns()
    {
        QFETCH(QStringList, patterns);
        QFETCH(int, format);
        const QString path = LongestPath();
        QVERIFY(path.size() >= 4090);
        QElapsedTimer timer;
        timer.start();
        const FormatDetector detector(CatalogueOf(patterns));
        const Detection detection = detector.Detect(path);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        // Alone, the sound pattern is the only match; a runaway match counts as none.
        QCOMPARE(detection.format, format);
        QVERIFY(!detection.ask);
    }

    // The guard costs sound patterns nothing: they still match where matching is cheap,
    // including a hostile-looking one on a short path.
    void guardKeepsCheapMatches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("score");
        QTest::newRow("nested star, short path") << "(a*)*(b)"
                                                 << "aaab" << 1;
        QTest::newRow("group per character, short path") << "(.)*(x)"
                                                         << "abcx" << 2;
        QTest::newRow("sound pattern, longest path") << kSound << LongestPath() << 1;
        QTest::newRow("no match") << kSound << "/games/items.edt" << -1;
        QTest::newRow("count beyond int takes no part") << "a{99999999999}"
                                                        << "aaa" << -1;
    }
    void guardKeepsCheapMatches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, path);
        QFETCH(int, score);
        const FormatDetector detector(CatalogueOf({pattern}));
        QCOMPARE(detector.Score(0, path), score);
    }
};

SCRIVLET_TEST(DetectionBadInputTest);
#include "test_badinput.moc"
