#include "shell/DocumentCommands.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"
#include "documents/RowLabels.h"
#include "documents/Storability.h"
#include "session/DocumentSession.h"
#include "session/Settings.h"
#include "shell/DialogHost.h"
#include "shell/DocumentTabs.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QUndoStack>
#include <QUrl>

namespace scrivlet {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// Paths in messages read as the platform writes them.
QString DisplayPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The suffix of a type, records for anything that names no type.
QString SuffixOfType(int fileType)
{
    return FileTypeSuffix(fileType == kFileTypeText ? kFileTypeText : kFileTypeEdt);
}

bool HasExtension(const QString& path)
{
    return QFileInfo(path).fileName().contains(QLatin1Char('.'));
}

// The recent list names every file a document was read from or written to, newest first.
void Remember(const EdtDocument& document)
{
    RememberRecentFile({QFileInfo(document.Path()).absoluteFilePath(), document.FormatIndex(),
                        document.GetEncoding(), document.GetFileType()});
}

// The type of a file opened with the type entry typeEntry (0 all supported, 1 EDT, 2 text):
// the entry's own, or for "all supported" the extension.
int FileTypeForOpen(int typeEntry, const QString& path)
{
    return FileTypeForPath(path, typeEntry);
}

// The file a Save As writes and its type. "All supported" takes the type from the name as Open
// does (records only for ".edt"); a name without extension gets the one of its type.
struct SaveTarget {
    QString path;
    int fileType = 0;
};

SaveTarget ResolveSaveTarget(const QString& chosen, int typeEntry)
{
    if (HasExtension(chosen))
        return {chosen, FileTypeForPath(chosen, typeEntry)};
    // A bare name under "all supported" becomes a record file, as the dialog's suffix says.
    const int fileType = typeEntry == kFileTypeText ? kFileTypeText : kFileTypeEdt;
    return {chosen + QLatin1Char('.') + FileTypeSuffix(fileType), fileType};
}

// Where Save All As writes a document: folder, the document's name without its extension
// (a never-saved document is named after its tab), then the type's extension, or for
// fileType 0 the document's own.
QString SaveAllOutputPath(const QString& folder, const EdtDocument& document,
                          const QString& tabName, int fileType)
{
    const QString path = document.Path();
    QString name;
    QString ownSuffix;
    if (path.isEmpty()) {
        // Never saved: no file name to keep, so the tab's title names it.
        name = tabName;
        ownSuffix = SuffixOfType(document.GetFileType());
    } else {
        const QFileInfo info(path);
        if (HasExtension(path)) {
            name = info.completeBaseName();
            ownSuffix = info.suffix();
        } else {
            name = info.fileName();
        }
    }
    QString suffix;
    if (fileType == kFileTypeEdt || fileType == kFileTypeText)
        suffix = SuffixOfType(fileType);
    else
        suffix = ownSuffix;
    if (!suffix.isEmpty())
        name += QLatin1Char('.') + suffix;
    return QDir(folder).filePath(name);
}

// The form in which paths are compared (case-insensitively where the file system is).
QString OutputPathKey(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return kPathCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

// path itself when no file of this run has it yet, otherwise "name (2).ext", "name (3).ext"...
QString UniqueOutputPath(const QString& path, const QSet<QString>& taken)
{
    if (!taken.contains(OutputPathKey(path)))
        return path;
    const QFileInfo info(path);
    const bool hasExtension = HasExtension(path);
    const QString name = hasExtension ? info.completeBaseName() : info.fileName();
    const QString suffix = hasExtension ? QLatin1Char('.') + info.suffix() : QString();
    for (int n = 2;; ++n) {
        const QString candidate =
            info.dir().filePath(QStringLiteral("%1 (%2)%3").arg(name).arg(n).arg(suffix));
        if (!taken.contains(OutputPathKey(candidate)))
            return candidate;
    }
}

// One character of a message: a space or a control character by its code, which shows.
QString Shown(const QString& one)
{
    if (one.size() == 1 && (one[0].isSpace() || one[0].category() == QChar::Other_Control))
        return QStringLiteral("U+%1").arg(one[0].unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return one;
}

// A character as a save changes it: "★ → ?".
QString ChangeOf(const QString& one, const TextStorage& storage)
{
    const QString stored = StorableText(one, storage);
    return Shown(one) + QStringLiteral(" \u2192 ") +
           (stored.isEmpty() ? UiText("work.unstorableEnds") : Shown(stored));
}

// The characters a save would change and what each becomes, those held by the same records on
// one line with the records named as the grid names them: "ó → o, ł → l in records Prologue, # 3".
QStringList UnstorableLines(const EdtDocument& document, const TextStorage& storage, int room)
{
    // Enough fields to name a character's records; the message shows only a few of them.
    constexpr int kFieldsLooked = 1000;
    constexpr int kRecordsNamed = 10;
    QStringList characters;  // in order of first appearance
    QHash<QString, QList<int>> recordsOf;
    for (const UnstorableField& field : FindUnstorable(document, storage, kFieldsLooked)) {
        for (qsizetype i = 0; i < field.characters.size();) {
            const qsizetype n = field.characters[i].isHighSurrogate() ? 2 : 1;
            const QString one = field.characters.mid(i, n);
            i += n;
            QList<int>& records = recordsOf[one];
            if (records.isEmpty())
                characters << one;
            if (records.isEmpty() || records.last() != field.record)
                records << field.record;
        }
    }
    QList<QList<int>> groupRecords;
    QList<QStringList> groupCharacters;
    for (const QString& one : characters) {
        const qsizetype group = groupRecords.indexOf(recordsOf[one]);
        if (group >= 0) {
            groupCharacters[group] << ChangeOf(one, storage);
        } else {
            groupRecords << recordsOf[one];
            groupCharacters << QStringList{ChangeOf(one, storage)};
        }
    }
    const RowLabels labels;
    QStringList lines;
    for (qsizetype group = 0; group < groupRecords.size() && lines.size() < room; ++group) {
        const QList<int>& records = groupRecords[group];
        QStringList names;
        for (qsizetype k = 0; k < records.size() && k < kRecordsNamed; ++k)
            names << labels.RecordName(document.Format(), records[k]);
        if (records.size() > kRecordsNamed)
            names << QStringLiteral("…");
        lines << UiText(names.size() == 1 ? "work.unstorableRecord" : "work.unstorableRecords")
                     .arg(groupCharacters[group].join(QStringLiteral(", ")),
                          names.join(QStringLiteral(", ")));
    }
    return lines;
}

}  // namespace

// --- the commands ------------------------------------------------------------------------

DocumentCommands::DocumentCommands(DocumentTabs& tabs)
    : tabs_(tabs), qtHost_(std::make_unique<QtDialogHost>(tabs.Catalogue())), host_(qtHost_.get())
{
}

const FormatCatalogue& DocumentCommands::Catalogue() const
{
    return tabs_.Catalogue();
}

bool DocumentCommands::IsFormat(int format) const
{
    return format >= 0 && format < Catalogue().Count();
}

void DocumentCommands::Saved(int index)
{
    if (DocumentSession* session = tabs_.SessionAt(index))
        session->MarkSaved();
}

bool DocumentCommands::OpenDropped(const QList<QUrl>& urls)
{
    QStringList files;
    bool ignored = false;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).isFile())
            files << path;
        else
            ignored = true;
    }
    if (ignored)
        QApplication::beep();
    if (files.isEmpty())
        return false;
    // Opened once the drop has ended: the source waits for its answer while a wizard or a
    // message would run its own loop.
    QMetaObject::invokeMethod(
        tabs_.Window(), [this, files] { OpenFiles(files); }, Qt::QueuedConnection);
    return true;
}

