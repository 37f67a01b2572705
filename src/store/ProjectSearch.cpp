#include "store/ProjectSearch.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "documents/RowLabels.h"

#include <QtConcurrent/QtConcurrentMap>

namespace scrivlet {
namespace {

struct FileSearch {
    FileHits found;
    SearchOutcome outcome = SearchOutcome::NotFound;
};

HitContext ContextOf(const EdtDocument& document, const RowLabels& labels, const FieldMatch& hit)
{
    // Characters shown on either side of a match in a list of hits.
    constexpr int kContextChars = 40;
    const int column = document.TextColumn(hit.field);
    const QStringView text = document.FieldText(hit.record, hit.field);
    const int from = std::max(0, hit.start - kContextChars);
    const int to = std::min(int(text.size()), hit.start + hit.length + kContextChars);
    HitContext context;
    context.record = labels.RecordName(document.Format(), hit.record);
    context.field = document.Format().fields[column].caption;
    context.around = text.mid(from, to - from).toString();
    context.matchStart = hit.start - from;
    return context;
}

FileSearch SearchFile(const ProjectFile& project, const FormatCatalogue& catalogue,
                      const ProjectEntry& entry, const SearchQuery& query,
                      const ProjectSearchControl& control)
{
    FileSearch search;
    search.found.path = entry.path;
    if (control.cancel && control.cancel->load())
        return search;
    const EdtFormat* format = catalogue.At(entry.format);
    if (!format) {
        search.found.error = UiText("project.formatUnclear").arg(entry.path);
        return search;
    }
    // A missing translation is searched as the copy of its original it will be made from, as
    // the counts count it: the original's texts, read in the original's encoding.
    search.found.missing = !entry.hasTranslation;
    const ProjectSettings& settings = project.Settings();
    const QString path =
        search.found.missing ? entry.OriginalIn(project) : entry.TranslationIn(project);
    const LoadResult loaded = LoadDocument(
        path, FileTypeForPath(path),
        search.found.missing ? settings.originalEncoding : settings.translationEncoding, *format,
        entry.format, true);
    if (!loaded.document) {
        search.found.error = UiText(str::OpenFailed).arg(path) + u' ' + loaded.error;
        return search;
    }
    search.outcome = FindAll(*loaded.document, query, [&search](const FieldMatch& match) {
        search.found.hits.push_back(match);
    });
    if (control.context) {
        const RowLabels labels;
        for (const FieldMatch& hit : search.found.hits)
            search.found.context.push_back(ContextOf(*loaded.document, labels, hit));
    }
    return search;
}

}  // namespace

HitContext ContextOfHit(const EdtDocument& document, const FieldMatch& hit)
{
    return ContextOf(document, RowLabels(), hit);
}

SearchOutcome FindInProject(const ProjectFile& project, const FormatCatalogue& catalogue,
                            const ProjectListing& listing, const SearchQuery& query,
                            const std::function<void(const FileHits&)>& found,
                            const ProjectSearchControl& control)
{
    std::vector<const ProjectEntry*> originals;
    for (const ProjectEntry& entry : listing.entries) {
        if (entry.hasOriginal)
            originals.push_back(&entry);
    }
    // Results keep the input's order; resultAt waits for each in turn while later files are
    // searched, and a document is let go as soon as its search ends.
    QFuture<FileSearch> searches = QtConcurrent::mapped(originals, [&](const ProjectEntry* entry) {
        return SearchFile(project, catalogue, *entry, query, control);
    });
    bool any = false;
    for (int i = 0; i < static_cast<int>(originals.size()); ++i) {
        const FileSearch search = searches.resultAt(i);
        const bool cancelled = control.cancel && control.cancel->load();
        if (cancelled || search.outcome == SearchOutcome::InvalidPattern) {
            searches.cancel();
            searches.waitForFinished();
            return cancelled ? SearchOutcome::NotFound : SearchOutcome::InvalidPattern;
        }
        any = any || !search.found.hits.empty();
        found(search.found);
    }
    return any ? SearchOutcome::Found : SearchOutcome::NotFound;
}

}  // namespace scrivlet
