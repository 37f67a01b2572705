#pragma once

#include "translation/TextBox.h"

#include <QFont>

// TrueType and OpenType fonts measured through Qt's own text layout: the font is loaded from
// its file (never one of the system's of the same name), laid out as the preview draws it.
// Needs a QGuiApplication.

namespace scrivlet {

class LayoutFont : public TextMeasure {
public:
    explicit LayoutFont(QFont font) : font_(std::move(font)) {}
    // The font of box loaded from its file at its pixel size.
    static Result Load(const TextBox& box, std::shared_ptr<const TextMeasure>* measure);

    void Edges(QStringView line, std::vector<double>* edges) const override;
    bool Has(char32_t c) const override;
    double Width(QStringView line) const override;
    // The font as Qt draws it: the preview's.
    const QFont& Font() const { return font_; }

private:
    QFont font_;
};

// Gives the core's LoadBoxFont this loader for the kinds it does not read itself.
void UseLayoutFonts();

}  // namespace scrivlet
