#pragma once

#include "session/Project.h"

#include <QDockWidget>
#include <QHash>

class QCheckBox;
class QLabel;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

// The Project panel: a view of the open Project, its files as a tree of folders, each with its
// records, fields, translated share and problems, sortable, with a filter for the unfinished
// ones and the totals below. It follows the project's rows as they change.

namespace scrivlet {

class UnfinishedFilter;

class ProjectPanel : public QDockWidget {
    Q_OBJECT

public:
    // Shows project, which must outlive the panel.
    explicit ProjectPanel(Project& project, QWidget* parent = nullptr);
    ~ProjectPanel() override;

    QTreeView* Tree() const { return tree_; }
    QCheckBox* UnfinishedOnly() const { return unfinished_; }
    QLabel* Totals() const { return totals_; }

    // Columns of the tree.
    enum Column { kName, kRecords, kFields, kTranslated, kProblems, kColumns };

signals:
    void OpenRequested(const ProjectEntry& entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The names take the room the counts leave, but never less than a readable name.
    void FitNameColumn();
    void Refill();
    QStandardItem* FolderItem(const QString& folder);
    void ShowCounts(const QList<QStandardItem*>& items, const TranslationCounts& counts,
                    qint64 problems);
    void ShowTotals(const std::vector<Project::FileRow>& rows, const TranslationCounts& total,
                    qint64 problems);
    void Activate(const QModelIndex& index);

    Project& project_;
    QStandardItemModel* model_;
    UnfinishedFilter* filter_;
    QTreeView* tree_;
    QCheckBox* unfinished_;
    QLabel* totals_;
    QHash<QString, QStandardItem*> folders_;
};

}  // namespace scrivlet
