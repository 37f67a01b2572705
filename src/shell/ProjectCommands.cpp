#include "shell/ProjectCommands.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/FileTypes.h"
#include "grid/GridCommands.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/DocumentTabs.h"
#include "shell/ProjectDialog.h"
#include "shell/ProjectFind.h"
#include "shell/ProjectPanel.h"
#include "store/ProjectGlossary.h"
#include "store/ProjectWalk.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>

#include <tuple>

namespace scrivlet {

namespace {

QString DisplayPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QLocale UiLocale()
{
    return QLocale(LanguageCode(CurrentUiLanguage()));
}

}  // namespace

ProjectCommands::ProjectCommands(QMainWindow& window, Workspace& workspace, DocumentTabs& tabs,
                                 DocumentCommands& commands, std::function<DocumentTab*(int)> tabAt,
                                 std::function<void(int)> activate)
    : QObject(&window),
      window_(window),
      workspace_(workspace),
      project_(workspace.CurrentProject()),
      tabs_(tabs),
      commands_(commands),
      tabAt_(std::move(tabAt)),
      activate_(std::move(activate)),
      panel_(new ProjectPanel(project_, &window)),
      find_(new ProjectFindPanel(tabs.Catalogue(), &window))
{
    connect(project_.Memory(), &MemoryQueue::Status, this,
            [this](const QString& text) { tabs_.ShowStatus(text); });
    connect(&project_, &Project::GlossaryChanged, this, &ProjectCommands::GlossaryChanged);
    window.addDockWidget(Qt::LeftDockWidgetArea, panel_);
    window.addDockWidget(Qt::BottomDockWidgetArea, find_);
    panel_->hide();
    find_->hide();
    // Shown and hidden from the View menu, under the bars.
    if (auto* view = window.findChild<QMenu*>(QStringLiteral("menu.view"))) {
        const QList<QAction*> items = view->actions();
        qsizetype at = 0;
        while (at < items.size() && items[at]->objectName() != QLatin1String("viewStatusBar"))
            ++at;
        QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
        const std::tuple<QDockWidget*, const char*, const char*> docks[] = {
            {panel_, "viewProjectPanel", "menu.view.projectPanel"},
            {find_, "viewProjectFind", "menu.view.projectFind"}};
        for (const auto& [dock, name, key] : docks) {
            QAction* toggle = dock->toggleViewAction();
            const QString text = UiText(key);
            toggle->setObjectName(QLatin1String(name));
            toggle->setText(text);
            // The dock names its item after its title whenever that changes (the project's
            // name); the menu keeps words with a mnemonic.
            connect(dock, &QWidget::windowTitleChanged, toggle,
                    [toggle, text] { toggle->setText(text); });
            view->insertAction(before, toggle);
        }
    }
    connect(panel_, &ProjectPanel::OpenRequested, this,
            [this](const ProjectEntry& entry) { OpenEntry(entry); });
    connect(find_, &ProjectFindPanel::HitActivated, this, &ProjectCommands::ShowHit);
    connect(find_, &ProjectFindPanel::ReplaceRequested, this, &ProjectCommands::ReplaceInProject);
    find_->SetOpenDocuments([this](const QString& relative) -> const EdtDocument* {
        const ProjectFile* project = project_.File();
        const DocumentSession* open =
            project ? tabs_.SessionAt(TabOf(project->TranslationsDir() + u'/' + relative))
                    : nullptr;
        return open && open->IsModified() ? open->Document() : nullptr;
    });
}

ProjectCommands::~ProjectCommands() = default;

bool ProjectCommands::HasProject() const
{
    return project_.IsOpen();
}

const std::vector<GlossaryTerm>& ProjectCommands::Glossary() const
{
    return project_.Glossary();
}

MemoryQueue* ProjectCommands::Memory() const
{
    return project_.Memory();
}

void ProjectCommands::NewProject()
{
    NewProjectDialog dialog(commands_.Host(), &window_);
    dialog.SetMake([this](const QString& path, const ProjectSettings& settings) {
        return MakeProject(path, settings);
    });
    dialog.exec();
}

bool ProjectCommands::CreateProject(const QString& path, const ProjectSettings& settings)
{
    const Result made = MakeProject(path, settings);
    if (!made)
        commands_.Host().ShowMessage(&window_, made.Error(), QMessageBox::Warning);
    return made.Ok();
}

Result ProjectCommands::MakeProject(const QString& path, const ProjectSettings& settings)
{
    {
        ProjectFile project;
        if (Result made = project.Create(path, settings); !made)
            return made;
    }
    return TakeProject(path);
}

void ProjectCommands::OpenProject()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.parent = &window_;
    request.filters = ProjectFilters();
    request.documents = false;
    const FileDialogAnswer answer = commands_.Host().GetOpenFileNames(request);
    if (answer.accepted && !answer.files.isEmpty())
        OpenProjectFile(answer.files.first());
}

