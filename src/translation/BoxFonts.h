#pragma once

#include "base/Result.h"
#include "translation/TextBox.h"

#include <memory>

// Where a box's font comes from: a BMFont file read here, other kinds through a loader the
// program installs.

namespace scrivlet {

// Fonts of kinds the core does not read (TrueType and OpenType need Qt's text layout): the
// session gives the program its loader. Nullptr: only BMFont files load.
using FontLoader = Result (*)(const TextBox& box, std::shared_ptr<const TextMeasure>* measure);
void SetFontLoader(FontLoader loader);
// The measure of box's font: a BMFont text file (.fnt) here, other kinds by the loader set.
Result LoadBoxFont(const TextBox& box, std::shared_ptr<const TextMeasure>* measure);

}  // namespace scrivlet
