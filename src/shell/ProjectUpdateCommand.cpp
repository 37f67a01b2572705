// File > Update Originals of a project.

#include "shell/ProjectCommands.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/FileTypes.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTabs.h"
#include "shell/ProjectPanel.h"
#include "shell/UpdateCommand.h"
#include "store/MemoryFeed.h"
#include "store/ProjectUpdate.h"
#include "translation/ReviewMarks.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLocale>
#include <QMainWindow>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <map>
#include <set>

namespace scrivlet {

struct ProjectCommands::PlannedFile {
    ProjectEntry entry;
    DocumentSession* open = nullptr;  // read on the worker while the progress dialog is modal
    // The project's marks before, then after the update; read and written on the UI thread.
    std::vector<ProjectFile::PlacedMarks> marks;
    RecordIds ids;  // the same for the records' lasting ids
    std::unique_ptr<EdtDocument> newOriginal;
    Alignment alignment;
    // The translations of removed records, for the memory once the update is confirmed.
    std::vector<MemoryUnit> removed;
    QString error;
    bool Changes() const
    {
        const AlignmentCounts& c = alignment.counts;
        return error.isEmpty() && (c.kept != c.records || c.removed != 0);
    }
    // An original without a translation, not open: only its record ids follow the update (the
    // template a platform translates names its entries by them).
    bool IdsOnly() const { return !entry.hasTranslation && !open; }
};

struct ProjectCommands::UpdateTally {
    int open = 0, written = 0;
    AlignmentCounts counts;
    qint64 review = 0;
    QStringList failed;
};

namespace {

QLocale UiLocale()
{
    return QLocale(LanguageCode(CurrentUiLanguage()));
}

void Add(AlignmentCounts& sum, const AlignmentCounts& c)
{
    sum.records += c.records;
    sum.kept += c.kept;
    sum.moved += c.moved;
    sum.changed += c.changed;
    sum.added += c.added;
    sum.removed += c.removed;
    sum.propagated += c.propagated;
    sum.fallback = sum.fallback || c.fallback;
}

// Loads the three documents of a file and aligns them; the open document stands for the
// translation on disk.
template <typename Planned>
void PlanFile(Planned& file, const ProjectFile& project, const FormatCatalogue& catalogue,
              const QString& folder)
{
    const QString newPath = QDir(folder).filePath(file.entry.path);
    if (!QFileInfo::exists(newPath)) {
        if (!file.IdsOnly())
            file.error =
                UiText("update.noNewOriginal").arg(QDir::toNativeSeparators(file.entry.path));
        return;
    }
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, file.entry, &pair); !loaded) {
        file.error = loaded.Error();
        return;
    }
    LoadResult loaded =
        LoadDocument(newPath, FileTypeForPath(newPath), project.Settings().originalEncoding,
                     *catalogue.At(file.entry.format), file.entry.format, true);
    if (!loaded.document) {
        file.error =
            UiText(str::OpenFailed).arg(QDir::toNativeSeparators(newPath)) + u' ' + loaded.error;
        return;
    }
    const EdtDocument& translation = file.open ? *file.open->Document() : *pair.translation;
    if (Result aligned =
            AlignTranslation(*pair.original, *loaded.document, translation, &file.alignment);
        !aligned) {
        file.error =
            QDir::toNativeSeparators(file.entry.path) + QStringLiteral(": ") + aligned.Error();
        return;
    }
    // The old original goes here: only the marks and the removed records need it, and a
    // project may be large.
    file.marks = CarryMarks(file.marks, file.alignment, *pair.original);
    file.ids = file.ids.Carried(file.alignment.fromOld, pair.original->RecordCount());
    file.removed = RemovedUnits(file.alignment, *pair.original, translation, file.entry.path,
                                QDateTime::currentSecsSinceEpoch());
    // Only an open document takes the new original as its reference.
    if (file.open)
        file.newOriginal = std::move(loaded.document);
}

}  // namespace

bool ProjectCommands::PlanUpdate(const QString& folder, std::vector<PlannedFile>& files)
{
    ProjectFile& project = *project_.File();
    for (const ProjectEntry& listed : ListProject(project, tabs_.Catalogue()).entries) {
        if (!listed.hasOriginal)
            continue;
        PlannedFile& file = files.emplace_back();
        file.entry = listed;
        file.entry.format = project_.FormatOf(listed);
        file.open = tabs_.SessionAt(TabOf(listed.TranslationIn(project)));
        file.marks = project.FileMarks(listed.path);
        file.ids = project.FileRecordIds(listed.path);
    }
    QProgressDialog progress(UiText("update.progress"), UiText("update.cancel"), 0,
                             static_cast<int>(files.size()), &window_);
    progress.setWindowModality(Qt::WindowModal);
    // Shown before the worker starts (setValue alone would show it on the next round of the
    // event loop): the worker reads the open documents, which nobody may edit meanwhile.
    progress.setMinimumDuration(0);
    progress.setValue(0);
    progress.show();
    if (progress.wasCanceled())
        return false;
    const FormatCatalogue& catalogue = tabs_.Catalogue();
    QFuture<void> future =
        QtConcurrent::run([&files, &project, &catalogue, folder](QPromise<void>& promise) {
            for (size_t i = 0; i < files.size() && !promise.isCanceled(); ++i) {
                if (files[i].entry.format < 0)
                    files[i].error = UiText("project.formatUnclear").arg(files[i].entry.path);
                else
                    PlanFile(files[i], project, catalogue, folder);
                promise.setProgressValue(static_cast<int>(i + 1));
            }
        });
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    connect(&watcher, &QFutureWatcher<void>::progressValueChanged, &progress,
            &QProgressDialog::setValue);
    connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    connect(&progress, &QProgressDialog::canceled, &watcher, &QFutureWatcher<void>::cancel);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
    future.waitForFinished();
    return !future.isCanceled() && !progress.wasCanceled();
}

