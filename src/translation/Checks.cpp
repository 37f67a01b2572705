#include "translation/Checks.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"
#include "translation/ShapeChecks.h"
#include "translation/Spelling.h"

#include <algorithm>
#include <cmath>

namespace scrivlet {
namespace {

void Tell(std::vector<Problem>* details, Check check, QString detail)
{
    if (details)
        details->push_back({0, 0, check, std::move(detail)});
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype SkipDigits(QStringView t, qsizetype i)
{
    while (i < t.size() && IsAsciiDigit(t[i]))
        ++i;
    return i;
}

bool OneOf(QChar c, QStringView set)
{
    return set.contains(c);
}

// The end of a printf conversion starting at t[i] == '%', or -1. No space or ' flag: "50% of"
// is prose, not "% o".
qsizetype PrintfEnd(QStringView t, qsizetype i)
{
    qsizetype j = i + 1;
    const qsizetype position = SkipDigits(t, j);
    if (position > j && position < t.size() && t[position] == u'$')
        j = position + 1;
    while (j < t.size() && OneOf(t[j], u"-+#0"))
        ++j;
    j = (j < t.size() && t[j] == u'*') ? j + 1 : SkipDigits(t, j);
    if (j < t.size() && t[j] == u'.') {
        ++j;
        j = (j < t.size() && t[j] == u'*') ? j + 1 : SkipDigits(t, j);
    }
    while (j < t.size() && OneOf(t[j], u"hlLqjzt"))
        ++j;
    return (j < t.size() && OneOf(t[j], u"diouxXeEfFgGaAcspn@")) ? j + 1 : -1;
}

// Qt's %1..%99 (and %L1), or -1.
qsizetype QtArgEnd(QStringView t, qsizetype i)
{
    qsizetype j = i + 1;
    if (j < t.size() && t[j] == u'L')
        ++j;
    if (j >= t.size() || !IsAsciiDigit(t[j]) || t[j] == u'0')
        return -1;
    return (j + 1 < t.size() && IsAsciiDigit(t[j + 1])) ? j + 2 : j + 1;
}

// {0}, {name}, {0:N2}, {count,5}, or -1.
qsizetype BraceEnd(QStringView t, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < t.size() && (t[j].isLetterOrNumber() || t[j] == u'_'))
        ++j;
    if (j == i + 1)
        return -1;
    if (j < t.size() && (t[j] == u':' || t[j] == u',')) {
        while (j < t.size() && t[j] != u'}' && t[j] != u'{')
            ++j;
    }
    return (j < t.size() && t[j] == u'}') ? j + 1 : -1;
}

// The built-in kinds; written by hand, as no library knows printf's grammar, and a regular
// expression per field would cost the whole-document run its speed.
void FindBuiltIn(QStringView t, std::vector<TextSpan>* out)
{
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'%') {
            if (i + 1 < t.size() && t[i + 1] == u'%') {
                ++i;
                continue;
            }
            qsizetype end = PrintfEnd(t, i);
            if (end < 0)
                end = QtArgEnd(t, i);
            if (end > 0) {
                out->push_back({i, end - i});
                i = end - 1;
            }
        } else if (c == u'{') {
            if (i + 1 < t.size() && t[i + 1] == u'{') {
                ++i;
                continue;
            }
            if (const qsizetype end = BraceEnd(t, i); end > 0) {
                out->push_back({i, end - i});
                i = end - 1;
            }
        }
    }
}

// Case-folded copy into a buffer reused across calls.
QStringView Folded(QStringView text, QString& buffer)
{
    buffer.resize(text.size());
    QChar* out = buffer.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        out[i] = u < 0x80 ? QChar(u >= u'A' && u <= u'Z' ? u + 32 : u) : text[i].toCaseFolded();
    }
    return buffer;
}

