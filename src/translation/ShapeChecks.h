#pragma once

#include "translation/CheckKinds.h"
#include "translation/TextSpan.h"

#include <QString>
#include <QStringView>

#include <vector>

// The checks of a translation's shape against its original: its markup tags, brackets and
// quotes, a word written twice, the case it starts in, and its length. Each judges the texts
// with the codes found in them, and words what it found only when asked (detail not null).

namespace scrivlet {

// A translation this many times as long as its original, or this part of it, is reported by
// default; shorter originals are left alone.
constexpr double kDefaultLengthRatio = 3.0;
constexpr int kLengthRatioFrom = 10;

// A text with its codes: the placeholders (which may include tags), the tags, and both
// together, sorted by start: what is no prose.
struct MarkedText {
    QStringView text;
    const std::vector<TextSpan>& placeholders;
    const std::vector<TextSpan>& tags;
    const std::vector<TextSpan>& codes;
};

// The built-in tags of text into *found, in order (TagFinder).
void FindBuiltInTags(QStringView text, QStringView counterpart, std::vector<TextSpan>* found);

// The reference's tags missing from the text or added to it, or the text's tags no longer
// nesting where the reference's do ("missing </b>", "tags do not nest at </b>").
bool TagsDiffer(const MarkedText& text, const MarkedText& reference, QString* detail);
// Brackets and double quotes outside the codes: one of ( ) [ ] { } or the quotes counted
// otherwise than in the reference ("( 2 vs 1"), or not pairing where the reference's pair.
// Quotes count as one kind whatever their form: «», „“ and “” stand for "".
bool BracketsDiffer(const MarkedText& text, const MarkedText& reference, QString* detail);
// A word written twice in a row, any case ("the the"), unless the reference (null for none)
// has one too.
bool RepeatsWord(const MarkedText& text, const MarkedText* reference, QString* detail);
// The reference starts with an upper-case letter and the text with a lower-case one; tags
// before the first letter are passed over, a placeholder or a digit there asks for nothing.
bool StartsLowerCase(const MarkedText& text, const MarkedText& reference, QString* detail);
// The text more than ratio times as long as a reference of kLengthRatioFrom characters or
// more, or less than its 1/ratio.
bool LengthOutOfRatio(QStringView text, QStringView reference, double ratio, QString* detail);

// Shared with the other checks: the interface text "check.<name>.<what>", and what reference
// has and text lacks ("missing") and the other way ("extra"), both sorted, as one detail.
QString CheckText(Check check, const char* what);
QString Difference(Check check, const std::vector<QStringView>& reference,
                   const std::vector<QStringView>& text);

}  // namespace scrivlet
