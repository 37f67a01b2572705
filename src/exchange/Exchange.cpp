#include "exchange/Exchange.h"

#include "base/ReadableFile.h"
#include "base/UiText.h"
#include "documents/Encodings.h"
#include "documents/RowLabels.h"
#include "documents/Storability.h"
#include "exchange/ExchangeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <map>
#include <optional>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace scrivlet {

namespace exchange {

QString EntryName(const OutEntry& entry)
{
    const QString field = u':' + QString::number(entry.field);
    return entry.recordId < 0 ? QString::number(entry.record) + field
                              : u'r' + QString::number(entry.recordId) + field;
}

QString EntryPosition(const OutEntry& entry)
{
    return QStringLiteral("position %1:%2").arg(entry.record).arg(entry.field);
}

QString WriteReason(const QFileDevice& file)
{
    // A device that failed in its buffer says only "Unknown error", and a short write sets no
    // error of the device's own; errno then still tells why.
    static const QString unknown = QFile().errorString();
    if (file.error() != QFileDevice::NoError && file.errorString() != unknown)
        return file.errorString();
    return qt_error_string(errno != 0 ? errno : EIO);
}

Result CheckImportFile(const QString& path)
{
    // Far more than the export of the largest document makes, far less than memory holds.
    constexpr qint64 kMaxMegabytes = 1024;
    switch (CheckReadableFile(path, kMaxMegabytes << 20)) {
        case FileCheck::NotRegular:
            return Result::Failure(UiText("xchg.notRegular").arg(path));
        case FileCheck::TooLarge:
            return Result::Failure(UiText("xchg.tooLarge").arg(path).arg(kMaxMegabytes));
        default:
            return {};  // a missing file is the reader's to report
    }
}

}  // namespace exchange

namespace {

using exchange::OutEntry;
using exchange::OutFile;

}  // namespace

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
            return {};
    }
}

namespace {

// Unicode texts may be in any language, but tools choose spelling, memories and plural rules
// by the one a file names, so "und" will not do: the language is told by the letters only one
// of ours has (Cyrillic; Polish and German diacritics), English when none is there. A sample
// of the texts decides as well as all of them would.
QString LanguageOfTexts(const EdtDocument& document)
{
    constexpr qsizetype kSample = 1 << 20;
    static const QString polish = QStringLiteral("ąćęłńśźżĄĆĘŁŃŚŹŻ");
    static const QString german = QStringLiteral("äöüßÄÖÜ");
    qsizetype seen = 0, latin = 0, cyrillic = 0, polishLetters = 0, germanLetters = 0;
    for (int record = 0; record < document.RecordCount() && seen < kSample; ++record) {
        for (int k = 0; k < document.TextFieldCount(); ++k) {
            const QStringView text = document.FieldText(record, k);
            seen += text.size();
            for (const QChar c : text) {
                if (c.unicode() < 0x80)
                    latin += c.isLetter() ? 1 : 0;
                else if (c.script() == QChar::Script_Cyrillic)
                    ++cyrillic;
                else if (polish.contains(c))
                    ++polishLetters;
                else if (german.contains(c))
                    ++germanLetters;
            }
        }
    }
    if (cyrillic > latin)
        return QStringLiteral("ru");
    if (polishLetters > 0 || germanLetters > 0)
        return polishLetters >= germanLetters ? QStringLiteral("pl") : QStringLiteral("de");
    return QStringLiteral("en");
}

QString LanguageOf(const EdtDocument& document)
{
    const QString byEncoding = LanguageOfEncoding(document.GetEncoding());
    return byEncoding.isEmpty() ? LanguageOfTexts(document) : byEncoding;
}

OutFile Entries(const EdtDocument& document, const EdtDocument* reference,
                std::span<const qint32> recordIds, const FieldStates* states)
{
    OutFile file;
    file.fileName = QFileInfo(document.Path()).fileName();
    if (file.fileName.isEmpty())
        file.fileName = QStringLiteral("untitled.edt");
    file.targetLanguage = LanguageOf(document);
    file.sourceLanguage = reference ? LanguageOf(*reference) : file.targetLanguage;
    file.wideCharacters = document.GetEncoding() == kEncodingUnicode;
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
            const int id = record < static_cast<int>(recordIds.size())
                               ? recordIds[static_cast<size_t>(record)]
                               : -1;
            OutEntry& entry = file.entries.emplace_back();
            entry.record = record, entry.field = k, entry.recordId = id, entry.source = source;
            entry.target = reference && own != source ? own : QStringView();
            if (const FieldNote* note = states ? states->At(record, k) : nullptr) {
                entry.comment = note->comment;
                const StoredState state = states->StateAt(record, k);
                if (!entry.target.isEmpty() && state != StoredState::Translated)
                    entry.state = state;
            }
        }
    }
    return file;
}

