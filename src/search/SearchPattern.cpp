#include "search/SearchWalk.h"

#include <string_view>

namespace scrivlet {
namespace {

// Regular-expression characters a plain search takes literally. The backslash comes first
// so that the backslashes added for the others are not doubled.
constexpr char16_t kPlainEscapes[] = u"\\.[]?+*()|!$^";
constexpr QStringView kWordPrefix = u"(^|\\W)(";
constexpr QStringView kWordSuffix = u")(\\W|$)";

QString EscapeAll(QString text, QChar c)
{
    return text.replace(c, QString(u'\\') + c);
}

}  // namespace

QString BuildSearchPattern(const QString& text, quint32 flags)
{
    const bool regex = (flags & kSearchRegex) != 0;
    QString pattern = text;
    if (!regex) {
        for (char16_t c : std::u16string_view(kPlainEscapes))
            pattern = EscapeAll(pattern, QChar(c));
    }
    // Braces are escaped in both modes, so "a{2}" always finds the text "a{2}".
    pattern = EscapeAll(pattern, u'{');
    pattern = EscapeAll(pattern, u'}');
    if (!regex && (flags & kSearchWholeWord))
        pattern = kWordPrefix.toString() + pattern + kWordSuffix.toString();
    if (pattern.size() > kMaxPatternLength) {
        pattern.truncate(kMaxPatternLength);
        // Never keep half of a surrogate pair: it would search for a character nobody typed.
        if (pattern.back().isHighSurrogate())
            pattern.chop(1);
    }
    return pattern;
}

std::optional<QString> PlainSearchText(const QString& pattern, quint32 flags)
{
    if (flags & kSearchRegex)
        return std::nullopt;
    QStringView escaped = pattern;
    if (flags & kSearchWholeWord) {
        if (!escaped.startsWith(kWordPrefix) || !escaped.endsWith(kWordSuffix) ||
            escaped.size() < kWordPrefix.size() + kWordSuffix.size())
            return std::nullopt;
        escaped = escaped.mid(kWordPrefix.size(),
                              escaped.size() - kWordPrefix.size() - kWordSuffix.size());
    }
    QString text;
    text.reserve(escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == u'\\') {
            if (++i == escaped.size())
                return std::nullopt;
        }
        text += escaped[i];
    }
    // Only a pattern this program built means exactly its text.
    if (BuildSearchPattern(text, flags) != pattern)
        return std::nullopt;
    return text;
}

}  // namespace scrivlet
