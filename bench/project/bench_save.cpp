// Times Save of a project's file of many fields in the editor, with the confirmed translations
// going to the project's memory (the file opened from the project) and without (the same file
// opened on its own with the same reference): once after one edit, once after every field
// changed. The GUI thread's time is the save's; the memory's writer runs after it, on its own
// thread, and is timed to its end.
// Usage: bench_save [records] [folder]

#include "BenchFormat.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "shell/DocumentCommands.h"
#include "shell/MainFrame.h"
#include "shell/ProjectCommands.h"
#include "store/ProjectFile.h"
#include "translation/SourceGroups.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace scrivlet;

namespace {

const int kSizes[] = {40};

std::unique_ptr<EdtDocument> Make(const EdtFormat& format, int records, const QString& prefix)
{
    auto document = std::make_unique<EdtDocument>(format, 0);
    document->InsertRecords(0, records);
    for (int r = 0; r < records; ++r)
        document->SetText(r, 0, QStringLiteral("%1 line %2").arg(prefix).arg(r));
    return document;
}

double Seconds(const QElapsedTimer& clock)
{
    return clock.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir temp;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    const EdtFormat format = BenchFormat(kSizes, false);
    MainFrame::SetCatalogueLoader([format](FormatCatalogue& catalogue, UiLanguage, QString*) {
        catalogue.Append(format);
        return true;
    });
    QDir(folder).mkpath(QStringLiteral("orig"));
    QDir(folder).mkpath(QStringLiteral("trans"));
    const QString original = folder + QStringLiteral("/orig/talk.edt");
    const QString translation = folder + QStringLiteral("/trans/talk.edt");
    if (!SaveDocumentAs(*Make(format, records, QStringLiteral("Old")), original, kFileTypeEdt, 0))
        return 1;
    const QString projectPath = folder + QStringLiteral("/p.scrivlet");
    QFile::remove(projectPath);
    {
        ProjectFile project;
        if (!project.Create(projectPath, {QStringLiteral("orig"), QStringLiteral("trans"), 0, 3}))
            return 1;
    }
    std::printf("%d records, one field each\n%-12s %-14s %10s %14s\n", records, "opened", "changed",
                "save (s)", "memory (s)");
    for (const bool fromProject : {false, true}) {
        for (const bool all : {false, true}) {
            if (!SaveDocumentAs(*Make(format, records, QStringLiteral("Old")), translation,
                                kFileTypeEdt, 3))
                return 1;
            MainFrame frame;
            int index = -1;
            if (fromProject) {
                frame.Projects().OpenProjectFile(projectPath);
                index = frame.Projects().OpenEntry({QStringLiteral("talk.edt"), true, true, 0});
            } else {
                LoadResult loaded = LoadDocument(translation, kFileTypeEdt, 3, format, 0, true);
                index = frame.AddDocument(std::move(loaded.document), QStringLiteral("talk.edt"));
                frame.SessionAt(index)->SetReference(
                    LoadDocument(original, kFileTypeEdt, 0, format, 0, true).document);
            }
            DocumentSession& session = *frame.SessionAt(index);
            TextPlan edits;
            const int changed = all ? records : 1;
            for (int r = 0; r < changed; ++r)
                edits.Add(r, 0, QStringLiteral("New %1").arg(r));
            session.SetTexts(edits, QStringLiteral("bench"));
            QElapsedTimer clock;
            clock.start();
            if (!frame.Commands().Save(index))
                return 1;
            const double save = Seconds(clock);
            frame.Projects().Memory()->WaitForDone();
            std::printf("%-12s %-14s %10.3f %14.3f\n", fromProject ? "project" : "alone",
                        all ? "every field" : "one field", save,
                        fromProject ? Seconds(clock) - save : 0.0);
        }
    }
    // Propagate's index: built once per reference, then a look-up per commit. Every tenth
    // original repeats, so groups of ten.
    auto reference = Make(format, records, QStringLiteral("Same"));
    for (int r = 0; r < records; ++r)
        reference->SetText(r, 0, QStringLiteral("Line %1").arg(r % (records / 10)));
    // Untranslated: each field still as its original.
    std::unique_ptr<EdtDocument> translated = reference->Snapshot();
    translated->SetText(0, 0, QStringLiteral("Zeile"));
    QElapsedTimer clock;
    clock.start();
    const SourceGroups groups(*reference);
    const double built = Seconds(clock);
    clock.restart();
    const size_t targets = PropagationTargets(groups, *translated, *reference, 0, 0).size();
    std::printf("propagate: index %.3f s, look-up %.6f s (%zu fields)\n", built, Seconds(clock),
                targets);
    return 0;
}
