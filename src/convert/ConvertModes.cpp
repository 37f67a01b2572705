#include "convert/ConvertModes.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "convert/CheckModes.h"
#include "convert/StateModes.h"
#include "convert/UpdateModes.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "documents/RowLabels.h"
#include "documents/Storability.h"
#include "exchange/Exchange.h"
#include "search/Replace.h"
#include "store/FieldNotes.h"
#include "translation/FieldStates.h"
#include "translation/SourceGroups.h"
#include "translation/TranslationStatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

namespace scrivlet::convert {

namespace {

QJsonArray JsonStrings(const QStringList& list)
{
    QJsonArray array;
    for (const QString& s : list)
        array.append(s);
    return array;
}

}  // namespace

void ListFormats(const FormatCatalogue& catalogue)
{
    QJsonArray formats;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const EdtFormat& format = *catalogue.At(i);
        QJsonArray fields;
        for (int k = 0; k < format.FieldCount(); ++k) {
            const FieldDef& field = format.fields[k];
            fields.append(QJsonObject{{"caption", field.caption},
                                      {"width", field.width},
                                      {"type", field.type},
                                      {"offset", field.offset},
                                      {"size", field.size},
                                      {"labels", JsonStrings(field.labels)}});
        }
        formats.append(QJsonObject{{"index", i},
                                   {"name", format.name},
                                   {"path", format.path},
                                   {"width", format.recordLength},
                                   {"fields", fields}});
    }
    Print(stdout, QString::fromUtf8(QJsonDocument(formats).toJson(QJsonDocument::Indented)));
}

namespace {

// Every column as the editor shows it: label columns computed, text columns as stored, a
// column of any other type empty.
void Dump(const EdtDocument& document)
{
    const RowLabels labels;
    const EdtFormat& format = document.Format();
    for (int record = 0; record < document.RecordCount(); ++record) {
        QJsonArray texts;
        for (int column = 0; column < document.ColumnCount(); ++column) {
            const FieldDef& field = format.fields[column];
            texts.append(field.type == kLabelField ? labels.Make(field, record)
                                                   : document.Text(record, column));
        }
        QByteArray line = QJsonDocument(texts).toJson(QJsonDocument::Compact);
        line.append('\n');
        std::fwrite(line.constData(), 1, line.size(), stdout);
    }
}

// The JSON lines are written by hand: their keys come in the documented order, which a JSON
// object does not keep.
void ListMatches(const EdtDocument& document, const SearchQuery& query, SearchOutcome* outcome)
{
    QByteArray out;
    auto flush = [&out] {
        std::fwrite(out.constData(), 1, out.size(), stdout);
        out.clear();
    };
    *outcome = FindAll(document, query, [&](const FieldMatch& match) {
        out += "{\"record\": " + QByteArray::number(match.record) +
               ", \"field\": " + QByteArray::number(match.field) +
               ", \"start\": " + QByteArray::number(match.start) +
               ", \"length\": " + QByteArray::number(match.length) + "}\n";
        if (out.size() > (1 << 16))
            flush();
    });
    flush();
}

// One JSON object, keys in the documented order.
void PrintStats(const EdtDocument& document, const TranslationCounts& counts, bool reference)
{
    QString line = QStringLiteral("{\"records\": %1, \"fields\": %2, \"empty\": %3, ")
                       .arg(document.RecordCount())
                       .arg(counts.fields)
                       .arg(counts.empty);
    if (reference)
        line += QStringLiteral("\"same_as_reference\": %1, ").arg(counts.sameAsReference);
    line += QStringLiteral(
                "\"translated\": %1, \"needs_work\": %4, \"approved\": %5, "
                "\"too_long\": %2, \"not_storable\": %3}\n")
                .arg(counts.translated)
                .arg(counts.tooLong)
                .arg(counts.notStorable)
                .arg(counts.needsWork)
                .arg(counts.approved);
    Print(stdout, line);
}

// Lists every field whose characters the storage would change; true when there is none.
bool CheckStorable(const EdtDocument& document, const TextStorage& storage, const QString& path)
{
    const std::vector<UnstorableField> fields =
        FindUnstorable(document, storage, std::numeric_limits<int>::max());
    // Records named as the editor names them; the converter's own sentences are English.
    const RowLabels labels;
    for (const UnstorableField& field : fields) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1: record %2, %3: %4\n")
                          .arg(path, labels.RecordName(document.Format(), field.record),
                               document.Format().fields[field.column].caption, field.characters));
    }
    if (!fields.empty())
        Print(stderr, QStringLiteral("scrivlet-convert: %1 not written: its encoding would change "
                                     "the characters of %2\n")
                          .arg(path, UiCountIn(UiLanguage::English, QStringLiteral("count.fields"),
                                               qint64(fields.size()))));
    return fields.empty();
}

