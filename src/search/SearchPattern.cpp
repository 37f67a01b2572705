#include "SearchWalk.h"

#include <string_view>

namespace scrivlet {
namespace {

// Regular-expression characters a plain search takes literally. The backslash comes first
// so that the backslashes added for the others are not doubled.
constexpr char16_t kPlainEscapes[] = u"\\.[]?+*()|!$^";

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
        pattern = QStringLiteral("(^|\\W)(") + pattern + QStringLiteral(")(\\W|$)");
    if (pattern.size() > kMaxPatternLength) {
        pattern.truncate(kMaxPatternLength);
        // Never keep half of a surrogate pair: it would search for a character nobody typed.
        if (pattern.back().isHighSurrogate())
            pattern.chop(1);
    }
    return pattern;
}

}  // namespace scrivlet
