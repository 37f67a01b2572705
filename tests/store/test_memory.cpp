#include "TestFiles.h"
#include "TestRegistry.h"

#include "base/UiText.h"
#include "documents/Encodings.h"
#include "exchange/Tmx.h"
#include "store/MemoryExchange.h"
#include "store/MemoryFeed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <libpq-fe.h>

using namespace scrivlet;
using namespace scrivlet::test;

// The memory on both back ends: an SQLite file, and the PostgreSQL server scripts/test starts
// (its connection string in SCRIVLET_TEST_POSTGRES; without it those rows are skipped).

namespace {

const MemoryLanguages kEnRu{QStringLiteral("en"), QStringLiteral("ru")};

// Plain Levenshtein, the yardstick for the banded count.
int Distance(QStringView a, QStringView b)
{
    std::vector<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] = std::min({up + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::vector<MemoryUnit> Units(
    std::initializer_list<std::pair<const char16_t*, const char16_t*>> pairs)
{
    std::vector<MemoryUnit> units;
    for (const auto& [source, target] : pairs)
        units.push_back({QString::fromUtf16(source), QString::fromUtf16(target),
                         QStringLiteral("test"), 1700000000});
    return units;
}

}  // namespace

class MemoryTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int opened_ = 0;

    // A new, empty memory on the back end the row names.
    std::unique_ptr<TranslationMemory> NewMemory()
    {
        QFETCH(QString, backend);
        QString location = dir_.filePath(QStringLiteral("tm%1.db").arg(++opened_));
        if (backend == QLatin1String("postgresql")) {
            location = qEnvironmentVariable("SCRIVLET_TEST_POSTGRES");
            if (location.isEmpty())
                return nullptr;
            PGconn* connection = PQconnectdb(location.toUtf8().constData());
            PQclear(PQexec(connection,
                           "SET client_min_messages = warning;"
                           "DROP TABLE IF EXISTS tm_unit, tm_meta"));
            PQfinish(connection);
        }
        std::unique_ptr<TranslationMemory> memory;
        const Result opened = OpenMemory(location, &memory);
        if (!opened)
            qWarning() << opened.Error();
        return memory;
    }

    static void Backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
    }

#define NEW_MEMORY(name)                                           \
    std::unique_ptr<TranslationMemory> name = NewMemory();         \
    if (!name && QString(QTest::currentDataTag()) == "postgresql") \
        QSKIP("SCRIVLET_TEST_POSTGRES names no server");           \
    QVERIFY(name)

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
    }

    // A project's translations go in the memory's own languages, else in those of the
    // project's encodings; with neither (a Unicode side), nothing goes in, and it is told.
    void feedTakesTheLanguages_data()
    {
        QTest::addColumn<QString>("own");  // "en-ru", or empty for a new memory
        QTest::addColumn<int>("originalEncoding");
        QTest::addColumn<int>("translationEncoding");
        QTest::addColumn<QString>("stored");  // the memory's languages after it, "" for none
        QTest::newRow("new, code pages")
            << "" << int(kEncodingGerman) << int(kEncodingPolish) << "de-pl";
        QTest::newRow("new, Unicode side")
            << "" << int(kEncodingEnglish) << int(kEncodingUnicode) << "";
        QTest::newRow("its own first")
            << "en-ru" << int(kEncodingGerman) << int(kEncodingPolish) << "en-ru";
        QTest::newRow("its own, Unicode side")
            << "en-ru" << int(kEncodingUnicode) << int(kEncodingUnicode) << "en-ru";
    }
    void feedTakesTheLanguages()
    {
        QFETCH(QString, own);
        QFETCH(int, originalEncoding);
        QFETCH(int, translationEncoding);
        QFETCH(QString, stored);
        const QString location = dir_.filePath(QStringLiteral("feed%1.db").arg(++opened_));
        if (!own.isEmpty()) {
            std::unique_ptr<TranslationMemory> memory;
            MemoryCounts counts;
            QVERIFY(OpenMemory(location, &memory).Ok());
            QVERIFY(memory->Add({own.section('-', 0, 0), own.section('-', 1)},
                                Units({{u"Door", u"Tür"}}), &counts));
        }
        FeedReport report;
        const Result fed =
            FeedMemory(location, LanguagesOfEncodings(originalEncoding, translationEncoding),
                       Units({{u"Lamp", u"Lampe"}}), &report);
        QVERIFY2(fed.Ok(), qPrintable(fed.Error()));
        QCOMPARE(report.noLanguages, stored.isEmpty());
        QCOMPARE(report.counts.added, stored.isEmpty() ? 0 : 1);
        std::unique_ptr<TranslationMemory> memory;
        QVERIFY(OpenMemory(location, &memory).Ok());
        MemoryLanguages languages;
        QVERIFY(memory->Languages(&languages).Ok());
        QCOMPARE(languages.IsEmpty() ? QString() : languages.source + u'-' + languages.target,
                 stored);
    }

    void similarity_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("minScore");
        QTest::addColumn<int>("score");
        QTest::newRow("same") << "Open the door"
                              << "Open the door" << 100 << 100;
        QTest::newRow("both empty") << ""
                                    << "" << 0 << 100;
        QTest::newRow("one empty") << ""
                                   << "abc" << 0 << 0;
        QTest::newRow("kitten") << "kitten"
                                << "sitting" << 0 << 57;  // 3 edits in 7
        QTest::newRow("at the bound") << "kitten"
                                      << "sitting" << 57 << 57;
        QTest::newRow("below the bound") << "kitten"
                                         << "sitting" << 58 << -1;
        QTest::newRow("one unit off is no 100")
            << QString(200, u'a') << QString(199, u'a') + u'b' << 0 << 99;
        QTest::newRow("case counts") << "Door"
                                     << "door" << 0 << 75;
    }

    void similarity()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, minScore);
        QFETCH(int, score);
        QCOMPARE(Similarity(a, b, minScore), score);
        QCOMPARE(Similarity(b, a, minScore), score);
    }

    // The band and the early exit give what the whole table gives, at every bound.
    void similarityMatchesFullCount()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            QString a, b;
            for (int i = random.bounded(12); i > 0; --i)
                a += QChar(u'a' + random.bounded(3));
            b = a;
            for (int edits = random.bounded(6); edits > 0; --edits) {
                const int at = random.bounded(b.size() + 1);
                if (random.bounded(2) || b.isEmpty())
                    b.insert(at, QChar(u'a' + random.bounded(3)));
                else
                    b.remove(std::min<qsizetype>(at, b.size() - 1), 1);
            }
            const qsizetype longest = std::max(a.size(), b.size());
            const int full =
                longest == 0 ? 100 : static_cast<int>((longest - Distance(a, b)) * 100 / longest);
            const int minScore = random.bounded(101);
            QCOMPARE(Similarity(a, b, minScore), full >= minScore ? full : -1);
        }
    }

    void addAndSuggest_data()
    {
        Backends();
    }
    void addAndSuggest()
    {
        NEW_MEMORY(memory);
        MemoryLanguages languages;
        QVERIFY(memory->Languages(&languages).Ok());
        QVERIFY(languages.IsEmpty());
        MemoryCounts counts;
        const auto units = Units({{u"Open the door", u"Открой дверь"},
                                  {u"Open the doors", u"Открой двери"},
                                  {u"Open the door", u"Открой дверь"},  // again: a duplicate
                                  {u"Open the door", u"Отвори дверь"},  // another target
                                  {u"Close the window", u"Закрой окно"},
                                  {u"Ok", u"Да"}});
        QVERIFY(memory->Add(kEnRu, units, &counts).Ok());
        QCOMPARE(counts.segments, 6);
        QCOMPARE(counts.added, 5);
        QCOMPARE(counts.duplicates, 1);
        const MemoryLanguages enDe{QStringLiteral("en"), QStringLiteral("de")};
        QVERIFY(memory->Add(enDe, Units({{u"Open the door", u"Öffne die Tür"}}), &counts).Ok());
        QCOMPARE(counts.added, 6);
        QVERIFY(memory->Languages(&languages).Ok());
        QCOMPARE(languages.source + languages.target, QStringLiteral("enru"));  // the first add's

        std::vector<MemoryMatch> matches;
        QVERIFY(memory->Suggest(kEnRu, QStringLiteral("Open the door"), 70, 5, &matches).Ok());
        QCOMPARE(matches.size(), 3u);
        QCOMPARE(matches[0].score, 100);
        QCOMPARE(matches[1].score, 100);
        QCOMPARE(matches[2].source, QStringLiteral("Open the doors"));
        QCOMPARE(matches[2].score, 92);
        QVERIFY(memory->Suggest(kEnRu, QStringLiteral("Open the door"), 100, 5, &matches).Ok());
        QCOMPARE(matches.size(), 2u);
        QVERIFY(memory->Suggest(kEnRu, QStringLiteral("Open the door"), 70, 1, &matches).Ok());
        QCOMPARE(matches.size(), 1u);
        QVERIFY(memory->Suggest(enDe, QStringLiteral("Open the doors"), 70, 5, &matches).Ok());
        QCOMPARE(matches.size(), 1u);
        QCOMPARE(matches[0].target, QStringLiteral("Öffne die Tür"));
        QVERIFY(memory->Suggest(kEnRu, QStringLiteral("Ok"), 50, 5, &matches).Ok());
        QCOMPARE(matches.size(), 1u);  // too short for trigrams, found exactly
        QVERIFY(memory->Suggest(kEnRu, QStringLiteral("Nothing like it"), 70, 5, &matches).Ok());
        QCOMPARE(matches.size(), 0u);
    }

    void exportAndImportTmx_data()
    {
        Backends();
    }
    // Through TMX into a second memory, with the texts a game holds.
    void exportAndImportTmx()
    {
        NEW_MEMORY(memory);
        MemoryCounts counts;
        const auto units = Units({{u"Line\r\nbreak\ttab", u"Строка\r\nперевод\tтаб"},
                                  {u"<b>&amp; \"q\" '", u"<b>&amp; «q» '"},
                                  {u"  spaced  ", u"  с пробелами  "},
                                  {u"Beetle \U0001F41E", u"Жук \U0001F41E"},
                                  {u"Bell\u0007", u"Звонок\u0007"}});  // XML cannot hold it
        QVERIFY(memory->Add(kEnRu, units, &counts).Ok());
        const QString path = dir_.filePath(QStringLiteral("out%1.tmx").arg(opened_));
        qint64 written = 0, leftOut = 0;
        QVERIFY(ExportMemory(*memory, path, &written, &leftOut).Ok());
        QCOMPARE(written, 4);
        QCOMPARE(leftOut, 1);
        std::unique_ptr<TranslationMemory> copy;
        QVERIFY(OpenMemory(dir_.filePath(QStringLiteral("copy%1.db").arg(opened_)), &copy).Ok());
        MemoryCounts read;
        QVERIFY(
            ImportIntoMemory(*copy, {QStringLiteral("en-GB"), QStringLiteral("ru-RU")}, path, &read)
                .Ok());
        QCOMPARE(read.added, 4);
        std::vector<MemoryUnit> back;
        QVERIFY(copy->ForEach([&back](const MemoryLanguages&, const MemoryUnit& unit) {
                        back.push_back(unit);
                        return Result();
                    })
                    .Ok());
        QCOMPARE(back.size(), 4u);
        for (size_t i = 0; i < back.size(); ++i) {
            QCOMPARE(back[i].source, units[i].source);
            QCOMPARE(back[i].target, units[i].target);
            QCOMPARE(back[i].origin, units[i].origin);
            QCOMPARE(back[i].time, units[i].time);
        }
        if (QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
            ReadByTranslateToolkit(path, units);
    }

    void stoppedHalfwayChangesNothing_data()
    {
        Backends();
    }
    // An import stopped or failing after a batch went in, and an export stopped, leave the
    // memory and the file as they were.
    void stoppedHalfwayChangesNothing()
    {
        NEW_MEMORY(memory);
        MemoryCounts counts;
        QVERIFY(memory->Add(kEnRu, Units({{u"Kept", u"Оставлено"}}), &counts).Ok());
        constexpr int kUnits = 21000;  // past the first batch
        QByteArray body;
        for (int i = 0; i < kUnits; ++i)
            body += "<tu><tuv xml:lang=\"en\"><seg>Unit " + QByteArray::number(i) +
                    "</seg></tuv><tuv xml:lang=\"ru\"><seg>Ед " + QByteArray::number(i) +
                    "</seg></tuv></tu>\n";
        const QByteArray head = "<tmx version=\"1.4\"><header srclang=\"en\"/><body>";
        const QString whole = dir_.filePath(QStringLiteral("whole%1.tmx").arg(opened_));
        const QString broken = dir_.filePath(QStringLiteral("broken%1.tmx").arg(opened_));
        QVERIFY(WriteAll(whole, head + body + "</body></tmx>"));
        QVERIFY(WriteAll(broken, head + body + "<tu></body></tmx>"));
        qint64 reports = 0;
        const MemoryProgress lateStop = [&reports](qint64 done, qint64 total) {
            ++reports;
            return done * 10 < total * 9;
        };
        MemoryCounts read;
        QCOMPARE(ImportIntoMemory(*memory, kEnRu, whole, &read, nullptr, {}, lateStop).Error(),
                 UiText("memory.stopped"));
        QVERIFY(reports > 2);
        QVERIFY(!ImportIntoMemory(*memory, kEnRu, broken, &read).Ok());
        qint64 size = 0;
        QVERIFY(memory->Size(&size).Ok());
        QCOMPARE(size, 1);
        QCOMPARE(read.segments, 0);

        // Stopped on the way out: the old file stays, a new one is never made.
        const QString old = dir_.filePath(QStringLiteral("old%1.tmx").arg(opened_));
        QVERIFY(WriteAll(old, "old"));
        QVERIFY(ImportIntoMemory(*memory, kEnRu, whole, &read).Ok());
        QCOMPARE(read.added, kUnits);
        const auto stop = [](qint64 done, qint64 total) { return done < total / 2; };
        qint64 written = 0, leftOut = 0;
        QVERIFY(!ExportMemory(*memory, old, &written, &leftOut, stop).Ok());
        QCOMPARE(ReadAll(old), QByteArray("old"));
        const QString none = dir_.filePath(QStringLiteral("none%1.tmx").arg(opened_));
        QVERIFY(!ExportMemory(*memory, none, &written, &leftOut, stop).Ok());
        QVERIFY(!QFileInfo::exists(none));
    }

private:
    // The toolkit's TMX reader sees every pair as we wrote it.
    void ReadByTranslateToolkit(const QString& path, const std::vector<MemoryUnit>& units)
    {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, json\n"
                                     "from translate.storage import tmx\n"
                                     "store = tmx.tmxfile.parsefile(sys.argv[1])\n"
                                     "print(json.dumps([[u.source, u.target] for u in "
                                     "store.units]))"),
                      path});
        QVERIFY(python.waitForFinished(60000));
        if (python.exitCode() != 0 &&
            python.readAllStandardError().contains("No module named 'translate'"))
            QSKIP("translate-toolkit is not installed");
        QCOMPARE(python.exitCode(), 0);
        const QJsonArray pairs = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(pairs.size(), 4);
        for (int i = 0; i < pairs.size(); ++i) {
            QCOMPARE(pairs[i][0].toString(), units[i].source);
            QCOMPARE(pairs[i][1].toString(), units[i].target);
        }
    }
};

SCRIVLET_TEST(MemoryTest);

#include "test_memory.moc"