qsizetype FirstLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return i;
    }
    return -1;
}

// Refuses, naming the record by its row label and the field by its caption, a text the file
// cannot carry: half a surrogate pair in any format (UTF-8 has no form for it, and a silent
// U+FFFD would come back as a changed text), other characters XML lacks where texts are XML.
Result CheckTexts(const OutFile& file, const EdtDocument& document,
                  const TranslationFileFormat& format)
{
    const bool xml = format.Can(TranslationFileFormat::XmlText);
    for (const OutEntry& entry : file.entries) {
        for (const QStringView text : {entry.source, entry.target}) {
            const qsizetype lone = FirstLoneSurrogate(text);
            const qsizetype at = lone >= 0 || !xml ? lone : exchange::FirstNonXml(text);
            if (at < 0)
                continue;
            const QString code =
                QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, u'0');
            return Result::Failure(UiText(lone >= 0 ? "xchg.loneSurrogate" : "xchg.xmlChar")
                                       .arg(RowLabels().RecordName(document.Format(), entry.record),
                                            file.fields[static_cast<size_t>(entry.field)].caption,
                                            code));
        }
    }
    return {};
}

// Puts a completely written file in the old one's place, or drops it when the write failed.
Result CommitWritten(QSaveFile& out, Result done)
{
    if (done && !out.flush())
        done = Result::Failure(exchange::WriteReason(out));
#ifndef Q_OS_WIN
    // On the disk before it replaces the old file; commit() syncs too but ignores a failure.
    if (done && ::fsync(out.handle()) != 0)
        done = Result::Failure(exchange::WriteReason(out));
#endif
    if (!done) {
        out.cancelWriting();
        return done;
    }
    if (!out.commit())
        return Result::Failure(exchange::WriteReason(out));
    return {};
}

}  // namespace

Result ExportTranslations(const EdtDocument& document, const EdtDocument* reference,
                          const QString& path, const TranslationFileFormat& format,
                          qsizetype* entryCount, std::span<const qint32> recordIds,
                          const FieldStates* states)
{
    const OutFile file = Entries(document, reference, recordIds, states);
    if (entryCount)
        *entryCount = static_cast<qsizetype>(file.entries.size());
    if (Result writable = CheckTexts(file, document, format); !writable)
        return writable;
    // Written as documents are saved: QSaveFile writes through a symbolic link, keeps the old
    // file's permissions, leaves no named temporary behind where the system can make an
    // unnamed one, and syncs the new file to the disk before it takes the old one's place.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return Result::Failure(exchange::WriteReason(out));
    Result done = format.Write(file, out);
    return CommitWritten(out, std::move(done));
}

struct TranslationBundle::Impl {
    const TranslationFileFormat& format;
    QSaveFile file;
    std::unique_ptr<exchange::PartWriter> writer;  // once the file is open
    Result failure;
    Impl(const QString& path, const TranslationFileFormat& bundleFormat)
        : format(bundleFormat), file(path)
    {
        Q_ASSERT(format.Can(TranslationFileFormat::Bundle));
        if (file.open(QIODevice::WriteOnly))
            writer = format.StartBundle(&file);
        else
            failure = Result::Failure(exchange::WriteReason(file));
    }
};

TranslationBundle::TranslationBundle(const QString& path, const TranslationFileFormat& format)
    : d_(std::make_unique<Impl>(path, format))
{
}

TranslationBundle::~TranslationBundle() = default;

