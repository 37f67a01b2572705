#include "translation/ShapeChecks.h"

#include "base/UiText.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace scrivlet {
namespace {

// Attributes of a tag end within this many characters: "<" in prose is no tag.
constexpr qsizetype kMaxTagLength = 256;

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':';
}

qsizetype NameEnd(QStringView t, qsizetype i)
{
    while (i < t.size() && IsNameChar(t[i]))
        ++i;
    return i;
}

// The end of <name ...>, </name> or <name/> starting at t[i] == '<', or -1.
qsizetype AngleTagEnd(QStringView t, qsizetype i)
{
    qsizetype j = i + 1;
    if (j < t.size() && t[j] == u'/')
        ++j;
    if (j >= t.size() || !t[j].isLetter())
        return -1;
    for (j = NameEnd(t, j); j < t.size() && j - i < kMaxTagLength; ++j) {
        if (t[j] == u'>')
            return j + 1;
        if (t[j] == u'<' || t[j] == u'\n')
            return -1;
    }
    return -1;
}

// Whether "{/name}" stands in where.
bool ClosesBrace(QStringView where, QStringView name)
{
    for (qsizetype at = where.indexOf(u"{/"); at >= 0; at = where.indexOf(u"{/", at + 2)) {
        const qsizetype end = at + 2 + name.size();
        if (end < where.size() && where[end] == u'}' && where.mid(at + 2, name.size()) == name)
            return true;
    }
    return false;
}

// The end of {/name}, {name=value}, or {name} that a {/name} closes, starting at t[i] == '{';
// or -1.
qsizetype BraceTagEnd(QStringView t, qsizetype i, QStringView counterpart)
{
    qsizetype j = i + 1;
    const bool closing = j < t.size() && t[j] == u'/';
    j += closing ? 1 : 0;
    if (j >= t.size() || !t[j].isLetter())
        return -1;
    const qsizetype nameEnd = NameEnd(t, j);
    if (nameEnd >= t.size())
        return -1;
    if (t[nameEnd] == u'}') {
        const QStringView name = t.mid(j, nameEnd - j);
        return closing || ClosesBrace(t.mid(nameEnd), name) || ClosesBrace(counterpart, name)
                   ? nameEnd + 1
                   : -1;
    }
    if (closing || t[nameEnd] != u'=')
        return -1;
    for (qsizetype k = nameEnd + 1; k < t.size() && k - i < kMaxTagLength; ++k) {
        if (t[k] == u'}')
            return k + 1;
        if (t[k] == u'{')
            return -1;
    }
    return -1;
}

// A tag's name and whether it opens, closes or stands alone ("<br/>"): the first character
// is its bracket, "/" after it closes, "/" before the last one stands alone.
struct TagShape {
    QStringView name;
    bool closing = false;
    bool alone = false;
};

TagShape ShapeOf(QStringView tag)
{
    TagShape shape;
    shape.closing = tag.size() > 1 && tag[1] == u'/';
    const qsizetype start = shape.closing ? 2 : 1;
    shape.name = tag.mid(start, NameEnd(tag, start) - start);
    shape.alone = !shape.closing && tag.size() > 2 && tag[tag.size() - 2] == u'/';
    return shape;
}

QStringView SpanText(QStringView text, const TextSpan& span)
{
    return text.mid(span.start, span.length);
}

// Where the tags of text stop nesting: the first closing tag of no open one, or the first tag
// left open; -1 when they nest. Only names that some tag of text closes take part (<br> and
// the like close nowhere).
qsizetype Unnested(QStringView text, const std::vector<TextSpan>& tags)
{
    std::vector<std::pair<QStringView, size_t>> open;
    auto closed = [&](QStringView name) {
        return std::any_of(tags.begin(), tags.end(), [&](const TextSpan& t) {
            const TagShape s = ShapeOf(SpanText(text, t));
            return s.closing && s.name == name;
        });
    };
    for (size_t i = 0; i < tags.size(); ++i) {
        const TagShape s = ShapeOf(SpanText(text, tags[i]));
        if (s.name.isEmpty() || s.alone)
            continue;
        if (!s.closing) {
            if (closed(s.name))
                open.emplace_back(s.name, i);
        } else if (open.empty() || open.back().first != s.name) {
            return static_cast<qsizetype>(i);
        } else {
            open.pop_back();
        }
    }
    return open.empty() ? -1 : static_cast<qsizetype>(open.front().second);
}

