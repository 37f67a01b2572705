// scrivlet-convert: lists the catalogue, dumps documents as JSON lines, converts them
// between .edt and .txt and between encodings, and finds and replaces in them, with the
// editor's own document files and search.

#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "convert/BoxModes.h"
#include "convert/ConvertModes.h"
#include "convert/ConvertOptions.h"
#include "convert/GitModes.h"
#include "convert/MemoryModes.h"
#include "convert/ProjectModes.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "search/Search.h"
#include "session/LayoutFont.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

using namespace scrivlet;
using namespace scrivlet::convert;

namespace {

QString DescribeFormats(const FormatCatalogue& catalogue, const QList<int>& formats)
{
    QStringList names;
    for (int index : formats)
        names << QStringLiteral("%1 (%2)").arg(index).arg(catalogue.At(index)->name);
    return names.join(QStringLiteral(", "));
}

// Why --format auto found no format for path.
void TellUndetected(const FormatCatalogue& catalogue, const QString& path, const Detection& found)
{
    if (found.candidates.size() > 1) {
        Print(stderr, QStringLiteral("scrivlet-convert: the format of '%1' is not clear: "
                                     "formats %2 match equally; choose one with --format\n")
                          .arg(path, DescribeFormats(catalogue, found.candidates)));
    } else if (!found.candidates.isEmpty()) {
        Print(stderr, QStringLiteral("scrivlet-convert: the format of '%1' is not clear: "
                                     "format %2 matches without a distinguishing group; "
                                     "choose one with --format\n")
                          .arg(path, DescribeFormats(catalogue, found.candidates)));
    } else {
        Print(stderr, QStringLiteral("scrivlet-convert: no format matches '%1'; choose "
                                     "one with --format\n")
                          .arg(path));
    }
}

// The index --format names, or detects from INPUT's path; an exit status when there is none.
int ChooseFormat(const Options& options, const FormatCatalogue& catalogue, int* format)
{
    if (options.format == QLatin1String("auto")) {
        const QString fullPath = QFileInfo(options.files[0]).absoluteFilePath();
        const Detection detection = FormatDetector(catalogue).Detect(fullPath);
        if (detection.ask) {
            TellUndetected(catalogue, fullPath, detection);
            return kExitFailed;
        }
        *format = detection.format;
        return kExitOk;
    }
    bool ok = false;
    *format = options.format.toInt(&ok);
    if (!ok || !catalogue.At(*format)) {
        return UsageError(QStringLiteral("--format must be auto or 0 to %1, not '%2'")
                              .arg(catalogue.Count() - 1)
                              .arg(options.format),
                          kUsage);
    }
    return kExitOk;
}

// Without --catalogue: the language's catalogue beside the program, as the editor reads it.
bool LoadCatalogue(const Options& options, UiLanguage language, FormatCatalogue* catalogue)
{
    QString missing = options.catalogue;
    const bool loaded = options.catalogue.isEmpty()
                            ? LoadFormatCatalogue(*catalogue, language, &missing)
                            : LoadFormatCatalogueFile(*catalogue, options.catalogue);
    if (!loaded) {
        Print(stderr, UiText(str::CatalogueMissing).arg(missing) + u'\n');
        return false;
    }
    if (catalogue->Count() == 0) {
        const QString name = missing.isEmpty() ? CatalogueFileName(language) : missing;
        Print(stderr, UiText("catalogue.noFormats").arg(name) + u'\n');
        return false;
    }
    return true;
}

// Loads INPUT in the chosen format and hands it to the mode.
int RunOnDocument(const Options& options, const FormatCatalogue& catalogue)
{
    int format = -1;
    if (const int failed = ChooseFormat(options, catalogue, &format))
        return failed;
    std::optional<SearchQuery> query;
    if (options.find) {
        query = SearchQuery{*options.find, options.searchFlags};
        // A bad expression is the command line's fault: told before any file is read.
        if (!QueryMatcher(*query).IsValid())
            return InvalidPattern(query->text);
    }
    ConverterPrompts prompts(options.yes);
    const QString& input = options.files[0];
    const LoadResult opened = LoadDocument(input, FileTypeForPath(input), *options.encoding,
                                           *catalogue.At(format), format, false, &prompts);
    if (!opened.document)
        return Failed(str::OpenFailed, input, opened.error);
    // Told, not fatal: the texts are there, only some bytes were not. --strict wants them all.
    if (const QString invalid = InvalidBytesText(opened.notes, *catalogue.At(format));
        !invalid.isEmpty()) {
        Print(stderr,
              QStringLiteral("scrivlet-convert: %1: %2%3\n")
                  .arg(input, invalid, options.strict ? QStringLiteral(" (--strict)") : QString()));
        if (options.strict)
            return kExitFailed;
    }
    Session session{options, catalogue, prompts, *opened.document, query};
    return RunMode(session);
}

int Run(const QStringList& args)
{
    if (const std::optional<int> status = RunGitMode(args))
        return *status;
    if (const std::optional<int> status = RunProjectMode(args))
        return *status;
    if (const std::optional<int> status = RunMemoryMode(args))
        return *status;
    Options options;
    const QString problem = ParseArguments(args, &options);
    if (!problem.isEmpty())
        return UsageError(problem, kUsage);
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(ProjectUsage(), stdout);
        std::fputs(kCheckUsage, stdout);
        std::fputs(kBoxUsage, stdout);
        std::fputs(MemoryUsage(), stdout);
        std::fputs(GitUsage(), stdout);
        return kExitOk;
    }
    const std::optional<UiLanguage> language = LanguageOf(options.language);
    if (!language)
        return UsageError(QStringLiteral("unknown language '%1'").arg(options.language), kUsage);
    SetUiLanguage(*language);
    FormatCatalogue catalogue;
    if (!LoadCatalogue(options, *language, &catalogue))
        return kExitFailed;
    if (options.listFormats) {
        ListFormats(catalogue);
        return kExitOk;
    }
    return RunOnDocument(options, catalogue);
}

}  // namespace

namespace {

volatile std::sig_atomic_t fileSizeLimitHit = 0;

// A write past the file-size limit then fails with EFBIG, which each mode reports with its
// file, instead of the process ending without a word. SQLite loses the system's reason on the
// way, so the signal itself is what tells it.
extern "C" void NoteFileSizeLimit(int)
{
    fileSizeLimitHit = 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::signal(SIGXFSZ, NoteFileSizeLimit);
    // A TrueType box is measured through Qt's text layout, which needs a GUI application (on
    // no screen unless asked for one); every other run stays without.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (NeedsTextLayout(raw)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        UseLayoutFonts();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const int status = Run(QCoreApplication::arguments());
    std::fflush(stdout);
    if (fileSizeLimitHit)
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n")
                          .arg(UiText("xchg.fileSizeLimit")
                                   .arg(QString::fromLocal8Bit(std::strerror(EFBIG)))));
    return status;
}
