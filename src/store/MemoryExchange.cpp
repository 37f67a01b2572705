#include "store/MemoryExchange.h"

#include "base/UiText.h"
#include "documents/Storability.h"
#include "exchange/Exchange.h"
#include "exchange/Tmx.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace scrivlet {
namespace {

// Pairs go to the memory a batch at a time: a million of them are never held at once.
constexpr size_t kBatch = 20000;

class Batch {
public:
    Batch(TranslationMemory& memory, const MemoryLanguages& languages, MemoryCounts* counts)
        : memory_(memory), languages_(languages), counts_(counts)
    {
    }

    Result Add(MemoryUnit&& unit)
    {
        units_.push_back(std::move(unit));
        return units_.size() >= kBatch ? Flush() : Result();
    }

    Result Flush()
    {
        Result added = memory_.Add(languages_, units_, counts_);
        units_.clear();
        failed_ = failed_ || !added;
        return added;
    }

    // The last failure was the memory's own (a server gone), not the file's.
    bool Failed() const { return failed_; }

private:
    TranslationMemory& memory_;
    const MemoryLanguages& languages_;
    MemoryCounts* counts_;
    std::vector<MemoryUnit> units_;
    bool failed_ = false;
};

// Entries or units between two progress reports: each may repaint a dialog.
constexpr qint64 kProgressStep = 512;

Result Stopped()
{
    return Result::Failure(UiText("memory.stopped"));
}

Result ImportTmx(Batch& batch, const MemoryLanguages& languages, const QString& path, qint64 now,
                 TmxNotes* notes, const TmxLimits& limits, const MemoryProgress& progress)
{
    const QString name = QFileInfo(path).fileName();
    Result read = ReadTmx(
        path, languages.source, languages.target,
        [&](TmxPair&& pair) {
            return batch.Add({std::move(pair.source), std::move(pair.target),
                              pair.origin.isEmpty() ? name : pair.origin,
                              pair.time > 0 ? pair.time : now});
        },
        notes, limits, progress);
    return read ? batch.Flush() : read;
}

Result ImportFile(Batch& batch, const MemoryLanguages& languages, const QString& path,
                  TmxNotes* notes, const TmxLimits& limits, const MemoryProgress& progress)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (QFileInfo(path).suffix().compare(QLatin1String("tmx"), Qt::CaseInsensitive) == 0)
        return ImportTmx(batch, languages, path, now, notes, limits, progress);
    std::vector<TranslationEntry> entries;
    if (Result read = ReadTranslations(path, TranslationFormatForPath(path), &entries); !read)
        return read;
    const QString name = QFileInfo(path).fileName();
    const qint64 total = qint64(entries.size());
    for (qint64 i = 0; i < total; ++i) {
        if (progress && i % kProgressStep == 0 && !progress(i, total))
            return Stopped();
        TranslationEntry& entry = entries[size_t(i)];
        if (entry.fuzzy || entry.source.isEmpty() || entry.text.isEmpty() ||
            entry.source == entry.text)
            continue;
        if (Result added = batch.Add({std::move(entry.source), std::move(entry.text), name, now});
            !added)
            return added;
    }
    return batch.Flush();
}

}  // namespace

Result ImportIntoMemory(TranslationMemory& memory, const MemoryLanguages& languages,
                        const QString& path, MemoryCounts* counts, MemoryImportNotes* notes,
                        const TmxLimits& limits, const MemoryProgress& progress)
{
    // Counted apart and handed over only once the transaction holds.
    MemoryCounts taken;
    Batch batch(memory, languages, &taken);
    MemoryImportNotes own;
    MemoryImportNotes& out = notes ? *notes : own;
    // Any failure but the file's (or a stop) is the memory's: an add, its lock, its commit.
    bool fileFailed = false;
    const Result done = memory.InOneTransaction([&] {
        Result file = ImportFile(batch, languages, path, &out.tmx, limits, progress);
        fileFailed = !file && !batch.Failed();
        return file;
    });
    out.memoryFailed = !done && !fileFailed;
    if (done)
        *counts += taken;
    return done;
}

Result ImportDocumentPair(TranslationMemory& memory, const MemoryLanguages& languages,
                          const EdtDocument& original, const EdtDocument& translation,
                          const QString& name, MemoryCounts* counts)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    Batch batch(memory, languages, counts);
    const int records = std::min(original.RecordCount(), translation.RecordCount());
    const int fields = std::min(original.TextFieldCount(), translation.TextFieldCount());
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < fields; ++field) {
            const QStringView source = original.FieldText(record, field);
            const QStringView target = translation.FieldText(record, field);
            if (source.isEmpty() || target.isEmpty() || source == target)
                continue;
            const QString origin = QStringLiteral("%1:%2:%3").arg(name).arg(record).arg(field);
            if (Result added = batch.Add({source.toString(), target.toString(), origin, now});
                !added)
                return added;
        }
    }
    return batch.Flush();
}

