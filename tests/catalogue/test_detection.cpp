#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QTest>

using namespace scrivlet;

namespace {

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

// Linux allows paths of 4,096 bytes; a path of folders of "a" ending in a dialogue file.
QString LongestPath()
{
    QString path;
    while (path.size() < 4000)
        path += QStringLiteral("/") + QString(60, u'a');
    return path + QStringLiteral("/dialog_") + QString(4090 - path.size() - 12, u'a') +
           QStringLiteral(".edt");
}

const QString kSound = QStringLiteral("(?:.*[\\\\/])?[^\\\\/]*(dialog)[^\\\\/]*");

}  // namespace

class DetectionTest : public QObject {
    Q_OBJECT

private slots:
    // The format whose whole-path match has the most non-empty groups wins; a tie asks. A
    // pattern that is invalid, or whose match runs away, takes no part, and the answer comes
    // within a second whatever the patterns.
    void detect_data()
    {
        QTest::addColumn<QStringList>("patterns");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<int>("format");  // -1: ask
        QTest::addColumn<int>("preselect");
        QTest::addColumn<QList<int>>("candidates");
        const QString path = QStringLiteral("/games/data/dialog_en.edt");
        auto row = [&](const char* name, const QStringList& patterns, int format,
                       const QString& p = {}) {
            QTest::newRow(name) << patterns << (p.isNull() ? path : p) << -1 << format << -1
                                << QList<int>{};
        };
        row("no-patterns", {"", ""}, -1);
        row("no-match", {".*(item).*"}, -1);
        row("one-group", {".*(item).*", ".*(dialog).*"}, 1);
        QTest::newRow("tie-asks-first-preselected")
            << QStringList{".*(item).*", ".*(dialog).*", ".*(en)\\.edt"} << path << -1 << -1 << 1
            << QList<int>{1, 2};
        row("one-group-after-two", {".*(dialog)_(en).*", ".*(dialog).*"}, 0);
        QTest::newRow("no-groups-asks-at-once")
            << QStringList{".*dialog.*", ".*(dialog).*"} << path << -1 << -1 << -1 << QList<int>{0};
        row("part-of-path-is-no-match", {"(dialog)"}, -1);
        row("case-insensitive", {".*(DIALOG)_EN\\.EDT"}, 0);
        row("cyrillic folds", {".*/(ЖУК)/.*"}, 0, QStringLiteral("/home/жук/a.edt"));
        row("invalid-pattern-takes-no-part", {".*(dialog", ".*(dialog).*"}, 1);
        row("count beyond int takes no part", {".*(dialog){99999999999}", ".*(dialog).*"}, 1);
        QTest::newRow("accepted-first") << QStringList{".*(dialog)_(en).*", ".*(dialog).*"} << path
                                        << 1 << 1 << -1 << QList<int>{};
        QTest::newRow("accepted-without-group-ignored")
            << QStringList{".*(dialog).*", ".*dialog.*"} << path << 1 << 0 << -1 << QList<int>{};
        // The guard costs sound patterns nothing where matching is cheap.
        row("nested star, short path", {"(a*)*(b)"}, 0, "aaab");
        row("group per character scores", {"(abc)x", "(.)*(x)"}, 1, "abcx");
        // Exponential backtracking, recursion per character, before and after a sound pattern,
        // over the longest path.
        for (const char* hostile : {"(.*a*)*b", "(a|a)*b", "((a+)+)+b", "(.*)*(.*)*x", "(.)*x",
                                    "((.)*)*x", "(?:(?:a|/)*)*b"}) {
            const QByteArray before = QByteArray("before: ") + hostile;
            const QByteArray after = QByteArray("after: ") + hostile;
            row(before.constData(), {hostile, kSound}, 1, LongestPath());
            row(after.constData(), {kSound, hostile}, 0, LongestPath());
        }
    }
    void detect()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QString, path);
        QFETCH(int, accepted);
        QFETCH(int, format);
        QFETCH(int, preselect);
        QFETCH(QList<int>, candidates);
        QElapsedTimer timer;
        timer.start();
        const Detection detection = DetectFormat(CatalogueOf(patterns), path, accepted);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(detection.format, format);
        QCOMPARE(detection.ask, format < 0);
        if (detection.ask) {
            QCOMPARE(detection.preselect, preselect);
            QCOMPARE(detection.candidates, candidates);
        }
    }

    // So many runaway patterns that their shared budget may run out: the answer still comes
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

    // One detector serves a whole multi-selection; its answers do not drift between files.
    void detectorServesManyPaths()
    {
        const FormatDetector detector(CatalogueOf({".*/(dialog)[^/]*", ".*/(item)[^/]*", "(["}));
        for (const char* path : {"/a/dialog.edt", "/a/ITEMS.TXT", "/item/x.edt", "/a/dialog.edt"})
            QCOMPARE(detector.Detect(path).format, QByteArray(path).contains("dialog") ? 0
                                                   : QByteArray(path).contains("ITEMS") ? 1 : -1);
    }
};

SCRIVLET_TEST(DetectionTest);
#include "test_detection.moc"
