#pragma once

#include "documents/EdtDocument.h"
#include "documents/Storability.h"
#include "translation/CheckKinds.h"
#include "translation/GlossaryIndex.h"
#include "translation/ShapeChecks.h"
#include "translation/TextBox.h"
#include "translation/TextSpan.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// Quality checks of a translation field against its reference: what each check is called,
// the settings they run with, and the checks of one field. Pure logic: the document-wide run
// and its index live in DocumentChecks.

namespace scrivlet {

class GuardedRegex;
class MatchBudget;
class Speller;

// The check the command line calls name; none for a name it does not know.
std::optional<Check> CheckNamed(QStringView name);
// The check's name in the interface language.
QString CheckTitle(Check check);

// Spans of a text by built-in rules and by a project's own patterns (ECMAScript syntax), in
// order, not overlapping.
class SpanFinder {
public:
    SpanFinder();
    ~SpanFinder();
    // Adds a pattern; false, adding nothing, when it is invalid.
    bool AddPattern(const QString& pattern);
    bool HasPatterns() const { return !patterns_.empty(); }
    void Clear();

protected:
    // Adds the patterns' matches to *found (which holds the built-in spans, in order) and keeps
    // of overlapping spans the earlier, then the longer. Without budget no pattern runs.
    void AddMatches(QStringView text, MatchBudget* budget, std::vector<TextSpan>* found) const;

private:
    std::vector<std::unique_ptr<GuardedRegex>> patterns_;
};

// Placeholders of the printf (%d, %5.2f, %1$s; %% is none), Qt (%1..%99) and brace ({0},
// {name}) kinds, and those of the project's own patterns.
class PlaceholderFinder : public SpanFinder {
public:
    // Into *found, in order, not overlapping. budget: the matching thread's, needed only with
    // patterns (else may be null).
    void Find(QStringView text, MatchBudget* budget, std::vector<TextSpan>* found) const;
};

// Markup tags: <b>, </color>, <br/>, {/i}, {color=#f00}, {i} where a {/i} closes it in the
// text or in its counterpart (else {i} is a placeholder), and the project's own patterns.
class TagFinder : public SpanFinder {
public:
    // counterpart: the other text of the pair (the original of a translation and back).
    void Find(QStringView text, QStringView counterpart, MatchBudget* budget,
              std::vector<TextSpan>* found) const;
};

// A field of a format: the format's place in the catalogue and the text field's number.
struct FormatField {
    int format = -1;
    int field = 0;
    auto operator<=>(const FormatField&) const = default;
};
// "2:1"; nullopt for anything else.
std::optional<FormatField> FormatFieldNamed(QStringView name);
QString FormatFieldName(const FormatField& field);

// What a project (or the command line) sets beyond which checks run, as it is kept: its own
// placeholder and tag patterns, how many times longer or shorter than its original a
// translation may be, and the fields ("format:field") whose translation may start in lower
// case where the original does not.
struct CheckTuning {
    QStringList placeholders;
    QStringList tags;
    double lengthRatio = kDefaultLengthRatio;
    QStringList startCaseOff;
    bool operator==(const CheckTuning&) const = default;
};

struct CheckSettings {
    CheckMask enabled = static_cast<CheckMask>(kAllChecks & ~Bit(Check::Spelling));
    // The translation's language ("en", "de", "pl", "ru"), for the end punctuation; empty:
    // any of their forms counts.
    QString language;
    PlaceholderFinder placeholders;
    TagFinder tags;
    // A translation longer than this many times its original, or shorter than its part, is
    // reported (originals of kLengthRatioFrom characters or more).
    double lengthRatio = kDefaultLengthRatio;
    // Fields whose start case is not checked.
    std::set<FormatField> startCaseOff;
    std::vector<GlossaryTerm> glossary;
    // Only with Check::Spelling enabled; must outlive the run. A document's spelling runs in
    // the background with it and the placeholders: stop that run before changing either.
    const Speller* speller = nullptr;
    // Where storability is judged; by default the document's own encoding and file type.
    std::optional<TextStorage> storage;
    // The game's text boxes: of a format's text field, and of one file's (its path as the
    // project names it), which stands before its format's.
    std::map<FormatField, FittedBox> boxes;
    std::map<std::pair<QString, int>, FittedBox> fileBoxes;

    // Takes tuning's patterns (those that do not compile are left out), ratio and fields.
    void Tune(const CheckTuning& tuning);
    // Whether a run needs a MatchBudget.
    bool HasPatterns() const { return placeholders.HasPatterns() || tags.HasPatterns(); }
};

// A problem of one field, with what it found ("missing %s") in the interface language.
struct Problem {
    int record = 0;
    int field = 0;
    Check check = Check::TooLong;
    QString detail;
};

// The texts and settings one field is checked with.
struct FieldInput {
    QStringView text;
    QStringView reference;
    bool hasReference = false;
    int size = 0;  // the field's size in characters
    const FittedBox* box = nullptr;  // the game's box the text is drawn in, if known
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
    CheckMask Fits(const FieldInput& input, const TextStorage& storage, CheckMask on,
                   std::vector<Problem>* details) const;
    CheckMask FitsBox(const FieldInput& input, CheckMask on, std::vector<Problem>* details) const;
    CheckMask Compare(CheckMask on, const MarkedText& text, const MarkedText& reference,
                      std::vector<Problem>* details) const;
    // The shape checks of ShapeChecks.h.
    CheckMask Shape(CheckMask on, const MarkedText& text, const MarkedText& reference,
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
