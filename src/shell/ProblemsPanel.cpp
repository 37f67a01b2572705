#include "shell/ProblemsPanel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"
#include "session/CheckChoices.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/ProjectConflicts.h"
#include "session/Workspace.h"
#include "store/ProjectBoxes.h"
#include "store/ProjectChecks.h"
#include "translation/DocumentChecks.h"
#include "translation/ProjectTranslations.h"
#include "translation/ReviewMarks.h"
#include "translation/Spelling.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QSet>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <tuple>

namespace scrivlet {

ProblemsModel::ProblemsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProblemsModel::SetConflicts(ProjectConflicts* conflicts)
{
    conflicts_ = conflicts;
    connect(conflicts, &ProjectConflicts::Changed, this, &ProblemsModel::ScheduleRefresh);
}

void ProblemsModel::SetSession(DocumentSession* session)
{
    // The project's list follows its files whichever is active.
    if (project_) {
        session_ = session;
        return;
    }
    Follow(session_, false);
    session_ = session;
    Follow(session_, true);
    Refresh();
}

void ProblemsModel::SetFiles(std::optional<std::vector<ProblemFile>> files)
{
    auto followAll = [this](bool follow) {
        if (!project_)
            return Follow(session_, follow);
        for (const ProblemFile& file : *project_)
            Follow(file.session, follow);
    };
    followAll(false);
    project_ = std::move(files);
    if (project_)
        std::sort(project_->begin(), project_->end(),
                  [](const ProblemFile& a, const ProblemFile& b) { return a.path < b.path; });
    followAll(true);
    Refresh();
}

void ProblemsModel::Follow(DocumentSession* session, bool follow)
{
    if (!session)
        return;
    if (!follow) {
        disconnect(session->Checks(), nullptr, this, nullptr);
        disconnect(session->Review(), nullptr, this, nullptr);
        return;
    }
    connect(session->Checks(), &DocumentChecks::ProblemsChanged, this,
            &ProblemsModel::ScheduleRefresh, Qt::UniqueConnection);
    connect(session->Review(), &ReviewMarks::Changed, this, &ProblemsModel::ScheduleRefresh,
            Qt::UniqueConnection);
}

DocumentSession* ProblemsModel::SessionOf(const Entry& entry) const
{
    if (entry.file < 0)
        return session_;
    return project_ ? (*project_)[static_cast<size_t>(entry.file)].session.data() : nullptr;
}

const FileProblem* ProblemsModel::FileProblemOf(const Entry& entry) const
{
    if (!project_ || entry.file < 0 || entry.problem < 0)
        return nullptr;
    return &(*project_)[static_cast<size_t>(entry.file)]
                .problems[static_cast<size_t>(entry.problem)];
}

QHash<QString, qint64> ProblemsModel::ClosedFileProblems() const
{
    QHash<QString, qint64> problems;
    if (!project_)
        return problems;
    for (const ProblemFile& file : *project_) {
        if (!file.session)
            problems[file.path] = std::count_if(file.problems.begin(), file.problems.end(),
                                                [](const FileProblem& p) { return !p.ignored; });
    }
    return problems;
}

void ProblemsModel::SetFileProblemIgnored(const Entry& entry, bool ignored)
{
    if (!FileProblemOf(entry))
        return;
    (*project_)[static_cast<size_t>(entry.file)]
        .problems[static_cast<size_t>(entry.problem)]
        .ignored = ignored;
    Refresh();
}

QString ProblemsModel::FileOf(const Entry& entry) const
{
    return entry.file >= 0 && project_ ? (*project_)[static_cast<size_t>(entry.file)].path
                                       : QString();
}

// A burst of edits (a replace, an import) lists once.
void ProblemsModel::ScheduleRefresh()
{
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, &ProblemsModel::Refresh);
}

