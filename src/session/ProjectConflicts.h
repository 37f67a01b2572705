#pragma once

#include "base/Result.h"
#include "store/GitConflicts.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <utility>
#include <vector>

// The fields a git merge left in conflict in the open project's files, as the windows show
// them. A resolution in the editor is a change of the document (theirs, an edit) or a choice
// that changes nothing (ours): both count once the document is saved, and the file is staged
// after its last conflict.

namespace scrivlet {

class FormatCatalogue;
class ProjectFile;

class ProjectConflicts : public QObject {
    Q_OBJECT

public:
    // catalogue must outlive this; isOpen tells whether a document is open at a path.
    ProjectConflicts(const FormatCatalogue& catalogue, std::function<bool(const QString&)> isOpen,
                     QObject* parent = nullptr);

    // Looks in the project's repository again; null: no project, no conflicts. Where git left
    // ours whole in a file no document holds open, the merge is written there, as the driver
    // would have, before anyone works on it.
    void Refresh(ProjectFile* project);
    const ConflictList& List() const { return list_; }
    // The unmerged file with open conflicts at relative path or working file path; null for none.
    const ConflictedFile* ByRelative(const QString& relative) const;
    const ConflictedFile* ByPath(const QString& path) const;

    // Ours chosen for (record, field) of the file at path: it counts at once when the document
    // there is saved, else once it is.
    Result Keep(const QString& path, int record, int field, bool documentSaved);
    // Whether ours was chosen there in the document not saved yet.
    bool IsKept(const QString& path, int record, int field) const;
    // The document at path was saved: its conflicts are looked at again against the file, the
    // file staged after its last.
    Result Settle(const QString& path);

signals:
    // The conflicts listed changed: found again, resolved, a file staged.
    void Changed();
    // The last conflict of the file at path was resolved and the file staged.
    void Staged(const QString& path);
    // Settling a saved document's conflicts failed: why.
    void Failed(const QString& why);

private:
    ConflictedFile* Find(const QString& path);

    const FormatCatalogue& catalogue_;
    std::function<bool(const QString&)> isOpen_;
    ConflictList list_;
    // Ours chosen in a document not saved yet, by its path.
    QHash<QString, std::vector<std::pair<int, int>>> kept_;
};

}  // namespace scrivlet