Result TranslationBundle::Add(const EdtDocument& document, const EdtDocument* reference,
                              const QString& name, std::span<const qint32> recordIds,
                              const FieldStates* states)
{
    if (!d_->failure)
        return d_->failure;
    OutFile file = Entries(document, reference, recordIds, states);
    file.fileName = name;
    d_->failure = CheckTexts(file, document, d_->format);
    if (d_->failure)
        d_->failure = d_->writer->Add(file);
    return d_->failure;
}

Result TranslationBundle::Commit()
{
    if (d_->failure)
        d_->failure = d_->writer->Finish();
    d_->failure = CommitWritten(d_->file, d_->failure);
    return d_->failure;
}

Result ReadTranslations(const QString& path, const TranslationFileFormat& format,
                        std::vector<TranslationEntry>* entries, std::vector<BundlePart>* parts)
{
    entries->clear();
    if (parts)
        parts->clear();
    if (Result usable = exchange::CheckImportFile(path); !usable)
        return usable;
    return format.Read(path, entries, parts);
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

namespace {

// What an entry says of its field's state, on the text it leaves there.
void NoteEntry(const TranslationEntry& entry, QStringView text, ImportPlan* plan)
{
    const StoredState state = entry.fuzzy      ? StoredState::NeedsWork
                              : entry.approved ? StoredState::Approved
                                               : StoredState::None;
    if (state == StoredState::NeedsWork)
        plan->report.Add(ImportReport::NeedsWork, entry.record);
    // The hash goes with no state too: a merge keeps the approval of the same text by it.
    plan->notes.push_back(
        {entry.record, entry.field, FieldNote{state, StateHash(text), entry.comment}});
}

}  // namespace

std::vector<PlacedNote> MergeNotes(std::vector<PlacedNote> notes,
                                   const std::vector<PlacedNote>& imported)
{
    std::map<std::pair<int, int>, FieldNote> merged;
    for (PlacedNote& placed : notes)
        merged[{placed.record, placed.field}] = std::move(placed.note);
    for (const PlacedNote& placed : imported) {
        FieldNote& note = merged[{placed.record, placed.field}];
        // A file without a comment for the field leaves the one kept, and one that cannot say
        // "approved" (PO) leaves the approval of the same text.
        const bool keepsApproval = placed.note.state == StoredState::None &&
                                   note.state == StoredState::Approved &&
                                   note.hash == placed.note.hash;
        const StoredState state = keepsApproval ? note.state : placed.note.state;
        note = FieldNote{state, state == StoredState::None ? 0 : placed.note.hash,
                         placed.note.comment.isEmpty() ? note.comment : placed.note.comment};
    }
    notes.clear();
    for (auto& [place, note] : merged) {
        if (!note.IsEmpty())
            notes.push_back({place.first, place.second, std::move(note)});
    }
    return notes;
}

Result PlanImport(const EdtDocument& document, const std::vector<TranslationEntry>& entries,
                  bool includeFuzzy, ImportPlan* plan)
{
    Q_UNUSED(includeFuzzy);
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
        const FieldDef& def =
            document.Format().fields[static_cast<size_t>(document.TextColumn(field))];
        if (entry.text.isEmpty() || entry.text == document.FieldText(record, field)) {
            plan->report.Add(ImportReport::Unchanged, record);
            if (!entry.text.isEmpty()) {
                NoteEntry(entry, entry.text, plan);
            } else if (!entry.comment.isEmpty()) {
                // No translation, but a comment on the field as it is.
                TranslationEntry commented = entry;
                commented.fuzzy = commented.approved = false;
                NoteEntry(commented, document.FieldText(record, field), plan);
            }
            continue;
        }
        if (entry.text.size() > def.size) {
            plan->report.Add(ImportReport::TooLong, record);
            continue;
        }
        // Stored, it would come back with other characters: no translation to take.
        if (!CanStore(entry.text, storage)) {
            plan->report.Add(ImportReport::NotStorable, record);
            continue;
        }
        if (!plan->texts.Add(record, field, entry.text))
            return Result::Failure(UiText("xchg.noMemory"));
        plan->report.Add(ImportReport::Imported, record);
        NoteEntry(entry, entry.text, plan);
    }
    return {};
}

}  // namespace scrivlet