// One row per failed check of each field, read from the checks' marks: a million fields are
// walked in milliseconds, and the words of a row are made only when it is shown.
void ProblemsModel::AddRows(const DocumentSession& session, int file)
{
    const EdtDocument& document = *session.Document();
    const DocumentChecks& checks = *session.Checks();
    const ReviewMarks& review = *session.Review();
    const ConflictedFile* conflicted = conflicts_ ? conflicts_->ByPath(document.Path()) : nullptr;
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int field = 0; field < document.TextFieldCount(); ++field) {
            if (conflicted && OpenConflict(*conflicted, record, field))
                AddEntry({record, field, kConflict, false, file});
            if (review.Count() > 0 && review.Has(record, field))
                AddEntry({record, field, kSourceChanged, false, file});
            const CheckMask shown = checks.Mask(record, field);
            const CheckMask ignored = showIgnored_ ? checks.IgnoredMask(record, field) : 0;
            CheckMask mask = shown | ignored;
            for (int check = 0; mask; ++check, mask >>= 1) {
                if (mask & 1)
                    AddEntry({record, field, check, (ignored & (1u << check)) != 0, file});
            }
        }
    }
}

// The problems of a field come one after the other: a problem of another field starts a row.
void ProblemsModel::AddEntry(const Entry& entry)
{
    if (checkFilter_ != kAnyCheck && entry.check != checkFilter_)
        return;
    const Entry* last = entries_.empty() ? nullptr : &entries_.back();
    if (!last || last->file != entry.file || last->record != entry.record ||
        last->field != entry.field)
        rows_ << static_cast<int>(entries_.size());
    entries_.push_back(entry);
}

std::vector<ProblemsModel::Entry> ProblemsModel::Entries(int row) const
{
    const auto first = entries_.begin() + rows_[row];
    const auto end = row + 1 < rows_.size() ? entries_.begin() + rows_[row + 1] : entries_.end();
    return std::vector<Entry>(first, end);
}

void ProblemsModel::SetCheckFilter(int check)
{
    checkFilter_ = check;
    Refresh();
}

void ProblemsModel::Refresh()
{
    refreshPending_ = false;
    beginResetModel();
    entries_.clear();
    rows_.clear();
    if (project_) {
        for (size_t f = 0; f < project_->size(); ++f) {
            const ProblemFile& file = (*project_)[f];
            if (file.session) {
                AddRows(*file.session, static_cast<int>(f));
                continue;
            }
            for (size_t i = 0; i < file.problems.size(); ++i) {
                const FileProblem& p = file.problems[i];
                if (!p.ignored || showIgnored_)
                    AddEntry({p.record, p.field, p.check, p.ignored, static_cast<int>(f),
                              static_cast<int>(i)});
            }
        }
    } else if (session_) {
        AddRows(*session_, -1);
    }
    endResetModel();
}

int ProblemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProblemsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount + (project_ ? 1 : 0);
}

void ProblemsModel::SetShowIgnored(bool show)
{
    showIgnored_ = show;
    Refresh();
}

QVariant ProblemsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::vector<Entry> entries = Entries(index.row());
    const Entry& entry = entries.front();
    // Greyed while everything it names is ignored.
    if (role == Qt::ForegroundRole &&
        std::all_of(entries.begin(), entries.end(), [](const Entry& e) { return e.ignored; }))
        return QPalette().brush(QPalette::Disabled, QPalette::Text);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    int column = index.column();
    if (project_ && column-- == 0)
        return FileOf(entry);
    const DocumentSession* session = SessionOf(entry);
    if (!session && entry.problem < 0)
        return {};
    const FileProblem* file = FileProblemOf(entry);
    const EdtDocument* document = session ? session->Document() : nullptr;
    QStringList words;
    switch (column) {
        case CheckColumn:
            for (const Entry& e : entries)
                words << TitleOf(e);
            return words.join(QStringLiteral(", "));
        case RecordColumn:
            return document ? RowLabels().RecordName(document->Format(), entry.record)
                            : file->recordName;
        case FieldColumn:
            return document ? document->Format().fields[document->TextColumn(entry.field)].caption
                            : file->fieldName;
        default:
            for (const Entry& e : entries)
                words << DetailOf(e);
            // One reason alone is told as before; several each with their check's name.
            if (entries.size() == 1)
                return words.front();
            for (size_t k = 0; k < entries.size(); ++k)
                words[k] = TitleOf(entries[k]) + QStringLiteral(": ") + words[k];
            return words.join(QStringLiteral("; "));
    }
}

