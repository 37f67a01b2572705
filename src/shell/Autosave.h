#pragma once

#include "documents/RecoveryCopies.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>

class QTimer;
class QWidget;

// Keeps a recovery copy of every document tab with unsaved changes, written on a worker
// thread from a snapshot so that the window never waits for the disk. The copy goes when the
// document is saved or its tab closes, and all of them when the program ends normally.

namespace scrivlet {

class DocumentTab;
class MainFrame;

class Autosave : public QObject {
    Q_OBJECT

public:
    // Copies go to folder; one instance per process, found by the tabs through Instance().
    explicit Autosave(const QString& folder = RecoveryStore::DefaultFolder(),
                      QObject* parent = nullptr);
    ~Autosave() override;
    static Autosave* Instance();

    // Follows the tab's document until the tab goes; id names a copy it takes over.
    void Track(DocumentTab* tab, const QString& id = {});
    // Offers the copies left by processes that ended abnormally and opens those the user
    // restores in frame.
    void OfferRestore(MainFrame& frame);
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
    void WriteCopy(DocumentTab* tab);
    void RemoveCopy(const QString& id);
    void ReportWriteFailure(const QString& reason);
    // Restores one copy into a new tab; false with info.problem set when it cannot.
    bool RestoreCopy(MainFrame& frame, RecoveryInfo& info);
    // Tells why a copy cannot be restored and offers its texts as a .txt, or its removal.
    void OfferWayOut(MainFrame& frame, const RecoveryInfo& info);

    RecoveryStore store_;
    QThreadPool pool_;  // one thread: a copy's writes and its removal happen in order
    int intervalMs_;
    QHash<DocumentTab*, Entry> entries_;
    bool writeFailureReported_ = false;
};

}  // namespace scrivlet
