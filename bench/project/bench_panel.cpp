// Times the Project panel over a project made by bench_project: how long a frame takes from
// opening the project file to showing its rows (from the count cache), and until the
// background walk has checked every file. The first open fills the cache; the second is the
// reopen a user sees.
// Usage: bench_panel PROJECT.scrivlet FORMATS.ini

#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "session/Project.h"
#include "session/Workspace.h"
#include "shell/MainFrame.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTreeView>

#include <cstdio>

using namespace scrivlet;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_panel PROJECT.scrivlet FORMATS.ini\n");
        return 2;
    }
    const QString project = QString::fromLocal8Bit(argv[1]);
    const QString formats = QString::fromLocal8Bit(argv[2]);
    MainFrame::SetCatalogueLoader([formats](FormatCatalogue& catalogue, UiLanguage, QString*) {
        return LoadFormatCatalogueFile(catalogue, formats);
    });
    for (const char* round : {"first open", "reopen"}) {
        MainFrame frame;
        ProjectPanel& panel = *frame.Projects().Panel();
        QElapsedTimer clock;
        clock.start();
        if (!frame.Projects().OpenProjectFile(project))
            return 1;
        const double shown = clock.nsecsElapsed() / 1e9;
        const int rows = panel.Tree()->model()->rowCount();
        QEventLoop wait;
        QObject::connect(&frame.Work().CurrentProject(), &Project::Counted, &wait,
                         &QEventLoop::quit);
        wait.exec();
        std::printf("%-10s  rows shown %.3f s (%d top rows)  walk ended %.3f s\n", round, shown,
                    rows, clock.nsecsElapsed() / 1e9);
    }
    return 0;
}
