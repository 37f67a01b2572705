#include "search/Replace.h"

#include <new>

namespace scrivlet {
namespace {

// Compiles the query on the matching thread and runs work with it and a fresh budget; false
// (work not run) when the query is no valid expression.
template <typename Work>
bool RunWithMatcher(const SearchQuery& query, const MatchLimits& limits, Work work)
{
    bool valid = true;
    RunMatchWork(limits, [&](const MatchLimits& local) {
        const QueryMatcher matcher(query);
        valid = matcher.IsValid();
        if (!valid)
            return;
        MatchBudget budget(local);
        work(matcher, budget);
    });
    return valid;
}

// Builds one field's new text from all its matches; Aborted when the budget ran out.
template <typename Storable>
MatchResult ReplaceAllInField(const QueryMatcher& matcher, QStringView text,
                              QStringView replacement, bool regex, Storable storable,
                              MatchBudget& budget, FieldReplacement* out)
{
    out->replaced = out->unstorable = 0;
    out->text.clear();
    qsizetype copied = 0;
    const MatchResult result = matcher.ForEach(text, budget, [&](const TextMatch& match) {
        out->text.append(text.mid(copied, match.start - copied));
        const QString inserted =
            regex ? ExpandReplacement(replacement, true, text, match) : replacement.toString();
        out->unstorable += !storable(inserted);
        out->text.append(inserted);
        copied = match.start + match.length;
        ++out->replaced;
        return true;
    });
    if (out->replaced > 0)
        out->text.append(text.mid(copied));
    return result;
}

}  // namespace

QString ExpandReplacement(QStringView replacement, bool regex, QStringView text,
                          const TextMatch& match)
{
    if (!regex)
        return replacement.toString();
    QString out;
    out.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        const QChar next = i + 1 < replacement.size() ? replacement[i + 1] : QChar();
        if (c != u'$' || next.isNull()) {
            out.append(c);
        } else if (next >= u'1' && next <= u'9') {
            const int group = next.unicode() - u'0';
            if (const int start = match.span.GroupStart(group); start >= 0)
                out.append(text.mid(start, match.span.GroupLength(group)));
            ++i;
        } else if (next == u'&') {
            out.append(text.mid(match.start, match.length));
            ++i;
        } else if (next == u'$') {
            out.append(u'$');
            ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

SearchOutcome ReplaceSelection(QStringView text, const SearchQuery& query,
                               const QString& replacement, int start, int length,
                               const TextStorage& storage, FieldReplacement* result,
                               const MatchLimits& limits)
{
    SearchOutcome outcome = SearchOutcome::NotFound;
    const bool valid =
        RunWithMatcher(query, limits, [&](const QueryMatcher& matcher, MatchBudget& budget) {
            const MatchResult found = matcher.ForEach(text, budget, [&](const TextMatch& match) {
                if (match.start < start)
                    return true;
                if (match.start == start && match.length == length) {
                    const QString inserted = ExpandReplacement(
                        replacement, (query.flags & kSearchRegex) != 0, text, match);
                    result->text = text.left(start).toString();
                    result->text.append(inserted).append(text.mid(start + length));
                    result->replaced = 1;
                    result->unstorable = CanStore(inserted, storage) ? 0 : 1;
                    result->end = start + static_cast<int>(inserted.size());
                    outcome = SearchOutcome::Found;
                }
                return false;
            });
            if (found == MatchResult::Aborted)
                outcome = SearchOutcome::InvalidPattern;
        });
    if (!valid)
        outcome = SearchOutcome::InvalidPattern;
    return outcome;
}

ReplaceOutcome PlanReplaceAll(EdtDocument& document, const SearchQuery& query,
                              const QString& replacement, ReplacePlan* plan,
                              const MatchLimits& limits)
{
    *plan = ReplacePlan{};
    ReplaceOutcome outcome = ReplaceOutcome::Done;
    const TextStorage storage{document.GetEncoding(), document.GetFileType()};
    const bool regex = (query.flags & kSearchRegex) != 0;
    // A plain replacement is the same text every time: one look at it does.
    const bool plainStorable = CanStore(replacement, storage);
    auto storable = [&](const QString& inserted) {
        return regex ? CanStore(inserted, storage) : plainStorable;
    };
    const bool valid =
        RunWithMatcher(query, limits, [&](const QueryMatcher& matcher, MatchBudget& budget) {
            ReplaceReport& report = plan->report;
            FieldReplacement field;
            const EdtFormat& format = document.Format();
            for (int record = 0; record < document.RecordCount(); ++record) {
                bool changed = false;
                for (int k = 0; k < document.TextFieldCount(); ++k) {
                    // A view for this field only: storing a text may move the arena.
                    const QStringView text = document.FieldText(record, k);
                    if (ReplaceAllInField(matcher, text, replacement, regex, storable, budget,
                                          &field) == MatchResult::Aborted) {
                        outcome = ReplaceOutcome::InvalidPattern;
                        return;
                    }
                    if (field.replaced == 0 || field.text == text)
                        continue;
                    const int column = document.TextColumn(k);
                    if (field.text.size() > format.fields[static_cast<size_t>(column)].size) {
                        if (report.skippedTooLong++ == 0)
                            report.firstSkipped = SearchResume{record, column, 0, false};
                        continue;
                    }
                    const std::optional<EdtDocument::TextRef> stored =
                        document.StoreText(field.text);
                    if (!stored) {
                        outcome = ReplaceOutcome::NoMemory;
                        return;
                    }
                    try {
                        plan->changes.push_back(EdtDocument::FieldEdit{record, k, *stored});
                    } catch (const std::bad_alloc&) {
                        outcome = ReplaceOutcome::NoMemory;
                        return;
                    }
                    report.replaced += field.replaced;
                    report.unstorable += field.unstorable;
                    changed = true;
                }
                report.records += changed;
            }
        });
    if (!valid)
        outcome = ReplaceOutcome::InvalidPattern;
    if (outcome != ReplaceOutcome::Done)
        *plan = ReplacePlan{};
    return outcome;
}

SearchOutcome FindAll(const EdtDocument& document, const SearchQuery& query,
                      const std::function<void(const FieldMatch&)>& visit,
                      const MatchLimits& limits)
{
    SearchOutcome outcome = SearchOutcome::NotFound;
    const bool valid =
        RunWithMatcher(query, limits, [&](const QueryMatcher& matcher, MatchBudget& budget) {
            for (int record = 0; record < document.RecordCount(); ++record) {
                for (int k = 0; k < document.TextFieldCount(); ++k) {
                    const MatchResult result = matcher.ForEach(
                        document.FieldText(record, k), budget, [&](const TextMatch& match) {
                            visit(FieldMatch{record, k, match.start, match.length});
                            outcome = SearchOutcome::Found;
                            return true;
                        });
                    if (result == MatchResult::Aborted) {
                        outcome = SearchOutcome::InvalidPattern;
                        return;
                    }
                }
            }
        });
    if (!valid)
        outcome = SearchOutcome::InvalidPattern;
    return outcome;
}

}  // namespace scrivlet
