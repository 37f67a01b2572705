#pragma once

#include "base/GuardedRegex.h"

#include <QString>

// Finding what the user typed in the text fields of a document.

namespace scrivlet {

class EdtDocument;

enum SearchFlag : quint32 {
    kSearchMatchCase = 1,
    kSearchWholeWord = 2,
    kSearchBackwards = 4,
    kSearchRegex = 8,
};

// The expression built from the typed text is cut to this many characters.
constexpr int kMaxPatternLength = 255;

// What the user typed, and the SearchFlag options.
struct SearchQuery {
    QString text;
    quint32 flags = 0;
};

// A match in UTF-16 units of the field's text. Whole word selects the word alone.
struct SearchHit {
    int record = -1;
    int column = -1;
    int start = 0;
    int length = 0;
};

// InvalidPattern: no valid regular expression, or matching took more than the time budget
// or too deep a stack; the caller beeps and changes nothing.
enum class SearchOutcome { Found, NotFound, InvalidPattern };

// Searches the text fields of every record once, starting with the record after `from`
// (before it when backwards) and wrapping; `from` itself is not searched unless it is the
// only record. from = -1 (or outside the document) starts at the first record
// (forwards) or the last (backwards). Fills hit when the answer is Found.
SearchOutcome FindNext(const EdtDocument& document, const SearchQuery& query, int from,
                       SearchHit* hit, const MatchLimits& limits = MatchLimits{});

// A place inside a field where a search goes on: after a replacement that ended at `offset`
// (afterMatch), or at the start of a field that Replace All left alone.
struct SearchResume {
    int record = -1;
    int column = -1;
    int offset = 0;
    bool afterMatch = false;
};

// Searches the rest of the field at `at` (from its offset on), then the record's later text
// fields, then goes on as FindNext from that record. Backwards only a field Replace All left
// alone is searched first (after a replacement the search goes on as FindNext).
SearchOutcome FindNextFrom(const EdtDocument& document, const SearchQuery& query,
                           const SearchResume& at, SearchHit* hit,
                           const MatchLimits& limits = MatchLimits{});

// A match as the editor selects it, in UTF-16 units of the field's text; span keeps the
// expression's groups for a replacement.
struct TextMatch {
    int start = 0;
    int length = 0;
    MatchSpan span;
};

// The expression built from a query (escaped unless a regular expression, wrapped for whole
// words, cut to kMaxPatternLength), compiled once for many texts. Use it on the thread that
// matches (RunMatchWork).
class QueryMatcher {
public:
    explicit QueryMatcher(const SearchQuery& query);
    QueryMatcher(const QueryMatcher&) = delete;
    QueryMatcher& operator=(const QueryMatcher&) = delete;

    bool IsValid() const { return regex_.IsValid(); }
    // Why the expression is not valid, in the regular expression library's words.
    QString Error() const { return regex_.Error(); }

    // The first match at or after `from`; whole word leaves the neighbouring characters out.
    // afterMatch: `from` is where the previous match ended, and an empty match right there is
    // passed over.
    MatchResult Find(QStringView text, int from, bool afterMatch, MatchBudget& budget,
                     TextMatch* match) const;
    // Every match left to right, none overlapping: each search goes on where the previous
    // match ended (one character further after an empty match). visit answers false to stop.
    template <typename Visit>
    MatchResult ForEach(QStringView text, MatchBudget& budget, Visit visit) const
    {
        TextMatch match;
        int from = 0;
        bool afterMatch = false;
        while (from <= text.size()) {
            const MatchResult result = Find(text, from, afterMatch, budget, &match);
            if (result != MatchResult::Found)
                return result == MatchResult::Aborted ? result : MatchResult::NoMatch;
            if (!visit(static_cast<const TextMatch&>(match)))
                break;
            const int end = match.start + match.length;
            afterMatch = match.length > 0;
            from = afterMatch ? end : NextCharacter(text, end);
        }
        return MatchResult::NoMatch;
    }

    // The position after the character at `at` (a surrogate pair is one character).
    static int NextCharacter(QStringView text, int at);

private:
    GuardedRegex regex_;
    quint32 flags_ = 0;
};

}  // namespace scrivlet