// Whether the words of text hold the target's words in a row, each as an inflection.
bool Contains(QStringView text, const std::vector<TextSpan>& words, const QStringList& target)
{
    const size_t n = static_cast<size_t>(target.size());
    for (size_t at = 0; at + n <= words.size(); ++at) {
        bool all = true;
        for (size_t i = 0; i < n && all; ++i) {
            const TextSpan& s = words[at + i];
            all = InflectionOf(text.mid(s.start, s.length), target[static_cast<qsizetype>(i)]);
        }
        if (all)
            return true;
    }
    return false;
}

// The placeholder texts of marks less the tags ({i} may be both), sorted, for a comparison as
// multisets.
void Sorted(QStringView text, const std::vector<TextSpan>& marks, const std::vector<TextSpan>& tags,
            std::vector<QStringView>* out)
{
    out->clear();
    size_t tag = 0;
    for (const TextSpan& m : marks) {
        while (tag < tags.size() && tags[tag].start < m.start)
            ++tag;
        if (tag == tags.size() || tags[tag].start != m.start || tags[tag].length != m.length)
            out->push_back(text.mid(m.start, m.length));
    }
    std::sort(out->begin(), out->end());
}

// Both kinds of codes as one sorted list.
void Merged(const std::vector<TextSpan>& a, const std::vector<TextSpan>& b,
            std::vector<TextSpan>* out)
{
    out->resize(a.size() + b.size());
    std::merge(a.begin(), a.end(), b.begin(), b.end(), out->begin(),
               [](const TextSpan& x, const TextSpan& y) { return x.start < y.start; });
}

// Digit runs outside the codes.
void Numbers(QStringView text, const std::vector<TextSpan>& marks, std::vector<QStringView>* out)
{
    out->clear();
    size_t next = 0;
    for (qsizetype i = 0; i < text.size();) {
        while (next < marks.size() && marks[next].End() <= i)
            ++next;
        if (next < marks.size() && marks[next].start <= i) {
            i = marks[next].End();
            continue;
        }
        if (!text[i].isDigit()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && text[i].isDigit())
            ++i;
        out->push_back(text.mid(start, i - start));
    }
    std::sort(out->begin(), out->end());
}

int LineBreaks(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++count;
    }
    return count;
}

enum EndKind : int { kPeriod = 1, kExclaim = 2, kQuestion = 4, kColon = 8, kEllipsis = 16 };

EndKind KindOf(QChar c)
{
    switch (c.unicode()) {
        case u'.':
        case u'。':
            return kPeriod;
        case u'!':
        case u'！':
            return kExclaim;
        case u'?':
        case u'？':
            return kQuestion;
        case u':':
        case u'：':
            return kColon;
        case u'…':
            return kEllipsis;
        default:
            return EndKind(0);
    }
}

// Closing quotes and brackets after the sentence's last mark: German closes with “ and ‘,
// Polish and Russian also with ” and », English with ” and ’.
QStringView WithoutClosers(QStringView text, QStringView language)
{
    QStringView closers = u")]\"'»«“”’‘›‹";
    if (language == u"en")
        closers = u")]\"'”’";
    else if (language == u"de")
        closers = u")]\"'“‘«»";
    else if (language == u"pl" || language == u"ru")
        closers = u")]\"'”»“’";
    while (!text.isEmpty() && (text.back().isSpace() || closers.contains(text.back())))
        text.chop(1);
    return text;
}

// The kinds the end of text counts as. As a reference (strict) only its own kind; as a
// translation also what stands in for it: an ellipsis ends in a period. "?!" is both marks,
// and "?.." or "!…" (Russian writes them so) a question or an exclamation trailing off.
int EndKinds(QStringView text, QStringView language, bool strict)
{
    text = WithoutClosers(text, language);
    if (text.isEmpty())
        return 0;
    int kinds = 0;
    if (text.endsWith(u"...")) {
        kinds = kEllipsis;
        text.chop(3);
    } else if (text.endsWith(u"..") && text.size() > 2 &&
               (KindOf(text[text.size() - 3]) & (kExclaim | kQuestion))) {
        kinds = kEllipsis;
        text.chop(2);
    } else {
        kinds = KindOf(text.back());
        text.chop(1);
    }
    if (kinds == kEllipsis && !strict)
        kinds |= kPeriod;
    const int before = text.isEmpty() ? 0 : KindOf(text.back()) & (kExclaim | kQuestion);
    if (before && (kinds & kEllipsis))
        kinds = strict ? before : kinds | before;
    else if (before && (kinds & (kExclaim | kQuestion)))
        kinds |= before;
    return kinds;
}

}  // namespace

