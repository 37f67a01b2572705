#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "search/SearchWalk.h"
#include "TestRegistry.h"
#include "search/TextMatcher.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace scrivlet;

namespace {

constexpr int kNone = -1;    // no row selected
constexpr int kAddRow = -2;  // the add-row selected

// Text, Note, a field of another type, a text field after the end of the field list.
struct Row {
    QString text, note, other, beyond;
};

// Label, two text fields, a field of another type, then a text field after an empty caption.
int WalkFormat()
{
    static const int index = [] {
        EdtFormat format;
        format.name = QStringLiteral("walk");
        const std::pair<QString, int> fields[] = {{"No", kLabelField},  {"Text", kTextField},
                                                  {"Note", kTextField}, {"Other", 2},
                                                  {"", kTextField},     {"Beyond", kTextField}};
        for (std::size_t k = 0; k < std::size(fields); ++k) {
            std::tie(format.fields[k].caption, format.fields[k].type) = fields[k];
            format.fields[k].size = 40;
        }
        GlobalCatalogue().Append(format);
        return GlobalCatalogue().Count() - 1;
    }();
    return index;
}

// A document grid as the loader builds it: label cells, text cells, the add-row.
std::unique_ptr<RecordGrid> MakeGrid(const QList<Row>& rows, int selected)
{
    auto grid = std::make_unique<RecordGrid>();
    grid->SetFormatIndex(WalkFormat());
    for (int k = 0; k < 6; ++k)
        grid->InsertColumn(k, QStringLiteral("c%1").arg(k), -1);
    for (int r = 0; r < rows.size(); ++r) {
        grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("row %1").arg(r)));
        const QString texts[] = {rows[r].text, rows[r].note, rows[r].other, {}, rows[r].beyond};
        for (int k = 1; k < 6; ++k)
            grid->SetCell(r, k, CreateTextCell(texts[k - 1]));
    }
    grid->AppendAddRow();
    grid->SetModeFlags(kDocumentGridModes);
    if (selected != kNone)
        grid->SelectCell(selected == kAddRow ? grid->RecordCount() : selected,
                         selected == kAddRow ? 0 : 1);
    return grid;
}

// Runs a Find of the typed text; the answer is the selection "row:column:start-end", or
// "not found" / "invalid".
QString Find(const RecordGrid& grid, const QString& typed, quint32 flags,
             const MatchLimits& limits = MatchLimits{})
{
    SearchHit hit;
    switch (FindNext(grid, BuildSearchPattern(typed, flags), flags, &hit, limits)) {
        case SearchOutcome::NotFound:
            return QStringLiteral("not found");
        case SearchOutcome::InvalidPattern:
            return QStringLiteral("invalid");
        case SearchOutcome::Found:
            break;
    }
    return QStringLiteral("%1:%2:%3-%4")
        .arg(hit.row)
        .arg(hit.column)
        .arg(hit.selectionStart)
        .arg(hit.selectionEnd);
}

}  // namespace

