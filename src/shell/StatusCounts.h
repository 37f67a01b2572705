#pragma once

#include <QLabel>
#include <QString>

// The status bar's counts of the active document: "Translated: 3 of 5 (60%)   Problems: 1",
// with a line per state and problem in the tooltip.

namespace scrivlet {

class DocumentSession;

// Empty without a session.
QString CountsText(const DocumentSession* session);
QString CountsToolTip(const DocumentSession* session);

// A label that gives way before the window does: in a narrow window its text ends in "…"
// (the tooltip keeps the details) instead of holding the whole window wide.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kMinimumChars = 12;
};

}  // namespace scrivlet
