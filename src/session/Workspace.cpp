#include "session/Workspace.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "store/FieldNotes.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>

namespace scrivlet {

namespace {

bool SamePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

}  // namespace

Workspace::Workspace(const FormatCatalogue& catalogue, QObject* parent)
    : QObject(parent),
      catalogue_(catalogue),
      project_(new Project(
          catalogue, [this] { return Sessions(); }, this)),
      watcher_(new QFileSystemWatcher(this))
{
    // A project opened while documents are open takes those that are its files.
    connect(project_, &Project::Changed, this, [this] {
        for (const std::unique_ptr<DocumentSession>& session : sessions_)
            project_->Follow(session.get());
    });
}

Workspace::~Workspace()
{
    // The project lets go of the sessions while they still exist.
    delete project_;
    project_ = nullptr;
    while (!sessions_.empty())
        Close(Count() - 1);
}

QString Workspace::MemoryInUse() const
{
    return project_->IsOpen() ? project_->Path() : MemoryLocation();
}

std::vector<DocumentSession*> Workspace::Sessions() const
{
    std::vector<DocumentSession*> sessions;
    for (const std::unique_ptr<DocumentSession>& session : sessions_)
        sessions.push_back(session.get());
    return sessions;
}

DocumentSession* Workspace::Session(int index) const
{
    return index >= 0 && index < Count() ? sessions_[static_cast<size_t>(index)].get() : nullptr;
}

EdtDocument* Workspace::Document(int index) const
{
    DocumentSession* session = Session(index);
    return session ? session->Document() : nullptr;
}

int Workspace::IndexOf(const DocumentSession* session) const
{
    for (int index = 0; index < Count(); ++index) {
        if (sessions_[static_cast<size_t>(index)].get() == session)
            return index;
    }
    return -1;
}

int Workspace::IndexOfPath(const QString& path) const
{
    for (int index = 0; index < Count(); ++index) {
        const QString own = Document(index)->Path();
        if (!own.isEmpty() && SamePath(own, path))
            return index;
    }
    return -1;
}

void Workspace::SetActiveIndex(int index)
{
    if (index < -1 || index >= Count() || index == active_)
        return;
    active_ = index;
    emit ActiveChanged(index);
}

int Workspace::Add(std::unique_ptr<EdtDocument> document, const QString& name, bool unsaved)
{
    auto session = std::make_unique<DocumentSession>(std::move(document), name, watcher_);
    if (unsaved)
        session->MarkChanged();
    session->Watch();
    if (project_)
        project_->Follow(session.get());
    KeepNotesBeside(session.get());
    sessions_.push_back(std::move(session));
    const int index = Count() - 1;
    emit SessionAdded(index);
    SetActiveIndex(index);
    return index;
}

void Workspace::Close(int index)
{
    if (index < 0 || index >= Count())
        return;
    std::unique_ptr<DocumentSession> session = std::move(sessions_[static_cast<size_t>(index)]);
    sessions_.erase(sessions_.begin() + index);
    if (pendingWrap_.session == session.get())
        pendingWrap_ = {};
    if (lastStop_.session == session.get())
        lastStop_ = {};
    const int active = active_;
    active_ = -2;  // no index: the next SetActiveIndex always tells
    emit SessionClosed(index, session.get());
    // Unless a view chose: the one after it becomes active, else the one before; another one
    // than the closed stays active without a word.
    if (active_ == -2 && active != index && active < index)
        active_ = active;
    else if (active_ == -2)
        SetActiveIndex(active > index ? active - 1 : std::min(active, Count() - 1));
    session.reset();
}

// The side file ("name.edt.states") is read when the document is opened and written as its
// notes are set, as the project keeps those of its files (a state changes no file, so nothing
// else would keep it), and when it is saved: Save As takes them to the new name. A file of the
// open project leaves them to the project.
void Workspace::KeepNotesBeside(DocumentSession* session)
{
    const auto beside = [this, session] {
        const QString path = session->Document()->Path();
        return project_ && project_->RelativeTranslation(path).isEmpty() ? path : QString();
    };
    if (const QString path = beside(); !path.isEmpty()) {
        std::vector<PlacedNote> notes;
        // Unreadable: none; the next change writes the file anew.
        if (NotesBesideFile(path)->Read(&notes))
            session->States()->Restore(notes);
    }
    const auto store = [session, beside] {
        if (const QString path = beside(); !path.isEmpty())
            (void)NotesBesideFile(path)->Write(session->States()->All());
    };
    connect(session->States(), &FieldStates::Changed, session, store);
    connect(session, &DocumentSession::Saved, session, store);
}

// --- F8 and F9 -------------------------------------------------------------------------------

std::vector<int> Workspace::FieldProblems(const DocumentSession& session, int record, int field)
{
    std::vector<int> out;
    const ReviewMarks& review = *session.Review();
    if (review.Count() > 0 && review.Has(record, field))
        out.push_back(kSourceChangedProblem);
    CheckMask mask = session.Checks()->Mask(record, field);
    for (int check = 0; mask; ++check, mask >>= 1) {
        if (mask & 1)
            out.push_back(check);
    }
    return out;
}

QString Workspace::StopText(const DocumentSession& session, const Stop& stop)
{
    QString title, detail;
    if (stop.problem == kSourceChangedProblem) {
        title = UiText("check.sourceChanged.title");
        const std::optional<ReviewMark> mark =
            session.Review()->At(stop.place.record, stop.place.field);
        detail = !mark || mark->reason == ReviewReason::New
                     ? UiText("check.sourceChanged.new")
                     : UiText("check.sourceChanged.detail").arg(mark->oldSource);
    } else {
        title = CheckTitle(static_cast<Check>(stop.problem));
        for (const Problem& p : session.Checks()->Details(stop.place.record, stop.place.field)) {
            if (p.check == static_cast<Check>(stop.problem))
                detail = p.detail;
        }
    }
    return UiText("seek.problemAt").arg(title, detail);
}

std::optional<Workspace::Stop> Workspace::Seek(FieldSeek kind, bool forward, FieldPlace from,
                                               bool onStop, const RecordShown& shown)
{
    const DocumentSession* session = Active();
    if (!session)
        return std::nullopt;
    const bool wrap = pendingWrap_.session == session && pendingWrap_.kind == kind &&
                      pendingWrap_.forward == forward;
    if (wrap)
        from = FieldPlace{-1, 0};
    std::optional<Stop> stop;
    if (kind == FieldSeek::Problem) {
        stop = SeekProblem(*session, from, forward, wrap, onStop, shown);
        lastStop_ = stop ? LastStop{session, *stop} : LastStop{};
    } else {
        std::optional<FieldPlace> found = session->Status()->Seek(kind, from, forward);
        while (found && shown && !shown(found->record))
            found = session->Status()->Seek(kind, *found, forward);
        if (found)
            stop = Stop{*found, 0};
    }
    pendingWrap_ = stop ? PendingWrap{} : PendingWrap{session, kind, forward};
    return stop;
}

std::optional<Workspace::Stop> Workspace::SeekProblem(const DocumentSession& session,
                                                      FieldPlace from, bool forward, bool wrap,
                                                      bool onStop, const RecordShown& shown)
{
    const EdtDocument& document = *session.Document();
    // Pressed again on the field it stopped at: the field's next problem first.
    if (!wrap && onStop && lastStop_.session == &session && lastStop_.stop.place == from &&
        from.record < document.RecordCount() && from.field < document.TextFieldCount()) {
        const std::vector<int> here = FieldProblems(session, from.record, from.field);
        const auto at = std::find(here.begin(), here.end(), lastStop_.stop.problem);
        if (at != here.end()) {
            const qsizetype next = (at - here.begin()) + (forward ? 1 : -1);
            if (next >= 0 && next < static_cast<qsizetype>(here.size()))
                return Stop{from, here[static_cast<size_t>(next)]};
        }
    }
    const qsizetype fields = document.TextFieldCount();
    const qsizetype total = document.RecordCount() * fields;
    qsizetype at = from.record < 0 ? (forward ? -1 : total) : from.record * fields + from.field;
    for (at += forward ? 1 : -1; fields > 0 && at >= 0 && at < total; at += forward ? 1 : -1) {
        const int record = static_cast<int>(at / fields), field = static_cast<int>(at % fields);
        if (shown && !shown(record))
            continue;
        const std::vector<int> here = FieldProblems(session, record, field);
        if (!here.empty())
            return Stop{{record, field}, forward ? here.front() : here.back()};
    }
    return std::nullopt;
}

}  // namespace scrivlet