void DocumentCommands::FileChanged(DocumentSession& session)
{
    // A writer that truncates, then writes, reports twice: one question covers both, and a
    // reload reads the file as it is once answered.
    if (asking_.contains(&session))
        return;
    asking_.insert(&session);
    const auto asked = qScopeGuard([this, &session] { asking_.remove(&session); });
    // The tab may close while the question is open.
    const QPointer<DocumentSession> alive(&session);
    EdtDocument* document = session.Document();
    const QString path = document->Path();
    if (session.IsModified()) {
        // Merged as git merges a pull of ours, field by field; where that cannot be, warned.
        if (const std::optional<MergeCounts> merged =
                session.MergeDiskChanges(UiText("undo.mergeDisk"))) {
            host_->ShowMessage(tabs_.Window(),
                               UiText("recov.merged")
                                   .arg(DisplayPath(path))
                                   .arg(merged->merged)
                                   .arg(merged->conflicts),
                               merged->conflicts ? QMessageBox::Warning : QMessageBox::Information);
            return;
        }
        host_->ShowMessage(tabs_.Window(), UiText("recov.changedModified").arg(DisplayPath(path)),
                           QMessageBox::Warning);
        return;
    }
    if (host_->Ask(tabs_.Window(), UiText("recov.changed").arg(DisplayPath(path)),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                   AppCaption()) != QMessageBox::Yes ||
        !alive)
        return;
    const LoadResult loaded = LoadDocument(path, document->GetFileType(), document->GetEncoding(),
                                           document->Format(), document->FormatIndex(), true);
    if (!loaded.document) {
        ReportOpenFailed(path, loaded.error);
        return;
    }
    session.Reload(*loaded.document);
}

