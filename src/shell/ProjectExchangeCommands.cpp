#include "shell/ProjectExchangeCommands.h"

#include "base/UiText.h"
#include "exchange/Exchange.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/Workspace.h"
#include "shell/BusyCursor.h"
#include "shell/Commands.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/FrameParts.h"
#include "shell/MemoryExchangeCommands.h"
#include "shell/WorkbenchCommands.h"
#include "store/ProjectExchange.h"
#include "store/ProjectFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace scrivlet {

namespace {

// The project's documents with changes are saved once the user agrees; false to stop.
bool SaveProjectDocuments(FrameParts& frame)
{
    const Project& project = frame.Work().CurrentProject();
    bool changed = false;
    for (int index = 0; index < frame.TabCount() && !changed; ++index) {
        const DocumentSession* session = frame.SessionAt(index);
        changed = session->IsModified() &&
                  !project.RelativeTranslation(session->Document()->Path()).isEmpty();
    }
    if (!changed)
        return true;
    const QMessageBox::StandardButton answer = frame.Commands().Host().Ask(
        frame.Window(), UiText("projectXchg.saveFirst"), QMessageBox::Save | QMessageBox::Cancel,
        QMessageBox::Question, AppCaption());
    return answer == QMessageBox::Save && SaveAll(frame);
}

// Each format its own entry in the type list; the project's name offered, beside it.
FileDialogRequest ExchangeRequest(FrameParts& frame, FileDialogKind kind)
{
    FileDialogRequest request;
    request.kind = kind;
    request.parent = frame.Window();
    request.documents = false;
    for (const TranslationFileFormat* format : TranslationFileFormats()) {
        QStringList patterns;
        for (const QString& suffix : format->Suffixes())
            patterns << QStringLiteral("*.") + suffix;
        request.filters << FileFilter{
            UiText("xchg.formatFilter").arg(format->Name().toString().toUpper()), patterns,
            format->Suffixes().front()};
    }
    request.defaultSuffix = TranslationFileFormats().front()->Suffixes().front();
    const QFileInfo project(frame.Work().CurrentProject().Path());
    request.start =
        project.dir().filePath(project.completeBaseName() + u'.' + request.defaultSuffix);
    return request;
}

// What one file took, in the words of a single import, the counts that are not zero.
QString ImportLine(const FileImport& line)
{
    if (!line.error.isEmpty())
        return line.path.isEmpty() ? line.error : line.path + QStringLiteral(": ") + line.error;
    QStringList counts;
    for (int kind = 0; kind < ImportReport::KindCount; ++kind) {
        if (line.report.count[kind] == 0)
            continue;
        const QString key = QStringLiteral("xchg.report%1").arg(kind);
        counts << UiText(key.toLatin1().constData()).arg(line.report.count[kind]);
    }
    QString text = line.path + QStringLiteral(": ") + counts.join(QStringLiteral(" · "));
    if (line.created)
        text += u' ' + UiText("projectXchg.created");
    return text;
}

// A file of a folder export (DIR/<relative path>.<suffix>) names its folder: the part before
// the relative path of one of the project's files.
QString ExportFolderOf(const QString& file, const ProjectListing& listing)
{
    const QString path = QDir::fromNativeSeparators(QFileInfo(file).absoluteFilePath());
    const QString suffix = u'.' + QFileInfo(path).suffix();
    for (const ProjectEntry& entry : listing.entries) {
        const QString tail = u'/' + entry.path + suffix;
        if (path.endsWith(tail))
            return path.left(path.size() - tail.size());
    }
    return QString();
}

}  // namespace

void ExportProjectCommand(FrameParts& frame)
{
    Project& project = frame.Work().CurrentProject();
    if (!project.IsOpen() || !SaveProjectDocuments(frame))
        return;
    DialogHost& host = frame.Commands().Host();
    const FileDialogAnswer answer =
        host.GetSaveFileName(ExchangeRequest(frame, FileDialogKind::SaveAs));
    if (!answer.accepted || answer.files.isEmpty())
        return;
    QString out = answer.files.first();
    const auto formats = TranslationFileFormats();
    const TranslationFileFormat* format = &TranslationFormatForPath(out);
    if (!format->Suffixes().contains(QFileInfo(out).suffix(), Qt::CaseInsensitive) &&
        answer.filterIndex >= 0 && answer.filterIndex < qsizetype(formats.size()))
        format = formats[answer.filterIndex];
    // A format of one document a file goes into a folder named as the file would be.
    if (!format->Can(TranslationFileFormat::Bundle))
        out = QFileInfo(out).dir().filePath(QFileInfo(out).completeBaseName());
    Result exported;
    {
        const BusyCursor busy;
        exported =
            ExportProject(*project.File(), frame.Catalogue(), project.Listing(), out, *format);
    }
    const QString shown = QDir::toNativeSeparators(out);
    if (!exported) {
        host.ShowMessage(frame.Window(),
                         UiText("projectXchg.exportFailed").arg(shown) + u'\n' + exported.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    host.ShowMessage(frame.Window(), UiText("projectXchg.exported").arg(shown),
                     QMessageBox::Information, AppCaption());
}

void ImportProjectCommand(FrameParts& frame)
{
    Project& project = frame.Work().CurrentProject();
    if (!project.IsOpen() || !SaveProjectDocuments(frame))
        return;
    DialogHost& host = frame.Commands().Host();
    FileDialogRequest request = ExchangeRequest(frame, FileDialogKind::Open);
    QStringList all;
    for (const FileFilter& filter : request.filters)
        all << filter.patterns;
    request.filters.prepend({UiText("xchg.filter"), all, QString()});
    const FileDialogAnswer answer = host.GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    QString in = answer.files.first();
    const TranslationFileFormat& format = TranslationFormatForPath(in);
    // Any file of a folder export stands for the whole folder.
    if (!format.Can(TranslationFileFormat::Bundle)) {
        const QString folder = ExportFolderOf(in, project.Listing());
        if (folder.isEmpty()) {
            host.ShowMessage(frame.Window(),
                             UiText("projectXchg.notInProject").arg(QDir::toNativeSeparators(in)),
                             QMessageBox::Warning, AppCaption());
            return;
        }
        in = folder;
    }
    QStringList lines;
    int files = 0;
    Result read;
    {
        const BusyCursor busy;
        read = ImportProject(*project.File(), frame.Catalogue(), project.Listing(), in, format,
                             false, [&](const FileImport& line) {
                                 files += line.error.isEmpty() ? 1 : 0;
                                 lines << ImportLine(line);
                             });
    }
    const QString shown = QDir::toNativeSeparators(in);
    if (!read) {
        host.ShowMessage(frame.Window(),
                         UiText("projectXchg.importFailed").arg(shown) + u'\n' + read.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    lines << UiText("projectXchg.total").arg(files);
    host.ShowMessage(frame.Window(), lines.join(u'\n'), QMessageBox::Information, AppCaption());
}

void ConnectProjectExchange(FrameParts& frame)
{
    QObject::connect(frame.Action(Command::ExportProject), &QAction::triggered, frame.Window(),
                     [&frame] { ExportProjectCommand(frame); });
    QObject::connect(frame.Action(Command::ImportProject), &QAction::triggered, frame.Window(),
                     [&frame] { ImportProjectCommand(frame); });
    ConnectMemoryExchange(frame);
}

}  // namespace scrivlet
