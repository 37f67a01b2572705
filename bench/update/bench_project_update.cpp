// Times the editor's File > Update Originals over a project made by bench_project (200 files,
// 1,000,000 fields): the new originals have 1% of records inserted, 1% removed and 1%
// rewritten in each file. Measured through the frame as a user runs it, split at the
// confirmation: aligning every file behind the progress dialog, then writing the changed
// translations. The yardstick is the converter's --project --update-originals on the same
// files in the same run: the same work without a window.
// Usage: bench_project_update PROJECT_ROOT (the folder bench_project made)

#include "BenchProcess.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "documents/FileTypes.h"
#include "session/Project.h"
#include "session/Workspace.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/MainFrame.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectPanel.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#include <sys/resource.h>

using namespace scrivlet;

namespace {

QStringList FilesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.edt")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The game's patch: every hundredth record (by a fixed pattern) is removed, rewritten in its
// second field, or preceded by a new record.
bool MakeNewOriginals(const QString& root, const EdtFormat& format)
{
    for (const QString& name : FilesUnder(root + "/en")) {
        LoadResult old =
            LoadDocument(root + "/en/" + name, kFileTypeEdt, kEncodingEnglish, format, 0, true);
        if (!old.document)
            return false;
        EdtDocument patched(format);
        const int fields = old.document->TextFieldCount();
        for (int record = 0; record < old.document->RecordCount(); ++record) {
            const int kind = (record * 37 + name.size()) % 100;
            if (kind == 0)
                continue;
            if (kind == 1) {
                for (int field = 0; field < fields; ++field)
                    patched.AddLoadedText(QStringLiteral("new %1").arg(record));
                patched.EndLoadedRecord();
            }
            for (int field = 0; field < fields; ++field) {
                QString text = old.document->FieldText(record, field).toString();
                if (kind == 2 && field == 1 && !text.isEmpty())
                    text[0] = text[0] == u'q' ? u'z' : u'q';
                patched.AddLoadedText(text);
            }
            patched.EndLoadedRecord();
        }
        const QString path = root + "/en2/" + name;
        if (!QDir().mkpath(QFileInfo(path).path()) ||
            !SaveDocumentAs(patched, path, kFileTypeEdt, kEncodingEnglish))
            return false;
    }
    return true;
}

bool CopyTree(const QString& from, const QString& to)
{
    QDir(to).removeRecursively();
    for (const QString& name : FilesUnder(from)) {
        if (!QDir().mkpath(QFileInfo(to + u'/' + name).path()) ||
            !QFile::copy(from + u'/' + name, to + u'/' + name))
            return false;
    }
    return true;
}

bench::Measured RunConverter(const QStringList& args)
{
    return bench::RunTimed(SCRIVLET_CONVERT_EXE, args, QStringLiteral("/dev/null"));
}

// A fresh copy of the translations and a project over them, as before the patch.
bool FreshProject(const QString& root, const QString& project)
{
    QFile::remove(project);
    return CopyTree(root + "/de", root + "/de-work") &&
           RunConverter({"--catalogue", root + "/formats.ini", "--new-project", project,
                         "--originals", root + "/en", "--original-encoding", "0", "--translations",
                         root + "/de-work", "--encoding", "1"})
                   .status == 0;
}

// Answers the folder and Yes, and notes when the confirmation was asked and answered.
class Answers : public DialogHost {
public:
    explicit Answers(QString folder) : folder_(std::move(folder)) { clock.start(); }
    FileDialogAnswer GetOpenFileNames(const FileDialogRequest&) override { return {}; }
    FileDialogAnswer GetSaveFileName(const FileDialogRequest&) override { return {}; }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&) override
    {
        clock.restart();
        return folder_;
    }
    bool RunWizard(QWidget*, int, WizardSelection&) override { return false; }
    QMessageBox::StandardButton Ask(QWidget*, const QString& text, QMessageBox::StandardButtons,
                                    QMessageBox::Icon, const QString&) override
    {
        if (asked < 0)
            asked = clock.nsecsElapsed() / 1e9;
        last = text;
        return QMessageBox::Yes;
    }
    QMessageBox::StandardButton AskWithCheckBox(QWidget*, const QString&, const QString&, bool*,
                                                QMessageBox::StandardButtons, QMessageBox::Icon,
                                                const QString&) override
    {
        return QMessageBox::No;
    }

    QElapsedTimer clock;
    double asked = -1;
    QString last;

private:
    QString folder_;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_project_update PROJECT_ROOT\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString formats = root + "/formats.ini", project = root + "/update.scrivlet";
    FormatCatalogue catalogue;
    if (!LoadFormatCatalogueFile(catalogue, formats) || catalogue.Count() == 0) {
        std::fprintf(stderr, "no formats in %s (run bench_project first)\n", qPrintable(root));
        return 1;
    }
    if (!QFileInfo::exists(root + "/en2") && !MakeNewOriginals(root, *catalogue.At(0))) {
        std::fprintf(stderr, "cannot write the new originals\n");
        return 1;
    }
    MainFrame::SetCatalogueLoader([formats](FormatCatalogue& loaded, UiLanguage, QString*) {
        return LoadFormatCatalogueFile(loaded, formats);
    });

    // The yardstick first: the converter over a fresh copy.
    if (!FreshProject(root, project))
        return 1;
    const bench::Measured converter = RunConverter(
        {"--catalogue", formats, "--project", project, "--update-originals", root + "/en2"});

    if (!FreshProject(root, project))
        return 1;
    double total = 0;
    Answers host(root + "/en2");
    {
        MainFrame frame;
        frame.Commands().SetDialogHost(&host);
        if (!frame.Projects().OpenProjectFile(project))
            return 1;
        // The project was opened a while ago: its background count is over.
        QEventLoop counted;
        QObject::connect(&frame.Work().CurrentProject(), &Project::Counted, &counted,
                         &QEventLoop::quit);
        counted.exec();
        frame.Projects().UpdateOriginals();
        total = host.clock.nsecsElapsed() / 1e9;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d files; the editor's report:\n  %s\n", int(FilesUnder(root + "/en").size()),
                qPrintable(QString(host.last).replace(u'\n', QStringLiteral("\n  "))));
    std::printf("%-40s %8.3f s  status %d  %ld MB peak\n", "converter --update-originals",
                converter.seconds, converter.status, converter.peakMb);
    std::printf("%-40s %8.3f s\n", "editor: aligning, up to the question", host.asked);
    std::printf("%-40s %8.3f s\n", "editor: writing, after Yes", total - host.asked);
    std::printf("%-40s %8.3f s  %ld MB peak\n", "editor: in all", total, usage.ru_maxrss / 1024);
    std::printf("%-40s %8.2f x\n", "editor / converter", total / converter.seconds);
    return 0;
}
