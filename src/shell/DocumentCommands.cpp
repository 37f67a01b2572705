#include "shell/DocumentCommands.h"

#include "shell/DialogHost.h"
#include "documents/DocumentCodec.h"
#include "shell/DocumentTab.h"
#include "documents/Encodings.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "grid/GridView.h"
#include "shell/MainFrame.h"
#include "grid/RecordGrid.h"
#include "base/Settings.h"
#include "base/UiText.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace scrivlet {

namespace {

const QString kEdtSuffix = QStringLiteral("edt");
const QString kTextSuffix = QStringLiteral("txt");

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

QString SuffixOfType(int fileType)
{
    return fileType == kFileTypeText ? kTextSuffix : kEdtSuffix;
}

// Paths in messages read as the platform writes them.
QString DisplayPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool HasExtension(const QString& path)
{
    return QFileInfo(path).fileName().contains(QLatin1Char('.'));
}

QString WithoutModifiedMark(const QString& title)
{
    return title.startsWith(QChar(kModifiedMark)) ? title.mid(1) : title;
}

bool IsFormat(int format)
{
    return format >= 0 && format < GlobalCatalogue().Count();
}

}  // namespace

int FileTypeForOpen(int typeEntry, const QString& path)
{
    if (typeEntry == kFileTypeEdt || typeEntry == kFileTypeText)
        return typeEntry;
    return FileTypeFromPath(path);
}

SaveTarget ResolveSaveTarget(const QString& chosen, int typeEntry)
{
    SaveTarget target{chosen, kFileTypeEdt};
    const bool hasExtension = HasExtension(chosen);
    if (typeEntry == kFileTypeEdt || typeEntry == kFileTypeText) {
        target.fileType = typeEntry;
    } else if (hasExtension) {
        // "All supported" names no type: the name does, as it does when opening.
        target.fileType = QFileInfo(chosen).suffix().compare(kTextSuffix, Qt::CaseInsensitive) == 0
                              ? kFileTypeText
                              : kFileTypeEdt;
    }
    if (!hasExtension)
        target.path = chosen + QLatin1Char('.') + SuffixOfType(target.fileType);
    return target;
}

