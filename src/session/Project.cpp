#include "session/Project.h"

#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "documents/EdtDocument.h"
#include "session/CheckChoices.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/ProjectConflicts.h"
#include "store/FieldNotes.h"
#include "store/MemoryFeed.h"
#include "store/ProjectGlossary.h"
#include "translation/DocumentChecks.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QScopedValueRollback>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <set>

namespace scrivlet {

namespace {

// Changes on disk come in bursts (a save writes, renames, touches): one count after them.
constexpr int kRecountDelayMs = 400;
// Watching costs a handle per file; a larger project is counted again on request only.
constexpr int kMaxWatchedFiles = 4000;
// How often the project file is asked whether another program committed to it (a cheap
// question: a counter in the database).
constexpr int kWatchFileMs = 1000;

}  // namespace

struct Project::CountResult {
    ProjectListing listing;
    CountRun run;
    QString error;
};

Project::Project(const FormatCatalogue& catalogue,
                 std::function<std::vector<DocumentSession*>()> sessions, QObject* parent)
    : QObject(parent),
      catalogue_(catalogue),
      memory_(new MemoryQueue(this)),
      conflicts_(new ProjectConflicts(
          catalogue,
          [this](const QString& path) { return live_.contains(RelativeTranslation(path)); }, this)),
      recount_(new QTimer(this)),
      rowsChanged_(new QTimer(this)),
      watchFile_(new QTimer(this))
{
    checks_ = new CheckChoices([this] { return file_.get(); },
                               [this](const QString& path) { return RelativeTranslation(path); },
                               std::move(sessions), this);
    recount_->setSingleShot(true);
    recount_->setInterval(kRecountDelayMs);
    connect(recount_, &QTimer::timeout, this, &Project::StartCount);
    // Many changes in one event (a Replace All over every field) make one signal.
    rowsChanged_->setSingleShot(true);
    rowsChanged_->setInterval(0);
    connect(rowsChanged_, &QTimer::timeout, this, &Project::RowsChanged);
    connect(&counting_, &QFutureWatcher<std::shared_ptr<CountResult>>::finished, this,
            &Project::TakeCount);
    // A pull that stopped on conflicts changed the files it left unmerged: counted again.
    connect(this, &Project::Counted, conflicts_, [this] { conflicts_->Refresh(file_.get()); });
    watchFile_->setInterval(kWatchFileMs);
    connect(watchFile_, &QTimer::timeout, this, [this] {
        if (file_ && file_->ChangedElsewhere())
            TakeChangesElsewhere();
    });
}

Project::~Project()
{
    // The count reads the catalogue, which may go with the frame.
    counting_.waitForFinished();
}

QString Project::Path() const
{
    return file_ ? file_->Path() : QString();
}

Result Project::Open(const QString& path)
{
    auto file = std::make_unique<ProjectFile>();
    if (Result opened = file->Open(path); !opened)
        return opened;
    Close();
    file_ = std::move(file);
    (void)file_->ChangedElsewhere();
    watchFile_->start();
    // What the cache vouches for is shown at once; the walk corrects it when it ends.
    const QHash<QString, CachedCounts> cache = file_->Cache();
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        FileRow& row = rows_[it.key()];
        const CachedCounts& cached = it.value();
        row.path = it.key();
        row.hasTranslation = cached.translation.size >= 0;
        row.counts = PairCounts{it.key(), !row.hasTranslation, QString(), cached.counts};
    }
    LoadGlossary();
    conflicts_->Refresh(file_.get());
    StartCount();
    emit Changed();
    emit RowsChanged();
    return {};
}

void Project::Close()
{
    if (!file_)
        return;
    counting_.waitForFinished();
    recount_->stop();
    watchFile_->stop();
    countAgain_ = false;
    delete watcher_;
    watcher_ = nullptr;
    file_.reset();
    listing_ = {};
    checked_.clear();
    rows_.clear();
    glossary_.clear();
    for (const QPointer<DocumentSession>& session : live_) {
        if (session) {
            Unfollow(*session);
            session->SetGlossary({});
        }
    }
    live_.clear();
    sharedMarks_.clear();
    conflicts_->Refresh(nullptr);
    emit GlossaryChanged();
    emit Changed();
    emit RowsChanged();
}

