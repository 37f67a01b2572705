#include "shell/SpellingProgress.h"

#include "base/UiText.h"
#include "translation/DocumentChecks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace scrivlet {

SpellingProgress::SpellingProgress(QWidget* parent)
    : QWidget(parent),
      label_(new QLabel(UiText("spelling.progress"), this)),
      bar_(new QProgressBar(this))
{
    setObjectName(QStringLiteral("spellingProgress"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    bar_->setRange(0, 100);
    bar_->setFormat(UiText("spelling.progressPercent"));
    bar_->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16);
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    connect(&delay_, &QTimer::timeout, this, [this] {
        if (checks_ && checks_->SpellingRunning())
            show();
    });
    hide();
}

void SpellingProgress::Follow(const DocumentChecks* checks)
{
    if (checks == checks_)
        return;
    if (checks_)
        checks_->disconnect(this);
    checks_ = checks;
    // Another document's run starts its own wait.
    delay_.stop();
    hide();
    if (checks_)
        connect(checks_, &DocumentChecks::SpellingProgress, this, &SpellingProgress::Refresh);
    Refresh();
}

void SpellingProgress::Refresh()
{
    if (!checks_ || !checks_->SpellingRunning()) {
        delay_.stop();
        hide();
        return;
    }
    bar_->setValue(checks_->SpellingPercent());
    if (isHidden() && !delay_.isActive())
        delay_.start();
}

}  // namespace scrivlet
