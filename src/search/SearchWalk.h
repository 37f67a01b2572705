#pragma once

#include <QString>

#include <optional>

// Building the search pattern from the find dialog's text and options, and the walk over a
// grid's text cells that answers a FindRequest.

namespace scrivlet {

class RecordGrid;
struct MatchLimits;

enum SearchFlag : quint32 {
    kSearchMatchCase = 1,
    kSearchWholeWord = 2,
    kSearchBackwards = 4,
    kSearchRegex = 8,
};

// Patterns are cut to this many characters.
constexpr int kMaxPatternLength = 255;

// The pattern the find dialog posts: escaping, the whole-word wrapper and the cut.
QString BuildSearchPattern(const QString& text, quint32 flags);

// InvalidPattern: the pattern is no valid regular expression, or matching it took more than
// the time budget (about a second) or too deep a stack; the caller beeps and changes nothing.
// The text a pattern was built from when it is a plain search (no regular expression):
// the pattern with wrapper and escapes undone, exactly when building it again gives the same
// pattern. Empty otherwise.
std::optional<QString> PlainSearchText(const QString& pattern, quint32 flags);

enum class SearchOutcome { Found, NotFound, InvalidPattern };

struct SearchHit {
    int row = -1;
    int column = -1;
    int selectionStart = 0;  // UTF-16 units into the cell's text; start <= end
    int selectionEnd = 0;
};

// The walk from the grid's selected row; fills hit when the answer is Found.
SearchOutcome FindNext(const RecordGrid& grid, const QString& pattern, quint32 flags,
                       SearchHit* hit);
// The same with other matching limits (tests, benchmarks).
SearchOutcome FindNext(const RecordGrid& grid, const QString& pattern, quint32 flags,
                       SearchHit* hit, const MatchLimits& limits);

}  // namespace scrivlet