QString SaveAllOutputPath(const QString& folder, const RecordGrid& grid, const QString& tabTitle,
                          int fileType)
{
    const QString path = grid.GetPath();
    QString name;
    QString ownSuffix;
    if (path.isEmpty()) {
        // Never saved: no file name to keep, so the tab's title names it.
        name = WithoutModifiedMark(tabTitle);
        ownSuffix = SuffixOfType(grid.GetFileType());
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

QString OutputPathKey(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return kPathCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

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

// --- the commands ------------------------------------------------------------------------

DocumentCommands::DocumentCommands(MainFrame* frame)
    : QObject(frame), frame_(frame), qtHost_(std::make_unique<QtDialogHost>()), host_(qtHost_.get())
{
    setObjectName(QStringLiteral("documentCommands"));
}

DocumentCommands::~DocumentCommands() = default;

void DocumentCommands::SetDialogHost(DialogHost* host)
{
    host_ = host ? host : qtHost_.get();
}

QWidget* DocumentCommands::Owner() const
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : frame_;
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

void DocumentCommands::ReportOpenFailed(const QString& path)
{
    host_->ShowMessage(frame_, FormatUiText(UiText(str::OpenFailed), DisplayPath(path)),
                       QMessageBox::Critical);
}

void DocumentCommands::ReportSaveFailed(const QString& path)
{
    host_->ShowMessage(frame_, FormatUiText(UiText(str::SaveFailed), DisplayPath(path)),
                       QMessageBox::Critical);
}

void DocumentCommands::New()
{
    WizardSelection selection;
    if (!host_->RunWizard(Owner(), kWizardFormatPage, selection) || !IsFormat(selection.format))
        return;
    auto* view = new GridView(new RecordGrid);
    frame_->AddDocumentTab(view, UiText(str::NewTabTitle));
    NewDocument(*view->Grid(), selection.format);
}

void DocumentCommands::Open()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.parent = Owner();
    request.filters = FileFilters();
    request.defaultSuffix = kEdtSuffix;
    request.panel = MakePanelSetup(FileDialogKind::Open, GlobalCatalogue(),
                                   int(LastEncodingSetting().Get()), nullptr);
    const FileDialogAnswer answer = host_->GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    ApplyPanel(request.panel, answer);

    const FormatDetector detector(GlobalCatalogue());
    // One wizard state for the whole selection: its format page keeps the last answer.
    WizardSelection wizard;
    int acceptedFormat = -1;
    int lastType = state_.lastFileType;
    for (const QString& path : answer.files) {
        const int fileType = FileTypeForOpen(state_.lastFileType, path);
        lastType = fileType;
        OpenFile(path, fileType, detector, wizard, acceptedFormat);
    }
    state_.lastFileType = lastType;
}

bool DocumentCommands::OpenFile(const QString& path, int fileType, const FormatDetector& detector,
                                WizardSelection& wizard, int& acceptedFormat)
{
    int format = state_.chosenFormat;
    if (!IsFormat(format)) {
        const Detection detection = detector.Detect(path, acceptedFormat);
        if (detection.ask) {
            // A tie offers the first of the tied formats; no match leaves the last answer.
            if (!detection.candidates.isEmpty())
                wizard.format = detection.preselect;
            if (!host_->RunWizard(Owner(), kWizardFormatPage, wizard) || !IsFormat(wizard.format))
                return false;
            state_.formatConfirmed = true;
            acceptedFormat = wizard.format;
            format = wizard.format;
        } else {
            format = detection.format;
        }
    }

    std::unique_ptr<RecordGrid> grid = Load(path, fileType, format);
    if (!grid) {
        ReportOpenFailed(path);
        wizard.format = format;
        if (!host_->RunWizard(Owner(), kWizardFormatPage, wizard) || !IsFormat(wizard.format))
            return false;
        state_.formatConfirmed = true;
        grid = Load(path, fileType, wizard.format);
        if (!grid) {
            ReportOpenFailed(path);
            return false;
        }
    }
    frame_->AddDocumentTab(new GridView(grid.release()), QFileInfo(path).fileName());
    return true;
}

std::unique_ptr<RecordGrid> DocumentCommands::Load(const QString& path, int fileType, int format)
{
    // A failed load leaves a half-filled grid: every attempt starts from a new one.
    auto grid = std::make_unique<RecordGrid>();
    HostPrompts prompts(*host_, frame_);
    const int encoding = int(LastEncodingSetting().Get());
    if (!LoadDocument(*grid, path, fileType, encoding, format, !state_.formatConfirmed, &prompts))
        return nullptr;
    return grid;
}

bool DocumentCommands::Save(DocumentTab* tab)
{
    RecordGrid* grid = tab ? tab->Grid() : nullptr;
    if (!grid)
        return false;
    if (grid->GetPath().isEmpty())
        return SaveAs(tab);
    if (!SaveDocument(*grid)) {
        ReportSaveFailed(grid->GetPath());
        return false;
    }
    return true;
}

bool DocumentCommands::SaveAs(DocumentTab* tab)
{
    RecordGrid* grid = tab ? tab->Grid() : nullptr;
    if (!grid)
        return false;
    state_.beingSaved = tab;
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = Owner();
    request.filters = FileFilters();
    request.defaultSuffix = SuffixOfType(state_.lastFileType);
    request.panel = MakePanelSetup(FileDialogKind::SaveAs, GlobalCatalogue(),
                                   int(LastEncodingSetting().Get()), grid);
    const FileDialogAnswer answer = host_->GetSaveFileName(request);
    if (!answer.accepted || answer.files.isEmpty())
        return false;
    ApplyPanel(request.panel, answer);

    const SaveTarget target = ResolveSaveTarget(answer.files.first(), answer.filterIndex);
    frame_->SetTabTitle(frame_->IndexOf(tab), QFileInfo(target.path).fileName());
    if (!SaveDocumentAs(*grid, target.path, target.fileType, int(LastEncodingSetting().Get()),
                        state_.chosenFormat)) {
        ReportSaveFailed(grid->GetPath());
        return false;
    }
    return true;
}

void DocumentCommands::SaveAllAs()
{
    // Nothing to save: no folder to ask for.
    if (frame_->TabCount() == 0)
        return;
    QString start = state_.saveAllStart;
    if (DocumentTab* active = frame_->ActiveTab()) {
        const QString path = active->Grid() ? active->Grid()->GetPath() : QString();
        if (!path.isEmpty())
            start = QFileInfo(path).absolutePath();
    }
    state_.saveAllStart = start;
    const QString folder =
        host_->GetExistingDirectory(Owner(), UiText(str::SelectOutputFolder), start);
    if (folder.isEmpty())
        return;
    WizardSelection selection;
    if (!host_->RunWizard(Owner(), kWizardFileTypePage | kWizardEncodingPage, selection))
        return;
    if (selection.fileType < kFileTypeAll || selection.fileType > kFileTypeText ||
        !IsValidEncoding(selection.encoding))
        return;

    // Two documents of the same name must not end up in one file.
    QSet<QString> taken;
    for (int index = frame_->TabCount() - 1; index >= 0; --index) {
        DocumentTab* tab = frame_->TabAt(index);
        RecordGrid* grid = tab ? tab->Grid() : nullptr;
        if (!grid)
            continue;
        const QString output = UniqueOutputPath(
            SaveAllOutputPath(folder, *grid, tab->Title(), selection.fileType), taken);
        taken.insert(OutputPathKey(output));
        if (!SaveDocumentAs(*grid, output, selection.fileType, selection.encoding, -1))
            ReportSaveFailed(grid->GetPath());
    }
}

bool DocumentCommands::Close(DocumentTab* tab)
{
    if (frame_->IndexOf(tab) < 0)
        return false;
    RecordGrid* grid = tab->Grid();
    if (grid && grid->IsModified()) {
        const QMessageBox::StandardButton answer =
            host_->Ask(frame_, FormatUiText(UiText(str::SavePrompt), DisplayPath(grid->GetPath())),
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                       QMessageBox::Question, AppCaption());
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return false;
        if (answer == QMessageBox::Yes && !Save(tab))
            return false;
    }
    frame_->CloseTab(frame_->IndexOf(tab));
    return true;
}

bool DocumentCommands::CloseAll()
{
    for (int index = frame_->TabCount() - 1; index >= 0; --index) {
        if (!Close(frame_->TabAt(index)))
            return false;
    }
    return true;
}

// --- the frame's command entry points ------------------------------------------------------

DocumentCommands* MainFrame::Commands()
{
    if (!commands_)
        commands_ = new DocumentCommands(this);
    return commands_;
}

void MainFrame::NewDocument()
{
    Commands()->New();
}

void MainFrame::OpenDocuments()
{
    Commands()->Open();
}

bool MainFrame::SaveActive(DocumentTab* tab)
{
    return Commands()->Save(tab);
}

bool MainFrame::SaveAsDocument(DocumentTab* tab)
{
    return Commands()->SaveAs(tab);
}

void MainFrame::SaveAllAs()
{
    Commands()->SaveAllAs();
}

bool MainFrame::CloseDocument(DocumentTab* tab)
{
    return Commands()->Close(tab);
}

bool MainFrame::CloseAllDocuments()
{
    return Commands()->CloseAll();
}

}  // namespace scrivlet
