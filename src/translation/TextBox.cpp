#include "translation/TextBox.h"

#include <algorithm>

namespace scrivlet {
namespace {

// Where lines may break at spaces: the ordinary and the ideographic space and the tab; a
// no-break space holds its words together.
bool BreaksAt(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

// The end of the unit starting at i that a line may not break inside: a word, or where lines
// break anywhere a character with the marks that follow it.
qsizetype UnitEnd(QStringView p, qsizetype i, BoxBreak breaks)
{
    if (breaks == BoxBreak::Spaces) {
        while (i < p.size() && !BreaksAt(p[i]))
            ++i;
        return i;
    }
    i += (p[i].isHighSurrogate() && i + 1 < p.size() && p[i + 1].isLowSurrogate()) ? 2 : 1;
    while (i < p.size() && p[i].isMark())
        ++i;
    return i;
}

// Lays one paragraph (no line break in it) starting at offset of the whole text.
void FitParagraph(QStringView p, qsizetype offset, const TextMeasure& measure, const TextBox& box,
                  BoxFit* fit, std::vector<BoxLine>* lines)
{
    thread_local std::vector<double> x;
    measure.Edges(p, &x);
    // The first line keeps its leading spaces; a line after a break starts at its first word.
    qsizetype lineStart = 0, lineEnd = 0;
    bool placed = false;
    const auto close = [&] {
        ++fit->lines;
        if (lines)
            lines->push_back({offset + lineStart, lineEnd - lineStart, x[lineEnd] - x[lineStart]});
    };
    for (qsizetype i = 0; i < p.size();) {
        if (BreaksAt(p[i])) {
            ++i;
            continue;
        }
        const qsizetype end = UnitEnd(p, i, box.breaks);
        fit->widest = std::max(fit->widest, x[end] - x[i]);
        if (!placed) {
            placed = true;
        } else if (x[end] - x[lineStart] > box.width + BoxFit::kSlack) {
            close();
            lineStart = i;
        }
        lineEnd = end;
        i = end;
    }
    close();
}

bool NeedsNoGlyph(char32_t c)
{
    return c < 0x20 || c == 0x7f || QChar::category(c) == QChar::Other_Control;
}

// Calls each(c) for every character but those that need no glyph, until it says stop.
template <typename Each>
void ForEachDrawn(QStringView text, Each each)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        if (!NeedsNoGlyph(c) && !each(c))
            return;
    }
}

}  // namespace

TextMeasure::~TextMeasure() = default;

std::optional<BoxBreak> BoxBreakNamed(QStringView name)
{
    if (name == u"space")
        return BoxBreak::Spaces;
    if (name == u"anywhere")
        return BoxBreak::Anywhere;
    return std::nullopt;
}

const char* BoxBreakName(BoxBreak breaks)
{
    return breaks == BoxBreak::Anywhere ? "anywhere" : "space";
}

BoxFit FitText(QStringView text, const TextMeasure& measure, const TextBox& box,
               std::vector<BoxLine>* lines)
{
    BoxFit fit;
    if (lines)
        lines->clear();
    for (qsizetype start = 0;;) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView paragraph = text.mid(start, end - start);
        // Most paragraphs fit whole: one measure of all of it, not of each character.
        const double whole = lines ? -1 : measure.Width(paragraph);
        if (whole >= 0 && whole <= box.width + BoxFit::kSlack)
            ++fit.lines;
        else
            FitParagraph(paragraph, start, measure, box, &fit, lines);
        if (end >= text.size())
            break;
        start =
            end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
    }
    return fit;
}

QString MissingGlyphs(QStringView text, const TextMeasure& measure)
{
    QString missing;
    ForEachDrawn(text, [&](char32_t c) {
        const QString character = QString::fromUcs4(&c, 1);
        if (!measure.Has(c) && !missing.contains(character))
            missing += character;
        return true;
    });
    return missing;
}

bool LacksGlyphs(QStringView text, const TextMeasure& measure)
{
    bool lacks = false;
    ForEachDrawn(text, [&](char32_t c) { return !(lacks = !measure.Has(c)); });
    return lacks;
}

}  // namespace scrivlet