std::optional<Check> CheckNamed(QStringView name)
{
    for (const CheckKind& kind : kCheckKinds) {
        if (name == QLatin1StringView(kind.name))
            return kind.check;
    }
    return std::nullopt;
}

QString CheckTitle(Check check)
{
    return CheckText(check, "title");
}

bool EndPunctuationMatches(QStringView reference, QStringView text, QStringView language)
{
    const int wanted = EndKinds(reference, language, true);
    return wanted == 0 || (EndKinds(text, language, false) & wanted) != 0;
}

bool InflectionOf(QStringView word, QStringView target)
{
    if (target.size() < 4)
        return word == target;
    return word.startsWith(target.first(std::max<qsizetype>(4, target.size() - 2)));
}

SpanFinder::SpanFinder() = default;
SpanFinder::~SpanFinder() = default;

void SpanFinder::Clear()
{
    patterns_.clear();
}

bool SpanFinder::AddPattern(const QString& pattern)
{
    auto regex = std::make_unique<GuardedRegex>();
    if (pattern.isEmpty() || !regex->Compile(pattern, true))
        return false;
    patterns_.push_back(std::move(regex));
    return true;
}

void SpanFinder::AddMatches(QStringView text, MatchBudget* budget,
                            std::vector<TextSpan>* found) const
{
    if (patterns_.empty() || !budget)
        return;
    for (const auto& regex : patterns_) {
        MatchSpan span;
        for (int from = 0; from <= text.size(); from = std::max(span.end, span.start + 1)) {
            if (regex->Search(text, from, *budget, &span) != MatchResult::Found)
                break;
            if (span.end > span.start)
                found->push_back({span.start, span.end - span.start});
        }
    }
    // The project's codes may overlap the built-in kinds: the earlier, then the longer wins.
    std::sort(found->begin(), found->end(), [](const TextSpan& a, const TextSpan& b) {
        return a.start != b.start ? a.start < b.start : a.length > b.length;
    });
    size_t kept = 0;
    for (const TextSpan& span : *found) {
        if (kept == 0 || span.start >= (*found)[kept - 1].End())
            (*found)[kept++] = span;
    }
    found->resize(kept);
}

void PlaceholderFinder::Find(QStringView text, MatchBudget* budget,
                             std::vector<TextSpan>* found) const
{
    found->clear();
    FindBuiltIn(text, found);
    AddMatches(text, budget, found);
}

void TagFinder::Find(QStringView text, QStringView counterpart, MatchBudget* budget,
                     std::vector<TextSpan>* found) const
{
    found->clear();
    FindBuiltInTags(text, counterpart, found);
    AddMatches(text, budget, found);
}

std::optional<FormatField> FormatFieldNamed(QStringView name)
{
    const qsizetype colon = name.indexOf(u':');
    bool formatOk = false, fieldOk = false;
    const FormatField field{name.left(colon).toInt(&formatOk), name.mid(colon + 1).toInt(&fieldOk)};
    if (colon < 0 || !formatOk || !fieldOk || field.format < 0 || field.field < 0)
        return std::nullopt;
    return field;
}

QString FormatFieldName(const FormatField& field)
{
    return QStringLiteral("%1:%2").arg(field.format).arg(field.field);
}

