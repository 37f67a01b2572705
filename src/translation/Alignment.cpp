#include "translation/Alignment.h"

#include "base/UiText.h"
#include "translation/SequenceDiff.h"
#include "translation/SourceGroups.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <tuple>

// The record diff is our own: Debian's dtl (an O(NP) diff) took 1.1 s and 100 MB for 100,000
// records with 1% of them edited and grows with records times edits (about two minutes and
// gigabytes for a million). Here records unique in both versions anchor the diff (their
// longest increasing run, as patience diff does), and between two anchors a Myers diff with at
// most kMaxEdits edits finds the longest common subsequence; a stretch that needs more is
// paired by position. Each stretch then costs at most its length times kMaxEdits, so the
// whole stays linear in the records.

namespace scrivlet {
namespace {

constexpr int kMaxEdits = 256;
// Rule 2 weighs every old record of a gap against every new one up to this many pairs; a
// bigger gap weighs only pairs near the same position.
constexpr qint64 kMaxPairs = 1 << 16;
constexpr int kMinWindow = 16;

using Hashes = std::vector<std::uint64_t>;

Hashes RecordHashes(const EdtDocument& document)
{
    const int fields = document.TextFieldCount();
    Hashes hashes(static_cast<size_t>(document.RecordCount()));
    for (int r = 0; r < document.RecordCount(); ++r) {
        std::uint64_t h = 0x9e3779b97f4a7c15ULL;
        for (int k = 0; k < fields; ++k) {
            const QStringView text = document.FieldText(r, k);
            h = (h ^ qHash(text, size_t(k + 1))) * 0x100000001b3ULL + text.size();
        }
        hashes[r] = h;
    }
    return hashes;
}

bool SameRecord(const EdtDocument& a, int i, const EdtDocument& b, int j)
{
    for (int k = 0; k < a.TextFieldCount(); ++k) {
        if (a.FieldText(i, k) != b.FieldText(j, k))
            return false;
    }
    return true;
}

// Records whose hash occurs once in each version, as (old, new) pairs in old order. An open
// hash table rather than sorting: sorting two million hashes took most of the time.
std::vector<std::pair<int, int>> UniquePairs(const Hashes& a, const Hashes& b)
{
    constexpr int kNone = -1, kMany = -2;
    struct Slot {
        std::uint64_t hash = 0;
        int inA = kNone, inB = kNone;
    };
    int bits = 4;
    while ((size_t(1) << bits) < (a.size() + b.size()) * 3 / 2)
        ++bits;
    const size_t capacity = size_t(1) << bits;
    std::vector<Slot> table(capacity);
    auto find = [&](std::uint64_t h) -> Slot& {
        size_t at = (h * 0x9e3779b97f4a7c15ULL) >> (64 - bits);
        while ((table[at].inA != kNone || table[at].inB != kNone) && table[at].hash != h)
            at = (at + 1) & (capacity - 1);
        table[at].hash = h;
        return table[at];
    };
    for (const auto& [hashes, member] : {std::pair{&a, &Slot::inA}, std::pair{&b, &Slot::inB}}) {
        for (size_t i = 0; i < hashes->size(); ++i) {
            int& seen = find((*hashes)[i]).*member;
            seen = seen == kNone ? static_cast<int>(i) : kMany;
        }
    }
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 0; i < a.size(); ++i) {
        const Slot& slot = find(a[i]);
        if (slot.inA >= 0 && slot.inB >= 0)
            pairs.emplace_back(slot.inA, slot.inB);
    }
    return pairs;
}

// The longest run of pairs increasing in the new position as well (patience sorting). The
// tails' values sit in an array of their own, and a pair beyond the last tail, as nearly all
// are, is appended without a search.
std::vector<std::pair<int, int>> Anchors(const std::vector<std::pair<int, int>>& pairs)
{
    std::vector<int> tails, tailValues;  // per run length: the pair ending it, its new position
    std::vector<int> previous(pairs.size(), -1);
    for (int p = 0; p < static_cast<int>(pairs.size()); ++p) {
        const int value = pairs[p].second;
        const size_t at = !tailValues.empty() && value > tailValues.back()
                              ? tailValues.size()
                              : std::lower_bound(tailValues.begin(), tailValues.end(), value) -
                                    tailValues.begin();
        if (at > 0)
            previous[p] = tails[at - 1];
        if (at == tails.size()) {
            tails.push_back(p), tailValues.push_back(value);
        } else {
            tails[at] = p, tailValues[at] = value;
        }
    }
    std::vector<std::pair<int, int>> run(tails.size());
    for (int p = tails.empty() ? -1 : tails.back(), k = static_cast<int>(tails.size()) - 1; p >= 0;
         p = previous[p], --k)
        run[k] = pairs[p];
    return run;
}

struct Matcher {
    const Hashes& a;
    const Hashes& b;
    std::vector<int>& newToOld;
    bool& fallback;

