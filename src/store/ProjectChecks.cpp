#include "store/ProjectChecks.h"

#include "documents/EdtDocument.h"
#include "store/ProjectFile.h"
#include "translation/DocumentChecks.h"
#include "translation/ProjectTranslations.h"

namespace scrivlet {
namespace {

QStringList Lines(ProjectFile& project, const char* key)
{
    return project.Value(QString::fromLatin1(key)).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

QStringList ProjectWordList(ProjectFile& project)
{
    return Lines(project, kProjectWordList);
}

Result StoreProjectWordList(ProjectFile& project, const QStringList& words)
{
    return project.SetValue(QString::fromLatin1(kProjectWordList), words.join(u'\n'));
}

CheckTuning ProjectCheckTuning(ProjectFile& project)
{
    CheckTuning tuning;
    tuning.placeholders = Lines(project, kProjectPlaceholders);
    tuning.tags = Lines(project, kProjectTags);
    bool ok = false;
    const double ratio = project.Value(QString::fromLatin1(kProjectLengthRatio)).toDouble(&ok);
    if (ok && ratio > 1)
        tuning.lengthRatio = ratio;
    tuning.startCaseOff = Lines(project, kProjectStartCaseOff);
    return tuning;
}

Result StoreCheckTuning(ProjectFile& project, const CheckTuning& tuning)
{
    const std::pair<const char*, QString> values[] = {
        {kProjectPlaceholders, tuning.placeholders.join(u'\n')},
        {kProjectTags, tuning.tags.join(u'\n')},
        {kProjectLengthRatio, QString::number(tuning.lengthRatio)},
        {kProjectStartCaseOff, tuning.startCaseOff.join(u'\n')}};
    for (const auto& [key, value] : values) {
        if (Result stored = project.SetValue(QString::fromLatin1(key), value); !stored)
            return stored;
    }
    return {};
}

void CheckProjectFiles(ProjectFile& project, const FormatCatalogue& catalogue,
                       const ProjectListing& listing, const CheckSettings& settings,
                       ProjectTranslations* translations, const QSet<QString>& skip,
                       const ProjectCheckCalls& calls)
{
    std::vector<int> files;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        if (listing.entries[i].hasOriginal && !skip.contains(listing.entries[i].path))
            files.push_back(static_cast<int>(i));
    }
    // A field's consistency needs every file's translations first. Each pair is read twice
    // rather than all kept: the table of hashes is a small part of a big project's texts.
    const bool consistency = settings.enabled & Bit(Check::Inconsistent);
    std::vector<bool> unreadable(files.size(), false);
    for (size_t n = 0; consistency && n < files.size(); ++n) {
        if (calls.cancelled && calls.cancelled())
            return;
        const ProjectEntry& entry = listing.entries[static_cast<size_t>(files[n])];
        LoadedPair pair;
        if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
            if (calls.failed)
                calls.failed(entry, loaded.Error());
            unreadable[n] = true;
            continue;
        }
        translations->Add(files[n], *pair.translation, *pair.original);
    }
    const auto check = [&](int file) {
        const ProjectEntry& entry = listing.entries[static_cast<size_t>(file)];
        LoadedPair pair;
        if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
            if (calls.failed)
                calls.failed(entry, loaded.Error());
            return;
        }
        DocumentChecks checks(*pair.translation, settings, pair.original.get());
        checks.SetBoxFile(entry.path);
        checks.SetProjectTranslations(translations, file);
        // Checked again only for ignores, which few files have.
        if (std::vector<IgnoredProblem> ignored = project.IgnoredProblems(entry.path);
            !ignored.empty())
            checks.SetIgnored(ignored);
        checks.WaitForSpelling();
        calls.checked(entry, file, checks);
    };
    for (size_t n = 0; n < files.size(); ++n) {
        if (calls.cancelled && calls.cancelled())
            return;
        // An unreadable file was told of in the first round.
        if (!unreadable[n])
            check(files[n]);
        if (calls.progress)
            calls.progress(static_cast<int>(n) + 1, static_cast<int>(files.size()));
    }
}

}  // namespace scrivlet
