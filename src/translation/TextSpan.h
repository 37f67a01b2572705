#pragma once

#include <QtGlobal>

namespace scrivlet {

// A piece of a text (a placeholder, a word), in UTF-16 units.
struct TextSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype End() const { return start + length; }
};

}  // namespace scrivlet
