#include "search/SearchWalk.h"

#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "search/TextMatcher.h"

#include <utility>
#include <vector>

namespace scrivlet {
namespace {

// The columns a search looks at: text fields among the format's fields in use.
std::vector<int> TextColumns(const EdtFormat* format)
{
    std::vector<int> columns;
    if (!format)
        return columns;
    for (int k = 0; k < kMaxFields; ++k) {
        const FieldDef& field = format->fields[static_cast<std::size_t>(k)];
        if (field.caption.isEmpty())
            break;
        if (field.type == kTextField)
            columns.push_back(k);
    }
    return columns;
}

SearchOutcome Walk(const RecordGrid& grid, const QString& pattern, quint32 flags, SearchHit* hit,
                   const MatchLimits& limits)
{
    TextMatcher matcher(limits);
    if (!matcher.Compile(pattern, (flags & kSearchMatchCase) != 0))
        return SearchOutcome::InvalidPattern;
    // A plain search matches its text literally: most cells are ruled out by a plain text
    // search before the expression runs.
    if (const std::optional<QString> text = PlainSearchText(pattern, flags))
        matcher.RequireLiteral(*text);

    const int n = grid.RecordCount();
    if (n <= 0)
        return SearchOutcome::NotFound;
    const std::vector<int> columns = TextColumns(grid.Format());
    if (columns.empty())
        return SearchOutcome::NotFound;

    const bool backwards = (flags & kSearchBackwards) != 0;
    // The list's own selection: after a click on the add-row it stays there while the new
    // record holds the selected cell. No selection and the add-row both mean: every record
    // once, from the first (forwards) or the last (backwards).
    int start = grid.ListSelectedRow();
    if (start < 0 || start >= n)
        start = -1;
    auto next = [&](int row) {
        if (backwards)
            return row > 0 ? row - 1 : n - 1;
        return row < n - 1 ? row + 1 : 0;
    };

    QString text;
    MatchSpan span;
    int row = next(start);
    // A lone selected record is the first row to search and is searched once; with more
    // records the walk stops before coming back to the selected one.
    for (int searched = 0; searched < n; ++searched) {
        for (int column : columns) {
            const GridCell* cell = grid.CellAt(row, column);
            if (!cell || !cell->GetDisplayText(text))
                continue;
            switch (matcher.Find(text, &span)) {
                case MatchResult::NoMatch:
                    continue;
                case MatchResult::InvalidPattern:
                case MatchResult::Aborted:
                    return SearchOutcome::InvalidPattern;
                case MatchResult::Found:
                    break;
            }
            if (hit) {
                hit->row = row;
                hit->column = column;
                int s = span.start;
                int e = span.end;
                // Whole word: leave the neighbouring characters of groups 1 and 3 out.
                if (flags & kSearchWholeWord) {
                    s += span.group1Length;
                    e -= span.group3Length;
                }
                // A user's expression can make the groups overlap; the editor selects the
                // same range either way round.
                if (e < s)
                    std::swap(s, e);
                hit->selectionStart = s;
                hit->selectionEnd = e;
            }
            return SearchOutcome::Found;
        }
        row = next(row);
        if (row == start)
            break;
    }
    return SearchOutcome::NotFound;
}

}  // namespace

SearchOutcome FindNext(const RecordGrid& grid, const QString& pattern, quint32 flags,
                       SearchHit* hit)
{
    return FindNext(grid, pattern, flags, hit, MatchLimits{});
}

SearchOutcome FindNext(const RecordGrid& grid, const QString& pattern, quint32 flags,
                       SearchHit* hit, const MatchLimits& limits)
{
    // The walk runs on the matching thread (large stack); the grid is only read, and the
    // caller's thread waits, so nothing touches the grid meanwhile.
    SearchHit found;
    const int outcome = RunMatchWork(limits, [&](const MatchLimits& local) {
        return static_cast<int>(Walk(grid, pattern, flags, &found, local));
    });
    const auto result = static_cast<SearchOutcome>(outcome);
    if (result == SearchOutcome::Found && hit)
        *hit = found;
    return result;
}

}  // namespace scrivlet