QString ProblemsModel::TitleOf(const Entry& entry) const
{
    if (entry.check == kConflict)
        return UiText("check.conflict.title");
    return entry.check == kSourceChanged ? UiText("check.sourceChanged.title")
                                         : CheckTitle(static_cast<Check>(entry.check));
}

QString ProblemsModel::DetailOf(const Entry& entry) const
{
    const DocumentSession* session = SessionOf(entry);
    if (!session) {
        const FileProblem* file = FileProblemOf(entry);
        return file ? file->detail : QString();
    }
    if (const ConflictedFile* conflicted =
            conflicts_ ? conflicts_->ByPath(session->Document()->Path()) : nullptr;
        entry.check == kConflict && conflicted) {
        const FieldConflict* c = OpenConflict(*conflicted, entry.record, entry.field);
        return c ? UiText("check.conflict.detail").arg(c->ours, c->theirs) : QString();
    }
    if (entry.check == kSourceChanged) {
        const std::optional<ReviewMark> mark = session->Review()->At(entry.record, entry.field);
        if (!mark || mark->reason == ReviewReason::New)
            return UiText("check.sourceChanged.new");
        return UiText("check.sourceChanged.detail").arg(mark->oldSource);
    }
    for (const Problem& p : session->Checks()->Details(entry.record, entry.field, entry.ignored)) {
        if (p.check == static_cast<Check>(entry.check))
            return p.detail;
    }
    return {};
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (project_ && section-- == 0)
        return UiText("problems.file");
    static const char* const keys[] = {"problems.check", "problems.record", "problems.field",
                                       "problems.detail"};
    return section >= 0 && section < ColumnCount ? UiText(keys[section]) : QVariant();
}

// What a project check found: the problems of the files it read, and every file's
// translations for the open documents to be judged against.
struct ProblemsPanel::ProjectResult {
    std::vector<ProblemFile> files;
    std::shared_ptr<ProjectTranslations> translations;
    QStringList failed;
    QString error;
};

namespace {

// The problems of a file not open, told in words now: its documents go once it is checked.
// The fields waiting for review (marks, from the project, by record and field) come before
// each field's checks, as in an open document.
ProblemFile FileProblems(const QString& path, const DocumentChecks& checks,
                         const std::vector<ProjectFile::PlacedMarks>& marks)
{
    ProblemFile file;
    file.path = path;
    const EdtDocument& document = checks.Document();
    const RowLabels labels;
    auto mark = marks.begin();
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int field = 0; field < document.TextFieldCount(); ++field) {
            while (mark != marks.end() &&
                   std::pair{mark->record, mark->field} < std::pair{record, field})
                ++mark;
            const bool review = mark != marks.end() && mark->record == record &&
                                mark->field == field && mark->marks.review != ReviewReason::None;
            const CheckMask ignored = checks.IgnoredMask(record, field);
            if (!(checks.Mask(record, field) | ignored) && !review)
                continue;
            const QString recordName = labels.RecordName(document.Format(), record);
            const QString fieldName = document.Format().fields[document.TextColumn(field)].caption;
            if (review)
                file.problems.push_back(
                    {record, field, ProblemsModel::kSourceChanged, false, 0, recordName, fieldName,
                     mark->marks.review == ReviewReason::New
                         ? UiText("check.sourceChanged.new")
                         : UiText("check.sourceChanged.detail").arg(mark->marks.source)});
            const quint64 hash = checks.IgnoreHashAt(record, field);
            for (const Problem& p : checks.Details(record, field, true))
                file.problems.push_back({record, field, static_cast<int>(p.check),
                                         (ignored & Bit(p.check)) != 0, hash, recordName, fieldName,
                                         p.detail});
        }
    }
    return file;
}

}  // namespace

