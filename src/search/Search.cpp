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

// Where a walk begins: the record after `from` as FindNext has it, or inside a field.
struct WalkStart {
    int from = -1;
    const SearchResume* resume = nullptr;
};

SearchOutcome Walk(const EdtDocument& document, const SearchQuery& query, const WalkStart& at,
                   SearchHit* hit, const MatchLimits& limits)
{
    const QueryMatcher matcher(query);
    if (!matcher.IsValid())
        return SearchOutcome::InvalidPattern;

    const int n = document.RecordCount();
    const int fields = document.TextFieldCount();
    if (n <= 0 || fields <= 0)
        return SearchOutcome::NotFound;

    const bool backwards = (query.flags & kSearchBackwards) != 0;
    const int start = at.from >= 0 && at.from < n ? at.from : -1;
    auto next = [&](int record) {
        if (backwards)
            return record > 0 ? record - 1 : n - 1;
        return record < n - 1 ? record + 1 : 0;
    };

    MatchBudget budget(limits);
    TextMatch match;
    // Searches one field from an offset; false when the walk must end (a hit or no budget).
    SearchOutcome outcome = SearchOutcome::NotFound;
    auto searchField = [&](int record, int column, int offset, bool afterMatch) {
        switch (
            matcher.Find(document.TextView(record, column), offset, afterMatch, budget, &match)) {
            case MatchResult::NoMatch:
                return true;
            case MatchResult::Aborted:
                outcome = SearchOutcome::InvalidPattern;
                return false;
            case MatchResult::Found:
                break;
        }
        *hit = SearchHit{record, column, match.start, match.length};
        outcome = SearchOutcome::Found;
        return false;
    };

    if (const SearchResume* resume = at.resume) {
        // Forwards the rest of the record from the resume point on; backwards only a field
        // Replace All left alone, whose match comes first either way.
        for (int k = 0; k < fields; ++k) {
            const int column = document.TextColumn(k);
            if (column < resume->column || (backwards && column != resume->column))
                continue;
            if (backwards && resume->afterMatch)
                break;
            const bool first = column == resume->column;
            if (!searchField(resume->record, column, first ? resume->offset : 0,
                             first && resume->afterMatch))
                return outcome;
        }
    }

    int record = next(start);
    // A lone record is searched even when it is `from`; with more records the walk stops
    // before coming back to `from`.
    for (int searched = 0; searched < n; ++searched) {
        for (int k = 0; k < fields; ++k) {
            if (!searchField(record, document.TextColumn(k), 0, false))
                return outcome;
        }
        record = next(record);
        if (record == start)
            break;
    }
    return SearchOutcome::NotFound;
}

SearchOutcome RunWalk(const EdtDocument& document, const SearchQuery& query, const WalkStart& at,
                      SearchHit* hit, const MatchLimits& limits)
{
    // The walk runs on the matching thread (large stack); the document is only read, and the
    // caller's thread waits, so nothing changes it meanwhile.
    SearchHit found;
    SearchOutcome outcome = SearchOutcome::NotFound;
    RunMatchWork(limits, [&](const MatchLimits& local) {
        outcome = Walk(document, query, at, &found, local);
    });
    if (outcome == SearchOutcome::Found && hit)
        *hit = found;
    return outcome;
}

}  // namespace

SearchOutcome FindNext(const EdtDocument& document, const SearchQuery& query, int from,
                       SearchHit* hit, const MatchLimits& limits)
{
    return RunWalk(document, query, WalkStart{from}, hit, limits);
}

SearchOutcome FindNextFrom(const EdtDocument& document, const SearchQuery& query,
                           const SearchResume& at, SearchHit* hit, const MatchLimits& limits)
{
    const bool inside = at.record >= 0 && at.record < document.RecordCount();
    return RunWalk(document, query, WalkStart{at.record, inside ? &at : nullptr}, hit, limits);
}

QueryMatcher::QueryMatcher(const SearchQuery& query) : flags_(query.flags)
{
    const Pattern pattern = BuildPattern(query);
    if (!regex_.Compile(pattern.expression, (query.flags & kSearchMatchCase) != 0))
        return;
    // A plain search matches its text literally: most fields are ruled out by a plain text
    // search before the expression runs. A cut expression may match less than the text.
    if (!(query.flags & kSearchRegex) && !pattern.cut)
        regex_.RequireLiteral(query.text);
}

int QueryMatcher::NextCharacter(QStringView text, int at)
{
    const bool pair =
        at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate();
    return at + (pair ? 2 : 1);
}

MatchResult QueryMatcher::Find(QStringView text, int from, bool afterMatch, MatchBudget& budget,
                               TextMatch* match) const
{
    MatchSpan& span = match->span;
    while (from <= text.size()) {
        const MatchResult result = regex_.Search(text, from, budget, &span);
        if (result != MatchResult::Found)
            return result;
        int s = span.start;
        int e = span.end;
        // Whole word: leave the neighbouring characters of groups 1 and 3 out.
        if (flags_ & kSearchWholeWord) {
            s += span.GroupLength(kWordBeforeGroup);
            e -= span.GroupLength(kWordAfterGroup);
        }
        // A user's expression can make the groups overlap; the editor selects the same
        // range either way round.
        if (e < s)
            std::swap(s, e);
        if (afterMatch && s == e && s == from) {
            // The gap right after the previous match was its own; the next one is further on.
            from = NextCharacter(text, from);
            afterMatch = false;
            continue;
        }
        match->start = s;
        match->length = e - s;
        return MatchResult::Found;
    }
    return MatchResult::NoMatch;
}

}  // namespace scrivlet