bool ProjectCommands::OpenProjectFile(const QString& path)
{
    const Result opened = TakeProject(path);
    if (!opened)
        commands_.Host().ShowMessage(&window_, opened.Error(), QMessageBox::Warning);
    return opened.Ok();
}

Result ProjectCommands::TakeProject(const QString& given)
{
    const QString path = QFileInfo(given).absoluteFilePath();
    if (Result opened = project_.Open(path); !opened) {
        // A project that is gone or broken leaves the recent list, as a file does.
        ForgetRecentProject(path);
        return opened;
    }
    RememberRecentProject(path);
    find_->SetProject(path);
    panel_->show();
    panel_->raise();
    emit ProjectChanged();
    // An update of the originals cut short was finished or undone as the project opened.
    if (const QString note = project_.File()->PendingNote(); !note.isEmpty())
        commands_.Host().ShowMessage(&window_, note, QMessageBox::Information);
    return {};
}

void ProjectCommands::ShowFind()
{
    if (HasProject())
        find_->ShowAndFocus();
}

void ProjectCommands::FillRecentMenu(QMenu* menu)
{
    menu->clear();
    const QStringList paths = RecentProjects();
    for (int k = 0; k < paths.size(); ++k) {
        const QString pattern = k + 1 < 10 ? QStringLiteral("&%1 %2") : QStringLiteral("%1 %2");
        QString shown = DisplayPath(paths[k]);
        QAction* action =
            menu->addAction(pattern.arg(k + 1).arg(shown.replace(u'&', QStringLiteral("&&"))));
        connect(action, &QAction::triggered, this,
                [this, path = paths[k]] { OpenProjectFile(path); });
    }
    if (paths.isEmpty())
        menu->addAction(UiText("project.noRecent"))->setEnabled(false);
}

void ProjectCommands::ImportGlossary()
{
    if (!project_.IsOpen())
        return;
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.parent = &window_;
    request.filters = {FileFilter{
        UiText("glossary.filter"), {QStringLiteral("*.csv"), QStringLiteral("*.tbx")}, QString()}};
    request.documents = false;
    const FileDialogAnswer answer = commands_.Host().GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    const QString path = answer.files.first();
    GlossaryImport counts;
    if (Result read = project_.ImportGlossary(path, &counts); !read) {
        commands_.Host().ShowMessage(
            &window_, UiText("glossary.importFailed").arg(DisplayPath(path), read.Error()),
            QMessageBox::Warning);
        return;
    }
    const QLocale locale = UiLocale();
    commands_.Host().ShowMessage(
        &window_,
        UiText("glossary.imported")
            .arg(DisplayPath(path), locale.toString(counts.terms), locale.toString(counts.added),
                 locale.toString(counts.duplicates)),
        QMessageBox::Information);
}

void ProjectCommands::ClearGlossary()
{
    if (!project_.IsOpen() || Glossary().empty())
        return;
    qint64 pairs = 0;
    for (const GlossaryTerm& term : Glossary())
        pairs += term.targets.size();
    if (commands_.Host().Ask(&window_, UiText("glossary.clearAsk").arg(UiLocale().toString(pairs)),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                             QString()) != QMessageBox::Yes)
        return;
    if (Result cleared = project_.ClearGlossary(); !cleared)
        commands_.Host().ShowMessage(&window_, cleared.Error(), QMessageBox::Warning);
}

int ProjectCommands::TabOf(const QString& path) const
{
    return workspace_.IndexOfPath(path);
}

int ProjectCommands::OpenEntry(const ProjectEntry& given)
{
    const ProjectFile* project = project_.File();
    if (!project)
        return -1;
    const QString translation = given.TranslationIn(*project);
    if (const int open = TabOf(translation); open >= 0) {
        activate_(open);
        return open;
    }
    if (!given.hasOriginal) {
        // Nothing to compare it with: opened as any file is, its format found from its name.
        commands_.OpenFiles({translation}, -1, project->Settings().translationEncoding);
        return TabOf(translation);
    }
    LoadedPair pair;
    if (Result loaded = project_.LoadPair(given, &pair); !loaded) {
        commands_.Host().ShowMessage(&window_, loaded.Error(), QMessageBox::Warning);
        return -1;
    }
    const bool created = pair.created;
    // A new translation is written on the first Save, to the place the project expects it;
    // until then unsaved.
    const int index =
        tabs_.AddDocument(std::move(pair.translation), QFileInfo(translation).fileName(), created);
    DocumentSession* session = tabs_.SessionAt(index);
    session->SetReference(std::move(pair.original));
    if (created)
        QDir().mkpath(QFileInfo(translation).absolutePath());
    return index;
}

