// The search on arbitrary typed texts, flags and field texts. A plain search with case matched
// has an answer to compare with: the first field in the walk's order that contains the text,
// and there its first occurrence; its Replace All is QString::replace on every field.
//
// Input: a flags byte, an options byte (bit 0: texts are UTF-16, not UTF-8; bits 2-7: the
// record to start after, plus one), the typed text, then the two texts of each record.

#include "FuzzSupport.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "search/Replace.h"

#include <chrono>

using namespace scrivlet;

namespace {

constexpr int kTextColumns = 2;
constexpr int kMaxRecords = 64;

QString Decode(const QByteArray& bytes, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

EdtFormat SearchFormat()
{
    EdtFormat f;
    f.recordLength = 64;
    f.fields[0].caption = QStringLiteral("No.");
    f.fields[0].type = kLabelField;
    for (int k = 1; k <= kTextColumns; ++k) {
        f.fields[k].caption = QStringLiteral("T%1").arg(k);
        f.fields[k].type = kTextField;
        f.fields[k].offset = (k - 1) * 32;
        f.fields[k].size = 32;
    }
    return f;
}

// Where a plain, case-matched search must stop: the walk's order written out plainly.
SearchHit ExpectedPlainHit(const EdtDocument& document, const QString& typed, quint32 flags,
                           int from)
{
    const int n = document.RecordCount();
    const bool backwards = (flags & kSearchBackwards) != 0;
    const bool inside = from >= 0 && from < n;
    for (int step = 1; step <= n; ++step) {
        int record = backwards ? (inside ? from : n) - step : (inside ? from : -1) + step;
        record = ((record % n) + n) % n;
        if (inside && record == from && n > 1)
            break;
        for (int k = 1; k <= kTextColumns; ++k) {
            const qsizetype at = document.TextView(record, k).indexOf(typed);
            if (at >= 0)
                return SearchHit{record, k, static_cast<int>(at), static_cast<int>(typed.size())};
        }
    }
    return SearchHit{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const quint32 flags = in.Byte() & 0x0F;
    const uint8_t options = in.Byte();
    const bool utf16 = (options & 1) != 0;
    const int from = static_cast<int>(options >> 2) - 1;
    const QString typed = Decode(in.Sized(true), utf16);

    EdtDocument document(SearchFormat());
    for (int record = 0; record < kMaxRecords && in.Remaining() > 0; ++record) {
        if (!document.AppendRecord())
            fuzz::Fail("cannot add a record");
        for (int k = 1; k <= kTextColumns; ++k)
            document.SetText(record, k, Decode(in.Sized(false), utf16));
    }

    // Small limits keep a hostile pattern from taking each input's whole second: texts of 32
    // units need neither the editor's deep stack nor its steps.
    MatchLimits limits;
    limits.time = std::chrono::milliseconds(50);
    limits.stackSize = std::size_t{2} << 20;
    limits.stackUse = std::size_t{1} << 20;
    limits.maxSteps = std::size_t{1} << 16;
    SearchHit hit;
    const auto started = std::chrono::steady_clock::now();
    const SearchOutcome outcome = FindNext(document, SearchQuery{typed, flags}, from, &hit, limits);
    if (std::chrono::steady_clock::now() - started > std::chrono::milliseconds(900))
        fuzz::Fail("a search ran past its budget");

    if (outcome == SearchOutcome::Found) {
        if (hit.record < 0 || hit.record >= document.RecordCount() ||
            !document.IsTextColumn(hit.column))
            fuzz::Fail("a hit outside the text fields");
        if (hit.start < 0 || hit.length < 0 ||
            hit.start + hit.length > document.TextView(hit.record, hit.column).size())
            fuzz::Fail("a selection outside the field's text");
    }

    // Every character of the typed text escaped at most doubles it: below the cut, the
    // expression means exactly the text.
    const bool plainCase = !(flags & kSearchRegex) && (flags & kSearchMatchCase) &&
                           !(flags & kSearchWholeWord) && !typed.isEmpty() &&
                           typed.size() * 2 < kMaxPatternLength;
    if (plainCase && outcome != SearchOutcome::InvalidPattern) {
        const SearchHit expected = ExpectedPlainHit(document, typed, flags, from);
        if ((expected.record >= 0) != (outcome == SearchOutcome::Found))
            fuzz::Fail("plain search disagrees with QStringView::indexOf");
        if (expected.record >= 0 &&
            (hit.record != expected.record || hit.column != expected.column ||
             hit.start != expected.start || hit.length != expected.length))
            fuzz::Fail("plain search stopped elsewhere than the first occurrence");
    }

    // Replace All: no field beyond its size, the plain answer as QString::replace has it, and
    // the same exchange twice gives every text back.
    QStringList before;
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int k = 1; k <= kTextColumns; ++k)
            before << document.Text(record, k);
    }
    const QString with = (flags & kSearchRegex) ? QStringLiteral("[$&$1]") : QStringLiteral("[]");
    ReplacePlan plan;
    if (PlanReplaceAll(document, SearchQuery{typed, flags}, with, &plan, limits) !=
        ReplaceOutcome::Done)
        return 0;
    std::optional<std::vector<EdtDocument::FieldEdit>> edits = document.StoreTexts(plan.texts);
    if (!edits)
        fuzz::Fail("storing the replaced texts failed");
    document.ExchangeTexts(*edits);
    for (int record = 0, i = 0; record < document.RecordCount(); ++record) {
        for (int k = 1; k <= kTextColumns; ++k, ++i) {
            const QString text = document.Text(record, k);
            if (text != before[i] && text.size() > 32)
                fuzz::Fail("a replacement made a field longer than its size");
            QString expected = before[i];
            expected.replace(typed, with);
            if (plainCase && text != (expected.size() > 32 ? before[i] : expected))
                fuzz::Fail("plain Replace All disagrees with QString::replace");
        }
    }
    document.ExchangeTexts(*edits);
    for (int record = 0, i = 0; record < document.RecordCount(); ++record) {
        for (int k = 1; k <= kTextColumns; ++k, ++i) {
            if (document.Text(record, k) != before[i])
                fuzz::Fail("the exchange taken twice did not give the texts back");
        }
    }
    return 0;
}
