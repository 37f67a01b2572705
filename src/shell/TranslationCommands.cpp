#include "shell/TranslationCommands.h"

#include "base/UiText.h"
#include "documents/RowLabels.h"
#include "exchange/Exchange.h"
#include "session/DocumentSession.h"
#include "shell/BusyCursor.h"
#include "shell/DialogHost.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <map>

namespace scrivlet {

namespace {

// Starts beside the document; an export offers the document's name with the first format's
// suffix. Each format has its own entry in the type list, in the order of the formats; an
// import first offers them all together.
FileDialogRequest TranslationFileRequest(QWidget* parent, FileDialogKind kind,
                                         const EdtDocument& document)
{
    FileDialogRequest request;
    request.kind = kind;
    request.parent = parent;
    QStringList all;
    for (const TranslationFileFormat* format : TranslationFileFormats()) {
        QStringList patterns;
        for (const QString& suffix : format->Suffixes())
            patterns << QStringLiteral("*.") + suffix;
        all << patterns;
        request.filters << FileFilter{
            UiText("xchg.formatFilter").arg(format->Name().toString().toUpper()), patterns,
            format->Suffixes().front()};
    }
    if (kind == FileDialogKind::Open)
        request.filters.prepend({UiText("xchg.filter"), all, QString()});
    request.defaultSuffix = TranslationFileFormats().front()->Suffixes().front();
    request.documents = false;
    if (!document.Path().isEmpty()) {
        const QFileInfo info(document.Path());
        request.start = info.dir().filePath(info.completeBaseName() + u'.' + request.defaultSuffix);
    }
    return request;
}

// Records are named as the grid names them, not by their index.
QString ReportText(const ImportReport& report, const EdtFormat& format)
{
    const RowLabels labels;
    QStringList lines;
    for (int kind = 0; kind < ImportReport::KindCount; ++kind) {
        // Drafts are imported as needs work now: none is skipped any more.
        if (kind == ImportReport::FuzzySkipped)
            continue;
        const QString key = QStringLiteral("xchg.report%1").arg(kind);
        QString line = UiText(key.toLatin1().constData()).arg(report.count[kind]);
        if (!report.records[kind].empty()) {
            QStringList records;
            for (int record : report.records[kind])
                records << labels.RecordName(format, record);
            if (report.records[kind].size() == static_cast<size_t>(ImportReport::kRecordsKept))
                records << QStringLiteral("…");
            line += u' ' + UiText(records.size() == 1 ? "xchg.record" : "xchg.records")
                               .arg(records.join(QStringLiteral(", ")));
        }
        lines << line;
    }
    return lines.join(u'\n');
}

// The notes the import leaves on the fields it names: its states and comments put over the
// session's as a project import puts them (a file without a comment keeps the one there); an
// empty note where none is left.
std::vector<PlacedNote> ImportedNotes(const FieldStates& states,
                                      const std::vector<PlacedNote>& imported)
{
    std::vector<PlacedNote> kept;
    for (const PlacedNote& placed : imported) {
        if (const FieldNote* now = states.At(placed.record, placed.field))
            kept.push_back({placed.record, placed.field, *now});
    }
    std::map<std::pair<int, int>, FieldNote> merged;
    for (PlacedNote& placed : MergeNotes(std::move(kept), imported))
        merged[{placed.record, placed.field}] = std::move(placed.note);
    std::vector<PlacedNote> notes;
    for (const PlacedNote& placed : imported)
        notes.push_back({placed.record, placed.field, merged[{placed.record, placed.field}]});
    return notes;
}

}  // namespace

void ExportTranslationsCommand(DialogHost& host, QWidget* parent, const EdtDocument& document,
                               const EdtDocument* reference, const FieldStates* states)
{
    const FileDialogAnswer answer =
        host.GetSaveFileName(TranslationFileRequest(parent, FileDialogKind::SaveAs, document));
    if (!answer.accepted || answer.files.isEmpty())
        return;
    const QString path = answer.files.first();
    // A name of no known kind is written in the format of the type entry chosen.
    const auto formats = TranslationFileFormats();
    const TranslationFileFormat* format = &TranslationFormatForPath(path);
    if (const qsizetype entry = answer.filterIndex;
        !format->Suffixes().contains(QFileInfo(path).suffix(), Qt::CaseInsensitive) && entry >= 0 &&
        entry < qsizetype(formats.size()))
        format = formats[entry];
    Result exported;
    qsizetype entries = 0;
    {
        const BusyCursor busy;
        exported = ExportTranslations(document, reference, path, *format, &entries, {}, states);
    }
    const QString shown = QDir::toNativeSeparators(path);
    if (!exported) {
        host.ShowMessage(parent, UiText("xchg.exportFailed").arg(shown) + u'\n' + exported.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    host.ShowMessage(parent, UiText("xchg.exported").arg(UiCount("count.entries", entries), shown),
                     QMessageBox::Information, AppCaption());
}

void ImportTranslationsCommand(DialogHost& host, QWidget* parent, DocumentSession& session)
{
    const EdtDocument& document = *session.Document();
    const FileDialogAnswer answer =
        host.GetOpenFileNames(TranslationFileRequest(parent, FileDialogKind::Open, document));
    if (!answer.accepted || answer.files.isEmpty())
        return;
    const QString path = answer.files.first();
    std::vector<TranslationEntry> entries;
    ImportPlan plan;
    Result done;
    {
        const BusyCursor busy;
        done = ReadTranslations(path, TranslationFormatForPath(path), &entries);
    }
    if (done) {
        // A draft comes in as needs work: nothing to ask.
        const BusyCursor busy;
        done = PlanImport(document, entries, true, &plan);
        if (done)
            session.SetTextsWithNotes(plan.texts, ImportedNotes(*session.States(), plan.notes),
                                      UiText("xchg.undo"));
    }
    if (!done) {
        host.ShowMessage(parent, UiText("xchg.importFailed").arg(path) + u'\n' + done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    host.ShowMessage(parent, ReportText(plan.report, document.Format()), QMessageBox::Information,
                     AppCaption());
}

}  // namespace scrivlet
