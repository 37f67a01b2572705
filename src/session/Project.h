#pragma once

#include "base/Result.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"
#include "translation/Checks.h"

#include <QFutureWatcher>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>

#include <memory>
#include <set>
#include <utility>
#include <vector>

class QFileSystemWatcher;
class QTimer;

// The open project as the windows see it: its file, the files it pairs and their counts, its
// glossary and its memory. Opening shows what the count cache vouches for at once; the files
// are then listed and counted again on the pool (only what changed is read), and again
// whenever they change on disk. An open document of the project stands for its file: its live
// counts replace the file's, its review marks are kept in the project, and its confirmed
// translations go to the project's memory as it is saved. The Project panel and the other
// panels are views of this; none of them owns project state.

namespace scrivlet {

class CheckChoices;
class DocumentSession;
class FormatCatalogue;
class MemoryQueue;
class ProjectConflicts;
struct GlossaryImport;

class Project : public QObject {
    Q_OBJECT

public:
    // catalogue must outlive the project; sessions gives every open document (the check
    // choices apply to all of them, files of the project or not).
    Project(const FormatCatalogue& catalogue,
            std::function<std::vector<DocumentSession*>()> sessions, QObject* parent = nullptr);
    ~Project() override;

    // Opens the project file at path, closing the one open; a failure leaves it as it was.
    Result Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // The project file; null while none is open.
    ProjectFile* File() const { return file_.get(); }
    QString Path() const;

    // The files as the last count listed them.
    const ProjectListing& Listing() const { return listing_; }
    // The project's file at relative path; null when the project has none.
    const ProjectEntry* Entry(const QString& relative) const;
    // The relative path of a translation of the project; empty for another file.
    QString RelativeTranslation(const QString& path) const;
    // The entry's format: the listing's, else the project's override or one detected now; -1
    // when none fits clearly.
    int FormatOf(const ProjectEntry& entry) const;
    // The entry's translation (a copy of its original when there is none yet) with its
    // original as the reference.
    Result LoadPair(const ProjectEntry& entry, LoadedPair* pair) const;

    // A file as the views list it: the counts of its open document while one is open and
    // compared with a reference, else the file's; its problems likewise (a file not open: what
    // a check of the whole project found, else too long and not storable).
    struct FileRow {
        QString path;
        PairCounts counts;
        qint64 problems = 0;
        bool hasOriginal = true;
        bool hasTranslation = true;
    };
    std::vector<FileRow> Rows() const;

    // An open document: a file of the project (its counts stand for its file's, its review
    // marks are kept, its saves feed the memory) or none (nothing happens).
    void Follow(DocumentSession* session);
    // The problems of files not open as a check of every enabled check found them, by relative
    // path; they stand for what the count knows until an empty list is given.
    void SetCheckedProblems(QHash<QString, qint64> problems);
    // Lists and counts the files again on the pool, a moment after the last request.
    void ScheduleRecount();
    // True while a count runs or waits.
    bool Counting() const;

    // The glossary's terms; the checks of the project's open documents use them.
    const std::vector<GlossaryTerm>& Glossary() const { return glossary_; }
    // Which checks run, the spelling language and word list, the patterns: the project's while
    // one is open, else the user's.
    CheckChoices& Checks() const { return *checks_; }
    Result ImportGlossary(const QString& path, GlossaryImport* counts);
    Result ClearGlossary();

    // The fields a git merge left in conflict in the project's files; looked for again as the
    // project opens and its files are counted, settled as an open document is saved.
    ProjectConflicts& Conflicts() const { return *conflicts_; }

    // Where translations go on their way to a memory: saved ones, and those of removed records.
    MemoryQueue* Memory() const { return memory_; }

    // The editor itself rewrote the review marks of a file in the project (an update of the
    // originals): they are the marks the open document and the project now share.
    void MarksRewritten(const QString& relative);
    // Takes what another program (the converter, a teammate's tool) committed to the project
    // file: review marks of open documents set or settled there, another folder of originals
    // (counted again). Runs by itself a moment after such a change.
    void TakeChangesElsewhere();

signals:
    // A project was opened or closed.
    void Changed();
    // What Rows() gives changed: a count ended, an open document's counts moved.
    void RowsChanged();
    // A count ended and Rows() gives its result.
    void Counted();
    // The glossary was read (a project opened) or changed.
    void GlossaryChanged();

private:
    struct CountResult;
    struct ChangedRecords;
    void StartCount();
    void TakeCount();
    void WatchFiles();
    // Lets go of an open document: none of its signals reach the project any more.
    void Unfollow(DocumentSession& session);
    void LoadGlossary();
    void GiveGlossary(DocumentSession* session);
    void KeepReviewMarks(DocumentSession& session, const QString& relative);
    void KeepFieldStates(DocumentSession& session, const QString& relative);
    void TakeFieldStates(DocumentSession& session, const QString& relative);
    void StoreReviewMarks(DocumentSession& session, const QString& relative);
    void MergeReviewMarks(DocumentSession& session, const QString& relative);
    void FeedOnSave(DocumentSession& session, const QString& relative);
    void FeedSaved(DocumentSession& session, const QString& relative,
                   const ChangedRecords& changed);

    const FormatCatalogue& catalogue_;
    std::unique_ptr<ProjectFile> file_;
    ProjectListing listing_;
    QMap<QString, FileRow> rows_;  // by relative path, as counted
    QHash<QString, QPointer<DocumentSession>> live_;
    // Per open document, the fields marked for review in the project as the document last
    // took them: a mark outside this set was set by another program, one in it that the
    // document no longer holds was settled by the translator.
    QHash<QString, std::set<std::pair<int, int>>> sharedMarks_;
    bool mergingMarks_ = false;
    QHash<QString, qint64> checked_;
    std::vector<GlossaryTerm> glossary_;
    CheckChoices* checks_ = nullptr;
    MemoryQueue* memory_;
    ProjectConflicts* conflicts_;
    QFutureWatcher<std::shared_ptr<CountResult>> counting_;
    QTimer* recount_;
    QTimer* rowsChanged_;
    QTimer* watchFile_;  // asks whether another program changed the project file
    bool countAgain_ = false;
    QFileSystemWatcher* watcher_ = nullptr;
};

}  // namespace scrivlet
