#include "search/Replace.h"

#include "base/UiText.h"

#include <new>
#include <utility>
#include <vector>

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

// The replacement taken apart once, so that the length of a field's new text is known before
// it is built: a replacement of "$&" repeated 50,000 times is not read again for every match,
// and a field whose new text cannot fit is skipped without building it.
class ReplacementPieces {
public:
    ReplacementPieces(QStringView replacement, bool regex)
    {
        if (!regex) {
            AddLiteral(replacement.toString());
            return;
        }
        QString literal;
        for (qsizetype i = 0; i < replacement.size(); ++i) {
            const QChar c = replacement[i];
            const QChar next = i + 1 < replacement.size() ? replacement[i + 1] : QChar();
            const int group = next == u'&'                   ? 0
                              : next >= u'1' && next <= u'9' ? next.unicode() - u'0'
                                                             : -1;
            if (c == u'$' && group >= 0) {
                AddLiteral(std::exchange(literal, QString()));
                AddGroup(group);
                ++i;
            } else {
                literal.append(c);
                i += c == u'$' && next == u'$';
            }
        }
        AddLiteral(literal);
    }

    // Length of the text that replaces match.
    qint64 Length(const TextMatch& match) const
    {
        qint64 length = literalLength_;
        for (int group = 0; group < kGroups; ++group) {
            if (uses_[group] > 0)
                length += uses_[group] * GroupLength(match, group);
        }
        return length;
    }

    void Append(QStringView text, const TextMatch& match, QString* out) const
    {
        for (const Piece& piece : pieces_) {
            if (piece.group < 0) {
                out->append(piece.literal);
            } else if (const int length = GroupLength(match, piece.group); length > 0) {
                const qsizetype start =
                    piece.group == 0 ? match.start : match.span.GroupStart(piece.group);
                for (int k = 0; k < piece.repeat; ++k)
                    out->append(text.mid(start, length));
            }
        }
    }

private:
    static constexpr int kGroups = 10;  // $& and $1 to $9
    struct Piece {
        int group = -1;  // -1: literal
        int repeat = 1;
        QString literal;
    };

    static int GroupLength(const TextMatch& match, int group)
    {
        if (group == 0)
            return match.length;
        return match.span.GroupStart(group) >= 0 ? match.span.GroupLength(group) : 0;
    }
    void AddLiteral(QString literal)
    {
        if (literal.isEmpty())
            return;
        literalLength_ += literal.size();
        pieces_.push_back(Piece{-1, 1, std::move(literal)});
    }
    void AddGroup(int group)
    {
        ++uses_[group];
        if (!pieces_.empty() && pieces_.back().group == group)
            ++pieces_.back().repeat;
        else
            pieces_.push_back(Piece{group, 1, {}});
    }

    std::vector<Piece> pieces_;
    qint64 literalLength_ = 0;
    qint64 uses_[kGroups] = {};
};

enum class FieldResult { Unchanged, Replaced, TooLong, Aborted };

// One field's new text from all its matches, built only when it fits in maxLength: the matches
// are kept and their lengths added up first. Stops at once when even removing the rest of the
// text could no longer make it fit.
template <typename Storable>
FieldResult ReplaceAllInField(const QueryMatcher& matcher, QStringView text,
                              const ReplacementPieces& replacement, qsizetype maxLength,
                              Storable storable, MatchBudget& budget,
                              std::vector<TextMatch>& matches, FieldReplacement* out)
{
    out->replaced = out->unstorable = 0;
    out->text.clear();
    size_t count = 0;
    qint64 length = text.size();
    bool tooLong = false;
    const MatchResult result = matcher.ForEach(text, budget, [&](const TextMatch& match) {
        length += replacement.Length(match) - match.length;
        const qint64 rest = text.size() - (match.start + match.length);
        if (length - rest > maxLength) {
            tooLong = true;
            return false;
        }
        if (count < matches.size())
            matches[count] = match;
        else
            matches.push_back(match);
        ++count;
        return true;
    });
    if (result == MatchResult::Aborted)
        return FieldResult::Aborted;
    if (tooLong || length > maxLength)
        return FieldResult::TooLong;
    if (count == 0)
        return FieldResult::Unchanged;
    out->text.reserve(static_cast<qsizetype>(length));
    qsizetype copied = 0;
    QString inserted;
    for (size_t i = 0; i < count; ++i) {
        const TextMatch& match = matches[i];
        out->text.append(text.mid(copied, match.start - copied));
        inserted.clear();
        replacement.Append(text, match, &inserted);
        out->unstorable += !storable(inserted);
        out->text.append(inserted);
        copied = match.start + match.length;
    }
    out->text.append(text.mid(copied));
    out->replaced = static_cast<int>(count);
    return out->text == text ? FieldResult::Unchanged : FieldResult::Replaced;
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

ReplaceOutcome PlanReplaceAll(const EdtDocument& document, const SearchQuery& query,
                              const QString& replacement, ReplacePlan* plan,
                              const MatchLimits& limits)
{
    *plan = ReplacePlan{};
    ReplaceOutcome outcome = ReplaceOutcome::Done;
    const TextStorage storage{document.GetEncoding(), document.GetFileType()};
    const bool regex = (query.flags & kSearchRegex) != 0;
    // A plain replacement is the same text every time: one look at it does.
    const bool plainStorable = CanStore(replacement, storage);
    const ReplacementPieces pieces(replacement, regex);
    auto storable = [&](const QString& inserted) {
        return regex ? CanStore(inserted, storage) : plainStorable;
    };
    const bool valid =
        RunWithMatcher(query, limits, [&](const QueryMatcher& matcher, MatchBudget& budget) {
            ReplaceReport& report = plan->report;
            FieldReplacement field;
            std::vector<TextMatch> matches;
            const EdtFormat& format = document.Format();
            for (int record = 0; record < document.RecordCount(); ++record) {
                bool changed = false;
                for (int k = 0; k < document.TextFieldCount(); ++k) {
                    const QStringView text = document.FieldText(record, k);
                    const int column = document.TextColumn(k);
                    const FieldResult result = ReplaceAllInField(
                        matcher, text, pieces, format.fields[static_cast<size_t>(column)].size,
                        storable, budget, matches, &field);
                    if (result == FieldResult::Aborted) {
                        outcome = ReplaceOutcome::InvalidPattern;
                        return;
                    }
                    if (result == FieldResult::TooLong) {
                        if (report.skippedTooLong++ == 0)
                            report.firstSkipped = SearchResume{record, column, 0, false};
                        continue;
                    }
                    if (result == FieldResult::Unchanged)
                        continue;
                    if (!plan->texts.Add(record, k, field.text)) {
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

QString ReplaceSummary(const ReplaceReport& report)
{
    QString text = UiText("replace.doneCounts")
                       .arg(UiCount("count.matches", report.replaced),
                            UiCount("count.inRecords", report.records));
    // Each further part only when it has something to say.
    if (report.skippedTooLong > 0)
        text += QStringLiteral("; ") + UiText("replace.skipped").arg(report.skippedTooLong);
    if (report.unstorable > 0)
        text += QStringLiteral("; ") + UiText("replace.unstorable").arg(report.unstorable);
    return text;
}

}  // namespace scrivlet