void ProjectCommands::ShowHit(const QString& path, const FieldMatch& hit)
{
    const ProjectEntry* listed = project_.Entry(path);
    const int index = OpenEntry(listed ? *listed : ProjectEntry{path, true, true, -1});
    DocumentTab* tab = tabAt_(index);
    if (!tab)
        return;
    const EdtDocument* document = tab->Document();
    if (hit.record >= document->RecordCount() || hit.field >= document->TextFieldCount())
        return;
    tab->Commands()->ShowMatch(
        SearchHit{hit.record, document->TextColumn(hit.field), hit.start, hit.length});
}

// --- Replace in Project -------------------------------------------------------------------

struct ProjectCommands::DiskReplace {
    int files = 0;     // files written
    int replaced = 0;  // matches replaced in them
    int tooLong = 0;   // fields left alone
    QStringList failed;
};

void ProjectCommands::ReplaceOnDisk(const QString& relative, const SearchQuery& query,
                                    const QString& replacement, DiskReplace& done)
{
    const ProjectEntry* listed = project_.Entry(relative);
    const ProjectEntry entry = listed ? *listed : ProjectEntry{relative, true, true, -1};
    // A missing translation was searched as its original's copy: replacing in it makes the
    // translation, as an import does.
    LoadedPair pair;
    if (Result loaded = project_.LoadPair(entry, &pair); !loaded) {
        done.failed << loaded.Error();
        return;
    }
    EdtDocument& translation = *pair.translation;
    const QString path = translation.Path();
    ReplacePlan plan;
    if (PlanReplaceAll(translation, query, replacement, &plan) != ReplaceOutcome::Done) {
        done.failed << UiText(str::OpenFailed).arg(DisplayPath(path));
        return;
    }
    // A file on disk has no question before a save that would change characters: it is
    // left as it is and named, to be replaced in the editor.
    if (plan.report.unstorable > 0) {
        done.failed << UiText("projectFind.unstorable").arg(DisplayPath(relative));
        return;
    }
    done.tooLong += plan.report.skippedTooLong;
    if (plan.texts.IsEmpty())
        return;
    if (!translation.ApplyPlan(plan.texts)) {
        done.failed << UiText("fileError.noMemory");
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        done.failed << UiText("project.cannotMake").arg(DisplayPath(QFileInfo(path).path()));
        return;
    }
    // Through the one save path: a new file beside the old, renamed over it when complete.
    if (Result saved = SaveDocument(translation); !saved) {
        done.failed << UiText(str::SaveFailed).arg(DisplayPath(path)) + u' ' + saved.Error();
        return;
    }
    ++done.files;
    done.replaced += plan.report.replaced;
}

void ProjectCommands::ReplaceInProject(const SearchQuery& query, const QString& replacement)
{
    const ProjectFile* project = project_.File();
    if (!project)
        return;
    const QLocale locale = UiLocale();
    QStringList onDisk, listed;
    int openFiles = 0, openReplaced = 0, tooLong = 0;
    const QMap<QString, int> hits = find_->HitsPerFile();
    for (auto it = hits.begin(); it != hits.end(); ++it) {
        DocumentTab* tab = tabAt_(TabOf(project->TranslationsDir() + u'/' + it.key()));
        if (!tab) {
            onDisk << it.key();
            listed << QStringLiteral("%1 (%2)").arg(DisplayPath(it.key()),
                                                    locale.toString(it.value()));
            continue;
        }
        // An open document changes in the editor as one step the user can undo.
        if (const std::optional<ReplaceReport> report =
                tab->Commands()->ReplaceAllRequest(query, replacement)) {
            openFiles += report->replaced > 0 ? 1 : 0;
            openReplaced += report->replaced;
            tooLong += report->skippedTooLong;
        }
    }
    DiskReplace disk;
    constexpr int kListedFiles = 15;
    if (!onDisk.isEmpty()) {
        if (listed.size() > kListedFiles)
            listed = listed.mid(0, kListedFiles) << QStringLiteral("…");
        const QString question =
            UiText("projectFind.confirm").arg(locale.toString(onDisk.size()), listed.join(u'\n'));
        if (commands_.Host().Ask(&window_, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Question, QString()) == QMessageBox::Yes) {
            for (const QString& relative : onDisk)
                ReplaceOnDisk(relative, query, replacement, disk);
            project_.ScheduleRecount();
        }
    }
    QString report = UiText("projectFind.report")
                         .arg(locale.toString(openReplaced + disk.replaced),
                              locale.toString(openFiles), locale.toString(disk.files));
    if (tooLong + disk.tooLong > 0)
        report +=
            u'\n' + UiText("projectFind.tooLong").arg(locale.toString(tooLong + disk.tooLong));
    if (!disk.failed.isEmpty())
        report += u'\n' + disk.failed.join(u'\n');
    Report(report);
}

void ProjectCommands::Report(const QString& text)
{
    find_->ShowReport(text);
    commands_.Host().ShowMessage(&window_, text, QMessageBox::Information);
}

}  // namespace scrivlet
