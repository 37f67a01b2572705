#include "session/Settings.h"

#include <QSettings>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

namespace scrivlet {
namespace {

struct Store {
    QString filePath;                 // empty: the user's store
    std::optional<QString> language;  // read on first use
    Setting lastEncoding{QStringLiteral("LastEncodingIndex"), kDefaultEncodingIndex};
};

Store& TheStore()
{
    static Store store;
    return store;
}

// The registry keeps the values in HKEY_CURRENT_USER\Software\Tarvolt\Scrivlet, which
// QSettings derives from the organisation and application; the settings files have always
// kept that path in their keys.
#ifdef Q_OS_WIN
constexpr QSettings::Format kUserFormat = QSettings::NativeFormat;
#else
constexpr QSettings::Format kUserFormat = QSettings::IniFormat;
#endif

std::unique_ptr<QSettings> OpenStore(QString* keyPrefix)
{
    const QString& filePath = TheStore().filePath;
    const bool file = kUserFormat == QSettings::IniFormat || !filePath.isEmpty();
    *keyPrefix = file ? QStringLiteral("Software/Tarvolt/Scrivlet/") : QString();
    if (!filePath.isEmpty())
        return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    return std::make_unique<QSettings>(kUserFormat, QSettings::UserScope, QStringLiteral("Tarvolt"),
                                       QStringLiteral("Scrivlet"));
}

// A stored number as a 32-bit value: negative ones wrap as the registry's DWORDs do; wider
// ones and text that is no number count as missing.
bool ToDword(const QVariant& value, quint32* dword)
{
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() ||
        number > qlonglong(std::numeric_limits<quint32>::max()))
        return false;
    *dword = quint32(number);
    return true;
}

}  // namespace

quint32 Setting::Get()
{
    if (loaded_)
        return cached_;
    QString prefix;
    const auto settings = OpenStore(&prefix);
    const QVariant value = settings->value(prefix + name_);
    if (settings->status() != QSettings::NoError || !ToDword(value, &cached_))
        return default_;
    loaded_ = true;
    return cached_;
}

void Setting::Set(quint32 value)
{
    Get();  // an unchanged stored value is not written again
    if (loaded_ && value == cached_)
        return;
    cached_ = value;
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->status() != QSettings::NoError || !settings->isWritable())
        return;
    settings->setValue(prefix + name_, value);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        loaded_ = true;
}

namespace {

const QString kRecentFilesName = QStringLiteral("RecentFiles");
const QString kGeometryName = QStringLiteral("WindowGeometry");

// Windows paths compare without case, as the file system does.
bool SamePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

void WriteRecentFiles(const QList<RecentFile>& files)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (!settings->isWritable())
        return;
    // Writing an array leaves the entries beyond its new size in the store: they go first.
    settings->remove(prefix + kRecentFilesName);
    settings->beginWriteArray(prefix + kRecentFilesName, int(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("Path"), files[i].path);
        settings->setValue(QStringLiteral("Format"), files[i].format);
        settings->setValue(QStringLiteral("Encoding"), files[i].encoding);
        settings->setValue(QStringLiteral("FileType"), files[i].fileType);
    }
    settings->endArray();
}

}  // namespace

QList<RecentFile> RecentFiles()
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    QList<RecentFile> files;
    const int count = settings->beginReadArray(prefix + kRecentFilesName);
    for (int i = 0; i < count && files.size() < kMaxRecentFiles; ++i) {
        settings->setArrayIndex(i);
        RecentFile file;
        file.path = settings->value(QStringLiteral("Path")).toString();
        file.format = settings->value(QStringLiteral("Format"), -1).toInt();
        file.encoding = settings->value(QStringLiteral("Encoding")).toInt();
        file.fileType = settings->value(QStringLiteral("FileType")).toInt();
        if (!file.path.isEmpty())
            files.append(file);
    }
    settings->endArray();
    return files;
}

