#pragma once

#include <QtGlobal>

#include <cstdint>
#include <iterator>

// The quality checks by kind: their order, their bits, and the names the command line and the
// interface texts know them by.

namespace scrivlet {

// The order is the order problems of one field are listed in (and the menu's).
enum class Check : std::uint8_t {
    TooLong,
    NotStorable,
    TooWide,
    MissingGlyph,
    Untranslated,
    Empty,
    Placeholders,
    Tags,
    Numbers,
    Brackets,
    LeadingSpace,
    TrailingSpace,
    LineBreaks,
    DoubleSpace,
    RepeatedWord,
    EndPunctuation,
    StartCase,
    LengthRatio,
    Inconsistent,
    Glossary,
    Spelling,
};
constexpr int kCheckCount = static_cast<int>(Check::Spelling) + 1;

// One bit per check.
using CheckMask = std::uint32_t;
constexpr CheckMask Bit(Check check)
{
    return static_cast<CheckMask>(1u << static_cast<int>(check));
}
constexpr CheckMask kAllChecks = static_cast<CheckMask>((1u << kCheckCount) - 1);

// A check as the command line names it, and whether it runs on a translation without its
// original. One entry per check, in Check's order; its interface texts are
// "check.<name>.title" and what its details ask for.
struct CheckKind {
    Check check;
    const char* name;
    bool withoutReference;
};
inline constexpr CheckKind kCheckKinds[] = {
    {Check::TooLong, "too_long", true},
    {Check::NotStorable, "not_storable", true},
    {Check::TooWide, "too_wide", true},
    {Check::MissingGlyph, "missing_glyph", true},
    {Check::Untranslated, "untranslated", false},
    {Check::Empty, "empty", false},
    {Check::Placeholders, "placeholders", false},
    {Check::Tags, "tags", false},
    {Check::Numbers, "numbers", false},
    {Check::Brackets, "brackets", false},
    {Check::LeadingSpace, "leading_space", false},
    {Check::TrailingSpace, "trailing_space", false},
    {Check::LineBreaks, "line_breaks", false},
    {Check::DoubleSpace, "double_space", true},
    {Check::RepeatedWord, "repeated_word", true},
    {Check::EndPunctuation, "end_punctuation", false},
    {Check::StartCase, "start_case", false},
    {Check::LengthRatio, "length_ratio", false},
    {Check::Inconsistent, "inconsistent", false},
    {Check::Glossary, "glossary", false},
    {Check::Spelling, "spelling", true},
};
static_assert(std::size(kCheckKinds) == kCheckCount);
constexpr bool InCheckOrder()
{
    for (int i = 0; i < kCheckCount; ++i) {
        if (kCheckKinds[i].check != static_cast<Check>(i))
            return false;
    }
    return true;
}
static_assert(InCheckOrder());

constexpr CheckMask ChecksWithoutReference()
{
    CheckMask mask = 0;
    for (const CheckKind& kind : kCheckKinds)
        mask |= kind.withoutReference ? Bit(kind.check) : 0;
    return mask;
}
constexpr CheckMask kChecksWithoutReference = ChecksWithoutReference();

// "too_long", "placeholders", ...
constexpr const char* CheckName(Check check)
{
    return kCheckKinds[static_cast<int>(check)].name;
}

}  // namespace scrivlet
