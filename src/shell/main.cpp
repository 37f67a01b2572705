#include "base/Settings.h"
#include "base/UiText.h"
#include "shell/MainFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>

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

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvolt"));
    QCoreApplication::setApplicationName(QStringLiteral("Scrivlet"));

    // The interface language is fixed before any window or text exists; a change of the
    // setting applies at the next start. The command line is not read.
    scrivlet::SetUiLanguage(scrivlet::LanguageFromId(int(scrivlet::LanguageSetting().Get())));

    scrivlet::MainFrame frame;
    if (frame.StartupExitCode() != 0)
        return frame.StartupExitCode();

    FirstPaintClock paintClock(clock, qgetenv(kStartupTimeVariable) == "quit");
    if (qEnvironmentVariableIsSet(kStartupTimeVariable))
        frame.installEventFilter(&paintClock);
    frame.show();
    return app.exec();
}
