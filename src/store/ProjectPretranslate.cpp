#include "store/ProjectPretranslate.h"

#include "base/UiText.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "exchange/Exchange.h"
#include "store/FieldNotes.h"
#include "store/Memory.h"
#include "store/MemoryFeed.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"

#include <QDir>
#include <QFileInfo>

namespace scrivlet {

std::vector<PlacedNote> GuessesNeedWork(const EdtDocument& document,
                                        const std::vector<PlacedNote>& notes,
                                        const PretranslateReport& report)
{
    std::vector<PlacedNote> guesses;
    for (const auto& [record, field] : report.guessed) {
        const QStringView text = document.FieldText(record, field);
        guesses.push_back({record, field, FieldNote{StoredState::NeedsWork, StateHash(text), {}}});
    }
    return MergeNotes(notes, guesses);
}

namespace {

FilePretranslation Fill(ProjectFile& project, const FormatCatalogue& catalogue,
                        const ProjectEntry& entry, TranslationMemory& memory,
                        const MemoryLanguages& languages, int minScore)
{
    FilePretranslation line{entry.path, {}, {}};
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
        line.error = loaded.Error();
        return line;
    }
    EdtDocument& translation = *pair.translation;
    TextPlan plan;
    if (Result planned = PlanPretranslation(memory, languages, translation, *pair.original,
                                            minScore, &plan, &line.report);
        !planned) {
        line.error = planned.Error();
        return line;
    }
    if (plan.IsEmpty())
        return line;
    if (Result free = pair.created ? CheckNewTranslation(project, entry) : Result(); !free) {
        line.error = free.Error();
        return line;
    }
    const QString folder = QFileInfo(translation.Path()).path();
    if (!translation.ApplyPlan(plan)) {
        line.error = UiText("fileError.noMemory");
    } else if (!QDir().mkpath(folder)) {
        line.error = UiText("project.cannotMake").arg(folder);
    } else if (Result saved = SaveDocument(translation); !saved) {
        line.error = saved.Error();
    } else if (!line.report.guessed.empty()) {
        // After the texts, as an import keeps its states.
        const std::vector<PlacedNote> notes =
            GuessesNeedWork(translation, project.FileNotes(entry.path), line.report);
        if (Result written = NotesInProject(project, entry.path)->Write(notes); !written)
            line.error = UiText("project.cannotWrite").arg(project.Path(), written.Error());
    }
    return line;
}

}  // namespace

Result PretranslateProject(ProjectFile& project, const FormatCatalogue& catalogue,
                           const ProjectListing& listing, int minScore, const QString& only,
                           const std::function<void(const FilePretranslation&)>& done)
{
    // The project's memory is its own file.
    std::unique_ptr<TranslationMemory> memory;
    if (Result opened = OpenMemory(project.Path(), &memory); !opened)
        return opened;
    MemoryLanguages languages;
    if (Result read = memory->Languages(&languages); !read)
        return read;
    if (languages.IsEmpty())
        languages = LanguagesOfEncodings(project.Settings().originalEncoding,
                                         project.Settings().translationEncoding);
    for (const ProjectEntry& entry : listing.entries) {
        if (entry.hasOriginal && (only.isEmpty() || entry.path == only))
            done(Fill(project, catalogue, entry, *memory, languages, minScore));
    }
    return {};
}

}  // namespace scrivlet
