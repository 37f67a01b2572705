#include "store/ProjectUpdate.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "store/MemoryFeed.h"
#include "store/ProjectWalk.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <map>

namespace scrivlet {

std::vector<ProjectFile::PlacedMarks> CarryMarks(const std::vector<ProjectFile::PlacedMarks>& marks,
                                                 const Alignment& alignment,
                                                 const EdtDocument& oldOriginal)
{
    std::vector<int> toNew(static_cast<size_t>(oldOriginal.RecordCount()), -1);
    for (size_t j = 0; j < alignment.fromOld.size(); ++j) {
        if (alignment.fromOld[j] >= 0)
            toNew[alignment.fromOld[j]] = static_cast<int>(j);
    }
    std::map<std::pair<int, int>, FieldMarks> carried;
    for (const ProjectFile::PlacedMarks& row : marks) {
        if (row.record >= 0 && row.record < oldOriginal.RecordCount() && toNew[row.record] >= 0)
            carried[{toNew[row.record], row.field}] = row.marks;
    }
    for (const ReviewField& field : alignment.review) {
        FieldMarks& row = carried[{field.record, field.field}];
        const bool waiting = row.review != ReviewReason::None && !row.source.isEmpty();
        row.review = field.reason;
        if (field.reason == ReviewReason::New)
            row.source.clear();
        else if (!waiting)
            row.source =
                oldOriginal.FieldText(alignment.fromOld[field.record], field.field).toString();
    }
    std::vector<ProjectFile::PlacedMarks> rows;
    rows.reserve(carried.size());
    for (const auto& [place, row] : carried)
        rows.push_back({place.first, place.second, row});
    return rows;
}

namespace {

// The removed records' translations to the project's own memory; its languages, while it has
// none, from the project's encodings.
void KeepRemoved(const ProjectFile& project, const QString& file, const Alignment& alignment,
                 const EdtDocument& oldOriginal, const EdtDocument& input, FileUpdate* update)
{
    const std::vector<MemoryUnit> units =
        RemovedUnits(alignment, oldOriginal, input, file, QDateTime::currentSecsSinceEpoch());
    const ProjectSettings& settings = project.Settings();
    FeedReport report;
    const Result fed =
        FeedMemory(project.Path(),
                   LanguagesOfEncodings(settings.originalEncoding, settings.translationEncoding),
                   units, &report);
    update->memory = report.counts;
    if (!fed)
        update->memoryError = fed.Error();
    else if (report.noLanguages)
        update->memoryError = UiText("memory.feedNoLanguages");
}

// Writes the file's new translation beside it and records it, with its carried marks and record
// ids, in the update's plan; the translation itself is replaced only when the whole update
// switches. A file without a translation carries its record ids alone: the translations of a
// template sent to a translation platform are named by them.
Result UpdateFile(ProjectFile& project, const FormatCatalogue& catalogue, const ProjectEntry& entry,
                  const QString& newOriginal, FileUpdate* update)
{
    AlignmentCounts* counts = &update->counts;
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded)
        return loaded;
    LoadResult loaded =
        LoadDocument(newOriginal, FileTypeForPath(newOriginal), project.Settings().originalEncoding,
                     *catalogue.At(entry.format), entry.format, true);
    if (!loaded.document)
        return Result::Failure(UiText(str::OpenFailed).arg(newOriginal) + u' ' + loaded.error);
    Alignment alignment;
    if (Result aligned =
            AlignTranslation(*pair.original, *loaded.document, *pair.translation, &alignment);
        !aligned)
        return aligned;
    *counts = alignment.counts;
    if (counts->kept == counts->records && counts->removed == 0)
        return {};  // the same records in the same places: nothing to write
    const RecordIds ids =
        project.FileRecordIds(entry.path).Carried(alignment.fromOld, pair.original->RecordCount());
    if (!entry.hasTranslation)
        return project.StageRecordIds(entry.path, ids);
    const QString translation = entry.TranslationIn(project);
    const QString staged = ProjectFile::StagedPath(translation);
    if (Result saved = WriteDocumentCopy(*alignment.output, staged, FileTypeForPath(translation),
                                         project.Settings().translationEncoding);
        !saved)
        return Result::Failure(UiText(str::SaveFailed).arg(staged) + u' ' + saved.Error());
    if (Result staged = project.StageUpdate(
            entry.path, CarryMarks(project.FileMarks(entry.path), alignment, *pair.original), ids);
        !staged)
        return staged;
    KeepRemoved(project, entry.path, alignment, *pair.original, *pair.translation, update);
    return {};
}

}  // namespace

Result UpdateOriginals(ProjectFile& project, const FormatCatalogue& catalogue,
                       const QString& newOriginals,
                       const std::function<void(const FileUpdate&)>& done)
{
    const QString folder = QDir(QFileInfo(project.Path()).absolutePath()).filePath(newOriginals);
    if (!QFileInfo(folder).isDir())
        return Result::Failure(UiText("project.noFolder").arg(newOriginals));
    if (Result begun = project.BeginUpdate(); !begun)
        return begun;
    const ProjectListing listing = ListProject(project, catalogue);
    for (const ProjectEntry& entry : listing.entries) {
        if (!entry.hasOriginal)
            continue;
        FileUpdate update;
        update.path = entry.path;
        const QString newOriginal = QDir(folder).filePath(entry.path);
        // A file without a translation is not reported: it only carries its record ids.
        if (!QFileInfo::exists(newOriginal)) {
            if (entry.hasTranslation) {
                update.error = UiText("update.noNewOriginal").arg(entry.path);
                done(update);
            }
            continue;
        }
        if (Result updated = UpdateFile(project, catalogue, entry, newOriginal, &update); !updated)
            update.error = entry.path + QStringLiteral(": ") + updated.Error();
        if (entry.hasTranslation || !update.error.isEmpty())
            done(update);
    }
    return project.SwitchUpdate(folder);
}

}  // namespace scrivlet
