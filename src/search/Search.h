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

}  // namespace scrivlet