    // Old [i0, i1) against new [j0, j1), between two anchors.
    void Stretch(int i0, int i1, int j0, int j1)
    {
        while (i0 < i1 && j0 < j1 && a[i0] == b[j0])
            newToOld[j0++] = i0++;
        while (i0 < i1 && j0 < j1 && a[i1 - 1] == b[j1 - 1])
            newToOld[--j1] = --i1;
        if (i0 == i1 || j0 == j1)
            return;
        std::vector<std::pair<int, int>> matched;
        if (MatchSequences({a.data() + i0, size_t(i1 - i0)}, {b.data() + j0, size_t(j1 - j0)},
                           kMaxEdits, &matched)) {
            for (const auto& [i, j] : matched)
                newToOld[j0 + j] = i0 + i;
            return;
        }
        fallback = true;
        for (int i = i0, j = j0; i < i1 && j < j1; ++i, ++j) {
            if (a[i] == b[j])
                newToOld[j] = i;
        }
    }
};

// Rule 1: per new record the old record it equals in the common subsequence, else -1.
std::vector<int> MatchEqualRecords(const EdtDocument& oldDoc, const EdtDocument& newDoc,
                                   bool* fallback)
{
    const Hashes a = RecordHashes(oldDoc), b = RecordHashes(newDoc);
    std::vector<int> newToOld(b.size(), -1);
    Matcher matcher{a, b, newToOld, *fallback};
    int i0 = 0, j0 = 0;
    for (const auto& [i, j] : Anchors(UniquePairs(a, b))) {
        matcher.Stretch(i0, i, j0, j);
        newToOld[j] = i;
        i0 = i + 1, j0 = j + 1;
    }
    matcher.Stretch(i0, static_cast<int>(a.size()), j0, static_cast<int>(b.size()));
    // Equal hashes of unequal records are let go rather than trusted.
    for (int j = 0; j < static_cast<int>(newToOld.size()); ++j) {
        if (newToOld[j] >= 0 && !SameRecord(oldDoc, newToOld[j], newDoc, j))
            newToOld[j] = -1;
    }
    return newToOld;
}

int EqualTexts(const EdtDocument& a, int i, const EdtDocument& b, int j)
{
    int equal = 0;
    for (int k = 0; k < a.TextFieldCount(); ++k) {
        const QStringView text = a.FieldText(i, k);
        equal += !text.isEmpty() && text == b.FieldText(j, k) ? 1 : 0;
    }
    return equal;
}

// Rule 2 in one gap, old [i0, i1) and new [j0, j1): best pairs first.
void PairGap(const EdtDocument& oldDoc, const EdtDocument& newDoc, int i0, int i1, int j0, int j1,
             std::vector<int>& newToOld, bool* fallback)
{
    const int n = i1 - i0, m = j1 - j0;
    if (n == 0 || m == 0)
        return;
    int window = std::max(n, m);
    if (qint64(n) * m > kMaxPairs) {
        window = std::max<int>(kMinWindow, static_cast<int>(kMaxPairs / (n + m)));
        *fallback = true;
    }
    // (-equal texts, distance, old, new): sorted, the best pair comes first.
    std::vector<std::tuple<int, int, int, int>> candidates;
    for (int i = 0; i < n; ++i) {
        for (int j = std::max(0, i - window); j < std::min(m, i + window + 1); ++j) {
            if (const int equal = EqualTexts(oldDoc, i0 + i, newDoc, j0 + j))
                candidates.emplace_back(-equal, std::abs(i - j), i, j);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    std::vector<char> oldTaken(n, 0), newTaken(m, 0);
    for (const auto& [score, distance, i, j] : candidates) {
        if (oldTaken[i] || newTaken[j])
            continue;
        oldTaken[i] = newTaken[j] = 1;
        newToOld[j0 + j] = i0 + i;
    }
}

// Rule 2 over every gap between records matched by rule 1; returns which new records it paired.
std::vector<char> PairChangedRecords(const EdtDocument& oldDoc, const EdtDocument& newDoc,
                                     std::vector<int>& newToOld, bool* fallback)
{
    const std::vector<int> equal = newToOld;
    const int m = newDoc.RecordCount();
    int i0 = 0, j0 = 0;
    for (int j = 0; j <= m; ++j) {
        if (j < m && equal[j] < 0)
            continue;
        const int i = j < m ? equal[j] : oldDoc.RecordCount();
        PairGap(oldDoc, newDoc, i0, i, j0, j, newToOld, fallback);
        i0 = i + 1, j0 = j + 1;
    }
    std::vector<char> changed(m, 0);
    for (int j = 0; j < m; ++j)
        changed[j] = equal[j] < 0 && newToOld[j] >= 0;
    return changed;
}

}  // namespace

namespace {

// Appends the output's records one by one, as a reader does; when counting, only adds up
// their length, so the output is allocated once.
struct Builder {
    const EdtDocument& oldDoc;
    const EdtDocument& newDoc;
    const EdtDocument& input;
    Alignment& out;
    bool counting = true;
    qsizetype units = 0;
    bool ok = true;

    void Add(QStringView text)
    {
        if (counting)
            units += text.size();
        else
            ok = out.output->AddLoadedText(text) && ok;
    }
    void Review(int j, int k, ReviewReason reason)
    {
        if (!counting)
            out.review.push_back({j, k, reason});
    }

    void Matched(int i)
    {
        for (int k = 0; k < input.TextFieldCount(); ++k)
            Add(input.FieldText(i, k));
    }
    void Changed(int i, int j)
    {
        for (int k = 0; k < input.TextFieldCount(); ++k) {
            const QStringView oldSource = oldDoc.FieldText(i, k),
                              newSource = newDoc.FieldText(j, k);
            const QStringView translation = input.FieldText(i, k);
            if (oldSource == newSource) {
                Add(translation);
            } else if (translation == oldSource) {
                Add(newSource);  // never translated: nothing to review
            } else {
                Add(translation);
                Review(j, k, ReviewReason::Changed);
            }
        }
    }
    void New(int j)
    {
        for (int k = 0; k < newDoc.TextFieldCount(); ++k) {
            Add(newDoc.FieldText(j, k));
            if (!newDoc.FieldText(j, k).isEmpty())
                Review(j, k, ReviewReason::New);
        }
    }
};

// One pass over the new records: the outcome of each, and its texts to the builder.
void BuildRecords(Builder& b, const std::vector<char>& changed)
{
    Alignment& out = b.out;
    for (int j = 0; j < b.newDoc.RecordCount() && b.ok; ++j) {
        const int i = out.fromOld[j];
        const RecordOutcome outcome = i < 0        ? RecordOutcome::New
                                      : changed[j] ? RecordOutcome::Changed
                                      : i == j     ? RecordOutcome::Kept
                                                   : RecordOutcome::Moved;
        if (outcome == RecordOutcome::New)
            b.New(j);
        else if (outcome == RecordOutcome::Changed)
            b.Changed(i, j);
        else
            b.Matched(i);
        if (!b.counting) {
            out.outcomes[j] = outcome;
            out.output->EndLoadedRecord();
        }
    }
}

void Count(int oldRecords, Alignment* out)
{
    AlignmentCounts& c = out->counts;
    qint64* const counts[] = {&c.kept, &c.moved, &c.changed, &c.added};
    for (RecordOutcome outcome : out->outcomes)
        ++*counts[static_cast<int>(outcome)];
    std::vector<char> paired(oldRecords, 0);
    for (int i : out->fromOld) {
        if (i >= 0)
            paired[i] = 1;
    }
    for (int i = 0; i < oldRecords; ++i) {
        if (!paired[i])
            out->removed.push_back(i);
    }
    c.records = static_cast<qint64>(out->outcomes.size());
    c.removed = static_cast<qint64>(out->removed.size());
}

// The new records' fields take the translation their original has elsewhere in the output; a
// changed field's text still translates its old source and gives none. False when no memory is
// left.
bool FillNewRecords(const EdtDocument& newDoc, Alignment* out)
{
    std::vector<std::pair<int, int>> fields, stale;
    for (const ReviewField& field : out->review)
        (field.reason == ReviewReason::New ? fields : stale)
            .emplace_back(field.record, field.field);
    TextPlan plan;
    GroupFill fill;
    if (!PlanFieldFill(*out->output, newDoc, fields, stale, &plan, &fill))
        return false;
    out->counts.propagated = fill.filled;
    return plan.IsEmpty() || out->output->ApplyPlan(plan);
}

Result CheckShapes(const EdtDocument& oldDoc, const EdtDocument& newDoc, const EdtDocument& input)
{
    if (oldDoc.TextFieldCount() != newDoc.TextFieldCount() ||
        oldDoc.TextFieldCount() != input.TextFieldCount())
        return Result::Failure(UiText("update.fieldsDiffer"));
    if (oldDoc.RecordCount() != input.RecordCount())
        return Result::Failure(
            UiText("update.recordsDiffer").arg(input.RecordCount()).arg(oldDoc.RecordCount()));
    return {};
}

}  // namespace

Result AlignTranslation(const EdtDocument& oldOriginal, const EdtDocument& newOriginal,
                        const EdtDocument& input, Alignment* alignment)
{
    if (Result shapes = CheckShapes(oldOriginal, newOriginal, input); !shapes)
        return shapes;
    Alignment& out = *alignment;
    out = Alignment();
    const int m = newOriginal.RecordCount();
    out.fromOld = MatchEqualRecords(oldOriginal, newOriginal, &out.counts.fallback);
    const std::vector<char> changed =
        PairChangedRecords(oldOriginal, newOriginal, out.fromOld, &out.counts.fallback);
    out.output = std::make_unique<EdtDocument>(input.Format(), input.FormatIndex());
    out.output->SetPath(input.Path());
    out.output->SetFileType(input.GetFileType());
    out.output->SetEncoding(input.GetEncoding());
    Builder builder{oldOriginal, newOriginal, input, out};
    BuildRecords(builder, changed);
    builder.counting = false;
    builder.ok = out.output->ReserveForLoad(m, builder.units);
    out.outcomes.resize(m);
    BuildRecords(builder, changed);
    if (!builder.ok || !FillNewRecords(newOriginal, &out)) {
        out = Alignment();
        return Result::Failure(UiText("fileError.noMemory"));
    }
    Count(oldOriginal.RecordCount(), &out);
    return {};
}

const char* ReviewReasonName(ReviewReason reason)
{
    switch (reason) {
        case ReviewReason::Changed:
            return "changed";
        case ReviewReason::New:
            return "new";
        case ReviewReason::None:
            break;
    }
    return "";
}

}  // namespace scrivlet
