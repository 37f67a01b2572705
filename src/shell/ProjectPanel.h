#pragma once

#include "base/Result.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"

#include <QDockWidget>
#include <QFutureWatcher>
#include <QHash>
#include <QMap>
#include <QPointer>

#include <memory>

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class QTreeView;

// The Project panel: the files of the open project as a tree of folders, each with its
// records, fields, translated share and problems, sortable, with a filter for the unfinished
// ones and the totals below. Reopening shows the cached counts at once; the files are listed
// and counted again on the pool (only what changed is read), and whenever the files change on
// disk. An open document of the project shows its live counts in place of the file's.

namespace scrivlet {

class DocumentSession;
class FormatCatalogue;
class UnfinishedFilter;

class ProjectPanel : public QDockWidget {
    Q_OBJECT

public:
    // catalogue must outlive the panel.
    explicit ProjectPanel(const FormatCatalogue& catalogue, QWidget* parent = nullptr);
    ~ProjectPanel() override;

    // Shows the project of path; a failure leaves the panel as it was.
    Result Open(const QString& path);
    void Close();
    ProjectFile* Project() const { return project_.get(); }
    // The project's file at relative path; null when the project has none.
    const ProjectEntry* Entry(const QString& relative) const;
    // The files as the last count listed them.
    const ProjectListing& Listing() const { return listing_; }
    // The relative path of a translation of the project; empty for another file.
    QString RelativeTranslation(const QString& path) const;

    // An open document: its counts stand for its file's while it is open (and compared with
    // a reference), and its file is counted again once it is saved or closed.
    void Follow(DocumentSession* session);
    // The problems of files not open as a check of every enabled check found them (the
    // Problems panel's Whole Project list), by relative path; they stand for what the count
    // knows (too long, not storable) until it is given an empty list.
    void SetCheckedProblems(QHash<QString, qint64> problems);
    // Lists and counts the files again on the pool, a moment after the last request.
    void ScheduleRecount();
    // True while a count runs or waits.
    bool Counting() const;

    QTreeView* Tree() const { return tree_; }
    QCheckBox* UnfinishedOnly() const { return unfinished_; }
    QLabel* Totals() const { return totals_; }

    // Columns of the tree.
    enum Column { kName, kRecords, kFields, kTranslated, kProblems, kColumns };

signals:
    void OpenRequested(const ProjectEntry& entry);
    // A count ended and the panel shows its result.
    void Counted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        PairCounts counts;
        bool hasOriginal = true;
        bool hasTranslation = true;
    };
    struct CountResult;
    void StartCount();
    void TakeCount();
    // The names take the room the counts leave, but never less than a readable name.
    void FitNameColumn();
    void Refill();
    QStandardItem* FolderItem(const QString& folder);
    void ShowCounts(const QList<QStandardItem*>& items, const PairCounts& counts, qint64 problems);
    void ShowTotals(const PairCounts& total, qint64 problems);
    void WatchFiles();
    void Activate(const QModelIndex& index);

    const FormatCatalogue& catalogue_;
    std::unique_ptr<ProjectFile> project_;
    ProjectListing listing_;
    QMap<QString, Row> rows_;  // by relative path
    QHash<QString, QPointer<DocumentSession>> live_;
    QHash<QString, qint64> checked_;
    QStandardItemModel* model_;
    UnfinishedFilter* filter_;
    QTreeView* tree_;
    QCheckBox* unfinished_;
    QLabel* totals_;
    QHash<QString, QStandardItem*> folders_;
    QFutureWatcher<std::shared_ptr<CountResult>> counting_;
    QTimer* recount_;
    QTimer* refill_;
    bool countAgain_ = false;
    QFileSystemWatcher* watcher_ = nullptr;
};

}  // namespace scrivlet
