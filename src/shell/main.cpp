#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/Encodings.h"
#include "session/Settings.h"
#include "shell/Autosave.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/MainFrame.h"
#include "shell/ProjectCommands.h"
#include "shell/SessionCommands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace {

// Set, prints the time from the start of main to the first paint of the main window;
// with the value "quit" the program then ends, for repeated measurements.
constexpr char kStartupTimeVariable[] = "SCRIVLET_STARTUP_TIME";

class FirstPaintClock : public QObject {
public:
    FirstPaintClock(const QElapsedTimer& clock, bool quit) : clock_(clock), quit_(quit) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            std::fprintf(stderr, "startup: first paint after %.1f ms\n",
                         double(clock_.nsecsElapsed()) / 1e6);
            if (quit_)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    QElapsedTimer clock_;
    bool quit_;
};

constexpr int kExitUsage = 1;  // as QCommandLineParser ends on an unknown option

// --help and --version are answered without a window system, so they work where no display
// is (a terminal on a server, a package check).
bool AsksForInformation(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            break;
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// Qt's own texts (standard buttons, file dialogs, context menus) in the interface language.
// Without the file they stay English.
void InstallQtTranslations(scrivlet::UiLanguage language)
{
    if (language == scrivlet::UiLanguage::English)
        return;
    QStringList folders;
#ifdef Q_OS_WIN
    // A Windows installation carries them beside the program.
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
#endif
    folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>(qApp);
    const QString name = QStringLiteral("qtbase_") + scrivlet::LanguageCode(language);
    for (const QString& folder : folders) {
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator.release());
            return;
        }
    }
}

struct OpenOptions {
    QString format;     // "auto" or a number, checked once the catalogue is loaded
    int encoding = -1;  // -1: the remembered one
    QStringList files;
};

void PrintError(const QString& text)
{
    std::fprintf(stderr, "scrivlet: %s\n", qPrintable(text));
}

// Reads the command line; help and version end the program here, as do syntax errors.
// False when a value is wrong.
bool ReadCommandLine(OpenOptions* options)
{
    using scrivlet::UiText;
    QCommandLineParser parser;
    parser.setApplicationDescription(UiText(scrivlet::str::FrameCaption));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption format(QStringLiteral("format"), UiText("desktop.format"),
                                    QStringLiteral("N|auto"), QStringLiteral("auto"));
    const QCommandLineOption encoding(QStringLiteral("encoding"), UiText("desktop.encoding"),
                                      QStringLiteral("E"));
    parser.addOptions({format, encoding});
    parser.addPositionalArgument(QStringLiteral("FILE"), UiText("desktop.files"),
                                 QStringLiteral("[FILE...]"));
    parser.process(QCoreApplication::arguments());

    options->format = parser.value(format);
    if (parser.isSet(encoding)) {
        bool ok = false;
        options->encoding = parser.value(encoding).toInt(&ok);
        if (!ok || !scrivlet::IsValidEncoding(options->encoding)) {
            PrintError(UiText("desktop.badencoding"));
            return false;
        }
    }
    options->files = parser.positionalArguments();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    const bool informationOnly = AsksForInformation(argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (informationOnly)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvolt"));
    QCoreApplication::setApplicationName(QStringLiteral("Scrivlet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCRIVLET_VERSION));

    // The interface language is fixed before any window or text exists; a change of the
    // setting applies at the next start.
    scrivlet::SetUiLanguage(scrivlet::LanguageFromCode(scrivlet::InterfaceLanguage()));
    InstallQtTranslations(scrivlet::CurrentUiLanguage());

    OpenOptions options;
    if (!ReadCommandLine(&options))
        return kExitUsage;

    // Before the frame, so that it outlives every tab and removes this run's copies last.
    scrivlet::Autosave autosave;
    scrivlet::FormatCatalogue catalogue;
    scrivlet::MainFrame frame(&catalogue);
    if (frame.StartupExitCode() != 0)
        return frame.StartupExitCode();
    frame.SetRecovery(&autosave);
    int format = -1;
    if (options.format != QLatin1String("auto")) {
        bool ok = false;
        format = options.format.toInt(&ok);
        if (!ok || !catalogue.At(format)) {
            PrintError(scrivlet::UiText("desktop.badformat").arg(catalogue.Count() - 1));
            return kExitUsage;
        }
    }

    FirstPaintClock paintClock(clock, qgetenv(kStartupTimeVariable) == "quit");
    if (qEnvironmentVariableIsSet(kStartupTimeVariable))
        frame.installEventFilter(&paintClock);
    frame.show();
    QObject::connect(&autosave, &scrivlet::Autosave::CannotWrite, &frame,
                     [&frame](const QString& message) {
                         frame.Commands().Host().ShowMessage(&frame, message, QMessageBox::Warning,
                                                             scrivlet::AppCaption());
                     });
    // The last session first, so that recovery copies find their project and tabs open; not
    // when the command line names what to open.
    QTimer::singleShot(0, &frame, [&frame, &autosave, reopen = options.files.isEmpty()] {
        if (reopen)
            scrivlet::ReopenLastSession(frame);
        autosave.OfferRestore(frame, frame.Commands().Host());
    });
    // Once the window is up, so that questions and the wizard have their owner.
    if (!options.files.isEmpty()) {
        QTimer::singleShot(0, &frame, [&frame, &options, format] {
            // A project file opens as a project, everything else as a document.
            QStringList documents;
            for (const QString& file : options.files) {
                if (file.endsWith(QLatin1String(".scrivlet"), Qt::CaseInsensitive))
                    frame.Projects().OpenProjectFile(file);
                else
                    documents << file;
            }
            if (!documents.isEmpty())
                frame.Commands().OpenFiles(documents, format, options.encoding);
        });
    }
    return QCoreApplication::exec();
}