void RememberRecentFile(const RecentFile& file)
{
    QList<RecentFile> files = RecentFiles();
    files.removeIf([&file](const RecentFile& old) { return SamePath(old.path, file.path); });
    files.prepend(file);
    WriteRecentFiles(files.mid(0, kMaxRecentFiles));
}

void ForgetRecentFile(const QString& path)
{
    QList<RecentFile> files = RecentFiles();
    files.removeIf(
        [&path](const RecentFile& old) { return path.isEmpty() || SamePath(old.path, path); });
    WriteRecentFiles(files);
}

namespace {

const QString kRecentProjectsName = QStringLiteral("RecentProjects");

void WriteRecentProjects(const QStringList& paths)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + kRecentProjectsName, paths.mid(0, kMaxRecentFiles));
}

}  // namespace

QStringList RecentProjects()
{
    QString prefix;
    QStringList paths = OpenStore(&prefix)->value(prefix + kRecentProjectsName).toStringList();
    paths.removeAll(QString());
    return paths.mid(0, kMaxRecentFiles);
}

void RememberRecentProject(const QString& path)
{
    QStringList paths = RecentProjects();
    paths.removeIf([&path](const QString& old) { return SamePath(old, path); });
    paths.prepend(path);
    WriteRecentProjects(paths);
}

void ForgetRecentProject(const QString& path)
{
    QStringList paths = RecentProjects();
    paths.removeIf([&path](const QString& old) { return path.isEmpty() || SamePath(old, path); });
    WriteRecentProjects(paths);
}

namespace {

const QString kSessionName = QStringLiteral("Session");

void WriteFile(QSettings& settings, const QString& key, const RecentFile& file)
{
    settings.setValue(key + QStringLiteral("Path"), file.path);
    settings.setValue(key + QStringLiteral("Format"), file.format);
    settings.setValue(key + QStringLiteral("Encoding"), file.encoding);
    settings.setValue(key + QStringLiteral("FileType"), file.fileType);
}

RecentFile ReadFile(const QSettings& settings, const QString& key)
{
    return {settings.value(key + QStringLiteral("Path")).toString(),
            settings.value(key + QStringLiteral("Format"), -1).toInt(),
            settings.value(key + QStringLiteral("Encoding")).toInt(),
            settings.value(key + QStringLiteral("FileType")).toInt()};
}

}  // namespace

LastSession StoredSession()
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    LastSession session;
    const QString group = prefix + kSessionName + u'/';
    session.project = settings->value(group + QStringLiteral("Project")).toString();
    session.active = settings->value(group + QStringLiteral("Active"), -1).toInt();
    const int count = settings->beginReadArray(group + QStringLiteral("Documents"));
    for (int i = 0; i < count; ++i) {
        settings->setArrayIndex(i);
        SessionDocument document{ReadFile(*settings, QString()),
                                 ReadFile(*settings, QStringLiteral("Reference")),
                                 settings->value(QStringLiteral("Record"), -1).toInt(),
                                 settings->value(QStringLiteral("Column"), -1).toInt()};
        if (!document.file.path.isEmpty())
            session.documents.append(document);
    }
    settings->endArray();
    return session;
}

void StoreSession(const LastSession& session)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (!settings->isWritable())
        return;
    const QString group = prefix + kSessionName + u'/';
    // The old documents go first: an array leaves the entries beyond its new size.
    settings->remove(group + QStringLiteral("Documents"));
    settings->setValue(group + QStringLiteral("Project"), session.project);
    settings->setValue(group + QStringLiteral("Active"), session.active);
    settings->beginWriteArray(group + QStringLiteral("Documents"), int(session.documents.size()));
    for (int i = 0; i < session.documents.size(); ++i) {
        const SessionDocument& document = session.documents[i];
        settings->setArrayIndex(i);
        WriteFile(*settings, QString(), document.file);
        WriteFile(*settings, QStringLiteral("Reference"), document.reference);
        settings->setValue(QStringLiteral("Record"), document.record);
        settings->setValue(QStringLiteral("Column"), document.column);
    }
    settings->endArray();
}