int SaveOutput(EdtDocument& document, const QString& output, int encoding)
{
    const Result saved = SaveDocumentAs(document, output, FileTypeForPath(output), encoding);
    return saved ? kExitOk : Failed(str::SaveFailed, output, saved.Error());
}

int RunDump(Session& s)
{
    Dump(s.document);
    return kExitOk;
}

int RunExport(Session& s)
{
    LoadResult reference;
    if (const int failed = LoadReference(s, &reference))
        return failed;
    const Options& o = s.options;
    std::vector<PlacedNote> notes;
    if (Result read = NotesBesideFile(o.files[0])->Read(&notes); !read)
        return Failed("error.openFailed", NotesFilePath(o.files[0]), read.Error());
    FieldStates states(s.document);
    states.Restore(notes);
    const Result exported = ExportTranslations(s.document, reference.document.get(), o.exportPath,
                                               *o.exchangeFormat, nullptr, {}, &states);
    return exported ? kExitOk : Failed(str::SaveFailed, o.exportPath, exported.Error());
}

void PrintImportReport(const ImportReport& report)
{
    Print(stdout, QStringLiteral("{") + ImportCounts(report));
}

// Changes the document, then saves it as after a conversion.
int RunImport(Session& s)
{
    const Options& o = s.options;
    std::vector<TranslationEntry> entries;
    const Result read = ReadTranslations(o.importPath, *o.exchangeFormat, &entries);
    if (!read)
        return Failed(str::OpenFailed, o.importPath, read.Error());
    const QString output = o.files[1];
    // Storability is a question of where the texts go.
    s.document.SetEncoding(o.OutputEncoding());
    s.document.SetFileType(FileTypeForPath(output));
    ImportPlan plan;
    if (const Result planned = PlanImport(s.document, entries, o.includeFuzzy, &plan); !planned) {
        Print(stderr, planned.Error() + u'\n');
        return kExitFailed;
    }
    const ImportReport& report = plan.report;
    if (o.strict && report.count[ImportReport::NotStorable] > 0) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1 translations cannot be stored in the "
                                     "output's encoding (first in record %2); nothing written\n")
                          .arg(report.count[ImportReport::NotStorable])
                          .arg(report.records[ImportReport::NotStorable].front()));
        return kExitFailed;
    }
    if (!ApplyPlan(s.document, plan.texts))
        return kExitFailed;
    if (const int failed = SaveOutput(s.document, output, s.document.GetEncoding()))
        return failed;
    // INPUT's states and comments with the file's over them, beside OUTPUT.
    std::vector<PlacedNote> notes;
    if (Result read = NotesBesideFile(o.files[0])->Read(&notes); !read)
        return Failed("error.openFailed", NotesFilePath(o.files[0]), read.Error());
    if (Result written = NotesBesideFile(output)->Write(MergeNotes(notes, plan.notes)); !written)
        return Failed("error.saveFailed", NotesFilePath(output), written.Error());
    PrintImportReport(report);
    return kExitOk;
}

int RunStats(Session& s)
{
    const Options& o = s.options;
    TranslationStatus status(s.document);
    LoadResult reference;
    if (const int failed = LoadReference(s, &reference))
        return failed;
    if (reference.document)
        status.SetReference(reference.document.get());
    if (o.toEncoding)
        status.SetStorage(TextStorage{*o.toEncoding, FileTypeForPath(o.files[0])});
    FieldStates states(s.document);
    std::vector<PlacedNote> notes;
    if (Result read = NotesBesideFile(o.files[0])->Read(&notes); !read)
        return Failed("error.openFailed", NotesFilePath(o.files[0]), read.Error());
    states.Restore(notes);
    status.SetFieldStates(&states);
    PrintStats(s.document, status.Counts(), !o.reference.isEmpty());
    return kExitOk;
}