void SortedTexts(QStringView text, const std::vector<TextSpan>& spans,
                 std::vector<QStringView>* out)
{
    out->clear();
    for (const TextSpan& span : spans)
        out->push_back(SpanText(text, span));
    std::sort(out->begin(), out->end());
}

// Calls each(from, to) for every stretch of text between the codes.
template <typename Each>
void ForProse(const MarkedText& m, Each each)
{
    qsizetype from = 0;
    for (const TextSpan& code : m.codes) {
        if (code.start > from)
            each(from, code.start);
        from = std::max(from, code.End());
    }
    if (from < m.text.size())
        each(from, m.text.size());
}

// ( ) [ ] { } and the double quotes, in this order.
constexpr int kBracketKinds = 7;
constexpr char16_t kBrackets[] = u"()[]{}\"";

int BracketKind(char16_t c)
{
    switch (c) {
        case u'(': return 0;
        case u')': return 1;
        case u'[': return 2;
        case u']': return 3;
        case u'{': return 4;
        case u'}': return 5;
        case u'"':
        case u'«':
        case u'»':
        case u'„':
        case u'“':
        case u'”':
            return 6;
        default:
            return -1;
    }
}

// The kind of each ASCII character, kBracketKinds for none: counted without a branch, as
// most characters of most texts are none.
constexpr std::array<std::uint8_t, 128> kAsciiBrackets = [] {
    std::array<std::uint8_t, 128> kinds{};
    kinds.fill(kBracketKinds);
    for (int kind = 0; kind < kBracketKinds; ++kind)
        kinds[static_cast<size_t>(kBrackets[kind])] = static_cast<std::uint8_t>(kind);
    return kinds;
}();

inline int BracketKindOf(char16_t c)
{
    if (c < 0x80)
        return kAsciiBrackets[c];
    const int kind = BracketKind(c);
    return kind < 0 ? kBracketKinds : kind;
}

using BracketCounts = std::array<int, kBracketKinds>;

BracketCounts CountBrackets(const MarkedText& m)
{
    std::array<int, kBracketKinds + 1> counts{};  // the last for none
    const char16_t* t = m.text.utf16();
    ForProse(m, [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i)
            ++counts[static_cast<size_t>(BracketKindOf(t[i]))];
    });
    BracketCounts brackets;
    std::copy_n(counts.begin(), kBracketKinds, brackets.begin());
    return brackets;
}

// The first bracket that does not pair (or the quote, when their number is odd); none when
// all pair.
QChar UnpairedBracket(const MarkedText& m, const BracketCounts& counts)
{
    std::vector<int> open;
    QChar unpaired;
    const char16_t* t = m.text.utf16();
    ForProse(m, [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to && unpaired.isNull(); ++i) {
            const int kind = BracketKindOf(t[i]);
            if (kind >= 6)
                continue;
            if (kind % 2 == 0)
                open.push_back(kind);
            else if (open.empty() || open.back() != kind - 1)
                unpaired = kBrackets[kind];
            else
                open.pop_back();
        }
    });
    if (unpaired.isNull() && !open.empty())
        unpaired = kBrackets[open.front()];
    if (unpaired.isNull() && counts[6] % 2 != 0)
        unpaired = kBrackets[6];
    return unpaired;
}

enum CharClass { kOther, kSpace, kLetter, kDigit };

