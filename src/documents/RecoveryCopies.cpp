#include "documents/RecoveryCopies.h"

#include "documents/EdtDocument.h"
#include "documents/Encodings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace scrivlet {

namespace {

const char kLockSuffix[] = ".lock";

// The owner part of a copy's id: everything before the last '-'.
QString OwnerOf(const QString& id)
{
    return id.section(u'-', 0, -2);
}

}  // namespace

QString RecoveryStore::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

RecoveryStore::RecoveryStore(const QString& folder) : folder_(folder)
{
    QDir().mkpath(folder_);
    // The process id alone could come back after a reboot; the start time makes it unique.
    owner_ = QStringLiteral("%1.%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QDateTime::currentMSecsSinceEpoch());
    lock_ = std::make_unique<QLockFile>(FilePath(owner_, kLockSuffix));
    lock_->setStaleLockTime(0);  // held for the whole run: only a dead owner makes it stale
    lock_->tryLock(0);
}

RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::NewId()
{
    return owner_ + u'-' + QString::number(++next_);
}

QString RecoveryStore::FilePath(const QString& id, const char* suffix) const
{
    return folder_ + u'/' + id + QLatin1String(suffix);
}

Result RecoveryStore::Write(const EdtDocument& document, const QString& id,
                            const QString& title) const
{
    if (const Result done =
            WriteDocumentCopy(document, FilePath(id, ".edt"), kFileTypeEdt, kEncodingUnicode);
        !done)
        return done;
    const QJsonObject json{
        {QStringLiteral("path"), document.Path()},
        {QStringLiteral("title"), title},
        {QStringLiteral("format"), document.Format().name},
        {QStringLiteral("encoding"), document.GetEncoding()},
        {QStringLiteral("file_type"), document.GetFileType()},
        {QStringLiteral("saved_at"), QDateTime::currentDateTime().toString(Qt::ISODate)},
    };
    QSaveFile file(FilePath(id, ".json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(json).toJson()) < 0 ||
        !file.commit())
        return Result::Failure(file.errorString());
    return {};
}

void RecoveryStore::Remove(const QString& id) const
{
    // The description first: a copy without one is never offered.
    QFile::remove(FilePath(id, ".json"));
    QFile::remove(FilePath(id, ".edt"));
}

void RecoveryStore::RemoveOwn() const
{
    const QStringList names =
        QDir(folder_).entryList({owner_ + QStringLiteral("-*.json")}, QDir::Files);
    for (const QString& name : names)
        Remove(name.chopped(5));
}

QList<RecoveryInfo> RecoveryStore::Orphans() const
{
    QList<RecoveryInfo> orphans;
    const QStringList names = QDir(folder_).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString& name : names) {
        const QString id = name.chopped(5);
        const QString owner = OwnerOf(id);
        if (owner.isEmpty() || owner == owner_)
            continue;
        // A running owner holds its lock; a lock file of a dead one is stale and gives way.
        QLockFile lock(FilePath(owner, kLockSuffix));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        lock.unlock();
        QFile file(FilePath(id, ".json"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        RecoveryInfo info;
        info.id = id;
        info.path = json.value(QStringLiteral("path")).toString();
        info.title = json.value(QStringLiteral("title")).toString();
        info.format = json.value(QStringLiteral("format")).toString();
        info.encoding = json.value(QStringLiteral("encoding")).toInt();
        info.fileType = json.value(QStringLiteral("file_type")).toInt(kFileTypeEdt);
        info.savedAt =
            QDateTime::fromString(json.value(QStringLiteral("saved_at")).toString(), Qt::ISODate);
        orphans << info;
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const RecoveryInfo& a, const RecoveryInfo& b) { return a.savedAt > b.savedAt; });
    return orphans;
}

LoadResult RecoveryStore::Restore(RecoveryInfo& info, const EdtFormat& format, int formatIndex)
{
    LoadResult loaded = LoadDocument(FilePath(info.id, ".edt"), kFileTypeEdt, kEncodingUnicode,
                                     format, formatIndex, true);
    if (!loaded.document)
        return loaded;
    if (!IsValidEncoding(info.encoding) ||
        (info.fileType != kFileTypeEdt && info.fileType != kFileTypeText)) {
        loaded.document.reset();
        loaded.error = QStringLiteral("%1: encoding %2, file type %3")
                           .arg(info.id)
                           .arg(info.encoding)
                           .arg(info.fileType);
        return loaded;
    }
    EdtDocument& document = *loaded.document;
    document.SetPath(info.path);
    document.SetFileType(info.fileType);
    document.SetEncoding(info.encoding);
    document.SetModified(true);
    // Taken over by this process, so the copy lasts until the restored document is saved.
    const QString id = NewId();
    if (QFile::rename(FilePath(info.id, ".edt"), FilePath(id, ".edt")) &&
        QFile::rename(FilePath(info.id, ".json"), FilePath(id, ".json")))
        info.id = id;
    return loaded;
}

}  // namespace scrivlet
