#include "shell/WorkbenchCommands.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/Workspace.h"
#include "shell/Commands.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/FilterBar.h"
#include "shell/FrameParts.h"
#include "shell/LegendDialog.h"
#include "shell/ProjectCommands.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>

namespace scrivlet {

void SeekField(FrameParts& frame, bool problem, bool forward)
{
    DocumentTab* tab = frame.TabAt(frame.ActiveIndex());
    if (!tab)
        return;
    const EdtDocument& document = *tab->Document();
    GridView* view = tab->View();
    FieldPlace from{-1, 0};
    bool onField = false;
    const int row = view->SelectedRow();
    if (row >= 0 && row < document.RecordCount()) {
        // Text fields before the selected column; the selected one itself when it is one.
        const int column = view->SelectedColumn();
        int before = 0;
        while (before < document.TextFieldCount() && document.TextColumn(before) < column)
            ++before;
        onField = before < document.TextFieldCount() && document.TextColumn(before) == column;
        from = FieldPlace{row, onField || !forward ? before : before - 1};
    }
    const FieldSeek kind = problem ? FieldSeek::Problem : FieldSeek::Unfinished;
    const FilterBar* filter = tab->Filter();
    const std::optional<Workspace::Stop> stop = frame.Work().Seek(
        kind, forward, from, onField, [filter](int record) { return filter->Shows(record); });
    if (!stop) {
        QApplication::beep();
        frame.ShowStatus(UiText(problem ? "seek.noProblem" : "seek.noUntranslated"));
        return;
    }
    // Whatever the last seek said is past.
    frame.ShowStatus(QString());
    view->SelectCell(stop->place.record, document.TextColumn(stop->place.field));
    if (problem)
        frame.ShowStatus(Workspace::StopText(*tab->Session(), *stop));
}

bool SaveAll(FrameParts& frame)
{
    for (int index = 0; index < frame.TabCount(); ++index) {
        if (frame.SessionAt(index)->IsModified() && !frame.Commands().Save(index))
            return false;
    }
    return true;
}

void ConnectWorkbenchCommands(FrameParts& frame)
{
    // A translation of the open project opens as from the Project panel, whichever way it came.
    frame.Commands().SetOpenElsewhere([&frame](const QString& path) {
        const Project& project = frame.Work().CurrentProject();
        const QString relative = project.IsOpen() ? project.RelativeTranslation(path) : QString();
        if (relative.isEmpty())
            return false;
        // Before the first listing (a project just made) the folders themselves tell.
        const ProjectEntry* listed = project.Entry(relative);
        const ProjectEntry entry = listed ? *listed : ProjectEntry{relative, true, true, -1};
        if (!entry.hasOriginal || !QFileInfo(entry.OriginalIn(*project.File())).isFile())
            return false;
        frame.Projects().OpenEntry(entry);
        return true;
    });
    QObject::connect(frame.Action(Command::SaveAll), &QAction::triggered, frame.Window(),
                     [&frame] { SaveAll(frame); });
    QObject::connect(frame.Action(Command::ViewLegend), &QAction::triggered, frame.Window(),
                     [&frame] { ShowLegend(frame.Window()); });
    QObject::connect(frame.Action(Command::FilterRows), &QAction::triggered, frame.Window(),
                     [&frame] {
                         if (DocumentTab* tab = frame.TabAt(frame.ActiveIndex()))
                             tab->Filter()->FocusText();
                     });
}

void UpdateWorkbenchActions(FrameParts& frame)
{
    frame.Action(Command::FilterRows)->setEnabled(frame.ActiveIndex() >= 0);
    bool modified = false;
    for (int index = 0; index < frame.TabCount() && !modified; ++index)
        modified = frame.SessionAt(index)->IsModified();
    frame.Action(Command::SaveAll)->setEnabled(modified);
    const bool project = frame.Work().CurrentProject().IsOpen();
    for (Command command : {Command::ExportProject, Command::ImportProject, Command::ImportMemory,
                            Command::ExportMemory})
        frame.Action(command)->setEnabled(project);
}

}  // namespace scrivlet
