#include "convert/ConvertSession.h"

#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/FileTypes.h"
#include "exchange/Exchange.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace scrivlet::convert {

void Print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
}

int InvalidPattern(const QString& text)
{
    Print(stderr, QStringLiteral("scrivlet-convert: '%1' is no valid regular expression, or "
                                 "matching it takes too long\n")
                      .arg(text));
    return kExitUsage;
}

int Failed(const QString& why)
{
    Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(why));
    return kExitFailed;
}

int UsageError(const QString& why, const char* usage)
{
    Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(why));
    std::fputs(usage, stderr);
    return kExitUsage;
}

int Failed(const char* messageKey, const QString& path, const QString& reason)
{
    Print(stderr, UiText(messageKey).arg(path) + u'\n' + reason + u'\n');
    return kExitFailed;
}

bool ApplyPlan(EdtDocument& document, const TextPlan& plan)
{
    if (document.ApplyPlan(plan))
        return true;
    Print(stderr, QStringLiteral("scrivlet-convert: not enough memory for the new texts\n"));
    return false;
}

bool ConverterPrompts::AskOpenInvalidSize(const QString& path, qint64 fileSize, qint64 recordBytes)
{
    if (!yes_)
        Print(stderr,
              InvalidSizeQuestion(path, fileSize, recordBytes) + QStringLiteral(" (--yes)\n"));
    return yes_;
}

void ConverterPrompts::NotifyTextTooLong()
{
    Print(stderr, UiText(str::TextTooLong) + u'\n');
}

int LoadReference(Session& s, LoadResult* reference)
{
    const Options& o = s.options;
    if (o.reference.isEmpty())
        return kExitOk;
    *reference = LoadDocument(o.reference, FileTypeForPath(o.reference),
                              o.referenceEncoding.value_or(*o.encoding), s.document.Format(),
                              s.document.FormatIndex(), false, &s.prompts);
    return reference->document ? kExitOk : Failed(str::OpenFailed, o.reference, reference->error);
}

QByteArray JsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QString ImportCounts(const ImportReport& report)
{
    return QStringLiteral(
               "\"imported\": %1, \"unchanged\": %2, \"fuzzy_skipped\": %3, "
               "\"too_long\": %4, \"unknown\": %5, \"not_storable\": %6, "
               "\"duplicate\": %7, \"needs_work\": %8}\n")
        .arg(report.count[ImportReport::Imported])
        .arg(report.count[ImportReport::Unchanged])
        .arg(report.count[ImportReport::FuzzySkipped])
        .arg(report.count[ImportReport::TooLong])
        .arg(report.count[ImportReport::Unknown])
        .arg(report.count[ImportReport::NotStorable])
        .arg(report.count[ImportReport::Duplicate])
        .arg(report.count[ImportReport::NeedsWork]);
}

std::optional<UiLanguage> LanguageOf(const QString& code)
{
    for (UiLanguage language :
         {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian}) {
        if (LanguageCode(language) == code)
            return language;
    }
    return std::nullopt;
}

}  // namespace scrivlet::convert
