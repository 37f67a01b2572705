#pragma once

#include "translation/TranslationStatus.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFileSystemWatcher;

// Everything the editor has open: the documents' sessions in the order of their tabs, the
// active one, and the project (open or not); and the walk over them that F8 and F9 take. The
// window shows it: a tab per session, the panels over the project.

namespace scrivlet {

class DocumentSession;
class EdtDocument;
class FormatCatalogue;
class Project;

// Where F9 stopped: a field and the problem it stopped at, a failed check or
// kSourceChangedProblem.
inline constexpr int kSourceChangedProblem = -1;

class Workspace : public QObject {
    Q_OBJECT

public:
    // catalogue must outlive the workspace.
    explicit Workspace(const FormatCatalogue& catalogue, QObject* parent = nullptr);
    ~Workspace() override;

    const FormatCatalogue& Catalogue() const { return catalogue_; }
    Project& CurrentProject() const { return *project_; }
    // Shared by every session to follow its file.
    QFileSystemWatcher* Watcher() const { return watcher_; }
    // The memory the editor uses: the project's own file, else the one in the user's settings.
    QString MemoryInUse() const;

    // --- the open documents ------------------------------------------------------------------
    int Count() const { return static_cast<int>(sessions_.size()); }
    std::vector<DocumentSession*> Sessions() const;
    // Null for an index outside.
    DocumentSession* Session(int index) const;
    EdtDocument* Document(int index) const;
    int IndexOf(const DocumentSession* session) const;
    // The session of the document at path; -1 for none.
    int IndexOfPath(const QString& path) const;
    // -1 without a document.
    int ActiveIndex() const { return active_; }
    DocumentSession* Active() const { return Session(active_); }
    void SetActiveIndex(int index);
    // Makes a session for the document named name, last, and makes it active; unsaved: it
    // differs from its file from the start (new, restored, read with bytes left out). Its
    // index.
    int Add(std::unique_ptr<EdtDocument> document, const QString& name, bool unsaved = false);
    // Destroys the session, without asking.
    void Close(int index);

    // --- F8 and F9 ---------------------------------------------------------------------------
    // The next (or previous) field of the active document after from (a text field, or record
    // -1 for before the first) that is untranslated, or that has a problem. Pressed again after
    // finding nothing, the same seek starts over from the other end. A field with several
    // problems is stopped at once per problem. A record shown() refuses is passed over (the
    // grid's filter hides it); an empty shown passes none.
    struct Stop {
        FieldPlace place;
        int problem = 0;  // the check, or kSourceChangedProblem; for a problem seek
    };
    using RecordShown = std::function<bool(int record)>;
    std::optional<Stop> Seek(FieldSeek kind, bool forward, FieldPlace from, bool onStop,
                             const RecordShown& shown = {});
    // The problems of a field in the order F9 stops at them: a changed original first, then
    // each failed check (enabled and not ignored) in check order.
    static std::vector<int> FieldProblems(const DocumentSession& session, int record, int field);
    // What F9 stopped at, in words for the status bar: the check's title and its detail.
    static QString StopText(const DocumentSession& session, const Stop& stop);

signals:
    // A session was made, at index (the active one follows).
    void SessionAdded(int index);
    // The session that was at index is out of the list and about to go; the views let go of
    // it (a view may make another one active meanwhile).
    void SessionClosed(int index, DocumentSession* session);
    // Another session (or none) is active.
    void ActiveChanged(int index);

private:
    // A file outside the project keeps its states and comments beside it.
    void KeepNotesBeside(DocumentSession* session);
    std::optional<Stop> SeekProblem(const DocumentSession& session, FieldPlace from, bool forward,
                                    bool wrap, bool onStop, const RecordShown& shown);

    const FormatCatalogue& catalogue_;
    Project* project_;
    QFileSystemWatcher* watcher_;
    std::vector<std::unique_ptr<DocumentSession>> sessions_;
    int active_ = -1;
    // The seek that found nothing: pressed again, it starts over from the other end.
    struct PendingWrap {
        const DocumentSession* session = nullptr;
        FieldSeek kind = FieldSeek::Untranslated;
        bool forward = true;
    } pendingWrap_;
    // Where F9 last stopped.
    struct LastStop {
        const DocumentSession* session = nullptr;
        Stop stop;
    } lastStop_;
};

}  // namespace scrivlet
