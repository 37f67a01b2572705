#pragma once

#include "documents/RecoveryCopies.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>

#include <functional>

class QTimer;
class QWidget;

// Keeps a recovery copy of every open document with unsaved changes, written on a worker
// thread from a snapshot so that the window never waits for the disk. The copy goes when the
// document is saved or closes, and all of them when the program ends normally.

namespace scrivlet {

class DialogHost;
class DocumentSession;
class DocumentTabs;

// The open project as the copies see it: the project a file is a translation of (empty for
// none), and how to open one for a copy restored from it.
struct RecoveryProjects {
    std::function<QString(const QString& path)> projectOf;
    std::function<void(const QString& project)> open;
};

class Autosave : public QObject {
    Q_OBJECT

public:
    // Copies go to folder. The frame is given it and has it follow every document it opens.
    explicit Autosave(const QString& folder = RecoveryStore::DefaultFolder(),
                      QObject* parent = nullptr);
    ~Autosave() override;

    void SetProjects(RecoveryProjects projects) { projects_ = std::move(projects); }
    // Follows the session's document until the session goes; id names a copy it takes over.
    void Track(DocumentSession* session, const QString& id = {});
    // Offers the copies left by processes that ended abnormally and opens those the user
    // restores in tabs, each in its project (opened when none is) and with its reference, as
    // the project or the user had opened it; asks about those that cannot be restored through
    // host.
    void OfferRestore(DocumentTabs& tabs, DialogHost& host);
    // Waits until every copy asked for is on disk.
    void Flush() { pool_.waitForDone(); }

signals:
    // The first copy that could not be written, once per run: the text says where and why.
    void CannotWrite(const QString& message);

private:
    struct Entry {
        QString id;
        QTimer* timer = nullptr;
    };
    void WriteCopy(DocumentSession* session);
    void RemoveCopy(const QString& id);
    void ReportWriteFailure(const QString& reason);
    // Restores one copy into a new tab; false with info.problem set when it cannot.
    bool RestoreCopy(DocumentTabs& tabs, RecoveryInfo& info);
    // Tells why a copy cannot be restored and offers its texts as a .txt, or its removal.
    void OfferWayOut(DocumentTabs& tabs, DialogHost& host, const RecoveryInfo& info);

    // Puts a restored document back where it was: its project, its reference.
    void PlaceRestored(DocumentTabs& tabs, int tab, const RecoveryInfo& info);

    RecoveryStore store_;
    RecoveryProjects projects_;
    QThreadPool pool_;  // one thread: a copy's writes and its removal happen in order
    int intervalMs_;
    QHash<DocumentSession*, Entry> entries_;
    bool writeFailureReported_ = false;
};

}  // namespace scrivlet