ProblemsPanel::ProblemsPanel(QWidget* parent)
    : QDockWidget(UiText("problems.title"), parent),
      model_(new ProblemsModel(this)),
      view_(new QTableView(this)),
      ignore_(new QAction(UiText("problems.ignore"), this)),
      stopIgnoring_(new QAction(UiText("problems.stopIgnoring"), this)),
      showIgnored_(new QAction(UiText("problems.showIgnored"), this)),
      scope_(new QComboBox(this)),
      checkChoice_(new QComboBox(this)),
      progress_(new QLabel(this)),
      projectTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("problemsPanel"));
    SetUpView();
    showIgnored_->setCheckable(true);
    ignore_->setObjectName(QStringLiteral("problems.ignore"));
    stopIgnoring_->setObjectName(QStringLiteral("problems.stopIgnoring"));
    showIgnored_->setObjectName(QStringLiteral("problems.showIgnored"));
    connect(ignore_, &QAction::triggered, this, [this] { Ignore(true); });
    connect(stopIgnoring_, &QAction::triggered, this, [this] { Ignore(false); });
    connect(showIgnored_, &QAction::toggled, this, [this](bool show) {
        model_->SetShowIgnored(show);
        UpdateActions();
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ProblemsPanel::UpdateActions);
    KeepSelection();
    connect(model_, &QAbstractItemModel::modelReset, this, &ProblemsPanel::UpdateActions);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    view_->addActions({ignore_, stopIgnoring_});

    scope_->setObjectName(QStringLiteral("problems.scope"));
    scope_->addItems({UiText("problems.scope.document"), UiText("problems.scope.project")});
    scope_->setEnabled(false);
    connect(scope_, &QComboBox::currentIndexChanged, this,
            [this](int index) { SetProjectScope(index == 1); });
    checkChoice_->setObjectName(QStringLiteral("problems.checkChoice"));
    checkChoice_->addItem(UiText("problems.allChecks"), ProblemsModel::kAnyCheck);
    checkChoice_->addItem(UiText("check.sourceChanged.title"), ProblemsModel::kSourceChanged);
    checkChoice_->addItem(UiText("check.conflict.title"), ProblemsModel::kConflict);
    for (const CheckKind& kind : kCheckKinds)
        checkChoice_->addItem(CheckTitle(kind.check), static_cast<int>(kind.check));
    checkChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(checkChoice_, &QComboBox::currentIndexChanged, this,
            [this] { model_->SetCheckFilter(checkChoice_->currentData().toInt()); });
    progress_->setObjectName(QStringLiteral("problems.progress"));
    progress_->setContentsMargins(8, 0, 8, 0);
    progress_->hide();
    projectTimer_->setSingleShot(true);
    connect(projectTimer_, &QTimer::timeout, this, &ProblemsPanel::StartProjectCheck);
    connect(&checking_, &QFutureWatcherBase::finished, this, &ProblemsPanel::TakeProjectCheck);
    connect(&checking_, &QFutureWatcherBase::progressValueChanged, this, [this](int done) {
        progress_->setText(UiText("problems.checking").arg(done).arg(checking_.progressMaximum()));
    });

    auto* bar = new QToolBar(this);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(scope_);
    bar->addWidget(checkChoice_);
    bar->addSeparator();
    bar->addActions({ignore_, stopIgnoring_, showIgnored_});
    bar->addWidget(progress_);
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(view_);
    setWidget(box);
    UpdateActions();
}