void CheckSettings::Tune(const CheckTuning& tuning)
{
    placeholders.Clear();
    for (const QString& pattern : tuning.placeholders)
        placeholders.AddPattern(pattern);
    tags.Clear();
    for (const QString& pattern : tuning.tags)
        tags.AddPattern(pattern);
    lengthRatio = tuning.lengthRatio > 1 ? tuning.lengthRatio : kDefaultLengthRatio;
    startCaseOff.clear();
    for (const QString& name : tuning.startCaseOff) {
        if (const std::optional<FormatField> field = FormatFieldNamed(name))
            startCaseOff.insert(*field);
    }
}

FieldChecker::FieldChecker(const CheckSettings& settings)
    : settings_(settings), glossary_(std::make_unique<GlossaryIndex>(settings.glossary))
{
}

FieldChecker::~FieldChecker() = default;

void FieldChecker::Reindex()
{
    glossary_ = std::make_unique<GlossaryIndex>(settings_.glossary);
}

CheckMask FieldChecker::Run(const FieldInput& in, const TextStorage& storage, MatchBudget* budget,
                            std::vector<Problem>* details, CheckMask only) const
{
    const CheckMask on = settings_.enabled & only;
    CheckMask found = Fits(in, storage, on, details);
    const QStringView text = in.text;
    const bool reference = in.hasReference && !in.reference.isEmpty();
    if ((on & Bit(Check::DoubleSpace)) && text.contains(u"  ") &&
        !(in.hasReference && in.reference.contains(u"  "))) {
        found |= Bit(Check::DoubleSpace);
        Tell(details, Check::DoubleSpace,
             CheckText(Check::DoubleSpace, "detail").arg(text.indexOf(u"  ") + 1));
    }
    const bool untranslated = reference && text == in.reference;
    const bool compare = reference && !text.isEmpty() && !untranslated;
    const bool alone = !reference && (on & Bit(Check::RepeatedWord)) && !text.isEmpty();
    // Reused from field to field: the whole-document run allocates nothing per field.
    thread_local std::vector<TextSpan> marks, tags, codes, referenceMarks, referenceTags,
        referenceCodes;
    marks.clear(), tags.clear(), codes.clear();
    if (compare || alone || (on & Bit(Check::Spelling))) {
        settings_.placeholders.Find(text, budget, &marks);
        settings_.tags.Find(text, in.reference, budget, &tags);
        Merged(marks, tags, &codes);
    }
    const MarkedText marked{text, marks, tags, codes};
    if (compare) {
        settings_.placeholders.Find(in.reference, budget, &referenceMarks);
        settings_.tags.Find(in.reference, text, budget, &referenceTags);
        Merged(referenceMarks, referenceTags, &referenceCodes);
        const MarkedText markedReference{in.reference, referenceMarks, referenceTags,
                                         referenceCodes};
        found |= Compare(on, marked, markedReference, details);
        found |= Shape(on, marked, markedReference, details);
        if (on & Bit(Check::Glossary))
            found |= Glossary(in, details);
    } else if ((on & Bit(Check::Untranslated)) && untranslated) {
        found |= Bit(Check::Untranslated);
        if (details)
            Tell(details, Check::Untranslated, CheckText(Check::Untranslated, "detail"));
    } else if ((on & Bit(Check::Empty)) && reference && text.isEmpty()) {
        found |= Bit(Check::Empty);
        if (details)
            Tell(details, Check::Empty, CheckText(Check::Empty, "detail"));
    } else if (alone) {
        QString detail;
        if (RepeatsWord(marked, nullptr, details ? &detail : nullptr)) {
            found |= Bit(Check::RepeatedWord);
            Tell(details, Check::RepeatedWord, std::move(detail));
        }
    }
    // A copy of the original is spelled in the original's language: only its mark counts.
    if ((on & Bit(Check::Spelling)) && settings_.speller && !untranslated)
        found |= Spelling(text, codes, details);
    return found;
}

