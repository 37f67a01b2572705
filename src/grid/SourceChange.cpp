#include "grid/SourceChange.h"

#include "base/UiText.h"
#include "translation/WordDifference.h"

namespace scrivlet {

QString SourceChangeHtml(QStringView oldSource, QStringView newSource)
{
    QString was, now;
    for (const DiffPiece& piece : WordDifference(oldSource, newSource)) {
        const QString text = piece.text.toHtmlEscaped();
        if (piece.kind == DiffPiece::Removed)
            was += QStringLiteral("<s style=\"color:#c0303a\">%1</s>").arg(text);
        else if (piece.kind == DiffPiece::Added)
            now += QStringLiteral("<u style=\"color:#1f8a3c\">%1</u>").arg(text);
        else
            was += text, now += text;
    }
    return QStringLiteral("<p>%1</p><p>%2<br>%3</p><p>%4<br>%5</p>")
        .arg(UiText("mark.sourceChanged").toHtmlEscaped(), UiText("review.oldSource"), was,
             UiText("review.newSource"), now);
}

}  // namespace scrivlet