Result ExportMemory(TranslationMemory& memory, const QString& path, qint64* written,
                    qint64* leftOut, const MemoryProgress& progress)
{
    MemoryLanguages own;
    if (Result got = memory.Languages(&own); !got)
        return got;
    qint64 total = 0;
    if (Result got = progress ? memory.Size(&total) : Result(); !got)
        return got;
    // Not committed unless complete: the old file stays, and a new one is never left half made.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result::Failure(file.errorString());
    TmxWriter writer(&file, own.source);
    qint64 seen = 0;
    Result walked = memory.ForEach([&](const MemoryLanguages& languages, const MemoryUnit& unit) {
        if (progress && seen++ % kProgressStep == 0 && !progress(seen - 1, total))
            return Stopped();
        writer.Add(languages.source, languages.target,
                   {unit.source, unit.target, unit.origin, unit.time});
        return Result();
    });
    if (walked)
        walked = writer.Finish();
    if (walked && !file.commit())
        walked = Result::Failure(UiText("xchg.writeFailed").arg(file.errorString()));
    *written = writer.Written();
    *leftOut = writer.LeftOut();
    return walked;
}

namespace {

// The matches of one original text, looked up once however many fields hold it; each target
// goes into the plan once, when a field first takes it (the plan entry the others reuse).
struct Known {
    std::vector<MemoryMatch> matches;
    std::vector<qsizetype> planned;  // -1 until a field takes the match
};

// Fills one field from the known matches; false when no memory is left for the text.
bool FillField(const EdtDocument& document, Known& known, int record, int field, int size,
               TextPlan* plan, PretranslateReport* report)
{
    const TextStorage storage{document.GetEncoding(), document.GetFileType()};
    bool fitting = false;
    for (size_t i = 0; i < known.matches.size(); ++i) {
        const MemoryMatch& match = known.matches[i];
        if (match.target.size() > size)
            continue;
        fitting = true;
        // A text the save would change is no translation to fill in.
        if (!CanStore(match.target, storage))
            continue;
        if (known.planned[i] < 0) {
            if (!plan->Add(record, field, match.target))
                return false;
            known.planned[i] = plan->Size() - 1;
        } else if (!plan->AddSame(record, field, known.planned[i])) {
            return false;
        }
        ++report->filled;
        ++(match.score == 100 ? report->exact : report->fuzzy);
        if (match.score < 100)
            report->guessed.emplace_back(record, field);
        return true;
    }
    if (fitting)
        ++report->notStorable;
    else if (!known.matches.empty())
        ++report->tooLong;
    return true;
}

}  // namespace

Result PlanPretranslation(TranslationMemory& memory, const MemoryLanguages& languages,
                          const EdtDocument& document, const EdtDocument& reference, int minScore,
                          TextPlan* plan, PretranslateReport* report, const PlanProgress& progress)
{
    constexpr int kTried = 5;  // the best few: a shorter one may fit where the best does not
    const int records = std::min(document.RecordCount(), reference.RecordCount());
    const int fields = std::min(document.TextFieldCount(), reference.TextFieldCount());
    QHash<QStringView, Known> known;  // the views point into the reference, which stays
    for (int field = 0; field < fields; ++field) {
        const int size = document.Format().fields[document.TextColumn(field)].size;
        for (int record = 0; record < records; ++record) {
            constexpr int kProgressStep = 1024;
            if (progress && record % kProgressStep == 0 &&
                !progress(qint64(field) * records + record, qint64(fields) * records))
                return Result::Failure(UiText("memory.stopped"));
            const QStringView source = reference.FieldText(record, field);
            const QStringView text = document.FieldText(record, field);
            if (source.isEmpty() || (!text.isEmpty() && text != source))
                continue;
            auto found = known.find(source);
            if (found == known.end()) {
                Known matches;
                if (Result got = memory.Suggest(languages, source.toString(), minScore, kTried,
                                                &matches.matches);
                    !got)
                    return got;
                matches.planned.assign(matches.matches.size(), -1);
                found = known.insert(source, std::move(matches));
            }
            if (!FillField(document, *found, record, field, size, plan, report))
                return Result::Failure(UiText("fileError.noMemory"));
        }
    }
    return {};
}

}  // namespace scrivlet