DocumentCommands::~DocumentCommands() = default;

void DocumentCommands::SetDialogHost(DialogHost* host)
{
    host_ = host ? host : qtHost_.get();
}

QWidget* DocumentCommands::Owner() const
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : tabs_.Window();
}

void DocumentCommands::ApplyPanel(const PanelSetup& setup, const FileDialogAnswer& answer)
{
    if (!setup.active)
        return;
    state_.lastFileType = answer.filterIndex == kFileTypeEdt || answer.filterIndex == kFileTypeText
                              ? answer.filterIndex
                              : kFileTypeAll;
    if (IsValidEncoding(answer.encodingIndex))
        LastEncodingSetting().Set(quint32(answer.encodingIndex));
    // Entry 0 is automatic detection.
    const int format = answer.formatIndex - 1;
    state_.chosenFormat = IsFormat(format) ? format : -1;
}

void DocumentCommands::ReportOpenFailed(const QString& path, const QString& reason)
{
    const QString text = UiText(str::OpenFailed).arg(DisplayPath(path));
    host_->ShowMessage(tabs_.Window(), reason.isEmpty() ? text : text + u'\n' + reason,
                       QMessageBox::Critical);
}

void DocumentCommands::ReportSaveFailed(const QString& path, const QString& reason)
{
    host_->ShowMessage(tabs_.Window(),
                       UiText(str::SaveFailed).arg(DisplayPath(path)) + u'\n' + reason,
                       QMessageBox::Critical);
}

void DocumentCommands::New()
{
    WizardSelection selection;
    if (!host_->RunWizard(Owner(), kWizardFormatPage, selection) || !IsFormat(selection.format))
        return;
    tabs_.AddDocument(NewDocument(*Catalogue().At(selection.format), selection.format),
                      UiText(str::NewTabTitle), true);
}

void DocumentCommands::Open()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.parent = Owner();
    request.filters = FileFilters();
    request.defaultSuffix = FileTypeSuffix(kFileTypeEdt);
    request.panel = MakePanelSetup(FileDialogKind::Open, Catalogue(),
                                   int(LastEncodingSetting().Get()), nullptr);
    const FileDialogAnswer answer = host_->GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    ApplyPanel(request.panel, answer);

    const FormatDetector detector(Catalogue());
    // One wizard state for the whole selection: its format page keeps the last answer.
    WizardSelection wizard;
    int acceptedFormat = -1;
    int lastType = state_.lastFileType;
    for (const QString& path : answer.files) {
        const int fileType = FileTypeForOpen(state_.lastFileType, path);
        lastType = fileType;
        OpenFile(path, fileType, state_.chosenFormat, int(LastEncodingSetting().Get()), detector,
                 wizard, acceptedFormat);
    }
    state_.lastFileType = lastType;
}

void DocumentCommands::OpenFiles(const QStringList& paths, int format, int encoding)
{
    if (!IsValidEncoding(encoding))
        encoding = int(LastEncodingSetting().Get());
    const FormatDetector detector(Catalogue());
    WizardSelection wizard;
    int acceptedFormat = -1;
    for (const QString& given : paths) {
        // Detection reads the full path, as the Open dialog gives it.
        const QString path = QFileInfo(given).absoluteFilePath();
        // No dialog has checked these names: a missing file must not lead to the wizard.
        if (!QFileInfo(path).isFile()) {
            ReportOpenFailed(path);
            continue;
        }
        state_.lastFileType = FileTypeForPath(path);
        OpenFile(path, state_.lastFileType, format, encoding, detector, wizard, acceptedFormat);
    }
}

