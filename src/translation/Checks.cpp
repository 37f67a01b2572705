#include "translation/Checks.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"
#include "translation/Spelling.h"

#include <algorithm>
#include <unordered_map>

namespace scrivlet {
namespace {

const char* const kCheckNames[kCheckCount] = {
    "too_long",        "not_storable",  "untranslated",   "empty",       "placeholders",
    "numbers",         "leading_space", "trailing_space", "line_breaks", "double_space",
    "end_punctuation", "inconsistent",  "glossary",       "spelling"};

// The interface text "check.<name>.<what>".
QString CheckText(Check check, const char* what)
{
    const QByteArray key = QByteArray("check.").append(CheckName(check)).append('.').append(what);
    return UiText(key.constData());
}

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

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || (c.unicode() >= 0x300 && c.isMark());
}

// FNV-1a of the case-folded word, ASCII folded in place: the glossary asks it of every word
// of every reference text, most of which name no term.
size_t FoldedHash(QStringView word)
{
    size_t hash = 14695981039346656037ull;
    for (const QChar c : word) {
        char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            u += 32;
        else if (u >= 0x80)
            u = c.toCaseFolded().unicode();
        hash = (hash ^ u) * 1099511628211ull;
    }
    return hash;
}

// Whole words of text, as spans.
void SplitWords(QStringView text, std::vector<TextSpan>* words)
{
    words->clear();
    for (qsizetype i = 0; i < text.size();) {
        if (!IsWordChar(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && IsWordChar(text[i]))
            ++i;
        words->push_back({start, i - start});
    }
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

QStringList FoldedWords(const QString& text)
{
    std::vector<TextSpan> spans;
    const QString folded = text.toCaseFolded();
    SplitWords(folded, &spans);
    QStringList words;
    for (const TextSpan& s : spans)
        words << folded.mid(s.start, s.length);
    return words;
}

// The placeholder texts of marks, sorted, for a comparison as multisets.
void Sorted(QStringView text, const std::vector<TextSpan>& marks, std::vector<QStringView>* out)
{
    out->clear();
    for (const TextSpan& m : marks)
        out->push_back(text.mid(m.start, m.length));
    std::sort(out->begin(), out->end());
}

// What reference has and text lacks ("missing") and the other way ("extra"), as one detail.
QString Difference(Check check, const std::vector<QStringView>& reference,
                   const std::vector<QStringView>& text)
{
    QStringList missing, extra;
    size_t a = 0, b = 0;
    while (a < reference.size() || b < text.size()) {
        if (b == text.size() || (a < reference.size() && reference[a] < text[b]))
            missing << reference[a++].toString();
        else if (a == reference.size() || text[b] < reference[a])
            extra << text[b++].toString();
        else
            ++a, ++b;
    }
    QStringList parts;
    if (!missing.isEmpty())
        parts << CheckText(check, "missing").arg(missing.join(u' '));
    if (!extra.isEmpty())
        parts << CheckText(check, "extra").arg(extra.join(u' '));
    return parts.join(QStringLiteral(", "));
}

// Digit runs outside the placeholders.
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

const char* CheckName(Check check)
{
    return kCheckNames[static_cast<int>(check)];
}

std::optional<Check> CheckNamed(QStringView name)
{
    for (int i = 0; i < kCheckCount; ++i) {
        if (name == QLatin1StringView(kCheckNames[i]))
            return static_cast<Check>(i);
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

PlaceholderFinder::PlaceholderFinder() = default;
PlaceholderFinder::~PlaceholderFinder() = default;

void PlaceholderFinder::Clear()
{
    patterns_.clear();
}

bool PlaceholderFinder::AddPattern(const QString& pattern)
{
    auto regex = std::make_unique<GuardedRegex>();
    if (pattern.isEmpty() || !regex->Compile(pattern, true))
        return false;
    patterns_.push_back(std::move(regex));
    return true;
}

void PlaceholderFinder::Find(QStringView text, MatchBudget* budget,
                             std::vector<TextSpan>* found) const
{
    found->clear();
    FindBuiltIn(text, found);
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

GlossaryIndex::GlossaryIndex(const std::vector<GlossaryTerm>& terms)
{
    for (size_t i = 0; i < terms.size(); ++i) {
        Entry entry{FoldedWords(terms[i].source), {}, static_cast<int>(i)};
        for (const QString& target : terms[i].targets) {
            if (QStringList words = FoldedWords(target); !words.isEmpty())
                entry.targets.push_back(std::move(words));
        }
        if (entry.words.isEmpty() || entry.targets.empty())
            continue;
        byFirstWord_[FoldedHash(entry.words.front())].push_back(static_cast<int>(entries_.size()));
        entries_.push_back(std::move(entry));
    }
}

GlossaryIndex::~GlossaryIndex() = default;

// Whether the text's words from `at` on are the entry's source term.
static bool TermAt(QStringView text, const std::vector<TextSpan>& words, size_t at,
                   const QStringList& term)
{
    if (at + static_cast<size_t>(term.size()) > words.size())
        return false;
    for (qsizetype i = 0; i < term.size(); ++i) {
        const TextSpan& s = words[at + static_cast<size_t>(i)];
        if (text.mid(s.start, s.length).compare(term[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

void GlossaryIndex::Find(QStringView text, std::vector<const Entry*>* found) const
{
    found->clear();
    if (entries_.empty())
        return;
    thread_local std::vector<TextSpan> words;
    SplitWords(text, &words);
    for (size_t w = 0; w < words.size(); ++w) {
        const auto it = byFirstWord_.find(FoldedHash(text.mid(words[w].start, words[w].length)));
        if (it == byFirstWord_.end())
            continue;
        for (const int c : it->second) {
            const Entry& entry = entries_[static_cast<size_t>(c)];
            if (TermAt(text, words, w, entry.words))
                found->push_back(&entry);
        }
    }
}

std::vector<int> GlossaryIndex::TermsIn(QStringView text) const
{
    std::vector<const Entry*> matches;
    Find(text, &matches);
    std::vector<int> terms;
    for (const Entry* entry : matches) {
        if (std::find(terms.begin(), terms.end(), entry->term) == terms.end())
            terms.push_back(entry->term);
    }
    return terms;
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
    const bool reference = in.hasReference && !in.reference.isEmpty();
    if ((on & Bit(Check::DoubleSpace)) && text.contains(u"  ") &&
        !(in.hasReference && in.reference.contains(u"  "))) {
        found |= Bit(Check::DoubleSpace);
        Tell(details, Check::DoubleSpace,
             CheckText(Check::DoubleSpace, "detail").arg(text.indexOf(u"  ") + 1));
    }
    const bool untranslated = reference && text == in.reference;
    const bool compare = reference && !text.isEmpty() && !untranslated;
    thread_local std::vector<TextSpan> marks, referenceMarks;
    marks.clear();
    if (compare || (on & Bit(Check::Spelling)))
        settings_.placeholders.Find(text, budget, &marks);
    if (compare) {
        settings_.placeholders.Find(in.reference, budget, &referenceMarks);
        found |= Compare(in, on, marks, referenceMarks, details);
        if (on & Bit(Check::Glossary))
            found |= Glossary(in, details);
    } else if ((on & Bit(Check::Untranslated)) && untranslated) {
        found |= Bit(Check::Untranslated);
        Tell(details, Check::Untranslated, CheckText(Check::Untranslated, "detail"));
    } else if ((on & Bit(Check::Empty)) && reference && text.isEmpty()) {
        found |= Bit(Check::Empty);
        Tell(details, Check::Empty, CheckText(Check::Empty, "detail"));
    }
    // A copy of the original is spelled in the original's language: only its mark counts.
    if ((on & Bit(Check::Spelling)) && settings_.speller && !untranslated)
        found |= Spelling(text, marks, details);
    return found;
}

bool FieldChecker::Misspelled(QStringView text, MatchBudget* budget) const
{
    if (!(settings_.enabled & Bit(Check::Spelling)) || !settings_.speller)
        return false;
    thread_local std::vector<TextSpan> marks;
    marks.clear();
    settings_.placeholders.Find(text, budget, &marks);
    return Spelling(text, marks, nullptr) != 0;
}

CheckMask FieldChecker::Compare(const FieldInput& in, CheckMask on,
                                const std::vector<TextSpan>& textMarks,
                                const std::vector<TextSpan>& referenceMarks,
                                std::vector<Problem>* details) const
{
    const QStringView text = in.text, ref = in.reference;
    CheckMask found = 0;
    auto report = [&](Check check, bool problem, auto detail) {
        if (!(on & Bit(check)) || !problem)
            return;
        found |= Bit(check);
        if (details)
            Tell(details, check, detail());
    };
    // Reused from field to field: the whole-document run allocates nothing per field.
    thread_local std::vector<QStringView> wanted, given;
    if (on & Bit(Check::Placeholders)) {
        Sorted(ref, referenceMarks, &wanted);
        Sorted(text, textMarks, &given);
        report(Check::Placeholders, wanted != given,
               [&] { return Difference(Check::Placeholders, wanted, given); });
    }
    if (on & Bit(Check::Numbers)) {
        Numbers(ref, referenceMarks, &wanted);
        Numbers(text, textMarks, &given);
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