const ProjectEntry* Project::Entry(const QString& relative) const
{
    for (const ProjectEntry& entry : listing_.entries) {
        if (entry.path == relative)
            return &entry;
    }
    return nullptr;
}

QString Project::RelativeTranslation(const QString& path) const
{
    if (!file_ || path.isEmpty())
        return {};
    const QString relative = QDir(file_->TranslationsDir()).relativeFilePath(path);
    return relative.startsWith(QLatin1String("../")) || QFileInfo(relative).isAbsolute() ? QString()
                                                                                         : relative;
}

int Project::FormatOf(const ProjectEntry& entry) const
{
    if (const ProjectEntry* listed = Entry(entry.path); listed && listed->format >= 0)
        return listed->format;
    if (entry.format >= 0 || !file_)
        return entry.format;
    const int chosen = file_->FormatOverrides().value(entry.path, -1);
    if (catalogue_.At(chosen))
        return chosen;
    const Detection detection =
        DetectFormat(catalogue_, QFileInfo(entry.OriginalIn(*file_)).absoluteFilePath());
    return detection.ask || !catalogue_.At(detection.format) ? -1 : detection.format;
}

Result Project::LoadPair(const ProjectEntry& given, LoadedPair* pair) const
{
    ProjectEntry entry = given;
    entry.format = FormatOf(given);
    return scrivlet::LoadPair(*file_, catalogue_, entry, pair);
}

bool Project::Counting() const
{
    return counting_.isRunning() || recount_->isActive() || countAgain_;
}

void Project::ScheduleRecount()
{
    if (file_)
        recount_->start();
}

void Project::StartCount()
{
    if (!file_)
        return;
    if (counting_.isRunning()) {
        countAgain_ = true;
        return;
    }
    countAgain_ = false;
    // A connection of its own: the pool's thread must not share this one's.
    const QString path = file_->Path();
    const FormatCatalogue* catalogue = &catalogue_;
    counting_.setFuture(QtConcurrent::run([path, catalogue] {
        auto result = std::make_shared<CountResult>();
        ProjectFile project;
        Result done = project.Open(path);
        if (done) {
            result->listing = ListProject(project, *catalogue);
            done = CountProject(project, *catalogue, result->listing, &result->run);
        }
        result->error = done ? QString() : done.Error();
        return result;
    }));
}

void Project::TakeCount()
{
    const std::shared_ptr<CountResult> result = counting_.result();
    if (file_ && result) {
        listing_ = std::move(result->listing);
        rows_.clear();
        for (const PairCounts& pair : result->run.pairs)
            rows_[pair.path] = FileRow{pair.path, pair, 0, true, !pair.missing};
        for (const ProjectEntry& entry : listing_.entries) {
            if (!entry.hasOriginal) {
                FileRow& row = rows_[entry.path];
                row.path = row.counts.path = entry.path;
                row.hasOriginal = false;
            }
        }
        WatchFiles();
        emit RowsChanged();
    }
    if (countAgain_)
        StartCount();
    else
        emit Counted();
}

