#include "store/ProjectChecks.h"

#include "documents/EdtDocument.h"
#include "translation/DocumentChecks.h"
#include "translation/ProjectTranslations.h"

namespace scrivlet {

void CheckProjectFiles(ProjectFile& project, const FormatCatalogue& catalogue,
                       const ProjectListing& listing, const CheckSettings& settings,
                       ProjectTranslations* translations, const QSet<QString>& skip,
                       const ProjectCheckCalls& calls)
{
    // Every file is read before any is checked: a field's consistency needs all of them.
    std::vector<std::pair<int, LoadedPair>> pairs;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const ProjectEntry& entry = listing.entries[i];
        if (!entry.hasOriginal || skip.contains(entry.path))
            continue;
        if (calls.cancelled && calls.cancelled())
            return;
        LoadedPair pair;
        if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
            if (calls.failed)
                calls.failed(entry, loaded.Error());
            continue;
        }
        translations->Add(static_cast<int>(i), *pair.translation, *pair.original);
        pairs.emplace_back(static_cast<int>(i), std::move(pair));
    }
    int done = 0;
    for (auto& [file, pair] : pairs) {
        if (calls.cancelled && calls.cancelled())
            return;
        const ProjectEntry& entry = listing.entries[static_cast<size_t>(file)];
        DocumentChecks checks(*pair.translation, settings, pair.original.get());
        checks.SetIgnored(project.IgnoredProblems(entry.path), false);
        checks.SetProjectTranslations(translations, file);
        checks.WaitForSpelling();
        calls.checked(entry, file, checks);
        // The documents go as soon as they are told: a big project need not stay in memory.
        pair = LoadedPair();
        if (calls.progress)
            calls.progress(++done, static_cast<int>(pairs.size()));
    }
}

}  // namespace scrivlet