constexpr std::array<std::uint8_t, 128> kAsciiClasses = [] {
    std::array<std::uint8_t, 128> classes{};
    for (int c = 0; c < 128; ++c) {
        const int lower = c | 0x20;
        classes[static_cast<size_t>(c)] = lower >= 'a' && lower <= 'z' ? kLetter
                                          : c >= '0' && c <= '9'       ? kDigit
                                          : c == ' ' || (c >= '\t' && c <= '\r') ? kSpace
                                                                                 : kOther;
    }
    return classes;
}();

// Letters and combining marks are kLetter.
inline CharClass ClassOf(char16_t c)
{
    if (c < 0x80)
        return static_cast<CharClass>(kAsciiClasses[c]);
    const QChar q(c);
    if (q.isLetter() || q.isMark())
        return kLetter;
    return q.isNumber() ? kDigit : q.isSpace() ? kSpace : kOther;
}

// The first two words in a row that are one word twice, any case, with only white space
// between them and no code.
bool FindRepeat(const MarkedText& m, TextSpan* first, TextSpan* second)
{
    const char16_t* t = m.text.utf16();
    bool found = false;
    ForProse(m, [&](qsizetype from, qsizetype to) {
        TextSpan previous{-1, 0};
        bool spaceOnly = false;
        for (qsizetype i = from; i < to && !found;) {
            CharClass c = ClassOf(t[i]);
            if (c == kOther || c == kSpace) {
                spaceOnly = spaceOnly && c == kSpace;
                ++i;
                continue;
            }
            const qsizetype start = i;
            bool letter = false;
            for (; i < to && (c = ClassOf(t[i])) >= kLetter; ++i)
                letter = letter || c == kLetter;
            const TextSpan word{start, i - start};
            if (letter && previous.start >= 0 && spaceOnly && previous.length == word.length &&
                ((t[start] | 0x20) == (t[previous.start] | 0x20) || t[start] >= 0x80) &&
                SpanText(m.text, previous).compare(SpanText(m.text, word), Qt::CaseInsensitive) ==
                    0) {
                *first = previous, *second = word;
                found = true;
            }
            previous = letter ? word : TextSpan{-1, 0};
            spaceOnly = true;
        }
    });
    return found;
}

// The first letter of text past its tags and punctuation; none where a placeholder or a
// digit comes first.
QChar FirstLetter(const MarkedText& m)
{
    size_t tag = 0, mark = 0;
    for (qsizetype i = 0; i < m.text.size(); ++i) {
        while (tag < m.tags.size() && m.tags[tag].End() <= i)
            ++tag;
        if (tag < m.tags.size() && m.tags[tag].start <= i) {
            i = m.tags[tag].End() - 1;
            continue;
        }
        while (mark < m.placeholders.size() && m.placeholders[mark].End() <= i)
            ++mark;
        if (mark < m.placeholders.size() && m.placeholders[mark].start <= i)
            return {};
        if (m.text[i].isLetter())
            return m.text[i];
        if (m.text[i].isDigit())
            return {};
    }
    return {};
}

QString Number(double value)
{
    return QLocale(LanguageCode(CurrentUiLanguage())).toString(value, 'f', 1);
}

}  // namespace

QString CheckText(Check check, const char* what)
{
    const QByteArray key = QByteArray("check.").append(CheckName(check)).append('.').append(what);
    return UiText(key.constData());
}

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