void DocumentCommands::OpenRecent(const RecentFile& entry)
{
    if (!QFileInfo(entry.path).isFile()) {
        ForgetRecentFile(entry.path);
        host_->ShowMessage(tabs_.Window(), UiText("recent.gone").arg(DisplayPath(entry.path)),
                           QMessageBox::Warning);
        return;
    }
    const bool known = IsFormat(entry.format) && IsValidEncoding(entry.encoding) &&
                       (entry.fileType == kFileTypeEdt || entry.fileType == kFileTypeText);
    // An entry the catalogue or this version no longer fits opens as a dropped file would.
    if (!known) {
        OpenFiles({entry.path});
        return;
    }
    if (openElsewhere_ && openElsewhere_(QFileInfo(entry.path).absoluteFilePath()))
        return;
    bool declined = false;
    LoadResult loaded = Load(entry.path, entry.fileType, entry.format, entry.encoding, &declined);
    if (!loaded.document) {
        if (!declined)
            ReportOpenFailed(entry.path, loaded.error);
        return;
    }
    state_.lastFileType = entry.fileType;
    AddOpened(std::move(loaded));
}

bool DocumentCommands::OpenFile(const QString& path, int fileType, int format, int encoding,
                                const FormatDetector& detector, WizardSelection& wizard,
                                int& acceptedFormat)
{
    if (openElsewhere_ && openElsewhere_(QFileInfo(path).absoluteFilePath()))
        return true;
    if (!IsFormat(format)) {
        const Detection detection = detector.Detect(path, acceptedFormat);
        if (detection.ask) {
            // A tie offers the first of the tied formats; no match leaves the last answer.
            if (!detection.candidates.isEmpty())
                wizard.format = detection.preselect;
            if (!host_->RunWizard(Owner(), kWizardFormatPage, wizard) || !IsFormat(wizard.format))
                return false;
            acceptedFormat = wizard.format;
            format = wizard.format;
        } else {
            format = detection.format;
        }
    }

    // A size that is no whole number of records is asked about at once; No ends the open.
    bool declined = false;
    LoadResult loaded = Load(path, fileType, format, encoding, &declined);
    if (!loaded.document && !declined) {
        // Another format may read the file.
        ReportOpenFailed(path, loaded.error);
        wizard.format = format;
        if (!host_->RunWizard(Owner(), kWizardFormatPage, wizard) || !IsFormat(wizard.format))
            return false;
        loaded = Load(path, fileType, wizard.format, encoding, &declined);
        if (!loaded.document && !declined)
            ReportOpenFailed(path, loaded.error);
    }
    if (!loaded.document)
        return false;
    AddOpened(std::move(loaded));
    return true;
}

LoadResult DocumentCommands::Load(const QString& path, int fileType, int format, int encoding,
                                  bool* declined)
{
    HostPrompts prompts(*host_, tabs_.Window());
    LoadResult result =
        LoadDocument(path, fileType, encoding, *Catalogue().At(format), format, false, &prompts);
    *declined = prompts.Declined();
    return result;
}

void DocumentCommands::AddOpened(LoadResult loaded)
{
    EdtDocument& document = *loaded.document;
    Remember(document);
    const QString path = document.Path();
    const QString invalid = InvalidBytesText(loaded.notes, document.Format());
    tabs_.AddDocument(std::move(loaded.document), QFileInfo(path).fileName(),
                      loaded.notes.DiffersFromFile());
    // Said where it stays in sight, once the tab shows what it is about.
    if (!invalid.isEmpty()) {
        tabs_.ShowStatus(invalid);
        host_->ShowMessage(tabs_.Window(), UiText("load.notice").arg(DisplayPath(path), invalid),
                           QMessageBox::Warning);
    } else if (loaded.notes.bytesLeftOut > 0) {
        tabs_.ShowStatus(LeftOutText(loaded.notes));
    }
}