CheckMask FieldChecker::Fits(const FieldInput& in, const TextStorage& storage, CheckMask on,
                             std::vector<Problem>* details) const
{
    CheckMask found = 0;
    const QStringView text = in.text;
    if ((on & Bit(Check::TooLong)) && text.size() > in.size) {
        found |= Bit(Check::TooLong);
        Tell(details, Check::TooLong,
             CheckText(Check::TooLong, "detail").arg(text.size()).arg(in.size));
    }
    if ((on & Bit(Check::NotStorable)) && !text.isEmpty() && !CanStore(text, storage)) {
        found |= Bit(Check::NotStorable);
        if (details) {
            QString characters;
            for (const QChar c : text) {
                if (!CanStore(QStringView(&c, 1), storage) && !characters.contains(c))
                    characters += c;
            }
            Tell(details, Check::NotStorable,
                 CheckText(Check::NotStorable, "detail").arg(characters));
        }
    }
    if (in.box && in.box->measure && !text.isEmpty())
        found |= FitsBox(in, on, details);
    return found;
}

CheckMask FieldChecker::FitsBox(const FieldInput& in, CheckMask on,
                                std::vector<Problem>* details) const
{
    CheckMask found = 0;
    const TextBox& box = in.box->box;
    const TextMeasure& measure = *in.box->measure;
    if (on & Bit(Check::TooWide)) {
        const BoxFit fit = FitText(in.text, measure, box);
        if (fit.Overflows(box)) {
            found |= Bit(Check::TooWide);
            if (details) {
                QStringList said;
                if (fit.widest > box.width + BoxFit::kSlack)
                    said << CheckText(Check::TooWide, "word")
                                .arg(std::ceil(fit.widest - BoxFit::kSlack))
                                .arg(box.width);
                if (fit.lines > box.lines)
                    said << CheckText(Check::TooWide, "lines").arg(fit.lines).arg(box.lines);
                Tell(details, Check::TooWide, said.join(QStringLiteral("; ")));
            }
        }
    }
    if ((on & Bit(Check::MissingGlyph)) && LacksGlyphs(in.text, measure)) {
        found |= Bit(Check::MissingGlyph);
        if (details)
            Tell(details, Check::MissingGlyph,
                 CheckText(Check::MissingGlyph, "detail").arg(MissingGlyphs(in.text, measure)));
    }
    return found;
}

bool FieldChecker::Misspelled(QStringView text, MatchBudget* budget) const
{
    if (!(settings_.enabled & Bit(Check::Spelling)) || !settings_.speller)
        return false;
    thread_local std::vector<TextSpan> marks, tags, codes;
    settings_.placeholders.Find(text, budget, &marks);
    settings_.tags.Find(text, {}, budget, &tags);
    Merged(marks, tags, &codes);
    return Spelling(text, codes, nullptr) != 0;
}

