#include "documents/RecoveryCopies.h"

#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "documents/DocumentPrompts.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <atomic>

namespace scrivlet {

namespace {

const char kLockSuffix[] = ".lock";

const char kJsonSuffix[] = ".json";
constexpr int kUnicodeCodePage = 65001;

// Someone's unsaved texts: no more readable than the originals can be.
constexpr QFile::Permissions kFolderPermissions =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kCopyPermissions = QFile::ReadOwner | QFile::WriteOwner;

// The owner part of a copy's id: everything before the last '-'.
QString OwnerOf(const QString& id)
{
    return id.section(u'-', 0, -2);
}

QJsonObject FormatToJson(const EdtFormat& format)
{
    QJsonArray fields;
    for (int j = 0; j < format.FieldCount(); ++j) {
        const FieldDef& field = format.fields[static_cast<size_t>(j)];
        fields.append(QJsonObject{{QStringLiteral("caption"), field.caption},
                                  {QStringLiteral("width"), field.width},
                                  {QStringLiteral("type"), field.type},
                                  {QStringLiteral("offset"), field.offset},
                                  {QStringLiteral("size"), field.size}});
    }
    return {{QStringLiteral("record_length"), format.recordLength},
            {QStringLiteral("fields"), fields}};
}

std::optional<EdtFormat> FormatFromJson(const QJsonValue& value, const QString& name)
{
    const QJsonObject json = value.toObject();
    const QJsonArray fields = json.value(QStringLiteral("fields")).toArray();
    if (json.isEmpty() || fields.size() > kMaxFields)
        return std::nullopt;
    EdtFormat format;
    format.name = name;
    format.recordLength = json.value(QStringLiteral("record_length")).toInt();
    for (qsizetype j = 0; j < fields.size(); ++j) {
        const QJsonObject field = fields[j].toObject();
        FieldDef& def = format.fields[static_cast<size_t>(j)];
        def.caption = field.value(QStringLiteral("caption")).toString();
        def.width = field.value(QStringLiteral("width")).toInt(-1);
        def.type = field.value(QStringLiteral("type")).toInt();
        def.offset = field.value(QStringLiteral("offset")).toInt();
        def.size = field.value(QStringLiteral("size")).toInt();
    }
    return format;
}

// The same records on disk: captions, column widths and labels may differ by language.
bool SameStorage(const EdtFormat& a, const EdtFormat& b)
{
    if (a.recordLength != b.recordLength || a.FieldCount() != b.FieldCount())
        return false;
    for (int j = 0; j < a.FieldCount(); ++j) {
        const FieldDef& x = a.fields[static_cast<size_t>(j)];
        const FieldDef& y = b.fields[static_cast<size_t>(j)];
        if (x.type != y.type ||
            (x.type == kTextField && (x.offset != y.offset || x.size != y.size)))
            return false;
    }
    return true;
}

// Older copies carry no layout: their name is all there is to go by.
bool Fits(const FormatCatalogue& catalogue, int index, const RecoveryInfo& info)
{
    const EdtFormat* format = catalogue.At(index);
    return format && (!info.layout || SameStorage(*format, *info.layout));
}

// The copy's name in another language's bundled catalogue, at the same place in this one.
int FindByOtherName(const RecoveryInfo& info, const FormatCatalogue& catalogue,
                    const std::vector<FormatCatalogue>& bundled)
{
    for (const FormatCatalogue& other : bundled) {
        for (int k = 0; k < other.Count() && k < catalogue.Count(); ++k) {
            if (other.At(k)->name == info.format && SameStorage(*other.At(k), *catalogue.At(k)) &&
                Fits(catalogue, k, info))
                return k;
        }
    }
    return -1;
}

int FindFormat(const RecoveryInfo& info, const FormatCatalogue& catalogue)
{
    if (const int index = FormatIndexOfKey(info.formatKey); Fits(catalogue, index, info))
        return index;
    for (int k = 0; k < catalogue.Count(); ++k) {
        if (catalogue.At(k)->name == info.format && Fits(catalogue, k, info))
            return k;
    }
    return -1;
}

std::vector<FormatCatalogue> BundledCatalogues()
{
    std::vector<FormatCatalogue> catalogues;
    for (UiLanguage language :
         {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian}) {
        FormatCatalogue catalogue;
        if (LoadFormatCatalogue(catalogue, language, nullptr))
            catalogues.push_back(std::move(catalogue));
    }
    return catalogues;
}

RecoveryInfo InfoFromJson(const QString& id, const QJsonObject& json)
{
    RecoveryInfo info;
    info.id = id;
    info.path = json.value(QStringLiteral("path")).toString();
    info.title = json.value(QStringLiteral("title")).toString();
    info.format = json.value(QStringLiteral("format")).toString();
    info.formatKey = json.value(QStringLiteral("format_key")).toString();
    info.layout = FormatFromJson(json.value(QStringLiteral("layout")), info.format);
    info.encoding = json.value(QStringLiteral("encoding")).toInt();
    info.fileType = json.value(QStringLiteral("file_type")).toInt(kFileTypeEdt);
    info.savedAt =
        QDateTime::fromString(json.value(QStringLiteral("saved_at")).toString(), Qt::ISODate);
    // Copies of older versions name no place: they restore alone, as they always did.
    info.place.project = json.value(QStringLiteral("project")).toString();
    info.place.reference = json.value(QStringLiteral("reference")).toString();
    info.place.referenceEncoding = json.value(QStringLiteral("reference_encoding")).toInt();
    info.place.referenceFileType =
        json.value(QStringLiteral("reference_file_type")).toInt(kFileTypeEdt);
    return info;
}

// A copy whose layout is unknown still holds its texts as runs of units between zeros (a text
// that fills its field runs into the next); no reader of ours takes records without a format,
// so they are cut out here.
Result WriteRawTexts(const QString& copyPath, const QString& path)
{
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly))
        return Result::Failure(copy.errorString());
    const QByteArray bytes = copy.readAll();
    QStringList texts;
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const uint16_t unit = qFromLittleEndian<uint16_t>(bytes.constData() + i);
        char16_t ch = 0;
        if (DecodeEdtText(kEncodingUnicode, &unit, 1, &ch) == 1) {
            text += QChar(ch);
        } else if (!text.isEmpty()) {
            texts << text;
            text.clear();
        }
    }
    if (!text.isEmpty())
        texts << text;
    QSaveFile file(path);
    const QByteArray out = EncodeText(kUnicodeCodePage, texts.join(u'\n'));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        return Result::Failure(file.errorString());
    return {};
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
    // Also a folder made by an older version, open to everybody.
    QFile::setPermissions(folder_, kFolderPermissions);
    // The process id alone could come back after a reboot; the start time makes it unique
    // across processes, and a count across the stores of one process: two made within the same
    // millisecond would otherwise share a name and each take the other's copies for its own.
    static std::atomic<int> stores{0};
    owner_ = QStringLiteral("%1.%2.%3")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QDateTime::currentMSecsSinceEpoch())
                 .arg(++stores);
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

