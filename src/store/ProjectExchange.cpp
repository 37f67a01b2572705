#include "store/ProjectExchange.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "store/FieldNotes.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <iterator>
#include <optional>

namespace scrivlet {
namespace {

QString PartPath(const QString& dir, const QString& relative, const TranslationFileFormat& format)
{
    return dir + u'/' + relative + u'.' + format.Suffixes().front();
}

// Each entry named by a record id gets the record that has the id now (-1 for none).
void PlaceById(const RecordIds& stored, int records, std::vector<TranslationEntry>& entries)
{
    const std::vector<qint32> ids = stored.Of(records);
    QHash<qint32, int> recordOf;
    recordOf.reserve(records);
    for (int record = 0; record < records; ++record)
        recordOf.insert(ids[static_cast<size_t>(record)], record);
    for (TranslationEntry& entry : entries) {
        if (entry.recordId >= 0)
            entry.record = recordOf.value(entry.recordId, -1);
    }
}

// The states and comments the import brought, over those the project keeps.
FileImport& KeepNotes(ProjectFile& project, const QString& file, const ImportPlan& plan,
                      FileImport* line)
{
    if (plan.notes.empty())
        return *line;
    const std::vector<PlacedNote> kept = project.FileNotes(file);
    const std::vector<PlacedNote> merged = MergeNotes(kept, plan.notes);
    if (merged == kept)
        return *line;
    if (Result written = NotesInProject(project, file)->Write(merged); !written)
        line->error = UiText("project.cannotWrite").arg(project.Path(), written.Error());
    return *line;
}

// One original's translation with the entries given for it: saved (or, when missing, made)
// only when an entry changes it.
FileImport ImportInto(ProjectFile& project, const FormatCatalogue& catalogue,
                      const ProjectEntry& entry, std::vector<TranslationEntry>& entries,
                      bool includeFuzzy)
{
    FileImport line;
    line.path = entry.path;
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
        line.error = loaded.Error();
        return line;
    }
    PlaceById(project.FileRecordIds(entry.path), pair.original->RecordCount(), entries);
    EdtDocument& translation = *pair.translation;
    ImportPlan plan;
    if (Result planned = PlanImport(translation, entries, includeFuzzy, &plan); !planned) {
        line.error = planned.Error();
        return line;
    }
    line.report = plan.report;
    // A translation is made only for an entry that goes into it: a copy of the original would
    // hide that the file is still to be translated.
    if (plan.texts.IsEmpty())
        return KeepNotes(project, entry.path, plan, &line);
    if (pair.created) {
        if (Result free = CheckNewTranslation(project, entry); !free) {
            line.error = free.Error();
            return line;
        }
    }
    line.created = pair.created;
    if (!translation.ApplyPlan(plan.texts)) {
        line.error = UiText("fileError.noMemory");
        return line;
    }
    const QString path = translation.Path();
    if (!QDir().mkpath(QFileInfo(path).path())) {
        line.error = UiText("project.cannotMake").arg(QFileInfo(path).path());
        return line;
    }
    // Saved as the editor saves: the old file is replaced only by a complete new one.
    if (Result saved = SaveDocument(translation); !saved) {
        line.error = saved.Error();
        return line;
    }
    // After the texts: cut short between the two, the old states stand for the new texts,
    // an approval falling back to translated as for any text changed outside.
    return KeepNotes(project, entry.path, plan, &line);
}

// Where each original's entries are among all read. A part that names no original of the
// project, or one named before (its first part counts, as the first entry for a field does),
// is reported with its line and left out.
QHash<QString, std::pair<size_t, size_t>> PartRanges(
    const ProjectListing& listing, const std::vector<BundlePart>& parts, size_t count,
    const std::function<void(const FileImport&)>& done)
{
    QSet<QString> originals;
    for (const ProjectEntry& entry : listing.entries) {
        if (entry.hasOriginal)
            originals.insert(entry.path);
    }
    QHash<QString, std::pair<size_t, size_t>> ranges;
    for (size_t i = 0; i < parts.size(); ++i) {
        const BundlePart& part = parts[i];
        const size_t end = i + 1 < parts.size() ? parts[i + 1].first : count;
        const char* problem = part.name.isEmpty()              ? "project.partUnnamed"
                              : !originals.contains(part.name) ? "project.partUnknown"
                              : ranges.contains(part.name)     ? "project.partRepeated"
                                                               : nullptr;
        if (problem) {
            done(FileImport{
                part.name, false, {}, UiText(problem).arg(part.line).arg(end - part.first)});
            continue;
        }
        ranges.insert(part.name, {part.first, end});
    }
    return ranges;
}

}  // namespace

Result ExportProject(ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& out,
                     const TranslationFileFormat& format)
{
    // One file holds every original, or each takes a file of its own.
    std::optional<TranslationBundle> bundle;
    if (format.Can(TranslationFileFormat::Bundle))
        bundle.emplace(out, format);
    // One pair at a time in memory: the bundle writes each part before the next is read.
    for (const ProjectEntry& entry : listing.entries) {
        if (!entry.hasOriginal)
            continue;
        LoadedPair pair;
        if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded)
            return loaded;
        const std::vector<qint32> ids =
            project.FileRecordIds(entry.path).Of(pair.original->RecordCount());
        FieldStates states(*pair.translation);
        states.Restore(project.FileNotes(entry.path));
        Result done;
        if (bundle) {
            done = bundle->Add(*pair.translation, pair.original.get(), entry.path, ids, &states);
        } else {
            const QString path = PartPath(out, entry.path, format);
            if (!QDir().mkpath(QFileInfo(path).path()))
                return Result::Failure(UiText("project.cannotMake").arg(QFileInfo(path).path()));
            done = ExportTranslations(*pair.translation, pair.original.get(), path, format, nullptr,
                                      ids, &states);
        }
        if (!done)
            return Result::Failure(entry.path + QStringLiteral(": ") + done.Error());
    }
    return bundle ? bundle->Commit() : Result();
}

Result ImportProject(ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& in,
                     const TranslationFileFormat& format, bool includeFuzzy,
                     const std::function<void(const FileImport&)>& done)
{
    std::vector<TranslationEntry> all;
    QHash<QString, std::pair<size_t, size_t>> ranges;  // original -> [first, end) of all
    const bool bundled = format.Can(TranslationFileFormat::Bundle);
    if (bundled) {
        std::vector<BundlePart> parts;
        if (Result read = ReadTranslations(in, format, &all, &parts); !read)
            return read;
        ranges = PartRanges(listing, parts, all.size(), done);
    } else if (!QFileInfo(in).isDir()) {
        return Result::Failure(UiText("project.noFolder").arg(in));
    }
    for (const ProjectEntry& entry : listing.entries) {
        if (!entry.hasOriginal)
            continue;
        std::vector<TranslationEntry> own;
        if (bundled) {
            const auto range = ranges.constFind(entry.path);
            if (range == ranges.constEnd())
                continue;
            own.assign(
                std::make_move_iterator(all.begin() + static_cast<qsizetype>(range->first)),
                std::make_move_iterator(all.begin() + static_cast<qsizetype>(range->second)));
        } else {
            const QString path = PartPath(in, entry.path, format);
            if (!QFileInfo::exists(path))
                continue;
            if (Result read = ReadTranslations(path, format, &own); !read) {
                done(FileImport{entry.path, false, {}, path + QStringLiteral(": ") + read.Error()});
                continue;
            }
        }
        done(ImportInto(project, catalogue, entry, own, includeFuzzy));
    }
    return {};
}

}  // namespace scrivlet