CheckMask FieldChecker::Compare(CheckMask on, const MarkedText& marked, const MarkedText& reference,
                                std::vector<Problem>* details) const
{
    const QStringView text = marked.text, ref = reference.text;
    CheckMask found = 0;
    auto report = [&](Check check, bool problem, auto detail) {
        if (!(on & Bit(check)) || !problem)
            return;
        found |= Bit(check);
        if (details)
            Tell(details, check, detail());
    };
    thread_local std::vector<QStringView> wanted, given;
    if (on & Bit(Check::Placeholders)) {
        Sorted(ref, reference.placeholders, reference.tags, &wanted);
        Sorted(text, marked.placeholders, marked.tags, &given);
        report(Check::Placeholders, wanted != given,
               [&] { return Difference(Check::Placeholders, wanted, given); });
    }
    if (on & Bit(Check::Numbers)) {
        Numbers(ref, reference.codes, &wanted);
        Numbers(text, marked.codes, &given);
        report(Check::Numbers, wanted != given,
               [&] { return Difference(Check::Numbers, wanted, given); });
    }
    const bool refLeads = ref.front().isSpace(), leads = text.front().isSpace();
    report(Check::LeadingSpace, refLeads != leads,
           [&] { return CheckText(Check::LeadingSpace, refLeads ? "missing" : "extra"); });
    const bool refTrails = ref.back().isSpace(), trails = text.back().isSpace();
    report(Check::TrailingSpace, refTrails != trails,
           [&] { return CheckText(Check::TrailingSpace, refTrails ? "missing" : "extra"); });
    if (on & Bit(Check::LineBreaks)) {
        const int wanted = LineBreaks(ref), given = LineBreaks(text);
        report(Check::LineBreaks, wanted != given,
               [&] { return CheckText(Check::LineBreaks, "detail").arg(given).arg(wanted); });
    }
    if (on & Bit(Check::EndPunctuation)) {
        report(Check::EndPunctuation, !EndPunctuationMatches(ref, text, settings_.language), [&] {
            const QStringView end = WithoutClosers(ref, u"");
            return CheckText(Check::EndPunctuation, "detail")
                .arg(end.right(end.endsWith(u"...") ? 3 : 1).toString());
        });
    }
    return found;
}

CheckMask FieldChecker::Shape(CheckMask on, const MarkedText& marked, const MarkedText& reference,
                              std::vector<Problem>* details) const
{
    CheckMask found = 0;
    auto judge = [&](Check check, auto differs) {
        QString detail;
        if (!(on & Bit(check)) || !differs(details ? &detail : nullptr))
            return;
        found |= Bit(check);
        Tell(details, check, std::move(detail));
    };
    judge(Check::Tags, [&](QString* d) { return TagsDiffer(marked, reference, d); });
    judge(Check::Brackets, [&](QString* d) { return BracketsDiffer(marked, reference, d); });
    judge(Check::RepeatedWord, [&](QString* d) { return RepeatsWord(marked, &reference, d); });
    judge(Check::StartCase, [&](QString* d) { return StartsLowerCase(marked, reference, d); });
    judge(Check::LengthRatio, [&](QString* d) {
        return LengthOutOfRatio(marked.text, reference.text, settings_.lengthRatio, d);
    });
    return found;
}

CheckMask FieldChecker::Glossary(const FieldInput& in, std::vector<Problem>* details) const
{
    thread_local QString textBuffer;
    thread_local std::vector<TextSpan> textWords;
    thread_local std::vector<const GlossaryIndex::Entry*> matches;
    glossary_->Find(in.reference, &matches);
    if (matches.empty())
        return 0;
    const QStringView text = Folded(in.text, textBuffer);
    SplitWords(text, &textWords);
    CheckMask found = 0;
    for (const GlossaryIndex::Entry* entry : matches) {
        if (std::any_of(entry->targets.begin(), entry->targets.end(),
                        [&](const QStringList& t) { return Contains(text, textWords, t); }))
            continue;
        found |= Bit(Check::Glossary);
        const GlossaryTerm& term = settings_.glossary[static_cast<size_t>(entry->term)];
        Tell(details, Check::Glossary,
             CheckText(Check::Glossary, "detail")
                 .arg(term.source, term.targets.join(QStringLiteral(" / "))));
        if (!details)
            return found;
    }
    return found;
}

CheckMask FieldChecker::Spelling(QStringView text, const std::vector<TextSpan>& marks,
                                 std::vector<Problem>* details) const
{
    CheckMask found = 0;
    QStringList unknown;
    for (const TextSpan& w : SpellingWords(text, marks)) {
        const QStringView word = text.mid(w.start, w.length);
        if (settings_.speller->Knows(word))
            continue;
        found = Bit(Check::Spelling);
        if (!details)
            return found;
        unknown << word.toString();
    }
    if (found)
        Tell(details, Check::Spelling,
             CheckText(Check::Spelling, "detail").arg(unknown.join(u' ')));
    return found;
}

}  // namespace scrivlet
