#include "documents/LoadNotes.h"

#include "base/UiText.h"
#include "documents/RowLabels.h"

#include <QDir>
#include <QLocale>

namespace scrivlet {

QString InvalidBytesText(const LoadNotes& notes, const EdtFormat& format)
{
    if (notes.invalidBytes == 0)
        return {};
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    return UiText(notes.invalidReplaced ? "load.invalidUtf8" : "load.undefinedBytes")
        .arg(UiCount("count.invalidBytes", notes.invalidBytes),
             locale.toString(notes.firstInvalidLine),
             RowLabels().RecordName(format, notes.firstInvalidRecord));
}

QString LeftOutText(const LoadNotes& notes)
{
    return notes.bytesLeftOut > 0
               ? UiText("load.leftOut").arg(UiCount("count.bytes", notes.bytesLeftOut))
               : QString();
}

QString InvalidSizeText(qint64 fileSize, qint64 recordBytes)
{
    const QLocale locale(LanguageCode(CurrentUiLanguage()));
    return UiText("file.sizeReason").arg(locale.toString(fileSize), locale.toString(recordBytes));
}

QString InvalidSizeQuestion(const QString& path, qint64 fileSize, qint64 recordBytes)
{
    return QDir::toNativeSeparators(path) + QStringLiteral("\n\n") +
           InvalidSizeText(fileSize, recordBytes) + u' ' +
           UiText("file.leftOver").arg(UiCount("count.bytes", fileSize % recordBytes)) +
           QStringLiteral("\n\n") + UiText(str::InvalidFileSize);
}

}  // namespace scrivlet