// The untranslated fields given the one translation their original already has elsewhere.
int RunPropagate(Session& s)
{
    LoadResult reference;
    if (const int failed = LoadReference(s, &reference))
        return failed;
    const SourceGroups groups(*reference.document);
    TextPlan plan;
    GroupFill fill;
    if (!PlanGroupFill(groups, s.document, *reference.document, &plan, &fill)) {
        Print(stderr, QStringLiteral("scrivlet-convert: not enough memory to propagate\n"));
        return kExitFailed;
    }
    if (!ApplyPlan(s.document, plan))
        return kExitFailed;
    if (const int failed = SaveOutput(s.document, s.options.files[1], s.options.OutputEncoding()))
        return failed;
    Print(stdout, QStringLiteral("{\"groups\": %1, \"filled\": %2, \"conflicting\": %3}\n")
                      .arg(fill.groups)
                      .arg(fill.filled)
                      .arg(fill.conflicting));
    return kExitOk;
}

int RunStates(Session& s)
{
    LoadResult reference;
    if (const int failed = LoadReference(s, &reference))
        return failed;
    const Options& o = s.options;
    return o.states
               ? ListFileStates(s.document, reference.document.get(), o.files[0])
               : SetFileState(s.document, reference.document.get(), o.files[0], o.stateRequest);
}

int RunFind(Session& s)
{
    SearchOutcome outcome = SearchOutcome::NotFound;
    ListMatches(s.document, *s.query, &outcome);
    return outcome == SearchOutcome::InvalidPattern ? InvalidPattern(s.query->text) : kExitOk;
}

// Replace All over the document; the report is printed once the output is saved.
int Replace(Session& s, ReplacePlan* plan)
{
    switch (PlanReplaceAll(s.document, *s.query, *s.options.replaceWith, plan)) {
        case ReplaceOutcome::Done:
            break;
        case ReplaceOutcome::InvalidPattern:
            return InvalidPattern(s.query->text);
        case ReplaceOutcome::NoMemory:
            Print(stderr, QStringLiteral("scrivlet-convert: not enough memory to replace\n"));
            return kExitFailed;
    }
    return ApplyPlan(s.document, plan->texts) ? kExitOk : kExitFailed;
}

// INPUT to OUTPUT, with --find and --replace-with replacing on the way.
int RunConvert(Session& s)
{
    const Options& o = s.options;
    ReplacePlan plan;
    if (s.query) {
        if (const int failed = Replace(s, &plan))
            return failed;
    }
    const QString output = o.files[1];
    if (o.strict &&
        !CheckStorable(s.document, TextStorage{o.OutputEncoding(), FileTypeForPath(output)},
                       output))
        return kExitFailed;
    if (const int failed = SaveOutput(s.document, output, o.OutputEncoding()))
        return failed;
    if (s.query) {
        const ReplaceReport& report = plan.report;
        Print(stdout,
              QStringLiteral("{\"replaced\": %1, \"records\": %2, \"skipped_too_long\": %3}\n")
                  .arg(report.replaced)
                  .arg(report.records)
                  .arg(report.skippedTooLong));
    }
    return kExitOk;
}

struct Mode {
    bool (*chosen)(const Options& options);
    int (*run)(Session& session);
};

// The first mode whose options are given runs; a conversion when none is.
const Mode kModes[] = {
    {[](const Options& o) { return o.update; }, RunUpdate},
    {[](const Options& o) { return o.propagate; }, RunPropagate},
    {[](const Options& o) { return o.dump; }, RunDump},
    {[](const Options& o) { return o.Exporting(); }, RunExport},
    {[](const Options& o) { return o.Importing(); }, RunImport},
    {[](const Options& o) { return o.stats; }, RunStats},
    {[](const Options& o) { return o.states || o.setState; }, RunStates},
    {[](const Options& o) { return o.checkRequest.check; }, RunCheck},
    {[](const Options& o) { return o.find && !o.replaceWith; }, RunFind},
    {[](const Options&) { return true; }, RunConvert},
};

}  // namespace

int RunMode(Session& session)
{
    for (const Mode& mode : kModes) {
        if (mode.chosen(session.options))
            return mode.run(session);
    }
    return kExitUsage;
}

}  // namespace scrivlet::convert
