#pragma once

#include "translation/TextBox.h"

#include <QHash>

#include <vector>

// A bitmap font in the BMFont text format (.fnt), the kind most game tools export: its
// characters' advances and its kerning pairs. Only the layout counts here, not the pictures.

namespace scrivlet {

class BmFont : public TextMeasure {
public:
    // Reads path for drawing at pixelSize: advances and kerning scale by pixelSize over the
    // size the font was made at (its "info size"), as the game scales the bitmaps; a pixelSize
    // of 0, or a file without a size, keeps them as written.
    Result Read(const QString& path, double pixelSize);
    // The same from the file's text (path only names it in errors).
    Result Parse(const QByteArray& text, const QString& path, double pixelSize);

    void Edges(QStringView line, std::vector<double>* edges) const override;
    bool Has(char32_t c) const override;
    // The distance between lines ("common lineHeight"), scaled; 0 when the file gives none.
    double LineHeight() const { return lineHeight_; }

private:
    double Advance(char32_t c) const;
    double Kerning(char32_t first, char32_t second) const;

    // The common characters in a table, the others in a hash: the whole-document run looks up
    // every character of every field.
    static constexpr char32_t kTable = 0x800;
    std::vector<double> table_ = std::vector<double>(kTable, -1);  // -1: no such character
    QHash<char32_t, double> others_;
    QHash<quint64, double> kerning_;
    double lineHeight_ = 0;
};

}  // namespace scrivlet
