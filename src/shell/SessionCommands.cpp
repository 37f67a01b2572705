#include "shell/SessionCommands.h"

#include "documents/DocumentFiles.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/Workspace.h"
#include "shell/Commands.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/FrameParts.h"
#include "shell/ProjectCommands.h"

#include <QAction>
#include <QFileInfo>

namespace scrivlet {
namespace {

RecentFile FileOf(const EdtDocument& document)
{
    return {document.Path(), document.FormatIndex(), document.GetEncoding(),
            document.GetFileType()};
}

int TabOf(FrameParts& frame, const QString& path)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (int index = 0; index < frame.TabCount(); ++index) {
        const QString open = frame.DocumentAt(index)->Path();
        if (!open.isEmpty() && QFileInfo(open).absoluteFilePath() == wanted)
            return index;
    }
    return -1;
}

// The reference the document had, read in its format; a reference gone or unreadable is left
// out (the document opens alone, as it would have been opened by hand).
void GiveReference(DocumentSession& session, const RecentFile& reference)
{
    const EdtDocument& document = *session.Document();
    if (session.Reference() || reference.path.isEmpty() || !QFileInfo(reference.path).isFile())
        return;
    LoadResult loaded = LoadDocument(reference.path, reference.fileType, reference.encoding,
                                     document.Format(), document.FormatIndex(), true);
    if (loaded.document)
        session.SetReference(std::move(loaded.document));
}

}  // namespace

LastSession CaptureSession(FrameParts& frame)
{
    LastSession last;
    const Project& project = frame.Work().CurrentProject();
    last.project = project.IsOpen() ? project.Path() : QString();
    for (int index = 0; index < frame.TabCount(); ++index) {
        const DocumentSession* session = frame.SessionAt(index);
        const EdtDocument& document = *session->Document();
        if (document.Path().isEmpty())
            continue;
        SessionDocument kept{FileOf(document), {}, -1, -1};
        // A document of the project finds its original there again.
        if (session->Reference() && project.RelativeTranslation(document.Path()).isEmpty())
            kept.reference = FileOf(*session->Reference());
        if (const DocumentTab* tab = frame.TabAt(index)) {
            kept.record = tab->View()->SelectedRow();
            kept.column = tab->View()->SelectedColumn();
        }
        if (index == frame.ActiveIndex())
            last.active = int(last.documents.size());
        last.documents.append(kept);
    }
    return last;
}

void ReopenSession(FrameParts& frame, const LastSession& session)
{
    if (!session.project.isEmpty() && QFileInfo(session.project).isFile())
        frame.Projects().OpenProjectFile(session.project);
    int active = -1;
    for (int i = 0; i < session.documents.size(); ++i) {
        const SessionDocument& kept = session.documents[i];
        if (!QFileInfo(kept.file.path).isFile())
            continue;
        frame.Commands().OpenRecent(kept.file);
        const int index = TabOf(frame, kept.file.path);
        if (index < 0)
            continue;
        GiveReference(*frame.SessionAt(index), kept.reference);
        if (kept.record >= 0)
            frame.TabAt(index)->View()->SelectCell(kept.record, kept.column);
        if (i == session.active)
            active = index;
    }
    if (active >= 0)
        frame.Work().SetActiveIndex(active);
}

void ReopenLastSession(FrameParts& frame)
{
    if (ReopenSessionOnStart())
        ReopenSession(frame, StoredSession());
}

RecoveryProjects RecoveryProjectsOf(FrameParts& frame)
{
    return {[&frame](const QString& path) {
                const Project& project = frame.Work().CurrentProject();
                return project.IsOpen() && !project.RelativeTranslation(path).isEmpty()
                           ? project.Path()
                           : QString();
            },
            [&frame](const QString& path) {
                if (!frame.Work().CurrentProject().IsOpen() && QFileInfo(path).isFile())
                    frame.Projects().OpenProjectFile(path);
            }};
}

void ConnectSessionCommands(FrameParts& frame)
{
    QAction* reopen = frame.Action(Command::ReopenSession);
    reopen->setChecked(ReopenSessionOnStart());
    QObject::connect(reopen, &QAction::toggled, reopen, &SetReopenSessionOnStart);
}

}  // namespace scrivlet
