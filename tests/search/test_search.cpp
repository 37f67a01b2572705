#include "documents/EdtDocument.h"
#include "search/Search.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace scrivlet;

namespace {

// Text, Note: the text fields; Other: a field of another type; Beyond: a text field after the
// field list's end.
struct Row {
    QString text, note, other, beyond;
};

// A label, two text fields, a field of another type, then a text field after an empty caption.
std::unique_ptr<EdtDocument> MakeDocument(const QList<Row>& rows)
{
    EdtFormat format;
    format.name = QStringLiteral("walk");
    const std::pair<QString, int> fields[] = {{"No", kLabelField},  {"Text", kTextField},
                                              {"Note", kTextField}, {"Other", 2},
                                              {"", kTextField},     {"Beyond", kTextField}};
    for (std::size_t k = 0; k < std::size(fields); ++k) {
        std::tie(format.fields[k].caption, format.fields[k].type) = fields[k];
        format.fields[k].size = 40;
    }
    auto document = std::make_unique<EdtDocument>(format);
    document->InsertRecords(0, static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QString texts[] = {rows[r].text, rows[r].note, rows[r].other, {}, rows[r].beyond};
        for (int k = 1; k < 6; ++k)
            document->SetText(r, k, texts[k - 1]);
    }
    return document;
}

// Runs a Find of the typed text; the answer is the selection "record:column:start-end", or
// "not found" / "invalid".
QString Find(const EdtDocument& document, const QString& typed, quint32 flags, int from,
             const MatchLimits& limits = MatchLimits{})
{
    SearchHit hit;
    switch (FindNext(document, SearchQuery{typed, flags}, from, &hit, limits)) {
        case SearchOutcome::NotFound:
            return QStringLiteral("not found");
        case SearchOutcome::InvalidPattern:
            return QStringLiteral("invalid");
        case SearchOutcome::Found:
            break;
    }
    return QStringLiteral("%1:%2:%3-%4")
        .arg(hit.record)
        .arg(hit.column)
        .arg(hit.start)
        .arg(hit.start + hit.length);
}

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

private slots:
    // What one field's text matches, and which UTF-16 units the editor selects; then the
    // order of the walk: after `from`, each record once, `from` only when it is the only one.
    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("cell");  // the one record; null: the five-record document
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("found");
        using S = const QString&;
        auto one = [](const char* name, S typed, uint flags, S cell, S found) {
            QTest::newRow(name) << typed << flags << cell << -1 << found;
        };
        auto walk = [](const char* name, S typed, uint flags, int from, S found) {
            QTest::newRow(name) << typed << flags << QString() << from << found;
        };
        const uint regex = kSearchRegex, matchCase = kSearchMatchCase, word = kSearchWholeWord;
        const uint back = kSearchBackwards;
        one("plain dot is literal", "a.c", 0, "abc", "not found");
        one("plain dot found", "a.c", 0, "xa.c", "0:1:1-4");
        one("every special literal", R"(\.[]?+*()|!$^)", 0, R"(x\.[]?+*()|!$^)", "0:1:1-14");
        one("regex dot any", "a.c", regex, "xabc", "0:1:1-4");
        one("plain braces literal", "a{2}", 0, "aa a{2}", "0:1:3-7");
        one("regex braces literal", "a{2}", regex, "aa", "not found");
        one("latin fold", "HELLO", 0, "say hello", "0:1:4-9");
        one("cyrillic fold", "жук", 0, "БОЛЬШОЙ ЖУК", "0:1:8-11");
        one("german fold", "ÄRGER", 0, "kein ärger", "0:1:5-10");
        one("cyrillic case kept", "жук", matchCase, "ЖУК", "not found");
        one("after emoji", "ab", 0, "\U0001F600ab", "0:1:2-4");
        // The selection is the word alone, not the separators around it.
        one("word between spaces", "cat", word, "the cat sat", "0:1:4-7");
        one("word inside a word", "cat", word, "concatenate", "not found");
        one("word later whole", "cat", word, "cats cat", "0:1:5-8");
        one("word cyrillic inside", "жук", word, "жуки", "not found");
        one("word with a dot", "a.b", word, "xa.b a.b", "0:1:5-8");
        // With regular expressions the user's own groups 1 and 3 are trimmed.
        one("regex groups trimmed", "(g)(amma)( )", word | regex, "gamma ray", "0:1:1-5");
        one("unclosed group", "(abc", regex, "abc", "invalid");
        // The expression is cut to 255 characters after escaping and wrapping.
        one("cut to a lone backslash", QString(200, u'.'), 0, "...", "invalid");
        one("cut whole-word wrapper", QString(300, u'x'), word, QString(300, u'x'), "invalid");
        one("cut before a surrogate pair", QString(254, u'x') + "\U0001F600", 0,
            QString(260, u'x'), "0:1:0-254");
        one("surrogate pair fits", QString(253, u'x') + "\U0001F600", 0,
            u'y' + QString(253, u'x') + "\U0001F600", "0:1:1-256");
        walk("no start from 0", "alpha", 0, -1, "0:1:0-5");
        walk("next record", "alpha", 0, 0, "1:2:6-11");
        walk("wraps forwards", "alpha", 0, 3, "0:1:0-5");
        walk("wraps backwards", "alpha", back, 0, "3:1:0-5");
        walk("backwards, outside: from last", "alpha", back, 5, "3:1:0-5");
        walk("start record not searched", "delta", 0, 2, "not found");
        walk("same record not searched on", "beta", 0, 1, "3:1:6-10");
        walk("other type and beyond never", "zeta", 0, -1, "not found");
    }

    void find()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, cell);
        QFETCH(int, from);
        QList<Row> rows = {{"alpha", "x", "zeta", "zeta"},
                           {"beta", "gamma alpha", "", ""},
                           {"delta", "", "", ""},
                           {"alpha beta", "", "", ""},
                           {"epsilon", "", "", ""}};
        if (!cell.isNull())
            rows = {{cell, "", "", ""}};
        QTEST(Find(*MakeDocument(rows), typed, flags, from), "found");
    }

    // One record is searched once, whether it is the start or not; no records, nothing.
    void fewRecords()
    {
        for (uint flags : {0u, uint(kSearchBackwards)})
            QCOMPARE(Find(*MakeDocument({{"only one", "", "", ""}}), "one", flags, 0), "0:1:5-8");
        QCOMPARE(Find(*MakeDocument({}), "", 0, -1), "not found");
    }

    // The time limit stops costly fields, for the whole walk together, within about a second;
    // cheap matching goes on however long a document takes, even with no time at all.
    void budget_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<bool>("noTime");
        QTest::addColumn<QString>("found");

        const uint regex = kSearchRegex;
        QTest::newRow("1000 costly fields")
            << 1000 << 24 << "(a+)+b" << regex << false << "invalid";
        QTest::newRow("costly huge field")
            << 1 << 1000000 << "(a|b)*c" << regex << false << "invalid";
        QTest::newRow("recursion per character") << 1 << 1000000 << "(.)*x" << regex << false
                                                 << "invalid";
        QTest::newRow("many cheap fields")
            << 3000 << 200 << "needle" << uint(kSearchWholeWord) << true << "2999:1:201-207";
    }

    void budget()
    {
        QFETCH(int, rows);
        QFETCH(int, length);
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(bool, noTime);
        QList<Row> document(rows, Row{QString(length, u'a'), "", "", ""});
        document.last().text += " needle";
        MatchLimits limits;
        if (noTime)
            limits.time = std::chrono::milliseconds(0);
        const auto built = MakeDocument(document);
        QElapsedTimer timer;
        timer.start();
        QTEST(Find(*built, typed, flags, -1, limits), "found");
        if (!noTime)
            QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
    }
};

SCRIVLET_TEST(SearchTest);
#include "test_search.moc"
