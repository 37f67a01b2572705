#include "search/Search.h"

#include "documents/EdtDocument.h"

#include <string_view>
#include <utility>

namespace scrivlet {
namespace {

// Regular-expression characters a plain search takes literally. The backslash comes first
// so that the backslashes added for the others are not doubled.
constexpr char16_t kPlainEscapes[] = u"\\.[]?+*()|!$^";
constexpr QStringView kWordPrefix = u"(^|\\W)(";
constexpr QStringView kWordSuffix = u")(\\W|$)";
// The groups of the whole-word wrapper that hold the neighbouring characters.
constexpr int kWordBeforeGroup = 1;
constexpr int kWordAfterGroup = 3;

QString EscapeAll(QString text, QChar c)
{
    return text.replace(c, QString(u'\\') + c);
}

struct Pattern {
    QString expression;
    bool cut = false;
};

Pattern BuildPattern(const SearchQuery& query)
{
    const bool regex = (query.flags & kSearchRegex) != 0;
    Pattern pattern{query.text};
    QString& expression = pattern.expression;
    if (!regex) {
        for (char16_t c : std::u16string_view(kPlainEscapes))
            expression = EscapeAll(expression, QChar(c));
    }
    // Braces are escaped in both modes, so "a{2}" always finds the text "a{2}".
    expression = EscapeAll(expression, u'{');
    expression = EscapeAll(expression, u'}');
    if (!regex && (query.flags & kSearchWholeWord))
        expression = kWordPrefix.toString() + expression + kWordSuffix.toString();
    if (expression.size() > kMaxPatternLength) {
        pattern.cut = true;
        expression.truncate(kMaxPatternLength);
        // Never keep half of a surrogate pair: it would search for a character nobody typed.
        if (expression.back().isHighSurrogate())
            expression.chop(1);
    }
    return pattern;
}

SearchOutcome Walk(const EdtDocument& document, const SearchQuery& query, int from, SearchHit* hit,
                   const MatchLimits& limits)
{
    const Pattern pattern = BuildPattern(query);
    GuardedRegex regex;
    if (!regex.Compile(pattern.expression, (query.flags & kSearchMatchCase) != 0))
        return SearchOutcome::InvalidPattern;
    // A plain search matches its text literally: most fields are ruled out by a plain text
    // search before the expression runs. A cut expression may match less than the text.
    if (!(query.flags & kSearchRegex) && !pattern.cut)
        regex.RequireLiteral(query.text);

    const int n = document.RecordCount();
    const int fields = document.TextFieldCount();
    if (n <= 0 || fields <= 0)
        return SearchOutcome::NotFound;

    const bool backwards = (query.flags & kSearchBackwards) != 0;
    const int start = from >= 0 && from < n ? from : -1;
    auto next = [&](int record) {
        if (backwards)
            return record > 0 ? record - 1 : n - 1;
        return record < n - 1 ? record + 1 : 0;
    };

    MatchBudget budget(limits);
    MatchSpan span;
    int record = next(start);
    // A lone record is searched even when it is `from`; with more records the walk stops
    // before coming back to `from`.
    for (int searched = 0; searched < n; ++searched) {
        for (int k = 0; k < fields; ++k) {
            const int column = document.TextColumn(k);
            switch (regex.Search(document.TextView(record, column), budget, &span)) {
                case MatchResult::NoMatch:
                    continue;
                case MatchResult::Aborted:
                    return SearchOutcome::InvalidPattern;
                case MatchResult::Found:
                    break;
            }
            int s = span.start;
            int e = span.end;
            // Whole word: leave the neighbouring characters of groups 1 and 3 out.
            if (query.flags & kSearchWholeWord) {
                s += span.GroupLength(kWordBeforeGroup);
                e -= span.GroupLength(kWordAfterGroup);
            }
            // A user's expression can make the groups overlap; the editor selects the same
            // range either way round.
            if (e < s)
                std::swap(s, e);
            *hit = SearchHit{record, column, s, e - s};
            return SearchOutcome::Found;
        }
        record = next(record);
        if (record == start)
            break;
    }
    return SearchOutcome::NotFound;
}

}  // namespace

SearchOutcome FindNext(const EdtDocument& document, const SearchQuery& query, int from,
                       SearchHit* hit, const MatchLimits& limits)
{
    // The walk runs on the matching thread (large stack); the document is only read, and the
    // caller's thread waits, so nothing changes it meanwhile.
    SearchHit found;
    SearchOutcome outcome = SearchOutcome::NotFound;
    RunMatchWork(limits, [&](const MatchLimits& local) {
        outcome = Walk(document, query, from, &found, local);
    });
    if (outcome == SearchOutcome::Found && hit)
        *hit = found;
    return outcome;
}

}  // namespace scrivlet
