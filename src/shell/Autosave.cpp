#include "shell/Autosave.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "shell/DialogHost.h"
#include "shell/DocumentTabs.h"
#include "shell/FileOptionsPanel.h"
#include "shell/RestoreDialog.h"

#include <QDir>
#include <QFileInfo>
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
    connect(session, &DocumentSession::ModifiedChanged, entry.timer,
            [this, session](bool modified) {
                if (!modified) {
                    entries_[session].timer->stop();
                    RemoveCopy(entries_[session].id);
                }
            });
    connect(session, &QObject::destroyed, this, [this, session] {
        RemoveCopy(entries_.value(session).id);
        entries_.remove(session);
    });
    if (session->IsModified())
        entry.timer->start();
}

void Autosave::WriteCopy(DocumentSession* session)
{
    const Entry entry = entries_.value(session);
    if (!session->IsModified())
        return;
    std::shared_ptr<EdtDocument> snapshot = session->Document()->Snapshot();
    if (!snapshot) {
        entry.timer->start();  // no memory now: try again later
        return;
    }
    // The snapshot belongs to no thread, so the worker may use and delete it.
    snapshot->moveToThread(nullptr);
    const QString title = session->Name();
    RecoveryPlace place;
    if (projects_.projectOf)
        place.project = projects_.projectOf(snapshot->Path());
    if (const EdtDocument* reference = session->Reference()) {
        place.reference = reference->Path();
        place.referenceEncoding = reference->GetEncoding();
        place.referenceFileType = reference->GetFileType();
    }
    pool_.start([this, snapshot, id = entry.id, title, place] {
        if (const Result done = store_.Write(*snapshot, id, title, place); !done) {
            qWarning("recovery copy %s: %s", qPrintable(id), qPrintable(done.Error()));
            QMetaObject::invokeMethod(
                this, [this, reason = done.Error()] { ReportWriteFailure(reason); });
        }
    });
}

void Autosave::RemoveCopy(const QString& id)
{
    if (!id.isEmpty())
        pool_.start([this, id] { store_.Remove(id); });
}

void Autosave::ReportWriteFailure(const QString& reason)
{
    if (writeFailureReported_)
        return;
    writeFailureReported_ = true;
    emit CannotWrite(
        UiText("recov.cannotWrite").arg(QDir::toNativeSeparators(store_.Folder()), reason));
}

void Autosave::OfferRestore(DocumentTabs& tabs, DialogHost& host)
{
    QList<RecoveryInfo> copies = store_.Orphans();
    if (copies.isEmpty())
        return;
    RecoveryStore::FindFormats(copies, tabs.Catalogue());
    RestoreDialog dialog(copies, tabs.Window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    QList<RecoveryInfo> failed;
    for (int index : dialog.Selected()) {
        RecoveryInfo& info = copies[index];
        if (dialog.Discarding())
            store_.Remove(info.id);
        else if (!RestoreCopy(tabs, info))
            failed << info;
    }
    for (const RecoveryInfo& info : failed)
        OfferWayOut(tabs, host, info);
}

bool Autosave::RestoreCopy(DocumentTabs& tabs, RecoveryInfo& info)
{
    const EdtFormat* format = tabs.Catalogue().At(info.formatIndex);
    if (!info.problem.isEmpty() || !format)
        return false;
    // Opened first, so that the document joins it as it is added.
    if (!info.place.project.isEmpty() && projects_.open)
        projects_.open(info.place.project);
    LoadResult loaded = store_.Restore(info, *format, info.formatIndex);
    if (!loaded.document) {
        info.problem = loaded.error;
        return false;
    }
    // A tab showing the file as it is on disk (a session opened again) gives way to the copy
    // of its unsaved edits.
    for (int index = tabs.TabCount() - 1; index >= 0 && !info.path.isEmpty(); --index) {
        if (tabs.DocumentAt(index)->Path() == info.path && !tabs.SessionAt(index)->IsModified())
            tabs.CloseTab(index);
    }
    const int tab = tabs.AddDocument(std::move(loaded.document), info.title, true);
    PlaceRestored(tabs, tab, info);
    // AddDocument made the session with a copy of its own: this one is older and goes.
    if (DocumentSession* session = tabs.SessionAt(tab); session && entries_.contains(session)) {
        const QString ownId = entries_.value(session).id;
        entries_[session].id = info.id;
        session->SetRecoveryId(info.id);
        RemoveCopy(ownId);
    }
    return true;
}

void Autosave::PlaceRestored(DocumentTabs& tabs, int tab, const RecoveryInfo& info)
{
    DocumentSession* session = tabs.SessionAt(tab);
    const RecoveryPlace& place = info.place;
    if (!session || session->Reference() || place.reference.isEmpty() ||
        !QFileInfo(place.reference).isFile())
        return;
    const EdtDocument& document = *session->Document();
    LoadResult reference =
        LoadDocument(place.reference, place.referenceFileType, place.referenceEncoding,
                     document.Format(), document.FormatIndex(), true);
    if (reference.document)
        session->SetReference(std::move(reference.document));
}

void Autosave::OfferWayOut(DocumentTabs& tabs, DialogHost& host, const RecoveryInfo& info)
{
    QWidget* window = tabs.Window();
    const bool texts = store_.HasTexts(info);
    const QString name = info.title.isEmpty() ? UiText("recov.unsaved") : info.title;
    const QString question = UiText("recov.cannotRestore").arg(name, info.problem) +
                             QStringLiteral("\n\n") +
                             UiText(texts ? "recov.offerTexts" : "recov.offerDiscard");
    const auto answer = host.Ask(window, question,
                                 (texts ? QMessageBox::Save : QMessageBox::NoButton) |
                                     QMessageBox::Discard | QMessageBox::Cancel,
                                 QMessageBox::Warning, UiText("recov.title"));
    if (answer == QMessageBox::Discard) {
        store_.Remove(info.id);
        return;
    }
    if (answer != QMessageBox::Save)
        return;
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = window;
    request.filters = {FileFilters().value(2)};
    request.defaultSuffix = QStringLiteral("txt");
    request.documents = false;
    // Beside the original, never over it.
    const QFileInfo original(info.path.isEmpty() ? QDir::home().filePath(name) : info.path);
    request.start =
        original.dir().filePath(original.completeBaseName() + QStringLiteral(".recovered.txt"));
    const FileDialogAnswer file = host.GetSaveFileName(request);
    if (!file.accepted || file.files.isEmpty())
        return;
    if (const Result saved = store_.SaveTexts(info, tabs.Catalogue(), file.files.first()); !saved) {
        host.ShowMessage(window,
                         UiText("recov.textsFailed")
                             .arg(QDir::toNativeSeparators(file.files.first()), saved.Error()),
                         QMessageBox::Warning, UiText("recov.title"));
    }
}

}  // namespace scrivlet