bool ReopenSessionOnStart()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + QStringLiteral("ReopenSession"), true).toBool();
}

void SetReopenSessionOnStart(bool reopen)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("ReopenSession"), reopen);
}

QString MemoryLocation()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + QStringLiteral("MemoryLocation")).toString();
}

void SetMemoryLocation(const QString& location)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("MemoryLocation"), location.trimmed());
}

int MemoryTimeout()
{
    QString prefix;
    bool read = false;
    const int seconds =
        OpenStore(&prefix)->value(prefix + QStringLiteral("MemoryTimeout")).toInt(&read);
    return read ? std::clamp(seconds, 1, kMaxMemoryTimeout) : kDefaultMemoryTimeout;
}

void SetMemoryTimeout(int seconds)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("MemoryTimeout"),
                           std::clamp(seconds, 1, kMaxMemoryTimeout));
}

QStringList DisabledChecks()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + QStringLiteral("DisabledChecks")).toStringList();
}

void SetDisabledChecks(const QStringList& names)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("DisabledChecks"), names);
}

QString SpellingLanguage()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + QStringLiteral("SpellingLanguage")).toString();
}

void SetSpellingLanguage(const QString& code)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("SpellingLanguage"), code);
}

QStringList UserWordList()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + QStringLiteral("WordList")).toStringList();
}

void SetUserWordList(const QStringList& words)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + QStringLiteral("WordList"), words);
}

QByteArray WindowGeometry()
{
    QString prefix;
    return OpenStore(&prefix)->value(prefix + kGeometryName).toByteArray();
}

void SetWindowGeometry(const QByteArray& geometry)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->isWritable())
        settings->setValue(prefix + kGeometryName, geometry);
}

namespace {

const QString kLanguageName = QStringLiteral("Language");
const QString kOldLanguageName = QStringLiteral("LanguageID");

// The code of a locale number earlier versions stored: 2048 was the system's language, and
// any other number they showed in English.
QString CodeOfLocaleNumber(quint32 number)
{
    switch (number) {
        case 2048:
            return QString();
        case 1031:
            return QStringLiteral("de");
        case 1045:
            return QStringLiteral("pl");
        case 1049:
            return QStringLiteral("ru");
        default:
            return QStringLiteral("en");
    }
}

// Stores the code in place of an old number; false when the store refuses.
bool StoreLanguage(const QString& code)
{
    QString prefix;
    const auto settings = OpenStore(&prefix);
    if (settings->status() != QSettings::NoError || !settings->isWritable())
        return false;
    settings->setValue(prefix + kLanguageName, code);
    settings->remove(prefix + kOldLanguageName);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace

QString InterfaceLanguage()
{
    std::optional<QString>& language = TheStore().language;
    if (language)
        return *language;
    QString prefix;
    const auto settings = OpenStore(&prefix);
    const QVariant old = settings->value(prefix + kOldLanguageName);
    if (settings->status() != QSettings::NoError)
        return QString();
    quint32 number = 0;
    if (settings->contains(prefix + kLanguageName) || !old.isValid()) {
        language = settings->value(prefix + kLanguageName).toString();
    } else {
        language = ToDword(old, &number) ? CodeOfLocaleNumber(number) : QString();
        StoreLanguage(*language);
    }
    return *language;
}

void SetInterfaceLanguage(const QString& code)
{
    // A choice that cannot be stored is not shown as made.
    if (StoreLanguage(code))
        TheStore().language = code;
}

Setting& LastEncodingSetting()
{
    return TheStore().lastEncoding;
}

void UseSettingsFile(const QString& path)
{
    Store& store = TheStore();
    store.filePath = path;
    store.language.reset();
    store.lastEncoding = Setting(QStringLiteral("LastEncodingIndex"), kDefaultEncodingIndex);
}

}  // namespace scrivlet