Result RecoveryStore::Write(const EdtDocument& document, const QString& id, const QString& title,
                            const RecoveryPlace& place) const
{
    if (const Result done =
            WriteDocumentCopy(document, FilePath(id, ".edt"), kFileTypeEdt, kEncodingUnicode);
        !done)
        return done;
    const QJsonObject json{
        {QStringLiteral("path"), document.Path()},
        {QStringLiteral("title"), title},
        {QStringLiteral("format"), document.Format().name},
        {QStringLiteral("format_key"),
         document.FormatIndex() >= 0 ? FormatSectionKey(document.FormatIndex()) : QString()},
        {QStringLiteral("layout"), FormatToJson(document.Format())},
        {QStringLiteral("encoding"), document.GetEncoding()},
        {QStringLiteral("file_type"), document.GetFileType()},
        {QStringLiteral("saved_at"), QDateTime::currentDateTime().toString(Qt::ISODate)},
        {QStringLiteral("project"), place.project},
        {QStringLiteral("reference"), place.reference},
        {QStringLiteral("reference_encoding"), place.referenceEncoding},
        {QStringLiteral("reference_file_type"), place.referenceFileType},
    };
    QSaveFile file(FilePath(id, kJsonSuffix));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(json).toJson()) < 0 ||
        !file.commit())
        return Result::Failure(file.errorString());
    // A replaced file keeps these; the folder guards the moment before.
    QFile::setPermissions(FilePath(id, ".edt"), kCopyPermissions);
    QFile::setPermissions(FilePath(id, kJsonSuffix), kCopyPermissions);
    return {};
}

