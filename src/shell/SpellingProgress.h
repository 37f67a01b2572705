#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// The status bar's word on a document's background spelling run: "Checking spelling…" and how
// far it is, shown only for a run that lasts, so that a short one does not flicker.

namespace scrivlet {

class DocumentChecks;

class SpellingProgress : public QWidget {
    Q_OBJECT

public:
    // A run shows after this long.
    static constexpr int kDelayMs = 300;

    explicit SpellingProgress(QWidget* parent = nullptr);
    // The active document's checks (null for none).
    void Follow(const DocumentChecks* checks);

private:
    void Refresh();

    QPointer<const DocumentChecks> checks_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QTimer delay_;
};

}  // namespace scrivlet