std::unique_ptr<EdtDocument> DocumentCommands::AskReference(const EdtDocument& document)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.parent = Owner();
    request.filters = FileFilters();
    request.defaultSuffix = FileTypeSuffix(kFileTypeEdt);
    request.panel =
        MakePanelSetup(FileDialogKind::Open, Catalogue(), document.GetEncoding(), nullptr);
    // Records pair up only in the same layout: the format is the document's.
    if (document.FormatIndex() + 1 < request.panel.formats.size())
        request.panel.formatIndex = document.FormatIndex() + 1;
    request.panel.formatEnabled = false;
    request.title = UiText("reference.dialogTitle");
    request.start = document.Path();
    const FileDialogAnswer answer = host_->GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty() || !IsValidEncoding(answer.encodingIndex))
        return nullptr;
    const QString& path = answer.files.first();
    // Quiet: a file of another layout would pair garbage with the records, whole or not.
    LoadResult loaded =
        LoadDocument(path, FileTypeForOpen(answer.filterIndex, path), answer.encodingIndex,
                     document.Format(), document.FormatIndex(), true);
    if (!loaded.document) {
        host_->ShowMessage(tabs_.Window(),
                           UiText("reference.refused").arg(DisplayPath(path), loaded.error),
                           QMessageBox::Warning);
        return nullptr;
    }
    QStringList notes;
    if (const int count = loaded.document->RecordCount(); count != document.RecordCount())
        notes << UiText("reference.countDiffers")
                     .arg(UiCount("count.records", count),
                          UiCount("count.records", document.RecordCount()));
    if (const QString invalid = InvalidBytesText(loaded.notes, document.Format());
        !invalid.isEmpty())
        notes << invalid;
    if (!notes.isEmpty())
        host_->ShowMessage(
            tabs_.Window(),
            DisplayPath(path) + QStringLiteral("\n\n") + notes.join(QStringLiteral("\n\n")),
            QMessageBox::Information);
    return std::move(loaded.document);
}

bool DocumentCommands::ConfirmStorable(const std::vector<PlannedSave>& saves)
{
    // The question has this many lines at most.
    constexpr int kListed = 20;
    QStringList lines;
    for (const PlannedSave& save : saves) {
        const int room = kListed - static_cast<int>(lines.size());
        if (room <= 0)
            break;
        for (const QString& line : UnstorableLines(*save.document, save.storage, room))
            lines << (saves.size() > 1 ? save.name + QStringLiteral(": ") + line : line);
    }
    if (lines.isEmpty())
        return true;
    return host_->Ask(tabs_.Window(), UiText("work.unstorable").arg(lines.join(u'\n')),
                      QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Warning,
                      QString()) == QMessageBox::Save;
}

Result DocumentCommands::WriteStorable(int index, const TextStorage& storage,
                                       const std::function<Result()>& write)
{
    DocumentSession* session = tabs_.SessionAt(index);
    TextPlan plan;
    const bool replaced = PlanStorableTexts(*session->Document(), storage, &plan) &&
                          !plan.IsEmpty() && session->SetTexts(plan, UiText("undo.storable"));
    const Result written = write();
    if (!written && replaced)
        session->UndoStack()->undo();
    return written;
}

bool DocumentCommands::Save(int index)
{
    EdtDocument* document = tabs_.DocumentAt(index);
    if (!document)
        return false;
    if (document->Path().isEmpty())
        return SaveAs(index);
    if (!ConfirmStorable({{document, TextStorage{document->GetEncoding(), document->GetFileType()},
                           tabs_.TabName(index)}}))
        return false;
    const TextStorage storage{document->GetEncoding(), document->GetFileType()};
    if (const Result saved =
            WriteStorable(index, storage, [document] { return SaveDocument(*document); });
        !saved) {
        ReportSaveFailed(document->Path(), saved.Error());
        return false;
    }
    Remember(*document);
    Saved(index);
    return true;
}

