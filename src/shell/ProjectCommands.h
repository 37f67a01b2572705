#pragma once

#include "base/Result.h"
#include "search/Replace.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"
#include "translation/Checks.h"

#include <QObject>

#include <functional>
#include <vector>

class QMainWindow;
class QMenu;

// The project in the editor: New Project and Open Project, the recent projects, the Project
// panel and the Find in Project panel, opening a project's file with its original as the
// reference, and Replace in Project over open documents and files on disk.

namespace scrivlet {

class DocumentCommands;
class DocumentSession;
class DocumentTab;
class DocumentTabs;
class MemoryQueue;
class Project;
class ProjectFindPanel;
class ProjectPanel;
class Workspace;

class ProjectCommands : public QObject {
    Q_OBJECT

public:
    // The commands on the workspace's project; tabAt gives the tab of an index (null outside
    // the tabs), activate shows one; the panels dock in window.
    ProjectCommands(QMainWindow& window, Workspace& workspace, DocumentTabs& tabs,
                    DocumentCommands& commands, std::function<DocumentTab*(int)> tabAt,
                    std::function<void(int)> activate);
    ~ProjectCommands() override;

    // New Project: the dialog stays open until the project is made and opened, or cancelled.
    void NewProject();
    void OpenProject();
    // Makes the project file and opens it; a failure is reported and returns false.
    bool CreateProject(const QString& path, const ProjectSettings& settings);
    // The same, the failure returned: what the file or its folder lacks, named.
    Result MakeProject(const QString& path, const ProjectSettings& settings);
    // Opens a project file (from the Open dialog, the recent list or the command line).
    bool OpenProjectFile(const QString& path);
    bool HasProject() const;
    // Ctrl+Shift+F: the Find in Project panel with the text field focused; nothing without a
    // project (the command is disabled then).
    void ShowFind();
    // Lists the recent projects in menu (on showing it).
    void FillRecentMenu(QMenu* menu);

    // Opens the project's file: the translation with its original as the reference, a new
    // translation made from the original when there is none, a translation without an
    // original alone. A file already open gets its tab shown. The tab's index, or -1.
    int OpenEntry(const ProjectEntry& entry);
    // Opens the hit's file and selects the hit.
    void ShowHit(const QString& path, const FieldMatch& hit);
    // Replaces the hits of the last search: in open documents as one undo step each, in the
    // other files (written at once) after a confirmation that lists them; then a report.
    void ReplaceInProject(const SearchQuery& query, const QString& replacement);

    // File > Update Originals: every translation carried over to a new folder of originals
    // (computed off the UI thread), after a confirmation with the counts; open documents
    // change as one undo step each, the others are written at once; the project then points
    // at the new folder and keeps the fields to review. A report at the end.
    void UpdateOriginals();

    // The project's glossary: terms imported from a CSV or TBX file the user picks (then a
    // report), or all removed after a confirmation. The checks of the project's open
    // documents use it.
    void ImportGlossary();
    void ClearGlossary();
    const std::vector<GlossaryTerm>& Glossary() const;

    ProjectPanel* Panel() const { return panel_; }
    // Where translations go on their way to a memory: saved ones, and those of removed records.
    MemoryQueue* Memory() const;
    ProjectFindPanel* Find() const { return find_; }

signals:
    // A project was opened or closed: the start page and the menus follow.
    void ProjectChanged();
    // The project's glossary was read (a project opened) or changed.
    void GlossaryChanged();

private:
    // Opens a project file and shows it; the failure is returned, not shown.
    Result TakeProject(const QString& path);
    // The tab showing the file at path; -1 for none.
    int TabOf(const QString& path) const;
    struct DiskReplace;
    void ReplaceOnDisk(const QString& path, const SearchQuery& query, const QString& replacement,
                       DiskReplace& done);
    void Report(const QString& text);
    struct PlannedFile;
    struct UpdateTally;
    bool PlanUpdate(const QString& folder, std::vector<PlannedFile>& files);
    void ApplyUpdate(PlannedFile& file, UpdateTally& tally);

    QMainWindow& window_;
    Workspace& workspace_;
    Project& project_;
    DocumentTabs& tabs_;
    DocumentCommands& commands_;
    std::function<DocumentTab*(int)> tabAt_;
    std::function<void(int)> activate_;
    ProjectPanel* panel_;
    ProjectFindPanel* find_;
};

}  // namespace scrivlet
