#include "shell/Autosave.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "shell/DocumentSession.h"
#include "shell/DocumentTabs.h"
#include "shell/RestoreDialog.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <memory>

namespace scrivlet {

namespace {

constexpr int kDefaultIntervalSeconds = 30;

int IntervalMs()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("SCRIVLET_AUTOSAVE_SECONDS", &ok);
    return (ok && seconds > 0 ? seconds : kDefaultIntervalSeconds) * 1000;
}

}  // namespace

Autosave::Autosave(const QString& folder, QObject* parent)
    : QObject(parent), store_(folder), intervalMs_(IntervalMs())
{
    pool_.setMaxThreadCount(1);
}

Autosave::~Autosave()
{
    pool_.waitForDone();
    store_.RemoveOwn();
}

void Autosave::Track(DocumentSession* session, const QString& id)
{
    EdtDocument* document = session->Document();
    Entry& entry = entries_[session];
    entry.id = id.isEmpty() ? store_.NewId() : id;
    session->SetRecoveryId(entry.id);
    entry.timer = new QTimer(session);
    entry.timer->setSingleShot(true);
    entry.timer->setInterval(intervalMs_);
    connect(entry.timer, &QTimer::timeout, this, [this, session] { WriteCopy(session); });
    // The first change starts the clock and later ones do not restart it, so a copy is never
    // older than the interval however steadily the user types.
    auto changed = [timer = entry.timer] {
        if (!timer->isActive())
            timer->start();
    };
    connect(document, &EdtDocument::TextChanged, entry.timer, changed);
    connect(document, &EdtDocument::TextsChanged, entry.timer, changed);
    connect(document, &EdtDocument::RecordsInserted, entry.timer, changed);
    connect(document, &EdtDocument::RecordsRemoved, entry.timer, changed);
    connect(document, &EdtDocument::PropertiesChanged, entry.timer, changed);
    connect(document, &EdtDocument::ModifiedChanged, entry.timer, [this, session](bool modified) {
        if (!modified) {
            entries_[session].timer->stop();
            RemoveCopy(entries_[session].id);
        }
    });
    connect(session, &QObject::destroyed, this, [this, session] {
        RemoveCopy(entries_.value(session).id);
        entries_.remove(session);
    });
    if (document->IsModified())
        entry.timer->start();
}

void Autosave::WriteCopy(DocumentSession* session)
{
    const Entry entry = entries_.value(session);
    if (!session->Document()->IsModified())
        return;
    std::shared_ptr<EdtDocument> snapshot = session->Document()->Snapshot();
    if (!snapshot) {
        entry.timer->start();  // no memory now: try again later
        return;
    }
    // The snapshot belongs to no thread, so the worker may use and delete it.
    snapshot->moveToThread(nullptr);
    const QString title = session->Name();
    pool_.start([this, snapshot, id = entry.id, title] {
        if (const Result done = store_.Write(*snapshot, id, title); !done)
            qWarning("recovery copy %s: %s", qPrintable(id), qPrintable(done.Error()));
    });
}

void Autosave::RemoveCopy(const QString& id)
{
    if (!id.isEmpty())
        pool_.start([this, id] { store_.Remove(id); });
}

void Autosave::OfferRestore(DocumentTabs& tabs)
{
    QList<RecoveryInfo> copies = store_.Orphans();
    if (copies.isEmpty())
        return;
    RestoreDialog dialog(copies, tabs.Window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    QStringList failed;
    for (int index : dialog.Selected()) {
        RecoveryInfo& info = copies[index];
        if (dialog.Discarding()) {
            store_.Remove(info.id);
            continue;
        }
        int formatIndex = -1;
        const FormatCatalogue& catalogue = tabs.Catalogue();
        for (int k = 0; k < catalogue.Count() && formatIndex < 0; ++k) {
            if (catalogue.At(k)->name == info.format)
                formatIndex = k;
        }
        LoadResult loaded;
        if (formatIndex >= 0)
            loaded = store_.Restore(info, *catalogue.At(formatIndex), formatIndex);
        if (!loaded.document) {
            failed << info.title + u' ' + info.path;
            continue;
        }
        const QString title = info.title;
        const int tab = tabs.AddDocument(std::move(loaded.document), title);
        // AddDocument made the session with a copy of its own: this one is older and goes.
        if (DocumentSession* session = tabs.SessionAt(tab); session && entries_.contains(session)) {
            const QString ownId = entries_.value(session).id;
            entries_[session].id = info.id;
            session->SetRecoveryId(info.id);
            RemoveCopy(ownId);
        }
    }
    if (!failed.isEmpty())
        QMessageBox::warning(tabs.Window(), UiText("recov.title"),
                             UiText("recov.failed") + u'\n' + failed.join(u'\n'));
}

}  // namespace scrivlet
