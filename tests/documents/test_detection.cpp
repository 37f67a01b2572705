#include "catalogue/FormatCatalogue.h"
#include "shell/FormatDetection.h"
#include "TestRegistry.h"

#include <QTest>

using namespace scrivlet;

namespace {

FormatCatalogue CatalogueOf(const QStringList& patterns)
{
    FormatCatalogue catalogue;
    for (const QString& pattern : patterns) {
        EdtFormat format;
        format.name = pattern;
        format.path = pattern;
        format.recordLength = 1;
        catalogue.Append(format);
    }
    return catalogue;
}

}  // namespace

class DetectionTest : public QObject {
    Q_OBJECT

private slots:
    void detect_data()
    {
        QTest::addColumn<QStringList>("patterns");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<int>("format");  // -1: ask
        QTest::addColumn<int>("preselect");
        QTest::addColumn<QList<int>>("candidates");
        const QString path = QStringLiteral("/games/data/dialog_en.edt");
        QTest::newRow("no-patterns")
            << QStringList{"", ""} << path << -1 << -1 << -1 << QList<int>{};
        QTest::newRow("no-match") << QStringList{".*(item).*"} << path << -1 << -1 << -1
                                  << QList<int>{};
        QTest::newRow("one-group")
            << QStringList{".*(item).*", ".*(dialog).*"} << path << -1 << 1 << -1 << QList<int>{};
        QTest::newRow("tie-asks-first-preselected")
            << QStringList{".*(item).*", ".*(dialog).*", ".*(en)\\.edt"} << path << -1 << -1 << 1
            << QList<int>{1, 2};
        QTest::newRow("one-group-after-two") << QStringList{".*(dialog)_(en).*", ".*(dialog).*"}
                                             << path << -1 << 0 << -1 << QList<int>{};
        QTest::newRow("no-groups-asks-at-once")
            << QStringList{".*dialog.*", ".*(dialog).*"} << path << -1 << -1 << -1 << QList<int>{0};
        QTest::newRow("part-of-path-is-no-match")
            << QStringList{"(dialog)"} << path << -1 << -1 << -1 << QList<int>{};
        QTest::newRow("case-insensitive")
            << QStringList{".*(DIALOG)_EN\\.EDT"} << path << -1 << 0 << -1 << QList<int>{};
        QTest::newRow("invalid-pattern-takes-no-part")
            << QStringList{".*(dialog", ".*(dialog).*"} << path << -1 << 1 << -1 << QList<int>{};
        QTest::newRow("accepted-first") << QStringList{".*(dialog)_(en).*", ".*(dialog).*"} << path
                                        << 1 << 1 << -1 << QList<int>{};
        QTest::newRow("accepted-without-group-ignored")
            << QStringList{".*(dialog).*", ".*dialog.*"} << path << 1 << 0 << -1 << QList<int>{};
    }
    void detect()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QString, path);
        QFETCH(int, accepted);
        QFETCH(int, format);
        QFETCH(int, preselect);
        QFETCH(QList<int>, candidates);
        const Detection detection = DetectFormat(CatalogueOf(patterns), path, accepted);
        QCOMPARE(detection.format, format);
        QCOMPARE(detection.ask, format < 0);
        if (detection.ask) {
            QCOMPARE(detection.preselect, preselect);
            QCOMPARE(detection.candidates, candidates);
        }
    }

    // One detector serves a whole multi-selection; its answers do not drift between files.
    void detectorServesManyPaths()
    {
        const FormatDetector detector(CatalogueOf({".*/(dialog)[^/]*", ".*/(item)[^/]*", "(["}));
        QVERIFY(!detector.TakesPart(2));
        for (const char* path : {"/a/dialog.edt", "/a/ITEMS.TXT", "/item/x.edt", "/a/dialog.edt"})
            QCOMPARE(detector.Detect(path).format, QByteArray(path).contains("dialog") ? 0
                                                   : QByteArray(path).contains("ITEMS") ? 1 : -1);
    }
};

SCRIVLET_TEST(DetectionTest);
#include "test_detection.moc"
