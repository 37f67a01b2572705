// The memory in the editor: the Suggestions dock following the selected field, Ctrl+1..9, and
// Pre-translate as one undo step, against a real SQLite memory.

#include "ShellTestSupport.h"
#include "SilentServer.h"
#include "TestRegistry.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "session/Settings.h"
#include "shell/DocumentTab.h"
#include "shell/MemoryCommands.h"
#include "shell/SuggestionsPanel.h"
#include "translation/TranslationStatus.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QUndoStack>

using namespace scrivlet;
using namespace scrivlet::test;

class TestSuggestions : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    std::unique_ptr<MainFrame> frame_;
    EdtDocument* document_ = nullptr;

    // A memory of a few pairs, chosen in the settings before the frame starts; a document of
    // the given texts with fields of size units, its reference the sources.
    void Start(const Rows& texts, const Rows& sources, int size)
    {
        const QString path = env_.Path("memory.db");
        {
            std::unique_ptr<TranslationMemory> memory;
            QVERIFY(OpenMemory(path, &memory).Ok());
            const std::vector<MemoryUnit> units = {
                {"Open the door", "Tür öffnen", "a", 0},
                {"Open the gate", "Das Tor öffnen", "a", 0},
                {"Close", "Schließen", "a", 0},
            };
            MemoryCounts counts;
            QVERIFY(memory->Add({"en", "de"}, units, &counts).Ok());
        }
        SetMemoryLocation(path);
        frame_ = std::make_unique<MainFrame>();
        ShowAndWait(*frame_);
        document_ = AddDocument(*frame_, texts, size);
        Tab()->Session()->SetReference(MakeDocument(document_->Format(), sources));
    }
    DocumentTab* Tab() const { return frame_->TabAt(frame_->ActiveIndex()); }
    SuggestionsPanel* Panel() const { return frame_->findChild<SuggestionsPanel*>(); }
    QString Field(int record) const { return document_->Text(record, document_->TextColumn(0)); }
    QList<int> NeedingWork() const
    {
        QList<int> records;
        for (int record = 0; record < document_->RecordCount(); ++record) {
            if (Tab()->Status()->State(record, 0) == FieldState::NeedsWork)
                records << record;
        }
        return records;
    }

    // Selects record's field and waits for its suggestions; their targets.
    QStringList Select(int record)
    {
        QSignalSpy shown(Panel(), &SuggestionsPanel::MatchesShown);
        Tab()->View()->SelectCell(record, document_->TextColumn(0));
        if (!shown.wait(5000))
            return {"(no answer)"};
        QStringList targets;
        for (const MemoryMatch& match : Panel()->Matches())
            targets << QStringLiteral("%1 %2").arg(match.score).arg(match.target);
        return targets;
    }

