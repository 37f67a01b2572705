#pragma once

#include <QStringView>

// Boost.Xpressive reads the counts of a repeat such as "a{5,9}" into an int without a bound:
// a count beyond INT_MAX overflows inside the library. Patterns from a catalogue or a search
// are checked here first and refused as invalid.

namespace scrivlet {

// False when a repeat count outside a character class exceeds INT_MAX.
bool RepeatCountsFit(QStringView pattern);

}  // namespace scrivlet
