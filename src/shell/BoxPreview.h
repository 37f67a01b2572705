#pragma once

#include "translation/TextBox.h"

#include <QWidget>

#include <vector>

// The translation drawn as the game draws it: in the field's text box, with the box's font at
// its size, wrapped as the box wraps it; the lines the box has no room for and what runs past
// its right edge in red. Hidden while the field has no box.

namespace scrivlet {

class BoxPreview : public QWidget {
    Q_OBJECT

public:
    explicit BoxPreview(QWidget* parent = nullptr);

    // The box (null: none, the preview hides) and the text to draw in it.
    void Show(const FittedBox* box, const QString& text);
    // The lines as last laid out.
    const std::vector<BoxLine>& Lines() const { return lines_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double LineHeight() const;
    QFont DrawingFont() const;

    FittedBox box_;
    QString text_;
    std::vector<BoxLine> lines_;
};

}  // namespace scrivlet
