#include "shell/StatusCounts.h"

#include "base/UiText.h"
#include "session/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/TranslationStatus.h"

#include <QLocale>
#include <QPainter>

namespace scrivlet {

QString CountsText(const DocumentSession* session)
{
    if (!session)
        return {};
    const TranslationCounts& counts = session->Status()->Counts();
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    const qint64 done = counts.Done();
    const qint64 percent = counts.fields > 0 ? done * 100 / counts.fields : 0;
    const QString progress =
        UiText(session->Status()->Reference() ? "work.translated" : "work.filled")
            .arg(locale.toString(done), locale.toString(counts.fields), locale.toString(percent));
    return progress + QStringLiteral("   ") +
           UiText("work.problems")
               .arg(locale.toString(session->Checks()->Count() + counts.sourceChanged));
}

QString CountsToolTip(const DocumentSession* session)
{
    if (!session)
        return {};
    const TranslationCounts& counts = session->Status()->Counts();
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    QStringList lines;
    const std::pair<const char*, qint64> parts[] = {{"mark.approved", counts.approved},
                                                    {"mark.translated", counts.translated},
                                                    {"mark.needsWork", counts.needsWork},
                                                    {"mark.same", counts.sameAsReference},
                                                    {"mark.empty", counts.empty},
                                                    {"mark.tooLong", counts.tooLong},
                                                    {"mark.notStorable", counts.notStorable}};
    for (const auto& [key, count] : parts)
        lines << QStringLiteral("%1: %2").arg(UiText(key), locale.toString(count));
    return lines.join(u'\n');
}

QSize ElidingLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * kMinimumChars, QLabel::minimumSizeHint().height()};
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

}  // namespace scrivlet