void ProblemsPanel::SetUpView()
{
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    // Fixed row heights: sizing a million rows to their contents would take minutes.
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    connect(view_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        const ProblemsModel::Entry& entry = model_->At(index.row());
        if (entry.file >= 0)
            emit ProjectProblemChosen(model_->FileOf(entry), entry.record, entry.field);
        else
            emit ProblemChosen(entry.record, entry.field);
    });
    // The widths follow the columns: the project's list has the file first.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        const int first = model_->ListsProject() ? 1 : 0;
        if (first)
            view_->setColumnWidth(0, 180);
        view_->setColumnWidth(first + ProblemsModel::CheckColumn, 150);
        view_->setColumnWidth(first + ProblemsModel::RecordColumn, 160);
        view_->setColumnWidth(first + ProblemsModel::FieldColumn, 120);
    });
}

// The list is made again as the documents change: the selected problem stays selected, or the
// one after it once it is mended.
void ProblemsPanel::KeepSelection()
{
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = view_->currentIndex();
        kept_.reset();
        if (current.isValid() && current.row() < model_->rowCount()) {
            const ProblemsModel::Entry& entry = model_->At(current.row());
            kept_ = KeptRow{model_->FileOf(entry), entry.record, entry.field};
        }
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        if (!kept_ || model_->rowCount() == 0)
            return;
        int row = 0;
        for (; row < model_->rowCount(); ++row) {
            const ProblemsModel::Entry& entry = model_->At(row);
            const auto at = std::tuple(model_->FileOf(entry), entry.record, entry.field);
            const auto kept = std::tuple(kept_->file, kept_->record, kept_->field);
            if (at >= kept)
                break;
        }
        row = std::min(row, model_->rowCount() - 1);
        view_->selectionModel()->setCurrentIndex(
            model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });
}

ProblemsPanel::~ProblemsPanel()
{
    StopProjectCheck();
}

void ProblemsPanel::StopProjectCheck()
{
    // The run reads the catalogue, and the documents must not keep translations that go now.
    projectTimer_->stop();
    checkAgain_ = false;
    checking_.cancel();
    checking_.waitForFinished();
    ShareTranslations({}, nullptr);
}

void ProblemsPanel::SetSession(DocumentSession* session)
{
    session_ = session;
    model_->SetSession(session);
}

void ProblemsPanel::SetProjectJob(std::function<std::optional<ProjectCheckJob>()> job)
{
    job_ = std::move(job);
}

void ProblemsPanel::FollowProject(Workspace& workspace)
{
    model_->SetConflicts(&workspace.CurrentProject().Conflicts());
    SetProjectJob([&workspace]() -> std::optional<ProjectCheckJob> {
        const Project& project = workspace.CurrentProject();
        const CheckChoices& checks = project.Checks();
        if (!project.IsOpen())
            return std::nullopt;
        ProjectCheckJob job;
        job.projectPath = project.Path();
        job.catalogue = &workspace.Catalogue();
        job.listing = project.Listing();
        job.enabled = checks.Enabled();
        job.language = checks.Language();
        job.words = checks.WordList();
        job.glossary = project.Glossary();
        for (int index = 0; index < workspace.Count(); ++index) {
            DocumentSession* session = workspace.Session(index);
            const QString relative = project.RelativeTranslation(session->Document()->Path());
            if (!relative.isEmpty())
                job.open.emplace_back(relative, session);
        }
        return job;
    });
    // The project's list is made again whenever what it rests on changes.
    Project* project = &workspace.CurrentProject();
    connect(project, &Project::Changed, this, &ProblemsPanel::ProjectChanged);
    const auto again = [this] { ScheduleProjectCheck(); };
    connect(project, &Project::Counted, this, again);
    connect(project, &Project::GlossaryChanged, this, again);
    connect(&project->Checks(), &CheckChoices::Changed, this, again);
    connect(&workspace, &Workspace::SessionAdded, this, again);
    connect(&workspace, &Workspace::SessionClosed, this, again);
    connect(this, &ProblemsPanel::ClosedFileProblems, project, &Project::SetCheckedProblems);
}

void ProblemsPanel::ProjectChanged()
{
    const bool open = job_ && job_().has_value();
    scope_->setEnabled(open);
    if (!open)
        scope_->setCurrentIndex(0);
    ScheduleProjectCheck();
}