std::vector<Project::FileRow> Project::Rows() const
{
    std::vector<FileRow> rows;
    rows.reserve(static_cast<size_t>(rows_.size()));
    for (auto it = rows_.begin(); it != rows_.end(); ++it) {
        FileRow row = it.value();
        row.problems =
            checked_.value(it.key(), row.counts.counts.tooLong + row.counts.counts.notStorable);
        const DocumentSession* session = live_.value(it.key());
        if (row.hasOriginal && session && session->Status()->Reference()) {
            const TranslationCounts& now = session->Status()->Counts();
            row.problems = session->Checks()->Count() + now.sourceChanged;
            row.counts.error.clear();
            row.counts.counts = now;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void Project::SetCheckedProblems(QHash<QString, qint64> problems)
{
    if (problems == checked_)
        return;
    checked_ = std::move(problems);
    rowsChanged_->start();
}

void Project::Follow(DocumentSession* session)
{
    const QString relative = RelativeTranslation(session->Document()->Path());
    if (relative.isEmpty())
        return;
    if (live_.value(relative) == session)
        return;
    live_.insert(relative, session);
    const auto changed = [this] { rowsChanged_->start(); };
    connect(session->Status(), &TranslationStatus::CountsChanged, this, changed);
    connect(session, &DocumentSession::ReferenceChanged, this, changed);
    connect(session->Checks(), &DocumentChecks::ProblemsChanged, this, changed);
    // Saved or closed: the file on disk holds the counts again.
    connect(session, &DocumentSession::ModifiedChanged, this, [this](bool modified) {
        if (!modified)
            ScheduleRecount();
    });
    connect(session, &QObject::destroyed, this, [this, relative] {
        live_.remove(relative);
        sharedMarks_.remove(relative);
        rowsChanged_->start();
        ScheduleRecount();
    });
    GiveGlossary(session);
    KeepReviewMarks(*session, relative);
    KeepFieldStates(*session, relative);
    FeedOnSave(*session, relative);
    connect(session, &DocumentSession::Saved, this,
            [this, session] { (void)conflicts_->Settle(session->Document()->Path()); });
    rowsChanged_->start();
}

void Project::Unfollow(DocumentSession& session)
{
    for (QObject* sender :
         std::initializer_list<QObject*>{&session, session.Document(), session.Status(),
                                         session.Checks(), session.Review(), session.States()})
        sender->disconnect(this);
}

void Project::WatchFiles()
{
    delete watcher_;
    watcher_ = new QFileSystemWatcher(this);
    if (listing_.entries.size() > kMaxWatchedFiles)
        return;
    QStringList paths{file_->OriginalsDir(), file_->TranslationsDir()};
    for (const ProjectEntry& entry : listing_.entries) {
        if (entry.hasOriginal)
            paths << entry.OriginalIn(*file_);
        if (entry.hasTranslation)
            paths << entry.TranslationIn(*file_);
        // Folders tell of files that come and go.
        if (const QString folder = QFileInfo(entry.path).path(); folder != QLatin1String(".")) {
            paths << file_->OriginalsDir() + u'/' + folder;
            paths << file_->TranslationsDir() + u'/' + folder;
        }
    }
    paths.removeDuplicates();
    paths.removeIf([](const QString& path) { return !QFileInfo::exists(path); });
    watcher_->addPaths(paths);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &Project::ScheduleRecount);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &Project::ScheduleRecount);
}

// --- the glossary ------------------------------------------------------------------------------

void Project::LoadGlossary()
{
    glossary_ = file_ ? ProjectGlossaryTerms(*file_) : std::vector<GlossaryTerm>();
    for (const QPointer<DocumentSession>& session : live_)
        GiveGlossary(session);
    emit GlossaryChanged();
}

void Project::GiveGlossary(DocumentSession* session)
{
    if (session)
        session->SetGlossary(glossary_);
}

Result Project::ImportGlossary(const QString& path, GlossaryImport* counts)
{
    if (!file_)
        return Result::Failure(QString());
    Result read = ImportProjectGlossary(*file_, path, counts);
    if (read)
        LoadGlossary();
    return read;
}

Result Project::ClearGlossary()
{
    if (!file_)
        return {};
    const Result cleared = ClearProjectGlossary(*file_);
    LoadGlossary();
    return cleared;
}

// --- the review marks of open documents ----------------------------------------------------

void Project::KeepReviewMarks(DocumentSession& session, const QString& relative)
{
    sharedMarks_.remove(relative);
    MergeReviewMarks(session, relative);
    // A confirmation is kept at once; an edit once it is saved (unsaved, it may be undone, and
    // its mark only sleeps until then). Marks an undo or a redo of an update puts back or takes
    // away are nobody's review, nor are those taken from another program.
    connect(session.Review(), &ReviewMarks::Changed, this, [this, &session, relative] {
        if (!session.Review()->Restoring() && !mergingMarks_)
            StoreReviewMarks(session, relative);
    });
    connect(&session, &DocumentSession::Saved, this,
            [this, &session, relative] { StoreReviewMarks(session, relative); });
}

// The states and comments are kept as they are set: they change no file, and a state on a text
// not saved yet simply does not hold for the file's text. Review marks stay the review's.
void Project::KeepFieldStates(DocumentSession& session, const QString& relative)
{
    std::vector<PlacedNote> notes;
    if (NotesInProject(*file_, relative, false)->Read(&notes))
        session.States()->Restore(notes);
    connect(session.States(), &FieldStates::Changed, this, [this, &session, relative] {
        if (mergingMarks_)
            return;
        (void)NotesInProject(*file_, relative, false)->Write(session.States()->All());
        ScheduleRecount();
    });
}

// Another program (the converter, a pull read in by a count) changed the states kept for an
// open document: the document takes them, or its next state would write the old ones back.
void Project::TakeFieldStates(DocumentSession& session, const QString& relative)
{
    std::vector<PlacedNote> notes;
    if (!NotesInProject(*file_, relative, false)->Read(&notes) || notes == session.States()->All())
        return;
    const QScopedValueRollback merging(mergingMarks_, true);
    session.States()->Restore(notes);
}

// Clears in the project only the marks the translator settled: those the document took from
// it and holds no more. Marks another program set meanwhile are left as they are.
void Project::StoreReviewMarks(DocumentSession& session, const QString& relative)
{
    if (!file_ || session.Document()->Path().isEmpty() ||
        RelativeTranslation(session.Document()->Path()) != relative)
        return;
    const EdtDocument* reference = session.Reference();
    std::set<std::pair<int, int>>& shared = sharedMarks_[relative];
    std::vector<ProjectFile::ReviewedField> reviewed;
    for (auto it = shared.begin(); it != shared.end();) {
        const auto [record, field] = *it;
        if (session.Review()->Holds(record, field)) {
            ++it;
            continue;
        }
        // Reviewed: the translation now follows the original as it is.
        QString source;
        if (reference && record < reference->RecordCount())
            source = reference->FieldText(record, field).toString();
        else if (const std::optional<FieldMarks> marks = file_->Marks(relative, record, field))
            source = marks->source;
        reviewed.push_back({record, field, source});
        it = shared.erase(it);
    }
    // A failed write leaves the marks in the project: the fields are shown for review again.
    if (!reviewed.empty())
        (void)file_->ClearReviewMarks(relative, reviewed);
}

// Takes the project's marks of the file as another program left them: new ones are shown, and
// those it settled go from the document.
void Project::MergeReviewMarks(DocumentSession& session, const QString& relative)
{
    const EdtDocument& document = *session.Document();
    ReviewMarks& review = *session.Review();
    std::set<std::pair<int, int>>& shared = sharedMarks_[relative];
    std::set<std::pair<int, int>> now;
    const QScopedValueRollback merging(mergingMarks_, true);
    for (const ProjectFile::PlacedMarks& row : file_->FileMarks(relative)) {
        const std::pair place{row.record, row.field};
        if (row.marks.review == ReviewReason::None || row.record >= document.RecordCount() ||
            row.field >= document.TextFieldCount())
            continue;
        now.insert(place);
        if (!shared.contains(place) && !review.Holds(row.record, row.field))
            review.Set(row.record, row.field, {row.marks.review, row.marks.source});
    }
    for (const auto& [record, field] : shared) {
        if (!now.contains({record, field}))
            review.Clear(record, field);
    }
    shared = std::move(now);
}

void Project::MarksRewritten(const QString& relative)
{
    std::set<std::pair<int, int>>& shared = sharedMarks_[relative];
    shared.clear();
    if (!file_)
        return;
    for (const ProjectFile::PlacedMarks& row : file_->FileMarks(relative)) {
        if (row.marks.review != ReviewReason::None)
            shared.insert({row.record, row.field});
    }
}

void Project::TakeChangesElsewhere()
{
    if (!file_)
        return;
    const ProjectSettings before = file_->Settings();
    if (file_->ReadSettingsAgain()) {
        const ProjectSettings& after = file_->Settings();
        if (after.originals != before.originals || after.translations != before.translations ||
            after.originalEncoding != before.originalEncoding ||
            after.translationEncoding != before.translationEncoding)
            ScheduleRecount();
    }
    for (auto it = live_.begin(); it != live_.end(); ++it) {
        if (it.value()) {
            MergeReviewMarks(*it.value(), it.key());
            TakeFieldStates(*it.value(), it.key());
        }
    }
}

// --- confirmed translations to the memory ----------------------------------------------------

// The records whose fields changed or lost their review mark since the last save; a large
// change, or records coming and going, counts as all of them.
struct Project::ChangedRecords {
    static constexpr int kMostListed = 4096;
    std::set<int> records;
    bool all = false;
    void Add(int first, int last)
    {
        if (all)
            return;
        if (last - first >= kMostListed || records.size() >= size_t(kMostListed)) {
            all = true;
            records.clear();
            return;
        }
        for (int record = first; record <= last; ++record)
            records.insert(record);
    }
};

void Project::FeedOnSave(DocumentSession& session, const QString& relative)
{
    auto changed = std::make_shared<ChangedRecords>();
    EdtDocument* document = session.Document();
    connect(document, &EdtDocument::TextChanged, this,
            [changed](int record, int) { changed->Add(record, record); });
    connect(document, &EdtDocument::TextsChanged, this,
            [changed](int first, int last) { changed->Add(first, last); });
    for (auto moved : {&EdtDocument::RecordsInserted, &EdtDocument::RecordsRemoved})
        connect(document, moved, this, [changed](int, int) { changed->all = true; });
    // A confirmed review makes a field count without changing it.
    connect(session.Review(), &ReviewMarks::Changed, this,
            [changed](int first, int last) { changed->Add(first, last); });
    connect(&session, &DocumentSession::Saved, this, [this, &session, relative, changed] {
        FeedSaved(session, relative, *changed);
        *changed = {};
    });
}

void Project::FeedSaved(DocumentSession& session, const QString& relative,
                        const ChangedRecords& changed)
{
    const EdtDocument* reference = session.Reference();
    const EdtDocument& document = *session.Document();
    if (!file_ || !reference || document.Path().isEmpty() ||
        RelativeTranslation(document.Path()) != relative)
        return;
    const ProjectSettings& settings = file_->Settings();
    const MemoryLanguages fallback =
        LanguagesOfEncodings(settings.originalEncoding, settings.translationEncoding);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    // The project's memory is its own file: the one the editor uses while it is open.
    if (!changed.all) {
        const TranslationStatus& status = *session.Status();
        // Needs work (a review mark among them): no translation to offer yet.
        const auto pending = [&status](int record, int field) {
            return status.State(record, field) == FieldState::NeedsWork;
        };
        std::vector<MemoryUnit> units;
        for (const int record : changed.records)
            CollectConfirmed(document, *reference, record, record, pending, relative, now, &units);
        memory_->Add(file_->Path(), fallback, std::move(units));
        return;
    }
    // Every field may be new: gathered on the writer's thread from copies (two memcpy calls
    // each), so that the save returns as soon as the file is written.
    std::shared_ptr<const EdtDocument> translation = document.Snapshot();
    std::shared_ptr<const EdtDocument> original = reference->Snapshot();
    if (!translation || !original)
        return;
    std::vector<std::pair<int, int>> marked = session.Review()->Fields();
    for (const PlacedNote& placed : session.States()->All()) {
        if (session.States()->StateAt(placed.record, placed.field) == StoredState::NeedsWork)
            marked.emplace_back(placed.record, placed.field);
    }
    std::sort(marked.begin(), marked.end());
    memory_->Add(file_->Path(), fallback, [translation, original, marked, relative, now] {
        const auto pending = [&marked](int record, int field) {
            return std::binary_search(marked.begin(), marked.end(), std::pair{record, field});
        };
        std::vector<MemoryUnit> units;
        CollectConfirmed(*translation, *original, 0, translation->RecordCount() - 1, pending,
                         relative, now, &units);
        return units;
    });
}

}  // namespace scrivlet
