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
constexpr int kInvalid = -2;

struct Row {
    QString text;
    QString note;
    QString other;   // a field of another type
    QString beyond;  // a text field after the end of the field list
};

// Label, two text fields, a field of another type, then a text field after an empty caption.
int WalkFormat()
{
    static const int index = [] {
        EdtFormat format;
        format.name = QStringLiteral("walk");
        const std::pair<const char*, int> fields[] = {{"No", kLabelField},  {"Text", kTextField},
                                                      {"Note", kTextField}, {"Other", 2},
                                                      {"", kTextField},     {"Beyond", kTextField}};
        for (std::size_t k = 0; k < std::size(fields); ++k) {
            format.fields[k].caption = QString::fromLatin1(fields[k].first);
            format.fields[k].type = fields[k].second;
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
        const QString texts[] = {rows[r].text, rows[r].note, rows[r].other, QString(),
                                 rows[r].beyond};
        for (int k = 1; k < 6; ++k)
            grid->SetCell(r, k, CreateTextCell(texts[k - 1]));
    }
    grid->AppendAddRow();
    grid->SetModeFlags(kDocumentGridModes);
    if (selected == kAddRow)
        grid->SelectCell(grid->RecordCount(), 0);
    else if (selected >= 0)
        grid->SelectCell(selected, 1);
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
    // What one cell's text matches, and which UTF-16 units the editor selects.
    void matching_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("found");

        const uint regex = kSearchRegex;
        const uint matchCase = kSearchMatchCase;
        const uint word = kSearchWholeWord;
        QTest::newRow("plain dot is literal") << "a.c" << 0u << "abc"
                                              << "not found";
        QTest::newRow("plain dot found") << "a.c" << 0u << "xa.c"
                                         << "0:1:1-4";
        QTest::newRow("regex dot any") << "a.c" << regex << "xabc"
                                       << "0:1:1-4";
        QTest::newRow("plain braces") << "a{2}" << 0u << "aa a{2}"
                                      << "0:1:3-7";
        QTest::newRow("regex braces literal") << "a{2}" << regex << "aa"
                                              << "not found";
        QTest::newRow("regex braces found") << "a{2}" << regex << "ba{2}"
                                            << "0:1:1-5";
        QTest::newRow("plain specials") << "f(x)!$" << 0u << "y = f(x)!$"
                                        << "0:1:4-10";
        QTest::newRow("plain backslash") << R"(\n)" << 0u << R"(a\n)"
                                         << "0:1:1-3";
        QTest::newRow("first match") << "ab" << 0u << "xxabab"
                                     << "0:1:2-4";
        QTest::newRow("latin fold") << "HELLO" << 0u << "say hello"
                                    << "0:1:4-9";
        QTest::newRow("latin case kept") << "HELLO" << matchCase << "say hello"
                                         << "not found";
        QTest::newRow("cyrillic fold") << "жук" << 0u << "БОЛЬШОЙ ЖУК"
                                       << "0:1:8-11";
        QTest::newRow("cyrillic case kept") << "жук" << matchCase << "ЖУК"
                                            << "not found";
        QTest::newRow("german fold") << "Ä" << 0u << "bär"
                                     << "0:1:1-2";
        QTest::newRow("german fold regex class") << "[ä]" << regex << "BÄR"
                                                 << "0:1:1-2";
        QTest::newRow("polish fold") << "źdźbło" << 0u << "ŹDŹBŁO"
                                     << "0:1:0-6";
        QTest::newRow("after emoji") << "ab" << 0u << "\U0001F600ab"
                                     << "0:1:2-4";
        QTest::newRow("after cjk ext b") << "x" << 0u << "\U00020000\U00020001x"
                                         << "0:1:4-5";
        QTest::newRow("emoji matched") << "\U0001F600" << 0u << "a\U0001F600b"
                                       << "0:1:1-3";
        QTest::newRow("lone surrogate") << "b" << 0u << QString(QChar(0xD800)) + "b"
                                        << "0:1:1-2";
        QTest::newRow("word between spaces") << "cat" << word << "the cat sat"
                                             << "0:1:4-7";
        QTest::newRow("word at start") << "cat" << word << "cat, then"
                                       << "0:1:0-3";
        QTest::newRow("word at end") << "cat" << word << "a cat"
                                     << "0:1:2-5";
        QTest::newRow("word inside a word") << "cat" << word << "concatenate"
                                            << "not found";
        QTest::newRow("word later whole") << "cat" << word << "cats cat"
                                          << "0:1:5-8";
        QTest::newRow("word cyrillic inside") << "жук" << word << "жуки"
                                              << "not found";
        QTest::newRow("word cyrillic") << "жук" << word << "большой жук!"
                                       << "0:1:8-11";
        QTest::newRow("umlaut is a letter") << "bar" << word << "äbar bar"
                                            << "0:1:5-8";
        QTest::newRow("word after emoji") << "ok" << word << "\U0001F600 ok"
                                          << "0:1:3-5";
        // With regular expressions the user's own groups 1 and 3 are trimmed.
        QTest::newRow("regex groups trimmed") << "(g)(amma)( )" << (word | regex) << "gamma ray"
                                              << "0:1:1-5";
        QTest::newRow("regex no groups") << "gam+a" << (word | regex) << "gamma"
                                         << "0:1:0-5";
        QTest::newRow("regex groups not taking part")
            << "(z)?(gam)(q)?" << (word | regex) << "gamma"
            << "0:1:0-3";
        QTest::newRow("regex overlapping groups") << "((ga)m(m))" << (word | regex) << "gamma"
                                                  << "0:1:3-4";
        QTest::newRow("unclosed group") << "(abc" << regex << "abc"
                                        << "invalid";
        QTest::newRow("nothing to repeat") << "*a" << regex << "abc"
                                           << "invalid";
        QTest::newRow("cut to a lone backslash") << QString(200, u'.') << 0u << "..."
                                                 << "invalid";
        QTest::newRow("cut wrapper") << QString(300, u'x') << word << "xxx"
                                     << "invalid";
    }

    void matching()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, cell);
        QFETCH(QString, found);
        auto grid = MakeGrid({{cell, "", "", ""}}, kNone);
        QCOMPARE(Find(*grid, typed, flags), found);
    }

    // The order of the walk: from the list's selected row, each record once, the selected
    // record only when it is the only one.
    void walk_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("found");

        const uint back = kSearchBackwards;
        QTest::newRow("no selection from 0") << "alpha" << 0u << kNone << "0:1:0-5";
        QTest::newRow("add-row from 0") << "alpha" << 0u << kAddRow << "0:1:0-5";
        QTest::newRow("next row") << "alpha" << 0u << 0 << "1:2:6-11";
        QTest::newRow("skips rows without") << "alpha" << 0u << 1 << "3:1:0-5";
        QTest::newRow("wraps forwards") << "alpha" << 0u << 3 << "0:1:0-5";
        QTest::newRow("wraps backwards") << "alpha" << back << 0 << "3:1:0-5";
        QTest::newRow("backwards, none: from last") << "alpha" << back << kNone << "3:1:0-5";
        QTest::newRow("backwards, add-row: from last") << "alpha" << back << kAddRow << "3:1:0-5";
        QTest::newRow("backwards to previous") << "alpha" << back << 3 << "1:2:6-11";
        QTest::newRow("selected row not searched") << "delta" << 0u << 2 << "not found";
        QTest::newRow("selected row not searched back") << "delta" << back << 2 << "not found";
        QTest::newRow("same row not searched on") << "beta" << 0u << 1 << "3:1:6-10";
        QTest::newRow("first column first") << "a" << 0u << kNone << "0:1:0-1";
        QTest::newRow("other type and beyond never") << "zeta" << 0u << kNone << "not found";
        QTest::newRow("labels never") << "row" << 0u << kNone << "not found";
    }

    void walk()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(int, selected);
        QFETCH(QString, found);
        auto grid = MakeGrid({{"alpha", "x", "zeta", "zeta"},
                              {"beta", "gamma alpha", "", ""},
                              {"delta", "", "", ""},
                              {"alpha beta", "", "", ""},
                              {"epsilon", "", "", ""}},
                             selected);
        const int listRow = grid->ListSelectedRow();
        QCOMPARE(Find(*grid, typed, flags), found);
        // The walk only reads the grid.
        QCOMPARE(grid->ListSelectedRow(), listRow);
    }

    // One record is searched once, whether it is selected or not; no records, nothing.
    void fewRecords_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("selected");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        for (int selected : {0, kNone, kAddRow}) {
            for (uint flags : {0u, uint(kSearchBackwards)})
                QTest::addRow("one, selected %d, flags %u", selected, flags)
                    << 1 << selected << flags << "one"
                    << "0:1:5-8";
        }
        QTest::newRow("one, no match") << 1 << 0 << 0u << "two"
                                       << "not found";
        QTest::newRow("none") << 0 << kAddRow << 0u << ""
                              << "not found";
        QTest::newRow("none, invalid") << 0 << kNone << uint(kSearchRegex) << "("
                                       << "invalid";
    }

    void fewRecords()
    {
        QFETCH(int, records);
        QFETCH(int, selected);
        QFETCH(uint, flags);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        const QList<Row> rows = records ? QList<Row>{{"only one", "", "", ""}} : QList<Row>{};
        QCOMPARE(Find(*MakeGrid(rows, selected), typed, flags), found);
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
        QTest::newRow("costly field-size cell")
            << 1 << 65534 << "(a*)*b" << regex << false << "invalid";
        QTest::newRow("costly huge cell")
            << 1 << 1000000 << "(a|b)*c" << regex << false << "invalid";
        QTest::newRow("cheap huge cell")
            << 1 << 1000000 << "ne+dle" << regex << true << "0:1:1000001-1000007";
        QTest::newRow("cheap plain huge cell")
            << 1 << 1000000 << "NEEDLE" << 0u << true << "0:1:1000001-1000007";
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
