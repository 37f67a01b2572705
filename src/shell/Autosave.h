#pragma once

#include "documents/RecoveryCopies.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>

class QTimer;
class QWidget;

// Keeps a recovery copy of every open document with unsaved changes, written on a worker
// thread from a snapshot so that the window never waits for the disk. The copy goes when the
// document is saved or closes, and all of them when the program ends normally.

namespace scrivlet {

class DocumentSession;
class DocumentTabs;

class Autosave : public QObject {
    Q_OBJECT

public:
    // Copies go to folder. The frame is given it and has it follow every document it opens.
    explicit Autosave(const QString& folder = RecoveryStore::DefaultFolder(),
                      QObject* parent = nullptr);
    ~Autosave() override;

    // Follows the session's document until the session goes; id names a copy it takes over.
    void Track(DocumentSession* session, const QString& id = {});
    // Offers the copies left by processes that ended abnormally and opens those the user
    // restores in tabs.
    void OfferRestore(DocumentTabs& tabs);
    // Waits until every copy asked for is on disk.
    void Flush() { pool_.waitForDone(); }

private:
    struct Entry {
        QString id;
        QTimer* timer = nullptr;
    };
    void WriteCopy(DocumentSession* session);
    void RemoveCopy(const QString& id);

    RecoveryStore store_;
    QThreadPool pool_;  // one thread: a copy's writes and its removal happen in order
    int intervalMs_;
    QHash<DocumentSession*, Entry> entries_;
};

}  // namespace scrivlet
