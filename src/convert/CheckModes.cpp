#include "convert/CheckModes.h"

#include "convert/BoxModes.h"
#include "convert/ConvertSession.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "exchange/Glossary.h"
#include "store/IgnoreFile.h"
#include "store/ProjectBoxes.h"
#include "store/ProjectChecks.h"
#include "store/ProjectFile.h"
#include "store/ProjectGlossary.h"
#include "store/ProjectWalk.h"
#include "translation/BoxFonts.h"
#include "translation/DocumentChecks.h"
#include "translation/ProjectTranslations.h"
#include "translation/Spelling.h"

#include <array>

namespace scrivlet::convert {
namespace {

// The settings a request asks for, with the dictionary they point to.
struct CheckSetup {
    CheckSettings settings;
    SpellingDictionary dictionary;
};

// Sums over the documents checked.
struct Tally {
    qint64 fields = 0;
    qint64 problems = 0;
    qint64 ignored = 0;
    std::array<qint64, kCheckCount> byCheck{};
};

// tuning and words: a project's, which the request's add to.
int Prepare(const CheckRequest& request, CheckSetup* setup, CheckTuning tuning = {},
            const QStringList& words = {})
{
    CheckSettings& s = setup->settings;
    if (!request.checks.isEmpty()) {
        s.enabled = 0;
        for (const QString& name : request.checks)
            s.enabled |= Bit(*CheckNamed(name));
    }
    // Those of the command line one by one, to name a bad one; a project's bad ones are left
    // out, as the editor leaves them out.
    for (const QString& pattern : request.placeholders + request.tags) {
        if (!PlaceholderFinder().AddPattern(pattern))
            return InvalidPattern(pattern);
    }
    tuning.placeholders += request.placeholders;
    tuning.tags += request.tags;
    tuning.startCaseOff += request.startCaseOff;
    if (request.lengthRatio > 0)
        tuning.lengthRatio = request.lengthRatio;
    s.Tune(tuning);
    if (!request.glossary.isEmpty()) {
        if (Result read = ReadGlossary(request.glossary, request.spelling, &s.glossary); !read)
            return Failed(str::OpenFailed, request.glossary, read.Error());
    }
    s.language = request.spelling;
    if (!request.spelling.isEmpty()) {
        if (Result loaded = setup->dictionary.Load(request.spelling); !loaded) {
            Print(stderr, loaded.Error() + u'\n');
            return kExitFailed;
        }
        setup->dictionary.SetWordList(words);
        s.enabled |= Bit(Check::Spelling);
        s.speller = &setup->dictionary;
    }
    return kExitOk;
}

// One line per problem, "file" first when given; counted into tally. Ignored problems are
// only counted.
void PrintProblems(const DocumentChecks& checks, const QByteArray& file, Tally* tally)
{
    tally->ignored += checks.IgnoredCount();
    QByteArray out;
    checks.ForEachProblem([&](const Problem& p) {
        out += '{';
        if (!file.isEmpty())
            out += "\"file\": " + file + ", ";
        out += "\"record\": " + QByteArray::number(p.record) +
               ", \"field\": " + QByteArray::number(p.field) + ", \"check\": \"" +
               CheckName(p.check) + "\", \"detail\": " + JsonString(p.detail) + "}\n";
        ++tally->problems;
        ++tally->byCheck[static_cast<size_t>(p.check)];
        if (out.size() > (1 << 16)) {
            std::fwrite(out.constData(), 1, out.size(), stdout);
            out.clear();
        }
    });
    std::fwrite(out.constData(), 1, out.size(), stdout);
}

// The box checks run only where a box is set.
CheckMask WithBoxes(CheckMask ran, const CheckSettings& settings)
{
    return settings.boxes.empty() && settings.fileBoxes.empty()
               ? CheckMask(ran & ~(Bit(Check::TooWide) | Bit(Check::MissingGlyph)))
               : ran;
}

// The boxes of the command line, for the document's format.
int LoadBoxes(const QStringList& boxArguments, int format, CheckSettings* settings)
{
    for (const QString& argument : boxArguments) {
        QString problem;
        const auto [field, box] = *ParseBoxArgument(argument, &problem);
        std::shared_ptr<const TextMeasure> measure;
        if (Result loaded = LoadBoxFont(box, &measure); !loaded)
            return Failed(loaded.Error());
        settings->boxes[{format, field}] = {box, std::move(measure)};
    }
    return kExitOk;
}

// The checks that ran: with a reference all enabled ones, else those that need none.
void PrintSummary(const Tally& tally, CheckMask ran, int files)
{
    QByteArray out = "{";
    if (files >= 0)
        out += "\"files\": " + QByteArray::number(files) + ", ";
    out += "\"fields\": " + QByteArray::number(tally.fields) +
           ", \"problems\": " + QByteArray::number(tally.problems) + ", \"by_check\": {";
    bool first = true;
    for (int c = 0; c < kCheckCount; ++c) {
        if (!(ran & Bit(static_cast<Check>(c))))
            continue;
        out += (first ? "\"" : ", \"") + QByteArray(CheckName(static_cast<Check>(c))) +
               "\": " + QByteArray::number(tally.byCheck[static_cast<size_t>(c)]);
        first = false;
    }
    out += "}, \"ignored\": " + QByteArray::number(tally.ignored) + "}\n";
    std::fwrite(out.constData(), 1, out.size(), stdout);
}

}  // namespace

int RunCheck(Session& s)
{
    CheckSetup setup;
    if (const int failed = Prepare(s.options.checkRequest, &setup))
        return failed;
    LoadResult reference;
    if (const int failed = LoadReference(s, &reference))
        return failed;
    if (const int failed =
            LoadBoxes(s.options.checkRequest.boxes, s.document.FormatIndex(), &setup.settings))
        return failed;
    if (s.options.toEncoding)
        setup.settings.storage =
            TextStorage{*s.options.toEncoding, FileTypeForPath(s.options.files[0])};
    DocumentChecks checks(s.document, setup.settings, reference.document.get());
    std::vector<IgnoredProblem> ignored;
    if (Result read = ReadIgnoreFile(s.options.files[0], &ignored); !read)
        return Failed(str::OpenFailed, IgnoreFilePath(s.options.files[0]), read.Error());
    if (!ignored.empty())
        checks.SetIgnored(ignored);
    // A big document is spelled on other threads; there is no event loop to hear it end.
    checks.WaitForSpelling();
    Tally tally;
    tally.fields = static_cast<qint64>(s.document.RecordCount()) * s.document.TextFieldCount();
    PrintProblems(checks, {}, &tally);
    const CheckMask ran = reference.document ? setup.settings.enabled
                                             : (setup.settings.enabled & kChecksWithoutReference);
    PrintSummary(tally, WithBoxes(ran, setup.settings), -1);
    return kExitOk;
}

int RunProjectCheck(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, const CheckRequest& request)
{
    CheckSetup setup;
    // As the editor checks the project: with its own words, patterns and choices.
    if (const int failed =
            Prepare(request, &setup, ProjectCheckTuning(project), ProjectWordList(project)))
        return failed;
    // A file named on the command line stands in for the project's own terms.
    if (request.glossary.isEmpty())
        setup.settings.glossary = ProjectGlossaryTerms(project);
    bool failed = false;
    // A box whose font is gone is left out, and said so.
    for (const QString& problem : LoadProjectBoxes(project, &setup.settings)) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(problem));
        failed = true;
    }
    Tally tally;
    int files = 0;
    ProjectTranslations translations;
    ProjectCheckCalls calls;
    calls.failed = [&failed](const ProjectEntry&, const QString& error) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(error));
        failed = true;
    };
    calls.checked = [&](const ProjectEntry& entry, int, const DocumentChecks& checks) {
        ++files;
        tally.fields += static_cast<qint64>(checks.FieldCount());
        PrintProblems(checks, JsonString(entry.path), &tally);
    };
    CheckProjectFiles(project, catalogue, listing, setup.settings, &translations, {}, calls);
    PrintSummary(tally, WithBoxes(setup.settings.enabled, setup.settings), files);
    return failed ? kExitFailed : kExitOk;
}

}  // namespace scrivlet::convert