void ProblemsPanel::ScheduleProjectCheck(int delayMs)
{
    if (model_->ListsProject())
        projectTimer_->start(delayMs);
}

bool ProblemsPanel::CheckingProject() const
{
    return checking_.isRunning() || projectTimer_->isActive() || checkAgain_;
}

void ProblemsPanel::SetProjectScope(bool project)
{
    if (project == model_->ListsProject())
        return;
    if (project) {
        model_->SetFiles(std::vector<ProblemFile>());
        StartProjectCheck();
        return;
    }
    projectTimer_->stop();
    checkAgain_ = false;
    checking_.cancel();
    ShareTranslations({}, nullptr);
    runOpen_.clear();
    progress_->hide();
    model_->SetFiles(std::nullopt);
    emit ClosedFileProblems({});
}

void ProblemsPanel::ShareTranslations(const std::vector<OpenFile>& open,
                                      const std::shared_ptr<ProjectTranslations>& translations)
{
    QSet<DocumentSession*> given;
    for (const OpenFile& each : open) {
        if (each.session) {
            each.session->Checks()->SetProjectTranslations(translations.get(), each.file);
            given.insert(each.session);
        }
    }
    for (const OpenFile& each : sharedWith_) {
        if (each.session && !given.contains(each.session))
            each.session->Checks()->SetProjectTranslations(nullptr, -1);
    }
    sharedWith_ = open;
    translations_ = translations;
}

void ProblemsPanel::StartProjectCheck()
{
    if (!model_->ListsProject() || !job_)
        return;
    if (checking_.isRunning()) {
        checkAgain_ = true;
        return;
    }
    checkAgain_ = false;
    std::optional<ProjectCheckJob> job = job_();
    if (!job)
        return;
    projectPath_ = job->projectPath;
    // The open documents take part with their texts as they are now, edits not saved too.
    auto translations = std::make_shared<ProjectTranslations>();
    QSet<QString> skip;
    int total = 0;
    runOpen_.clear();
    for (size_t i = 0; i < job->listing.entries.size(); ++i) {
        const ProjectEntry& entry = job->listing.entries[i];
        for (const auto& [path, session] : job->open) {
            if (path == entry.path && session->Reference()) {
                translations->Add(static_cast<int>(i), *session->Document(), *session->Reference());
                skip.insert(path);
                runOpen_.push_back({session, static_cast<int>(i), path});
            }
        }
        total += entry.hasOriginal && !skip.contains(entry.path);
    }
    progress_->setText(UiText("problems.checking").arg(0).arg(total));
    progress_->show();
    checking_.setFuture(QtConcurrent::run([job = std::move(*job), translations, skip](
                                              QPromise<std::shared_ptr<ProjectResult>>& promise) {
        auto result = std::make_shared<ProjectResult>();
        result->translations = translations;
        // A connection and a dictionary of its own: the GUI thread's may change meanwhile.
        ProjectFile project;
        if (Result opened = project.Open(job.projectPath); !opened) {
            result->error = opened.Error();
            promise.addResult(result);
            return;
        }
        CheckSettings settings;
        settings.enabled = job.enabled & ~Bit(Check::Spelling);
        settings.language = job.language;
        settings.Tune(ProjectCheckTuning(project));
        (void)LoadProjectBoxes(project, &settings);
        settings.glossary = job.glossary;
        SpellingDictionary dictionary;
        if ((job.enabled & Bit(Check::Spelling)) && !job.language.isEmpty() &&
            dictionary.Load(job.language)) {
            dictionary.SetWordList(job.words);
            settings.speller = &dictionary;
            settings.enabled |= Bit(Check::Spelling);
        }
        ProjectCheckCalls calls;
        calls.checked = [&](const ProjectEntry& entry, int, const DocumentChecks& checks) {
            result->files.push_back(
                FileProblems(entry.path, checks, project.FileMarks(entry.path)));
        };
        calls.failed = [&](const ProjectEntry& entry, const QString&) {
            result->failed << entry.path;
        };
        calls.progress = [&](int done, int all) {
            promise.setProgressRange(0, all);
            promise.setProgressValue(done);
        };
        calls.cancelled = [&] { return promise.isCanceled(); };
        CheckProjectFiles(project, *job.catalogue, job.listing, settings, translations.get(), skip,
                          calls);
        promise.addResult(result);
    }));
}

