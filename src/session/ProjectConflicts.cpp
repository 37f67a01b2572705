#include "session/ProjectConflicts.h"

#include "store/ProjectFile.h"

#include <QDir>

#include <algorithm>

namespace scrivlet {

ProjectConflicts::ProjectConflicts(const FormatCatalogue& catalogue,
                                   std::function<bool(const QString&)> isOpen, QObject* parent)
    : QObject(parent), catalogue_(catalogue), isOpen_(std::move(isOpen))
{
}

void ProjectConflicts::Refresh(ProjectFile* project)
{
    ConflictList list;
    // Nothing found (no git, a broken repository) lists none: the project works without it.
    if (project)
        (void)FindConflicts(*project, catalogue_, &list);
    for (ConflictedFile& file : list.files) {
        // Not written, it is merged again at the next look (or as it is resolved).
        if (file.redone && !isOpen_(file.path))
            (void)WriteMerged(file);
    }
    const bool was = !list_.files.empty() || !list.files.empty();
    list_ = std::move(list);
    if (was)
        emit Changed();
}

const ConflictedFile* ProjectConflicts::ByRelative(const QString& relative) const
{
    for (const ConflictedFile& file : list_.files) {
        if (file.place.relative == relative && !file.open.empty())
            return &file;
    }
    return nullptr;
}

const ConflictedFile* ProjectConflicts::ByPath(const QString& path) const
{
    const QString clean = QDir::cleanPath(path);
    for (const ConflictedFile& file : list_.files) {
        if (file.path == clean && !file.open.empty())
            return &file;
    }
    return nullptr;
}

ConflictedFile* ProjectConflicts::Find(const QString& path)
{
    return const_cast<ConflictedFile*>(ByPath(path));
}

Result ProjectConflicts::Keep(const QString& path, int record, int field, bool documentSaved)
{
    if (!ByPath(path) || !OpenConflict(*ByPath(path), record, field))
        return {};
    kept_[QDir::cleanPath(path)].emplace_back(record, field);
    return documentSaved ? Settle(path) : Result();
}

bool ProjectConflicts::IsKept(const QString& path, int record, int field) const
{
    const auto kept = kept_.constFind(QDir::cleanPath(path));
    return kept != kept_.cend() &&
           std::find(kept->begin(), kept->end(), std::pair(record, field)) != kept->end();
}

Result ProjectConflicts::Settle(const QString& path)
{
    ConflictedFile* file = Find(path);
    const std::vector<std::pair<int, int>> kept = kept_.take(QDir::cleanPath(path));
    if (!file)
        return {};
    bool staged = false;
    const Result settled = SettleConflicts(*file, kept, catalogue_, &staged);
    const QString stagedPath = file->path;
    if (staged)
        std::erase_if(list_.files, [file](const ConflictedFile& f) { return &f == file; });
    emit Changed();
    if (staged)
        emit Staged(stagedPath);
    if (!settled)
        emit Failed(settled.Error());
    return settled;
}

}  // namespace scrivlet
