#pragma once

#include "store/ProjectWalk.h"
#include "translation/Checks.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QFutureWatcher>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QTableView;
class QTimer;

// The Problems dock: the problems of the active document's quality checks, or of every file
// of the open project, one row per field naming every check it fails, the record, the field and
// what was found (and the file, for the project); a choice narrows the list to one check. The list
// follows the checks as the documents change, also while a field is being typed in; a click selects
// the field, opening its file if need be.

namespace scrivlet {

class DocumentSession;
class FormatCatalogue;
class ProjectConflicts;
class Workspace;
class ProjectTranslations;

// What a check of the whole project needs, gathered on the GUI thread as it starts.
struct ProjectCheckJob {
    QString projectPath;
    const FormatCatalogue* catalogue = nullptr;  // must outlive the panel
    ProjectListing listing;
    CheckMask enabled = 0;
    QString language;
    QStringList words;
    std::vector<GlossaryTerm> glossary;
    // The project's open translations (with their originals as references), by relative path.
    std::vector<std::pair<QString, DocumentSession*>> open;
};

// A problem of a file not open, told in words when it was found.
struct FileProblem {
    int record = 0;
    int field = 0;
    int check = 0;
    bool ignored = false;
    quint64 hash = 0;  // of the field's texts, for an ignore
    QString recordName;
    QString fieldName;
    QString detail;
};

// A file of the project in the list: an open one's problems are its live checks'.
struct ProblemFile {
    QString path;
    QPointer<DocumentSession> session;
    std::vector<FileProblem> problems;  // of a file not open
};

class ProblemsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // A field waiting for review since its original changed is listed as a problem of its own.
    static constexpr int kSourceChanged = -1;
    // A field a git merge changed two ways, not resolved yet: a problem of its own too.
    static constexpr int kConflict = -3;
    // The check filter that lets every problem through.
    static constexpr int kAnyCheck = -2;
    struct Entry {
        int record = 0;
        int field = 0;
        int check = 0;  // a Check, kSourceChanged or kConflict
        bool ignored = false;
        int file = -1;     // in the project's files; -1: the active document's
        int problem = -1;  // in the file's FileProblem list, for a file not open
    };
    // The project's list has a File column before these.
    enum Column { CheckColumn, RecordColumn, FieldColumn, DetailColumn, ColumnCount };

    explicit ProblemsModel(QObject* parent = nullptr);
    // The session whose problems are listed; null for none.
    void SetSession(DocumentSession* session);
    // Where the open documents' conflicts are found; they are listed again as they change.
    void SetConflicts(ProjectConflicts* conflicts);
    // Lists the files' problems (sorted by path) instead of the session's; nullopt goes back.
    void SetFiles(std::optional<std::vector<ProblemFile>> files);
    bool ListsProject() const { return project_.has_value(); }
    // A row's first problem, and all of them (one field's, in check order).
    const Entry& At(int row) const { return entries_[static_cast<size_t>(rows_[row])]; }
    std::vector<Entry> Entries(int row) const;
    // Lists only the problems of check (a Check, kSourceChanged or kConflict); kAnyCheck lists
    // all.
    void SetCheckFilter(int check);
    int CheckFilter() const { return checkFilter_; }
    // The session a row's problem lives in; null for a file not open.
    DocumentSession* SessionOf(const Entry& entry) const;
    // The relative path of a row's file; empty for the active document's.
    QString FileOf(const Entry& entry) const;
    // A problem of a file not open ignored or taken back in the list (the project keeps it).
    void SetFileProblemIgnored(const Entry& entry, bool ignored);
    const FileProblem* FileProblemOf(const Entry& entry) const;
    // The problems (not ignored) of each file not open, by path.
    QHash<QString, qint64> ClosedFileProblems() const;
    // Whether the ignored problems are listed too (greyed).
    void SetShowIgnored(bool show);
    bool ShowsIgnored() const { return showIgnored_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Refresh();
    void ScheduleRefresh();
    void Follow(DocumentSession* session, bool follow);
    void AddRows(const DocumentSession& session, int file);
    void AddEntry(const Entry& entry);
    // The words of a problem: its check's title and its detail.
    QString TitleOf(const Entry& entry) const;
    QString DetailOf(const Entry& entry) const;

    QPointer<DocumentSession> session_;
    QPointer<ProjectConflicts> conflicts_;
    std::optional<std::vector<ProblemFile>> project_;
    std::vector<Entry> entries_;
    // Where each row's problems start in entries_.
    QList<int> rows_;
    int checkFilter_ = kAnyCheck;
    bool refreshPending_ = false;
    bool showIgnored_ = false;
};

class ProblemsPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit ProblemsPanel(QWidget* parent = nullptr);
    ~ProblemsPanel() override;
    void SetSession(DocumentSession* session);
    ProblemsModel* Model() const { return model_; }
    QTableView* View() const { return view_; }
    QAction* IgnoreAction() const { return ignore_; }
    QAction* StopIgnoringAction() const { return stopIgnoring_; }
    QAction* ShowIgnoredAction() const { return showIgnored_; }
    // This Document (0) or Whole Project (1); the choice is there while a project is open.
    QComboBox* Scope() const { return scope_; }
    // Every check (the data: kAnyCheck, kSourceChanged or the Check), or one alone.
    QComboBox* CheckChoice() const { return checkChoice_; }
    QLabel* Progress() const { return progress_; }