void RecoveryStore::Remove(const QString& id) const
{
    // The description first: a copy without one is never offered.
    QFile::remove(FilePath(id, kJsonSuffix));
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
    // The lock of an owner that died without copies would stay forever; taken, it goes.
    const QStringList locks =
        QDir(folder_).entryList({u'*' + QLatin1String(kLockSuffix)}, QDir::Files);
    for (const QString& name : locks) {
        QLockFile lock(folder_ + u'/' + name);
        lock.setStaleLockTime(0);
        if (name != owner_ + QLatin1String(kLockSuffix) && lock.tryLock(0))
            lock.unlock();
    }
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
        orphans << ReadInfo(id);
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const RecoveryInfo& a, const RecoveryInfo& b) { return a.savedAt > b.savedAt; });
    return orphans;
}

RecoveryInfo RecoveryStore::ReadInfo(const QString& id) const
{
    QFile file(FilePath(id, kJsonSuffix));
    QString reason;
    if (file.open(QIODevice::ReadOnly)) {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
        if (json.isObject())
            return InfoFromJson(id, json.object());
        reason = error.error != QJsonParseError::NoError ? error.errorString()
                                                         : UiText("recov.notDescription");
    } else {
        reason = file.errorString();
    }
    // Listed by its file, so that the user can see it and discard it.
    RecoveryInfo info;
    info.id = id;
    info.title = QFileInfo(file).fileName();
    info.described = false;
    info.problem =
        UiText("recov.unreadable").arg(QDir::toNativeSeparators(file.fileName()), reason);
    info.savedAt = QFileInfo(file).lastModified();
    return info;
}

void RecoveryStore::FindFormats(QList<RecoveryInfo>& copies, const FormatCatalogue& catalogue)
{
    std::optional<std::vector<FormatCatalogue>> bundled;  // read only when a copy needs them
    for (RecoveryInfo& info : copies) {
        if (!info.problem.isEmpty())
            continue;
        info.formatIndex = FindFormat(info, catalogue);
        if (info.formatIndex < 0) {
            if (!bundled)
                bundled = BundledCatalogues();
            info.formatIndex = FindByOtherName(info, catalogue, *bundled);
        }
        if (info.formatIndex < 0) {
            info.problem =
                UiText("recov.noFormat").arg(info.format.isEmpty() ? info.formatKey : info.format);
        }
    }
}

bool RecoveryStore::HasTexts(const RecoveryInfo& info) const
{
    return QFileInfo(FilePath(info.id, ".edt")).isFile();
}

Result RecoveryStore::SaveTexts(const RecoveryInfo& info, const FormatCatalogue& catalogue,
                                const QString& path) const
{
    const QString copy = FilePath(info.id, ".edt");
    const EdtFormat* format = catalogue.At(info.formatIndex);
    if (!format && info.layout)
        format = &*info.layout;
    if (format) {
        // A copy cut short still gives its whole records.
        FixedPrompts wholeRecords(true);
        const LoadResult loaded =
            LoadDocument(copy, kFileTypeEdt, kEncodingUnicode, *format, -1, false, &wholeRecords);
        if (loaded.document)
            return WriteDocumentCopy(*loaded.document, path, kFileTypeText, kEncodingUnicode);
    }
    return WriteRawTexts(copy, path);
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
        loaded.error = UiText("recov.badSettings").arg(info.encoding).arg(info.fileType);
        return loaded;
    }
    EdtDocument& document = *loaded.document;
    document.SetPath(info.path);
    document.SetFileType(info.fileType);
    document.SetEncoding(info.encoding);
    // Taken over by this process, so the copy lasts until the restored document is saved.
    const QString id = NewId();
    if (QFile::rename(FilePath(info.id, ".edt"), FilePath(id, ".edt")) &&
        QFile::rename(FilePath(info.id, kJsonSuffix), FilePath(id, kJsonSuffix))) {
        info.id = id;
        // A copy of an older version was readable by everybody.
        QFile::setPermissions(FilePath(id, ".edt"), kCopyPermissions);
        QFile::setPermissions(FilePath(id, kJsonSuffix), kCopyPermissions);
    }
    return loaded;
}

}  // namespace scrivlet
