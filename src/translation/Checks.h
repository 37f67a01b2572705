#pragma once

#include "documents/EdtDocument.h"
#include "documents/Storability.h"
#include "translation/TextSpan.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// Quality checks of a translation field against its reference: what each check is called,
// the settings they run with, and the checks of one field. Pure logic: the document-wide run
// and its index live in DocumentChecks.

namespace scrivlet {

class GuardedRegex;
class MatchBudget;
class Speller;

// The order is the order problems of one field are listed in; the names are the command
// line's.
enum class Check : std::uint8_t {
    TooLong,
    NotStorable,
    Untranslated,
    Empty,
    Placeholders,
    Numbers,
    LeadingSpace,
    TrailingSpace,
    LineBreaks,
    DoubleSpace,
    EndPunctuation,
    Inconsistent,
    Glossary,
    Spelling,
};
constexpr int kCheckCount = static_cast<int>(Check::Spelling) + 1;

// One bit per check.
using CheckMask = std::uint16_t;
constexpr CheckMask Bit(Check check)
{
    return static_cast<CheckMask>(1u << static_cast<int>(check));
}
constexpr CheckMask kAllChecks = static_cast<CheckMask>((1u << kCheckCount) - 1);
// What runs without a reference.
constexpr CheckMask kChecksWithoutReference =
    Bit(Check::TooLong) | Bit(Check::NotStorable) | Bit(Check::DoubleSpace) | Bit(Check::Spelling);

// "too_long", "placeholders", ...
const char* CheckName(Check check);
std::optional<Check> CheckNamed(QStringView name);
// The check's name in the interface language.
QString CheckTitle(Check check);

// A glossary entry as plain terms: where the source term stands in a reference, one of the
// targets should stand in the translation.
struct GlossaryTerm {
    QString source;
    QStringList targets;
    QString note;
};

// Placeholders of the printf (%d, %5.2f, %1$s; %% is none), Qt (%1..%99) and brace ({0},
// {name}) kinds, and those of the project's own patterns; in order, not overlapping.
class PlaceholderFinder {
public:
    PlaceholderFinder();
    ~PlaceholderFinder();
    // Adds a project's pattern (ECMAScript syntax); false, adding nothing, when it is invalid.
    bool AddPattern(const QString& pattern);
    bool HasPatterns() const { return !patterns_.empty(); }
    void Clear();
    // Into *found, in order, not overlapping. budget: the matching thread's, needed only with
    // patterns (else may be null).
    void Find(QStringView text, MatchBudget* budget, std::vector<TextSpan>* found) const;

private:
    std::vector<std::unique_ptr<GuardedRegex>> patterns_;
};

struct CheckSettings {
    CheckMask enabled = static_cast<CheckMask>(kAllChecks & ~Bit(Check::Spelling));
    // The translation's language ("en", "de", "pl", "ru"), for the end punctuation; empty:
    // any of their forms counts.
    QString language;
    PlaceholderFinder placeholders;
    std::vector<GlossaryTerm> glossary;
    // Only with Check::Spelling enabled; must outlive the run. A document's spelling runs in
    // the background with it and the placeholders: stop that run before changing either.
    const Speller* speller = nullptr;
    // Where storability is judged; by default the document's own encoding and file type.
    std::optional<TextStorage> storage;
};

// A problem of one field, with what it found ("missing %s") in the interface language.
struct Problem {
    int record = 0;
    int field = 0;
    Check check = Check::TooLong;
    QString detail;
};

// The glossary's source terms by their first case-folded word: which terms stand in a text as
// whole words, any case. Built once per glossary; the check and the Glossary panel ask it.
class GlossaryIndex {
public:
    struct Entry {
        QStringList words;  // the source term's, case-folded
        std::vector<QStringList> targets;
        int term = 0;  // in the glossary given
    };
    // terms need not outlive the index.
    explicit GlossaryIndex(const std::vector<GlossaryTerm>& terms);
    ~GlossaryIndex();
    bool IsEmpty() const { return entries_.empty(); }
    // Every term standing in text into *found (cleared first), in the order of the words
    // they start at, a term once per place.
    void Find(QStringView text, std::vector<const Entry*>* found) const;
    // The terms (indices into the glossary given) standing in text, each once, in the order
    // they first stand there.
    std::vector<int> TermsIn(QStringView text) const;

private:
    std::vector<Entry> entries_;
    std::unordered_map<size_t, std::vector<int>> byFirstWord_;
};

// The texts and settings one field is checked with.
struct FieldInput {
    QStringView text;
    QStringView reference;
    bool hasReference = false;
    int size = 0;  // the field's size in characters
};

class FieldChecker {
public:
    // settings must outlive the checker.
    explicit FieldChecker(const CheckSettings& settings);
    ~FieldChecker();

    // The checks of the field itself (all but the inconsistency of a group); with details,
    // appends a Problem for each (record and field left 0).
    // budget as for PlaceholderFinder::Find. Only the enabled checks among only run.
    CheckMask Run(const FieldInput& input, const TextStorage& storage, MatchBudget* budget,
                  std::vector<Problem>* details, CheckMask only = kAllChecks) const;
    // Spelling alone, of a text known to be no copy of its reference; safe on any thread.
    bool Misspelled(QStringView text, MatchBudget* budget) const;
    // After the settings' glossary changed: indexes it again.
    void Reindex();

private:
    CheckMask Compare(const FieldInput& input, CheckMask on, const std::vector<TextSpan>& textMarks,
                      const std::vector<TextSpan>& referenceMarks,
                      std::vector<Problem>* details) const;
    CheckMask Glossary(const FieldInput& input, std::vector<Problem>* details) const;
    CheckMask Spelling(QStringView text, const std::vector<TextSpan>& marks,
                       std::vector<Problem>* details) const;

    const CheckSettings& settings_;
    std::unique_ptr<GlossaryIndex> glossary_;
};

// Whether text ends in punctuation of the same kind as reference (a reference ending in none
// of . ! ? : ... … asks for nothing); language as in CheckSettings.
bool EndPunctuationMatches(QStringView reference, QStringView text, QStringView language);

// Whether a translation word is an inflection of a glossary target word: equal to a short one,
// starting with the stem (all but the last two letters, at least four) of a longer one. Both
// case-folded.
bool InflectionOf(QStringView word, QStringView target);

}  // namespace scrivlet
