#include "translation/DocumentMerge.h"

#include "base/UiText.h"
#include "translation/Alignment.h"

#include <numeric>

namespace scrivlet {
namespace {

bool SameRecord(const EdtDocument& a, int i, const EdtDocument& b, int j)
{
    for (int k = 0; k < a.TextFieldCount(); ++k) {
        if (a.FieldText(i, k) != b.FieldText(j, k))
            return false;
    }
    return true;
}

// Per record of side: the base record it stands for, -1 for one the side inserted.
Result FromBase(const EdtDocument& base, const EdtDocument& side, bool byIndex,
                std::vector<int>* from)
{
    if (byIndex) {
        from->resize(side.RecordCount());
        std::iota(from->begin(), from->end(), 0);
        return {};
    }
    // The side is the base's "new original": its records found again, edited ones by a text
    // they still share.
    Alignment alignment;
    if (Result aligned = AlignTranslation(base, side, base, &alignment); !aligned)
        return aligned;
    *from = std::move(alignment.fromOld);
    return {};
}

// Per base record: the side's record standing for it, -1 where the side removed it.
std::vector<int> ToSide(const std::vector<int>& from, int baseRecords)
{
    std::vector<int> to(baseRecords, -1);
    for (int j = 0; j < static_cast<int>(from.size()); ++j) {
        if (from[j] >= 0)
            to[from[j]] = j;
    }
    return to;
}

// A side's inserted records by the base record they follow: gap a + 1 after base record a,
// gap 0 before the first.
std::vector<std::vector<int>> Inserts(const std::vector<int>& from, int baseRecords)
{
    std::vector<std::vector<int>> gaps(baseRecords + 1);
    int anchor = -1;
    for (int j = 0; j < static_cast<int>(from.size()); ++j) {
        if (from[j] >= 0)
            anchor = from[j];
        else
            gaps[anchor + 1].push_back(j);
    }
    return gaps;
}

struct Merger {
    const EdtDocument& base;
    const EdtDocument& ours;
    const EdtDocument& theirs;
    DocumentMerge& out;
    std::vector<QStringView> texts;  // the merged records' fields, in order
    int records = 0;

    int FieldCount() const { return ours.TextFieldCount(); }
    void Conflict(int record, int k, QStringView b, QStringView o, QStringView t)
    {
        out.conflicts.push_back({record, k, b.toString(), o.toString(), t.toString()});
    }
    void Take(const EdtDocument& side, int r, bool fromTheirs)
    {
        for (int k = 0; k < FieldCount(); ++k)
            texts.push_back(side.FieldText(r, k));
        out.counts.merged += fromTheirs ? FieldCount() : 0;
        ++records;
    }
    void Merge(int b, int o, int t)
    {
        for (int k = 0; k < FieldCount(); ++k) {
            const QStringView bt = base.FieldText(b, k), ot = ours.FieldText(o, k),
                              tt = theirs.FieldText(t, k);
            if (ot == tt || tt == bt) {
                texts.push_back(ot);
            } else if (ot == bt) {
                texts.push_back(tt);
                ++out.counts.merged;
            } else {
                texts.push_back(ot);
                Conflict(records, k, bt, ot, tt);
            }
        }
        ++records;
    }
    // Theirs removed base record b, which ours keeps as o: gone unless ours changed it.
    void RemovedByTheirs(int b, int o)
    {
        if (SameRecord(base, b, ours, o))
            return;
        for (int k = 0; k < FieldCount(); ++k) {
            if (ours.FieldText(o, k) != base.FieldText(b, k))
                Conflict(records, k, base.FieldText(b, k), ours.FieldText(o, k), {});
        }
        Take(ours, o, false);
    }
    void RemovedByOurs(int b, int t)
    {
        for (int k = 0; k < FieldCount(); ++k) {
            if (theirs.FieldText(t, k) != base.FieldText(b, k))
                Conflict(-1, k, base.FieldText(b, k), {}, theirs.FieldText(t, k));
        }
    }
};

// The merged records in ours' order, theirs' inserted records after the base record they
// follow (once ours' records up to it are placed).
void MergeRecords(Merger& m, const std::vector<int>& oursFrom, const std::vector<int>& theirsFrom)
{
    const int n = m.base.RecordCount();
    const std::vector<int> theirsOf = ToSide(theirsFrom, n), oursOf = ToSide(oursFrom, n);
    const std::vector<std::vector<int>> theirInserts = Inserts(theirsFrom, n),
                                        ourInserts = Inserts(oursFrom, n);
    std::vector<char> pairedOurs(m.ours.RecordCount(), 0);
    int placed = 0;  // gaps whose inserts of theirs are placed
    auto placeTo = [&](int gaps) {
        for (; placed < gaps; ++placed) {
            for (int t : theirInserts[placed]) {
                bool same = false;
                for (int o : ourInserts[placed]) {
                    if (!same && !pairedOurs[o] && SameRecord(m.ours, o, m.theirs, t)) {
                        same = true;
                        pairedOurs[o] = 1;
                    }
                }
                if (!same)
                    m.Take(m.theirs, t, true);
            }
        }
    };
    for (int o = 0; o < m.ours.RecordCount(); ++o) {
        const int b = oursFrom[o];
        if (b < 0) {
            m.Take(m.ours, o, false);
            continue;
        }
        placeTo(b + 1);
        if (theirsOf[b] >= 0)
            m.Merge(b, o, theirsOf[b]);
        else
            m.RemovedByTheirs(b, o);
    }
    placeTo(n + 1);
    for (int b = 0; b < n; ++b) {
        if (oursOf[b] < 0 && theirsOf[b] >= 0)
            m.RemovedByOurs(b, theirsOf[b]);
    }
}

}  // namespace

Result MergeDocuments(const EdtDocument& base, const EdtDocument& ours, const EdtDocument& theirs,
                      DocumentMerge* merge)
{
    DocumentMerge& out = *merge;
    out = DocumentMerge();
    if (base.TextFieldCount() != ours.TextFieldCount() ||
        base.TextFieldCount() != theirs.TextFieldCount())
        return Result::Failure(UiText("update.fieldsDiffer"));
    const bool byIndex =
        ours.RecordCount() == base.RecordCount() && theirs.RecordCount() == base.RecordCount();
    std::vector<int> oursFrom, theirsFrom;
    for (auto [side, from] : {std::pair{&ours, &oursFrom}, std::pair{&theirs, &theirsFrom}}) {
        if (Result aligned = FromBase(base, *side, byIndex, from); !aligned)
            return aligned;
    }
    Merger merger{base, ours, theirs, out, {}, 0};
    MergeRecords(merger, oursFrom, theirsFrom);
    qsizetype units = 0;
    for (QStringView text : merger.texts)
        units += text.size();
    out.output = std::make_unique<EdtDocument>(ours.Format(), ours.FormatIndex());
    out.output->SetPath(ours.Path());
    out.output->SetFileType(ours.GetFileType());
    out.output->SetEncoding(ours.GetEncoding());
    bool ok = out.output->ReserveForLoad(merger.records, units);
    const int fields = ours.TextFieldCount();
    for (int r = 0; r < merger.records && ok; ++r) {
        for (int k = 0; k < fields; ++k)
            ok = out.output->AddLoadedText(merger.texts[size_t(r) * fields + k]) && ok;
        out.output->EndLoadedRecord();
    }
    if (!ok) {
        out = DocumentMerge();
        return Result::Failure(UiText("fileError.noMemory"));
    }
    out.counts.fields = qint64(merger.records) * fields;
    out.counts.conflicts = static_cast<qint64>(out.conflicts.size());
    return {};
}

}  // namespace scrivlet
