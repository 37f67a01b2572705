#include "exchange/Exchange.h"

#include "base/UiText.h"
#include "documents/Encodings.h"
#include "documents/Storability.h"
#include "exchange/ExchangeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace scrivlet {

namespace exchange {

QString EntryName(int record, int field)
{
    return QString::number(record) + u':' + QString::number(field);
}

}  // namespace exchange

namespace {

using exchange::OutEntry;
using exchange::OutFile;

// The language a text in this encoding is written in, as XLIFF names it.
QString LanguageOfEncoding(int encoding)
{
    switch (encoding) {
        case kEncodingGerman:
            return QStringLiteral("de");
        case kEncodingPolish:
            return QStringLiteral("pl");
        case kEncodingRussian:
            return QStringLiteral("ru");
        case kEncodingEnglish:
            return QStringLiteral("en");
        default:
            return QStringLiteral("und");
    }
}

OutFile Entries(const EdtDocument& document, const EdtDocument* reference)
{
    OutFile file;
    file.fileName = QFileInfo(document.Path()).fileName();
    if (file.fileName.isEmpty())
        file.fileName = QStringLiteral("untitled.edt");
    file.targetLanguage = LanguageOfEncoding(document.GetEncoding());
    file.sourceLanguage = LanguageOfEncoding((reference ? reference : &document)->GetEncoding());
    const EdtFormat& format = document.Format();
    const int fields = document.TextFieldCount();
    for (int k = 0; k < fields; ++k) {
        const FieldDef& def = format.fields[static_cast<size_t>(document.TextColumn(k))];
        file.fields.push_back({def.caption, def.size});
    }
    // A reference of another layout has no texts to line up with.
    const bool lined = reference && reference->TextFieldCount() == fields;
    file.entries.reserve(static_cast<size_t>(document.RecordCount()) * fields);
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int k = 0; k < fields; ++k) {
            const QStringView own = document.FieldText(record, k);
            QStringView source = own;
            if (reference) {
                source = lined && record < reference->RecordCount()
                             ? reference->FieldText(record, k)
                             : QStringView();
            }
            if (source.isEmpty())
                continue;
            file.entries.push_back(
                {record, k, source, reference && own != source ? own : QStringView()});
        }
    }
    return file;
}

// Moves from over to in one step. QFile::rename does not replace an existing file.
bool ReplaceFile(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
                    reinterpret_cast<const wchar_t*>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = EACCES;
    return false;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) ==
           0;
#endif
}

}  // namespace

Result ExportTranslations(const EdtDocument& document, const EdtDocument* reference,
                          const QString& path, const TranslationFileFormat& format)
{
    const OutFile file = Entries(document, reference);
    // Written beside the target and moved over it, so a failed write leaves the old file. The
    // library opens the file itself, so QSaveFile cannot take the write; the new file is made as
    // QSaveFile makes one: permissions from the umask (a temporary file would be the owner's
    // only) or, when the target exists, the target's.
    QFile temporary;
    for (int attempt = 0;; ++attempt) {
        temporary.setFileName(path + u'.' +
                              QString::number(QRandomGenerator::global()->generate(), 36));
        if (temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!temporary.exists() || attempt == 16)
            return Result::Failure(temporary.errorString());
    }
    temporary.close();
    if (QFileInfo::exists(path))
        temporary.setPermissions(QFile::permissions(path));
    Result done = format.Write(file, temporary.fileName());
    if (done && !ReplaceFile(temporary.fileName(), path))
        done = Result::Failure(QString::fromLocal8Bit(std::strerror(errno)));
    if (!done)
        temporary.remove();
    return done;
}

Result ReadTranslations(const QString& path, const TranslationFileFormat& format,
                        std::vector<TranslationEntry>* entries)
{
    entries->clear();
    return format.Read(path, entries);
}

void ImportReport::Add(Kind kind, int record)
{
    ++count[kind];
    std::vector<int>& kept = records[kind];
    // Entries come field by field: a record with several is named once.
    if (record >= 0 && kept.size() < static_cast<size_t>(kRecordsKept) &&
        (kept.empty() || kept.back() != record))
        kept.push_back(record);
}

Result PlanImport(EdtDocument& document, const std::vector<TranslationEntry>& entries,
                  bool includeFuzzy, ImportPlan* plan)
{
    *plan = ImportPlan();
    const int fields = document.TextFieldCount();
    const TextStorage storage{document.GetEncoding(), document.GetFileType()};
    std::vector<bool> given(static_cast<size_t>(document.RecordCount()) * fields);
    for (const TranslationEntry& entry : entries) {
        const int record = entry.record, field = entry.field;
        if (record < 0 || record >= document.RecordCount() || field < 0 || field >= fields) {
            plan->report.Add(ImportReport::Unknown, -1);
            continue;
        }
        const size_t slot = static_cast<size_t>(record) * fields + field;
        if (given[slot]) {
            plan->report.Add(ImportReport::Duplicate, record);
            continue;
        }
        given[slot] = true;
        if (entry.fuzzy && !includeFuzzy) {
            plan->report.Add(ImportReport::FuzzySkipped, record);
            continue;
        }
        const FieldDef& def =
            document.Format().fields[static_cast<size_t>(document.TextColumn(field))];
        if (entry.text.isEmpty() || entry.text == document.FieldText(record, field)) {
            plan->report.Add(ImportReport::Unchanged, record);
            continue;
        }
        if (entry.text.size() > def.size) {
            plan->report.Add(ImportReport::TooLong, record);
            continue;
        }
        const std::optional<EdtDocument::TextRef> stored = document.StoreText(entry.text);
        if (!stored)
            return Result::Failure(UiText("xchg.noMemory"));
        plan->changes.push_back({record, field, *stored});
        plan->report.Add(ImportReport::Imported, record);
        if (!CanStore(entry.text, storage))
            plan->report.Add(ImportReport::NotStorable, record);
    }
    return {};
}

}  // namespace scrivlet
