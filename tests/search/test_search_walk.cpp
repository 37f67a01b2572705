#include "FormatCatalogue.h"
#include "GridCell.h"
#include "RecordGrid.h"
#include "SearchWalk.h"
#include "TestRegistry.h"
#include "TextMatcher.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace scrivlet;

namespace {

constexpr int kNone = -1;    // no row selected
constexpr int kAddRow = -2;  // the add-row selected
constexpr int kNotFound = -1;

FieldDef Field(const QString& caption, int type, int size = 40)
{
    FieldDef field;
    field.caption = caption;
    field.width = -1;
    field.type = type;
    field.size = size;
    return field;
}

// Label, two text fields, a field of another type, then an unused slot after the list's end
// (empty caption) that still holds a text field.
int WalkFormat()
{
    static const int index = [] {
        EdtFormat format;
        format.name = QStringLiteral("walk");
        format.recordLength = 64;
        format.fields[0] = Field(QStringLiteral("No"), kLabelField);
        format.fields[1] = Field(QStringLiteral("Text"), kTextField, 20);
        format.fields[2] = Field(QStringLiteral("Note"), kTextField, 40);
        format.fields[3] = Field(QStringLiteral("Other"), 2);
        format.fields[5] = Field(QStringLiteral("Beyond"), kTextField);
        GlobalCatalogue().Append(format);
        return GlobalCatalogue().Count() - 1;
    }();
    return index;
}

struct Row {
    QString text;
    QString note;
    QString other;
    QString beyond;
};

// A document grid as the loader builds it: a label cell, text cells, the add-row.
std::unique_ptr<RecordGrid> MakeGrid(const QList<Row>& rows, int selected)
{
    auto grid = std::make_unique<RecordGrid>();
    grid->SetFormatIndex(WalkFormat());
    for (int k = 0; k < 6; ++k)
        grid->InsertColumn(k, QStringLiteral("c%1").arg(k), -1);
    for (int r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("row %1").arg(r)));
        grid->SetCell(r, 1, CreateTextCell(row.text));
        grid->SetCell(r, 2, CreateTextCell(row.note));
        grid->SetCell(r, 3, CreateTextCell(row.other));
        grid->SetCell(r, 5, CreateTextCell(row.beyond));
    }
    grid->AppendAddRow();
    grid->SetModeFlags(kDocumentGridModes);
    if (selected == kAddRow)
        grid->SelectCell(grid->RecordCount(), 0);
    else if (selected >= 0)
        grid->SelectCell(selected, 1);
    return grid;
}

const QList<Row>& Document()
{
    static const QList<Row> rows = {
        {"alpha", "x", "zeta", "zeta"}, {"beta", "gamma alpha", "", ""},    {"delta", "", "", ""},
        {"alpha beta", "", "", ""},     {"\U0001F600 epsilon", "", "", ""},
    };
    return rows;
}

}  // namespace

class SearchWalkTest : public QObject {
    Q_OBJECT

private slots:
    void walk_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("row");  // kNotFound: nothing found
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");