private slots:
    void init() { env_.Reset(); }
    void cleanup() { frame_.reset(); }

    // Selecting a field shows its matches; Ctrl+N puts match N in as one undo step, cut to the
    // field with a beep; a number past the matches changes nothing.
    void suggestAndUse_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("filled");
        QTest::newRow("exact first")
            << "Open the door" << 20 << QStringList{"100 Tür öffnen", "69 Das Tor öffnen"} << 1
            << u"Tür öffnen"_qs;
        QTest::newRow("second, cut to the field")
            << "Open the door" << 6 << QStringList{"100 Tür öffnen", "69 Das Tor öffnen"} << 2
            << "Das To";
        QTest::newRow("fuzzy") << "Open the gates" << 20
                               << QStringList{"92 Das Tor öffnen", "64 Tür öffnen"} << 1
                               << "Das Tor öffnen";
        QTest::newRow("past the matches")
            << "Close" << 20 << QStringList{"100 Schließen"} << 2 << "";
        QTest::newRow("nothing near") << "Yes" << 20 << QStringList{} << 1 << "";
    }
    void suggestAndUse()
    {
        QFETCH(QString, source);
        QFETCH(int, size);
        QFETCH(QStringList, shown);
        QFETCH(int, key);
        QFETCH(QString, filled);
        Start({{""}, {""}}, {{"Close"}, {source}}, size);
        QCOMPARE(Select(1), shown);
        const int steps = Tab()->Session()->UndoStack()->count();
        QTest::keyClick(frame_.get(), Qt::Key(Qt::Key_0 + key), Qt::ControlModifier);
        QCOMPARE(Field(1), filled);
        QCOMPARE(Field(0), QString());
        QCOMPARE(Tab()->Session()->UndoStack()->count(), steps + !filled.isEmpty());
        Tab()->Session()->UndoStack()->undo();
        QCOMPARE(Field(1), QString());
    }

    // The memory's source is shown with what the field's source lacks struck out and what it
    // adds underlined.
    void differenceMarked()
    {
        Start({{""}}, {{"Open the gates"}}, 20);
        QCOMPARE(Select(0).size(), 2);
        const QString html = Panel()->View()->toHtml();
        QVERIFY2(html.contains(QRegularExpression("<s[^>]*>gate</s>")) ||
                     html.contains(QRegularExpression("text-decoration: ?line-through[^>]*>gate<")),
                 qPrintable(html));
        QVERIFY(html.contains("gates<"));
    }

    // A result that comes back after another field was selected is dropped.
    void staleDropped()
    {
        Start({{""}, {""}}, {{"Open the door"}, {"Close"}}, 20);
        QSignalSpy shown(Panel(), &SuggestionsPanel::MatchesShown);
        Panel()->Lookup("Open the door");
        Panel()->Lookup("Close");
        QVERIFY(shown.wait(5000));
        QTest::qWait(100);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(Panel()->Matches().size(), 1u);
        QCOMPARE(Panel()->Target(1), u"Schließen"_qs);
    }

    // A memory server that takes the connection and never answers is given up after the time
    // the settings allow, and the panel names the memory and says why.
    void silentServerGivenUp()
    {
        const SilentServer silent;
        QVERIFY(silent.Port() > 0);
        Start({{""}}, {{"Close"}}, 20);
        SetMemoryTimeout(1);
        const QString location =
            QStringLiteral("postgresql://127.0.0.1:%1/tm").arg(silent.Port());
        Panel()->SetLocation(location);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(Select(0), QStringList{});
        QVERIFY2(waited.elapsed() < 4000, qPrintable(QString::number(waited.elapsed())));
        const QString note = Panel()->View()->toPlainText();
        QVERIFY2(note.startsWith(UiText("suggest.failed").arg(ShownLocation(location), "")),
                 qPrintable(note));
    }

    // Empty fields and fields equal to their source are filled from matches at or above the
    // score that fit, the fuzzy fills as needing work; one undo step takes them all back,
    // states too; a stop changes nothing.
    void pretranslate_data()
    {
        QTest::addColumn<int>("minScore");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<qint64>>("counts");  // filled, exact, fuzzy, too long
        QTest::addColumn<QList<int>>("needsWork");  // records
        const QStringList untouched{"", "Open the gates", "Mine", "", ""};
        QTest::newRow("exact only")
            << 100 << false << QStringList{"Tür öffnen", "Open the gates", "Mine", "", "Schließen"}
            << QList<qint64>{2, 2, 0, 1} << QList<int>{};
        QTest::newRow("fuzzy too")
            << 70 << false
            << QStringList{"Tür öffnen", "Das Tor öffnen", "Mine", "Das Tor öffnen", "Schließen"}
            << QList<qint64>{4, 2, 2, 0} << QList<int>{1, 3};
        QTest::newRow("stopped") << 70 << true << untouched << QList<qint64>{} << QList<int>{};
    }
    void pretranslate()
    {
        QFETCH(int, minScore);
        QFETCH(bool, stop);
        QFETCH(QStringList, fields);
        QFETCH(QList<qint64>, counts);
        // Record 3's exact match is longer than a field of 14 units; a fuzzy one fits.
        Start({{""}, {"Open the gates"}, {"Mine"}, {""}, {""}},
              {{"Open the door"}, {"Open the gates"}, {"Close"}, {"Open the gate now"}, {"Close"}},
              14);
        // Six units too long for the field.
        {
            std::unique_ptr<TranslationMemory> memory;
            QVERIFY(OpenMemory(env_.Path("memory.db"), &memory).Ok());
            const MemoryUnit unit{"Open the gate now", "Das Tor jetzt öffnen", "b", 0};
            MemoryCounts added;
            QVERIFY(memory->Add({"en", "de"}, {&unit, 1}, &added).Ok());
        }
        PretranslateReport report;
        const Result done = Pretranslate(env_.Path("memory.db"), *Tab()->Session(), minScore,
                                         &report, [stop](qint64, qint64) { return !stop; });
        QCOMPARE(done.Ok(), !stop);
        QStringList now;
        for (int record = 0; record < document_->RecordCount(); ++record)
            now << Field(record);
        QCOMPARE(now, fields);
        QTEST(NeedingWork(), "needsWork");
        if (!stop)
            QCOMPARE((QList<qint64>{report.filled, report.exact, report.fuzzy, report.tooLong}),
                     counts);
        QUndoStack* stack = Tab()->Session()->UndoStack();
        QCOMPARE(stack->count(), stop ? 0 : 1);
        stack->undo();
        now.clear();
        for (int record = 0; record < document_->RecordCount(); ++record)
            now << Field(record);
        QCOMPARE(now, (QStringList{"", "Open the gates", "Mine", "", ""}));
        QCOMPARE(NeedingWork(), QList<int>{});
    }
};

SCRIVLET_TEST(TestSuggestions);
#include "test_suggestions.moc"