    // How to gather a project check; nullopt while no project is open.
    void SetProjectJob(std::function<std::optional<ProjectCheckJob>()> job);
    // The project check of the workspace's project with the choices of checks: gathered from
    // the project's files and the open documents among them, made again whenever one of them
    // changes; the problems of the files not open go to the project's counts. It must outlive
    // the panel.
    void FollowProject(Workspace& workspace);
    // A project opened or closed, a file changed, the choices of the checks changed: the
    // project's list is made again a moment later (when it is shown).
    void ProjectChanged();
    void ScheduleProjectCheck(int delayMs = 300);
    // Ends a project check at once (the frame is closing); the open documents are judged
    // alone again.
    void StopProjectCheck();
    // True while a project check runs or waits.
    bool CheckingProject() const;

signals:
    // A problem of the active document was clicked: its field (among the text fields) is to
    // be selected.
    void ProblemChosen(int record, int field);
    // A problem of a project's file was clicked: the file is to be shown and the field selected.
    void ProjectProblemChosen(const QString& path, int record, int field);
    // A project check ended and the list shows its result.
    void ProjectChecked();
    // The problems (not ignored) of the project's files not open, by relative path; empty
    // when the list is not the project's.
    void ClosedFileProblems(const QHash<QString, qint64>& problems);

private:
    struct ProjectResult;
    // An open document of the project and its number in the listing.
    struct OpenFile {
        QPointer<DocumentSession> session;
        int file = -1;
        QString path;
    };
    void SetUpView();
    void KeepSelection();
    void StartProjectCheck();
    void TakeProjectCheck();
    void SetProjectScope(bool project);
    // The open documents take the other files' translations (null: their own alone).
    void ShareTranslations(const std::vector<OpenFile>& open,
                           const std::shared_ptr<ProjectTranslations>& translations);
    // The selected row's problem ignored, or taken back.
    void Ignore(bool ignore);
    void UpdateActions();

    ProblemsModel* model_;
    QTableView* view_;
    QPointer<DocumentSession> session_;
    QAction* ignore_;
    QAction* stopIgnoring_;
    QAction* showIgnored_;
    QComboBox* scope_;
    QComboBox* checkChoice_;
    QLabel* progress_;
    QTimer* projectTimer_;
    std::function<std::optional<ProjectCheckJob>()> job_;
    QFutureWatcher<std::shared_ptr<ProjectResult>> checking_;
    bool checkAgain_ = false;
    // What the open documents were given by the last check, and which they are.
    std::shared_ptr<ProjectTranslations> translations_;
    std::vector<OpenFile> sharedWith_;
    std::vector<OpenFile> runOpen_;  // of the check that runs
    // The selected problem while the list is made again.
    struct KeptRow {
        QString file;
        int record = 0, field = 0;
    };
    std::optional<KeptRow> kept_;
    QString projectPath_;  // of the last project check
};

}  // namespace scrivlet
