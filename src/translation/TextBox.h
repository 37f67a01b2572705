#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

// The game's text box: the font it draws a field with, at what size, how wide and how many
// lines tall it is, and how its lines break. A text is laid into it as the game would: its own
// line breaks always break, then each line wraps where the next piece no longer fits.

namespace scrivlet {

enum class BoxBreak : quint8 { Spaces, Anywhere };

// "space", "anywhere"; nullopt for anything else.
std::optional<BoxBreak> BoxBreakNamed(QStringView name);
const char* BoxBreakName(BoxBreak breaks);

struct TextBox {
    QString font;     // the font file (.ttf, .otf, .fnt)
    double size = 0;  // pixels
    int width = 0;    // pixels
    int lines = 1;
    BoxBreak breaks = BoxBreak::Spaces;
    bool operator==(const TextBox&) const = default;
};

// How a font measures text. Implementations are safe to call from several threads at once.
class TextMeasure {
public:
    virtual ~TextMeasure();
    // Where each UTF-16 unit of line starts when the line is drawn alone, and where the last
    // one ends: line.size() + 1 values, the first 0. A pair's kerning (or the shaping of the
    // two) counts into the first one's advance, as Qt's layout counts it. The second unit of a
    // surrogate pair starts where the first does.
    virtual void Edges(QStringView line, std::vector<double>* edges) const = 0;
    // Whether the font has a glyph for the character.
    virtual bool Has(char32_t c) const = 0;
    // The width of line drawn alone (Edges' last value) where the measure finds it faster than
    // Edges; -1 where it does not.
    virtual double Width(QStringView) const { return -1; }
};

// A box with the font that measures it; several fields share one.
struct FittedBox {
    TextBox box;
    std::shared_ptr<const TextMeasure> measure;
};

// One line of a text laid into a box: [start, start + length) in UTF-16 units of the text (no
// line break, no space it broke at), and its width.
struct BoxLine {
    qsizetype start = 0;
    qsizetype length = 0;
    double width = 0;
};

// What laying a text into a box found.
struct BoxFit {
    int lines = 0;
    // The widest piece that cannot be broken (a word; a character where lines break anywhere).
    double widest = 0;
    bool Overflows(const TextBox& box) const
    {
        return lines > box.lines || widest > box.width + kSlack;
    }
    // Widths are sums of fractions: a hair's excess is none.
    static constexpr double kSlack = 1e-6;
};

// Lays text into box as measure measures it; the lines too when asked. Without lines, a
// paragraph that fits whole on one line may be measured whole (TextMeasure::Width) and then
// leaves widest as it was (no word of it can be wider than the box).
BoxFit FitText(QStringView text, const TextMeasure& measure, const TextBox& box,
               std::vector<BoxLine>* lines = nullptr);
// The characters of text the font has no glyph for, each once, in order (line breaks and other
// control characters need none).
QString MissingGlyphs(QStringView text, const TextMeasure& measure);
// Whether text has any such character.
bool LacksGlyphs(QStringView text, const TextMeasure& measure);

}  // namespace scrivlet
