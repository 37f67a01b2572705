#include "base/RepeatCounts.h"

#include <climits>

namespace scrivlet {

bool RepeatCountsFit(QStringView pattern)
{
    bool inClass = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\') {
            ++i;  // an escaped character is never syntax
            continue;
        }
        if (inClass) {
            inClass = c != u']';
            continue;
        }
        if (c == u'[') {
            inClass = true;
            // A ']' right after '[' or '[^' belongs to the class.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^')
                ++i;
            if (i + 1 < pattern.size() && pattern[i + 1] == u']')
                ++i;
            continue;
        }
        if (c != u'{')
            continue;
        // The digits after '{' and after the ',' that may follow them.
        for (qsizetype j = i + 1; j < pattern.size(); ++j) {
            qint64 value = 0;
            while (j < pattern.size() && pattern[j].isDigit() && pattern[j].unicode() < 128) {
                value = value * 10 + (pattern[j].unicode() - u'0');
                if (value > INT_MAX)
                    return false;
                ++j;
            }
            if (j >= pattern.size() || pattern[j] != u',')
                break;
        }
    }
    return true;
}

}  // namespace scrivlet