bool DocumentCommands::SaveAs(int index)
{
    EdtDocument* document = tabs_.DocumentAt(index);
    if (!document)
        return false;
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = Owner();
    request.filters = FileFilters();
    request.defaultSuffix = SuffixOfType(state_.lastFileType);
    request.panel = MakePanelSetup(FileDialogKind::SaveAs, Catalogue(),
                                   int(LastEncodingSetting().Get()), document);
    // The document's own folder and name; a new one is offered under its tab's name.
    request.start =
        !document->Path().isEmpty()
            ? document->Path()
            : QDir(state_.saveAllStart)
                  .filePath(tabs_.TabName(index) + u'.' + SuffixOfType(document->GetFileType()));
    const FileDialogAnswer answer = host_->GetSaveFileName(request);
    if (!answer.accepted || answer.files.isEmpty())
        return false;
    ApplyPanel(request.panel, answer);

    const SaveTarget target = ResolveSaveTarget(answer.files.first(), answer.filterIndex);
    const int encoding = int(LastEncodingSetting().Get());
    const TextStorage storage{
        encoding, target.fileType == kFileTypeAll ? document->GetFileType() : target.fileType};
    if (!ConfirmStorable({{document, storage, tabs_.TabName(index)}}))
        return false;
    const Result saved = WriteStorable(index, storage, [&] {
        return SaveDocumentAs(*document, target.path, target.fileType, encoding);
    });
    if (!saved) {
        ReportSaveFailed(target.path, saved.Error());
        return false;
    }
    tabs_.SetTabName(index, QFileInfo(target.path).fileName());
    Remember(*document);
    Saved(index);
    return true;
}

void DocumentCommands::SaveAllAs()
{
    // Nothing to save: no folder to ask for.
    if (tabs_.TabCount() == 0)
        return;
    QString start = state_.saveAllStart;
    if (const EdtDocument* active = tabs_.DocumentAt(tabs_.ActiveIndex())) {
        if (!active->Path().isEmpty())
            start = QFileInfo(active->Path()).absolutePath();
    }
    state_.saveAllStart = start;
    const QString folder =
        host_->GetExistingDirectory(Owner(), UiText(str::SelectOutputFolder), start);
    if (folder.isEmpty())
        return;
    // Entry 0 of both pages, preselected, keeps each document's own type and encoding.
    WizardSelection selection;
    if (!host_->RunWizard(Owner(), kWizardFileTypePage | kWizardEncodingPage | kWizardOwnChoices,
                          selection))
        return;
    if (selection.fileType < kFileTypeAll || selection.fileType > kFileTypeText ||
        (selection.encoding != 0 && !IsValidEncoding(selection.encoding - 1)))
        return;
    const auto encodingOf = [&selection](const EdtDocument& document) {
        return selection.encoding == 0 ? document.GetEncoding() : selection.encoding - 1;
    };

    std::vector<PlannedSave> saves;
    for (int index = tabs_.TabCount() - 1; index >= 0; --index) {
        EdtDocument* document = tabs_.DocumentAt(index);
        const int fileType =
            selection.fileType == kFileTypeAll ? document->GetFileType() : selection.fileType;
        saves.push_back(
            {document, TextStorage{encodingOf(*document), fileType}, tabs_.TabName(index)});
    }
    if (!ConfirmStorable(saves))
        return;

    // Two documents of the same name must not end up in one file.
    QSet<QString> taken;
    for (int index = tabs_.TabCount() - 1; index >= 0; --index) {
        EdtDocument* document = tabs_.DocumentAt(index);
        const QString output = UniqueOutputPath(
            SaveAllOutputPath(folder, *document, tabs_.TabName(index), selection.fileType), taken);
        taken.insert(OutputPathKey(output));
        const Result saved =
            WriteStorable(index, saves[size_t(tabs_.TabCount() - 1 - index)].storage, [&] {
                return SaveDocumentAs(*document, output, selection.fileType, encodingOf(*document));
            });
        if (!saved) {
            ReportSaveFailed(output, saved.Error());
            continue;
        }
        Remember(*document);
        Saved(index);
    }
}

bool DocumentCommands::Close(int index)
{
    const EdtDocument* document = tabs_.DocumentAt(index);
    if (!document)
        return false;
    if (tabs_.SessionAt(index)->IsModified()) {
        const QMessageBox::StandardButton answer =
            host_->Ask(tabs_.Window(),
                       UiText(str::SavePrompt)
                           .arg(document->Path().isEmpty() ? tabs_.TabName(index)
                                                           : DisplayPath(document->Path())),
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                       QMessageBox::Question, AppCaption());
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return false;
        if (answer == QMessageBox::Yes && !Save(index))
            return false;
    }
    tabs_.CloseTab(index);
    return true;
}

bool DocumentCommands::CloseAll()
{
    for (int index = tabs_.TabCount() - 1; index >= 0; --index) {
        if (!Close(index))
            return false;
    }
    return true;
}

}  // namespace scrivlet
