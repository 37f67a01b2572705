// The search on arbitrary patterns, flags and cell texts. A plain search with case matched has
// an answer to compare with: it finds something exactly when some text cell contains the
// text, and then selects that text.

#include "catalogue/FormatCatalogue.h"
#include "FuzzSupport.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"
#include "search/SearchWalk.h"
#include "search/TextMatcher.h"

#include <chrono>

using namespace scrivlet;

namespace {

constexpr int kTextColumns = 2;
constexpr int kMaxRows = 64;

QString Decode(const QByteArray& bytes, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

const EdtFormat& SearchFormat()
{
    static const EdtFormat format = [] {
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
    }();
    return format;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const quint32 flags = in.Byte() & 0x0F;
    const uint8_t options = in.Byte();
    const bool utf16 = (options & 1) != 0;
    const bool rawPattern = (options & 2) != 0;
    const QString typed = Decode(in.Sized(true), utf16);

    GlobalCatalogue().Clear();
    GlobalCatalogue().Append(SearchFormat());
    RecordGrid grid;
    grid.SetFormatIndex(0);
    for (int k = 0; k <= kTextColumns; ++k)
        grid.InsertColumn(k, SearchFormat().fields[k].caption, -1);
    for (int row = 0; row < kMaxRows && in.Remaining() > 0; ++row) {
        if (grid.InsertRecordRow(row, CreateLabelCell(QString::number(row))) != row)
            fuzz::Fail("cannot add a row");
        for (int k = 1; k <= kTextColumns; ++k) {
            if (!grid.SetCell(row, k, CreateTextCell(Decode(in.Sized(false), utf16))))
                fuzz::Fail("cannot set a cell");
        }
    }
    // As a loaded document has it: the last row is the add-row, which is never searched.
    grid.AppendAddRow();
    grid.SetModeFlags(kDocumentGridModes);
    const int selected = static_cast<int>(options >> 2) - 1;
    if (selected < grid.RowCount())
        grid.ListRowSelected(selected);

    // A raw pattern is what a user's regular expression reaches the walk as; otherwise the
    // dialog's building runs first.
    const QString pattern = rawPattern ? typed : BuildSearchPattern(typed, flags);
    if (const std::optional<QString> plain = PlainSearchText(pattern, flags)) {
        if (BuildSearchPattern(*plain, flags) != pattern)
            fuzz::Fail("a plain text that does not build its pattern");
    }
    MatchLimits limits;
    limits.time = std::chrono::milliseconds(300);
    SearchHit hit;
    const auto started = std::chrono::steady_clock::now();
    const SearchOutcome outcome = FindNext(grid, pattern, flags, &hit, limits);
    if (std::chrono::steady_clock::now() - started > std::chrono::milliseconds(900))
        fuzz::Fail("a search ran past its budget");

    if (outcome == SearchOutcome::Found) {
        const GridCell* cell = grid.CellAt(hit.row, hit.column);
        QString text;
        if (hit.row < 0 || hit.row >= grid.RecordCount() || hit.column < 1 ||
            hit.column > kTextColumns || !cell || !cell->GetDisplayText(text))
            fuzz::Fail("a hit outside the text cells");
        if (hit.selectionStart < 0 || hit.selectionStart > hit.selectionEnd ||
            hit.selectionEnd > text.size())
            fuzz::Fail("a selection outside the cell's text");
    }

    // The plain search with case matched against what QString finds.
    const bool plainCase = !rawPattern && !(flags & kSearchRegex) && (flags & kSearchMatchCase) &&
                           !(flags & kSearchWholeWord) && !typed.isEmpty() &&
                           pattern.size() < kMaxPatternLength;
    if (plainCase && outcome != SearchOutcome::InvalidPattern) {
        bool contained = false;
        for (int row = 0; row < grid.RecordCount() && !contained; ++row) {
            for (int k = 1; k <= kTextColumns && !contained; ++k) {
                QString text;
                const GridCell* cell = grid.CellAt(row, k);
                contained = cell && cell->GetDisplayText(text) && text.contains(typed);
            }
        }
        if (contained != (outcome == SearchOutcome::Found))
            fuzz::Fail("plain search disagrees with QString::contains");
        if (contained) {
            QString text;
            grid.CellAt(hit.row, hit.column)->GetDisplayText(text);
            if (text.mid(hit.selectionStart, hit.selectionEnd - hit.selectionStart) != typed)
                fuzz::Fail("plain search selected another text");
        }
    }
    return 0;
}