void ProjectCommands::ApplyUpdate(PlannedFile& file, UpdateTally& tally)
{
    if (!file.error.isEmpty()) {
        tally.failed << file.error;
        return;
    }
    ProjectFile& project = *project_.File();
    if (file.IdsOnly()) {
        if (file.Changes()) {
            if (Result stored = project.SetFileRecordIds(file.entry.path, file.ids); !stored)
                tally.failed << stored.Error();
        }
        return;
    }
    const Alignment& alignment = file.alignment;
    const std::vector<ProjectFile::PlacedMarks>& rows = file.marks;
    if (DocumentSession* session = file.open) {
        // One step also when no text changes: undo gives back the old original and marks.
        ReviewMarks::Saved marks;
        for (const ProjectFile::PlacedMarks& row : rows) {
            if (row.marks.review != ReviewReason::None)
                marks[{row.record, row.field}] = {row.marks.review, row.marks.source};
        }
        if (!ReplaceForUpdate(*session, *alignment.output, std::move(file.newOriginal),
                              std::move(marks))) {
            tally.failed << QDir::toNativeSeparators(file.entry.path) + QStringLiteral(": ") +
                                UiText("fileError.noMemory");
            return;
        }
        ++tally.open;
    } else if (file.Changes()) {
        if (Result saved = SaveDocument(*alignment.output); !saved) {
            tally.failed
                << UiText(str::SaveFailed).arg(QDir::toNativeSeparators(alignment.output->Path())) +
                       u' ' + saved.Error();
            return;
        }
        ++tally.written;
    }
    // The project keeps the marks of the update also when an open document's step is undone:
    // the project points at the new originals from now on.
    if (file.Changes() || file.open) {
        if (Result stored = project.ReplaceFileMarks(file.entry.path, rows); !stored)
            tally.failed << stored.Error();
        else if (file.open)
            project_.MarksRewritten(file.entry.path);
    }
    if (file.Changes()) {
        if (Result stored = project.SetFileRecordIds(file.entry.path, file.ids); !stored)
            tally.failed << stored.Error();
    }
    Add(tally.counts, alignment.counts);
    tally.review += static_cast<qint64>(alignment.review.size());
}

void ProjectCommands::UpdateOriginals()
{
    ProjectFile* project = project_.File();
    if (!project)
        return;
    const QString folder = commands_.Host().GetExistingDirectory(
        &window_, UiText("update.chooseFolder"), project->OriginalsDir());
    if (folder.isEmpty())
        return;
    std::vector<PlannedFile> files;
    if (!PlanUpdate(folder, files))
        return;
    const QLocale locale = UiLocale();
    UpdateTally planned;
    int open = 0;
    qint64 translations = 0;
    for (const PlannedFile& file : files) {
        if (file.IdsOnly() && file.error.isEmpty())
            continue;
        ++translations;
        if (file.error.isEmpty()) {
            Add(planned.counts, file.alignment.counts);
            planned.review += static_cast<qint64>(file.alignment.review.size());
            open += file.open ? 1 : 0;
        } else {
            planned.failed << file.error;
        }
    }
    const AlignmentCounts& c = planned.counts;
    QString question =
        UiText("update.projectConfirm")
            .arg(locale.toString(translations - planned.failed.size()),
                 QDir::toNativeSeparators(folder), locale.toString(c.kept),
                 locale.toString(c.moved), locale.toString(c.changed), locale.toString(c.added),
                 locale.toString(c.removed), locale.toString(planned.review))
            .arg(locale.toString(open));
    if (!planned.failed.isEmpty())
        question += u'\n' + planned.failed.join(u'\n');
    if (commands_.Host().Ask(&window_, question, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Question, QString()) != QMessageBox::Yes)
        return;
    UpdateTally tally;
    std::vector<MemoryUnit> removed;
    for (PlannedFile& file : files) {
        ApplyUpdate(file, tally);
        if (file.error.isEmpty() && !file.IdsOnly())
            std::move(file.removed.begin(), file.removed.end(), std::back_inserter(removed));
    }
    // The project's memory is its own file: the one the editor uses while it is open.
    const ProjectSettings& settings = project->Settings();
    project_.Memory()->Add(
        project->Path(),
        LanguagesOfEncodings(settings.originalEncoding, settings.translationEncoding),
        std::move(removed));
    if (Result pointed = project->SetOriginalsDir(folder); !pointed)
        tally.failed << pointed.Error();
    project_.ScheduleRecount();
    QString report =
        UiText("update.projectReport")
            .arg(locale.toString(tally.open), locale.toString(tally.written),
                 locale.toString(tally.counts.kept), locale.toString(tally.counts.moved),
                 locale.toString(tally.counts.changed), locale.toString(tally.counts.added),
                 locale.toString(tally.counts.removed), locale.toString(tally.review));
    if (tally.counts.fallback)
        report += u'\n' + UiText("update.fallback");
    if (tally.counts.propagated > 0)
        report += u'\n' + UiCount("count.updatePropagated", tally.counts.propagated);
    if (!tally.failed.isEmpty())
        report += u'\n' + tally.failed.join(u'\n');
    commands_.Host().ShowMessage(&window_, report, QMessageBox::Information);
}
}  // namespace scrivlet