void ProblemsPanel::TakeProjectCheck()
{
    if (checkAgain_) {
        StartProjectCheck();
        return;
    }
    if (!model_->ListsProject() || checking_.isCanceled() || checking_.future().resultCount() == 0)
        return;
    const std::shared_ptr<ProjectResult> result = checking_.result();
    std::vector<ProblemFile> files = std::move(result->files);
    for (const OpenFile& open : runOpen_) {
        if (open.session)
            files.push_back({open.path, open.session, {}});
    }
    ShareTranslations(runOpen_, result->translations);
    model_->SetFiles(std::move(files));
    emit ClosedFileProblems(model_->ClosedFileProblems());
    progress_->setVisible(!result->failed.isEmpty() || !result->error.isEmpty());
    progress_->setText(result->error.isEmpty()
                           ? UiText("problems.unreadable").arg(result->failed.join(u", "))
                           : result->error);
    emit ProjectChecked();
}

void ProblemsPanel::UpdateActions()
{
    const QModelIndex current = view_->currentIndex();
    bool ignorable = false, ignored = false;
    if (current.isValid() && current.row() < model_->rowCount()) {
        for (const ProblemsModel::Entry& entry : model_->Entries(current.row())) {
            if (entry.check < 0 || !(model_->SessionOf(entry) || model_->FileProblemOf(entry)))
                continue;
            (entry.ignored ? ignored : ignorable) = true;
        }
    }
    ignore_->setEnabled(ignorable);
    // Stop Ignoring is there while the ignored ones are shown.
    stopIgnoring_->setVisible(model_->ShowsIgnored());
    stopIgnoring_->setEnabled(ignored);
}

// Every check of the selected row is ignored, or taken back, together.
void ProblemsPanel::Ignore(bool ignore)
{
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount())
        return;
    std::vector<ProblemsModel::Entry> entries = model_->Entries(current.row());
    std::erase_if(entries, [ignore](const ProblemsModel::Entry& entry) {
        return entry.check < 0 || entry.ignored == ignore;
    });
    if (entries.empty())
        return;
    if (DocumentSession* session = model_->SessionOf(entries.front())) {
        for (const ProblemsModel::Entry& entry : entries) {
            const Check check = static_cast<Check>(entry.check);
            if (ignore)
                session->Checks()->Ignore(entry.record, entry.field, check);
            else
                session->Checks()->StopIgnoring(entry.record, entry.field, check);
        }
        return;
    }
    // A file not open: its ignores are written into the project, where opening it reads them.
    ProjectFile project;
    if (!project.Open(projectPath_))
        return;
    const QString path = model_->FileOf(entries.front());
    std::vector<IgnoredProblem> ignores = project.IgnoredProblems(path);
    for (const ProblemsModel::Entry& entry : entries) {
        const FileProblem* problem = model_->FileProblemOf(entry);
        const Check check = static_cast<Check>(entry.check);
        std::erase_if(ignores, [&](const IgnoredProblem& p) {
            return p.record == entry.record && p.field == entry.field && p.check == check;
        });
        if (ignore && problem)
            ignores.push_back({entry.record, entry.field, check, problem->hash});
    }
    if (!project.ReplaceIgnoredProblems(path, ignores))
        return;
    for (const ProblemsModel::Entry& entry : entries)
        model_->SetFileProblemIgnored(entry, ignore);
    emit ClosedFileProblems(model_->ClosedFileProblems());
}

}  // namespace scrivlet
