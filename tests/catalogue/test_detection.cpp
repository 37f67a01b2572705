#include "TestRegistry.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"

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
        QTest::addColumn<QStringList>("patterns");  // empty: the shipped catalogue
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<QString>("detected");  // the format, or "ask <preselect> <candidates>"
        const QString path = QStringLiteral("/games/data/dialog_en.edt");
        auto row = [&](const char* name, const QStringList& patterns, const QString& detected,
                       const QString& p = {}, int accepted = -1) {
            QTest::newRow(name) << patterns << (p.isNull() ? path : p) << accepted << detected;
        };
        row("no patterns", {"", ""}, "ask -1");
        row("no match", {".*(item).*"}, "ask -1");
        row("one group", {".*(item).*", ".*(dialog).*"}, "1");
        row("tie asks, first preselected", {".*(item).*", ".*(dialog).*", ".*(en)\\.edt"},
            "ask 1 1,2");
        row("one group after two", {".*(dialog)_(en).*", ".*(dialog).*"}, "0");
        row("no groups asks at once", {".*dialog.*", ".*(dialog).*"}, "ask -1 0");
        row("part of the path is no match", {"(dialog)"}, "ask -1");
        row("case-insensitive", {".*(DIALOG)_EN\\.EDT"}, "0");
        row("cyrillic folds", {".*/(ЖУК)/.*"}, "0", QStringLiteral("/home/жук/a.edt"));
        row("invalid pattern takes no part", {".*(dialog", ".*(dialog).*"}, "1");
        row("count beyond int takes no part", {".*(dialog){99999999999}", ".*(dialog).*"}, "1");
        row("accepted first", {".*(dialog)_(en).*", ".*(dialog).*"}, "1", path, 1);
        row("accepted without group ignored", {".*(dialog).*", ".*dialog.*"}, "0", path, 1);
        // The guard costs sound patterns nothing where matching is cheap.
        row("nested star, short path", {"(a*)*(b)"}, "0", "aaab");
        row("group per character scores", {"(abc)x", "(.)*(x)"}, "1", "abcx");
        // Exponential backtracking, recursion per character, before and after a sound pattern,
        // over the longest path.
        for (const char* hostile : {"(.*a*)*b", "(a|a)*b", "((a+)+)+b", "(.*)*(.*)*x", "(.)*x",
                                    "((.)*)*x", "(?:(?:a|/)*)*b"}) {
            const QByteArray before = QByteArray("before: ") + hostile;
            const QByteArray after = QByteArray("after: ") + hostile;
            row(before.constData(), {hostile, kSound}, "1", LongestPath());
            row(after.constData(), {kSound, hostile}, "0", LongestPath());
        }
        // The shipped patterns: both separators, any case, the file name only.
        row("shipped: windows dialog", {}, "0", R"(C:\Mods\dialog_en.edt)");
        row("shipped: upper case", {}, "0", R"(D:\GAME\DIALOGUE.EDT)");
        row("shipped: item, mixed separators", {}, "1", R"(C:\x/y\Item_de.edt)");
        row("shipped: quests", {}, "2", "/srv/data/quests_unicode.edt");
        row("shipped: folder does not count", {}, "0", "/home/u/quests/dialog_ru.txt");
        row("shipped: cyrillic folder", {}, "1", "/home/Жук/items_ru.txt");
        row("shipped: only a folder", {}, "ask -1", "/home/dialog/notes.edt");
    }
    void detect()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QString, path);
        QFETCH(int, accepted);
        FormatCatalogue catalogue = CatalogueOf(patterns);
        if (patterns.isEmpty())
            QVERIFY(LoadFormatCatalogue(catalogue, UiLanguage::English, nullptr));
        QElapsedTimer timer;
        timer.start();
        const Detection detection = DetectFormat(catalogue, path, accepted);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QStringList candidates;
        for (int candidate : detection.candidates)
            candidates << QString::number(candidate);
        QCOMPARE(detection.ask, detection.format < 0);
        QTEST(detection.ask ? QStringLiteral("ask %1 %2")
                                  .arg(detection.preselect)
                                  .arg(candidates.join(u','))
                                  .trimmed()
                            : QString::number(detection.format),
              "detected");
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
            QCOMPARE(detector.Detect(path).format, QByteArray(path).contains("dialog")  ? 0
                                                   : QByteArray(path).contains("ITEMS") ? 1
                                                                                        : -1);
    }
};

SCRIVLET_TEST(DetectionTest);
#include "test_detection.moc"