class SearchWalkTest : public QObject {
    Q_OBJECT

private slots:
    // What one cell's text matches, and which UTF-16 units the editor selects; then the
    // order of the walk: from the list's selected row, each record once, the selected record
    // only when it is the only one.
    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("cell");  // the one record; null: the five-record document
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("found");
        using S = const QString&;
        auto one = [](const char* name, S typed, uint flags, S cell, S found) {
            QTest::newRow(name) << typed << flags << cell << kNone << found;
        };
        auto walk = [](const char* name, S typed, uint flags, int selected, S found) {
            QTest::newRow(name) << typed << flags << QString() << selected << found;
        };
        const uint regex = kSearchRegex, matchCase = kSearchMatchCase, word = kSearchWholeWord;
        const uint back = kSearchBackwards;
        one("plain dot is literal", "a.c", 0, "abc", "not found");
        one("plain dot found", "a.c", 0, "xa.c", "0:1:1-4");
        one("regex dot any", "a.c", regex, "xabc", "0:1:1-4");
        one("regex braces literal", "a{2}", regex, "aa", "not found");
        one("latin fold", "HELLO", 0, "say hello", "0:1:4-9");
        one("cyrillic fold", "жук", 0, "БОЛЬШОЙ ЖУК", "0:1:8-11");
        one("cyrillic case kept", "жук", matchCase, "ЖУК", "not found");
        one("after emoji", "ab", 0, "\U0001F600ab", "0:1:2-4");
        // The selection is the word alone, not the separators around it.
        one("word between spaces", "cat", word, "the cat sat", "0:1:4-7");
        one("word inside a word", "cat", word, "concatenate", "not found");
        one("word later whole", "cat", word, "cats cat", "0:1:5-8");
        one("word cyrillic inside", "жук", word, "жуки", "not found");
        // With regular expressions the user's own groups 1 and 3 are trimmed.
        one("regex groups trimmed", "(g)(amma)( )", word | regex, "gamma ray", "0:1:1-5");
        one("unclosed group", "(abc", regex, "abc", "invalid");
        one("cut to a lone backslash", QString(200, u'.'), 0, "...", "invalid");
        walk("no selection from 0", "alpha", 0, kNone, "0:1:0-5");
        walk("next row", "alpha", 0, 0, "1:2:6-11");
        walk("wraps forwards", "alpha", 0, 3, "0:1:0-5");
        walk("wraps backwards", "alpha", back, 0, "3:1:0-5");
        walk("backwards, add-row: from last", "alpha", back, kAddRow, "3:1:0-5");
        walk("selected row not searched", "delta", 0, 2, "not found");
        walk("same row not searched on", "beta", 0, 1, "3:1:6-10");
        walk("other type and beyond never", "zeta", 0, kNone, "not found");
    }

    void find()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, cell);
        QFETCH(int, selected);
        QFETCH(QString, found);
        QList<Row> rows = {{"alpha", "x", "zeta", "zeta"},
                           {"beta", "gamma alpha", "", ""},
                           {"delta", "", "", ""},
                           {"alpha beta", "", "", ""},
                           {"epsilon", "", "", ""}};
        if (!cell.isNull())
            rows = {{cell, "", "", ""}};
        auto grid = MakeGrid(rows, selected);
        const int listRow = grid->ListSelectedRow();
        QCOMPARE(Find(*grid, typed, flags), found);
        QCOMPARE(grid->ListSelectedRow(), listRow);  // the walk only reads the grid
    }

    // One record is searched once, whether it is selected or not; no records, nothing.
    void fewRecords()
    {
        for (uint flags : {0u, uint(kSearchBackwards)})
            QCOMPARE(Find(*MakeGrid({{"only one", "", "", ""}}, 0), "one", flags), "0:1:5-8");
        QCOMPARE(Find(*MakeGrid({}, kAddRow), "", 0), "not found");
    }

    // The time limit stops costly cells, for the whole walk together, within about a second;
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
        QTest::newRow("1000 costly cells") << 1000 << 24 << "(a+)+b" << regex << false << "invalid";
        QTest::newRow("costly huge cell")
            << 1 << 1000000 << "(a|b)*c" << regex << false << "invalid";
        QTest::newRow("many cheap cells")
            << 3000 << 200 << "needle" << uint(kSearchWholeWord) << true << "2999:1:201-207";
    }

    void budget()
    {
        QFETCH(int, rows);
        QFETCH(int, length);
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(bool, noTime);
        QFETCH(QString, found);
        QList<Row> document(rows, Row{QString(length, u'a'), "", "", ""});
        document.last().text += " needle";
        MatchLimits limits;
        if (noTime)
            limits.time = std::chrono::milliseconds(0);
        auto grid = MakeGrid(document, kNone);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(Find(*grid, typed, flags, limits), found);
        if (!noTime)
            QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
    }
};

SCRIVLET_TEST(SearchWalkTest);
#include "test_search_walk.moc"