        const uint fwd = 0;
        const uint back = kSearchBackwards;
        const uint word = kSearchWholeWord;
        const uint regex = kSearchRegex;
        QTest::newRow("no selection starts at 0") << "alpha" << fwd << kNone << 0 << 1 << 0 << 5;
        QTest::newRow("add-row starts at 0") << "alpha" << fwd << kAddRow << 0 << 1 << 0 << 5;
        QTest::newRow("next row with a match") << "alpha" << fwd << 0 << 1 << 2 << 6 << 11;
        QTest::newRow("skips rows without") << "alpha" << fwd << 1 << 3 << 1 << 0 << 5;
        QTest::newRow("wraps forwards") << "alpha" << fwd << 3 << 0 << 1 << 0 << 5;
        QTest::newRow("wraps backwards") << "alpha" << back << 0 << 3 << 1 << 0 << 5;
        QTest::newRow("backwards none from last") << "alpha" << back << kNone << 3 << 1 << 0 << 5;
        QTest::newRow("backwards add-row from last")
            << "alpha" << back << kAddRow << 3 << 1 << 0 << 5;
        QTest::newRow("backwards to previous") << "alpha" << back << 3 << 1 << 2 << 6 << 11;
        QTest::newRow("selected row not searched")
            << "delta" << fwd << 2 << kNotFound << 0 << 0 << 0;
        QTest::newRow("selected row not searched back")
            << "delta" << back << 2 << kNotFound << 0 << 0 << 0;
        QTest::newRow("second column of the row") << "beta" << fwd << 0 << 1 << 1 << 0 << 4;
        QTest::newRow("same row not searched on") << "beta" << fwd << 1 << 3 << 1 << 6 << 10;
        QTest::newRow("first column first") << "a" << fwd << kNone << 0 << 1 << 0 << 1;
        QTest::newRow("other type never") << "zeta" << fwd << kNone << kNotFound << 0 << 0 << 0;
        QTest::newRow("labels never") << "row" << fwd << kNone << kNotFound << 0 << 0 << 0;
        QTest::newRow("case folded") << "ALPHA" << fwd << kNone << 0 << 1 << 0 << 5;
        QTest::newRow("case kept")
            << "ALPHA" << uint(kSearchMatchCase) << kNone << kNotFound << 0 << 0 << 0;
        QTest::newRow("whole word selects the word") << "alpha" << word << 0 << 1 << 2 << 6 << 11;
        QTest::newRow("whole word at start") << "alpha" << word << 1 << 3 << 1 << 0 << 5;
        QTest::newRow("whole word not inside")
            << "alph" << word << kNone << kNotFound << 0 << 0 << 0;
        // With regular expressions the user's own groups 1 and 3 are trimmed.
        QTest::newRow("regex groups trimmed")
            << "(g)(amma)( )" << (word | regex) << kNone << 1 << 2 << 1 << 5;
        QTest::newRow("regex no groups") << "gam+a" << (word | regex) << kNone << 1 << 2 << 0 << 5;
        QTest::newRow("regex overlapping groups")
            << "((ga)m(m))" << (word | regex) << kNone << 1 << 2 << 3 << 4;
        QTest::newRow("offsets after emoji") << "epsilon" << fwd << kNone << 4 << 1 << 3 << 10;
    }

    void walk()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(int, selected);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, start);
        QFETCH(int, end);

        auto grid = MakeGrid(Document(), selected);
        const int listRow = grid->ListSelectedRow();
        const int selectedColumn = grid->SelectedColumn();
        SearchHit hit;
        const SearchOutcome outcome =
            FindNext(*grid, BuildSearchPattern(typed, flags), flags, &hit);
        // The walk itself only reads the grid.
        QCOMPARE(grid->ListSelectedRow(), listRow);
        QCOMPARE(grid->SelectedColumn(), selectedColumn);
        if (row == kNotFound) {
            QCOMPARE(outcome, SearchOutcome::NotFound);
            return;
        }
        QCOMPARE(outcome, SearchOutcome::Found);
        QCOMPARE(hit.row, row);
        QCOMPARE(hit.column, column);
        QCOMPARE(hit.selectionStart, start);
        QCOMPARE(hit.selectionEnd, end);
    }

    // One record: the first row to search is the selected row itself, searched once.
    void singleRecord_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<uint>("flags");
        for (int selected : {0, kNone, kAddRow}) {
            for (uint flags : {0u, uint(kSearchBackwards)}) {
                QTest::addRow("selected %d flags %u", selected, flags) << selected << flags;
            }
        }
    }

    void singleRecord()
    {
        QFETCH(int, selected);
        QFETCH(uint, flags);
        auto grid = MakeGrid({{"only one", "", "", ""}}, selected);
        SearchHit hit;
        QCOMPARE(FindNext(*grid, "one", flags, &hit), SearchOutcome::Found);
        QCOMPARE(hit.row, 0);
        QCOMPARE(hit.selectionStart, 5);
        QCOMPARE(FindNext(*grid, "none", flags, &hit), SearchOutcome::NotFound);
    }

    void nothingToSearch_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<SearchOutcome>("outcome");
        QTest::newRow("no records") << "a" << SearchOutcome::NotFound;
        QTest::newRow("no records, anything") << "" << SearchOutcome::NotFound;
        QTest::newRow("no records, invalid") << "(" << SearchOutcome::InvalidPattern;
    }

    void nothingToSearch()
    {
        QFETCH(QString, pattern);
        QFETCH(SearchOutcome, outcome);
        auto grid = MakeGrid({}, kNone);
        SearchHit hit;
        QCOMPARE(FindNext(*grid, pattern, 0, &hit), outcome);
    }

    void noFormat()
    {
        auto grid = MakeGrid(Document(), kNone);
        grid->SetFormatIndex(GlobalCatalogue().Count() + 5);
        SearchHit hit;
        QCOMPARE(FindNext(*grid, "alpha", 0, &hit), SearchOutcome::NotFound);
    }

    void invalidPatternLeavesHit()
    {
        auto grid = MakeGrid(Document(), 1);
        SearchHit hit;
        hit.row = 42;
        QCOMPARE(FindNext(*grid, BuildSearchPattern("a(", kSearchRegex), kSearchRegex, &hit),
                 SearchOutcome::InvalidPattern);
        QCOMPARE(hit.row, 42);
        QCOMPARE(grid->ListSelectedRow(), 1);
    }

    // The budget covers the whole walk, not each cell: a thousand cells that each take a
    // while end together within about a second.
    void hostileOverManyCells_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("length");
        QTest::newRow("1000 short cells") << 1000 << 24;
        QTest::newRow("one field-size cell") << 1 << 65534;
        QTest::newRow("one huge cell") << 1 << 1000000;
    }

    void hostileOverManyCells()
    {
        QFETCH(int, rows);
        QFETCH(int, length);
        QList<Row> document;
        for (int r = 0; r < rows; ++r)
            document.append({QString(length, u'a'), "", "", ""});
        auto grid = MakeGrid(document, kNone);
        SearchHit hit;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(FindNext(*grid, "(a+)+b", kSearchRegex, &hit), SearchOutcome::InvalidPattern);
        QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
    }

    // Ordinary matching is never cut short, however long a big document takes: even with no
    // time at all the walk reaches the last row.
    void longSearchNotCut_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::newRow("plain") << "needle" << 0u;
        QTest::newRow("whole word") << "needle" << uint(kSearchWholeWord);
        QTest::newRow("regex") << "ne+dle" << uint(kSearchRegex);
    }

    void longSearchNotCut()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QList<Row> document;
        for (int r = 0; r < 3000; ++r)
            document.append({QString(200, u'x'), "hay and more hay", "", ""});
        document.last().note = "hay needle hay";
        auto grid = MakeGrid(document, kNone);
        MatchLimits noTime;
        noTime.time = std::chrono::milliseconds(0);
        SearchHit hit;
        QCOMPARE(FindNext(*grid, BuildSearchPattern(typed, flags), flags, &hit, noTime),
                 SearchOutcome::Found);
        QCOMPARE(hit.row, 2999);
        QCOMPARE(hit.selectionStart, 4);
        QCOMPARE(hit.selectionEnd, 10);
    }
};

SCRIVLET_TEST(SearchWalkTest);
#include "test_search_walk.moc"