void FindBuiltInTags(QStringView text, QStringView counterpart, std::vector<TextSpan>* found)
{
    // From one '<' or '{' to the next: a search for a character is faster than a look at
    // each, and most texts have neither.
    qsizetype angle = text.indexOf(u'<'), brace = text.indexOf(u'{');
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (angle >= 0 && angle < i)
            angle = text.indexOf(u'<', i);
        if (brace >= 0 && brace < i)
            brace = text.indexOf(u'{', i);
        if (angle < 0 && brace < 0)
            return;
        i = angle < 0 ? brace : brace < 0 ? angle : std::min(angle, brace);
        qsizetype end = -1;
        if (text[i] == u'<') {
            end = AngleTagEnd(text, i);
        } else {
            // "{{" is a brace written out.
            if (i + 1 < text.size() && text[i + 1] == u'{') {
                ++i;
                continue;
            }
            end = BraceTagEnd(text, i, counterpart);
        }
        if (end > 0) {
            found->push_back({i, end - i});
            i = end - 1;
        }
    }
}

bool TagsDiffer(const MarkedText& text, const MarkedText& reference, QString* detail)
{
    if (text.tags.empty() && reference.tags.empty())
        return false;
    thread_local std::vector<QStringView> wanted, given;
    SortedTexts(reference.text, reference.tags, &wanted);
    SortedTexts(text.text, text.tags, &given);
    if (wanted != given) {
        if (detail)
            *detail = Difference(Check::Tags, wanted, given);
        return true;
    }
    if (Unnested(reference.text, reference.tags) >= 0)
        return false;
    const qsizetype at = Unnested(text.text, text.tags);
    if (at >= 0 && detail)
        *detail = CheckText(Check::Tags, "unnested")
                      .arg(SpanText(text.text, text.tags[static_cast<size_t>(at)]).toString());
    return at >= 0;
}

bool BracketsDiffer(const MarkedText& text, const MarkedText& reference, QString* detail)
{
    const BracketCounts given = CountBrackets(text), wanted = CountBrackets(reference);
    if (given != wanted) {
        if (detail) {
            QStringList parts;
            for (size_t k = 0; k < given.size(); ++k) {
                if (given[k] != wanted[k])
                    parts << CheckText(Check::Brackets, "count")
                                 .arg(QChar(kBrackets[k]))
                                 .arg(given[k])
                                 .arg(wanted[k]);
            }
            *detail = parts.join(QStringLiteral(", "));
        }
        return true;
    }
    if (given == BracketCounts{} || !UnpairedBracket(reference, wanted).isNull())
        return false;
    const QChar unpaired = UnpairedBracket(text, given);
    if (!unpaired.isNull() && detail)
        *detail = CheckText(Check::Brackets, "unpaired").arg(unpaired);
    return !unpaired.isNull();
}

bool RepeatsWord(const MarkedText& text, const MarkedText* reference, QString* detail)
{
    TextSpan first, second;
    if (!FindRepeat(text, &first, &second))
        return false;
    TextSpan a, b;
    if (reference && FindRepeat(*reference, &a, &b))
        return false;
    if (detail)
        *detail = CheckText(Check::RepeatedWord, "detail")
                      .arg(SpanText(text.text, first).toString() + u' ' +
                           SpanText(text.text, second).toString());
    return true;
}

bool StartsLowerCase(const MarkedText& text, const MarkedText& reference, QString* detail)
{
    const QChar wanted = FirstLetter(reference);
    if (!(wanted.isUpper() || wanted.isTitleCase()))
        return false;
    const QChar given = FirstLetter(text);
    if (!given.isLower())
        return false;
    if (detail)
        *detail = CheckText(Check::StartCase, "detail").arg(wanted).arg(given);
    return true;
}

bool LengthOutOfRatio(QStringView text, QStringView reference, double ratio, QString* detail)
{
    const double given = static_cast<double>(text.size());
    const double wanted = static_cast<double>(reference.size());
    if (reference.size() < kLengthRatioFrom || (given <= ratio * wanted && given * ratio >= wanted))
        return false;
    if (detail)
        *detail = given > wanted
                      ? CheckText(Check::LengthRatio, "longer").arg(Number(given / wanted))
                      : CheckText(Check::LengthRatio, "shorter")
                            .arg(static_cast<int>(std::lround(100 * given / wanted)));
    return true;
}

}  // namespace scrivlet
