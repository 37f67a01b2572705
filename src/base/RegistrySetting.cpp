#include "base/RegistrySetting.h"

#include <QSettings>
#include <QtEndian>

#include <cstring>
#include <limits>
#include <memory>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX  // keeps std::numeric_limits<>::max() usable
#endif
#include <windows.h>
#endif

namespace scrivlet {
namespace {

QByteArray DwordBytes(quint32 value)
{
    QByteArray data(kSettingValueBytes, '\0');
    qToLittleEndian(value, data.data());
    return data;
}

QString MemoryKey(const QString& subkey, const QString& name)
{
    return subkey + QLatin1Char('\\') + name;
}

// The registry path "A\B\C" + "Name" as a settings key "A/B/C/Name".
QString SettingsFileKey(const QString& subkey, const QString& name)
{
    QString key = subkey;
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return key + QLatin1Char('/') + name;
}

// A settings-file value as the bytes the registry would hand back: a number that fits
// 32 bits is 4 bytes, a larger one 8 (and so counts as missing); a byte array is taken
// as it is. Text that is no number is not a value at all.
bool VariantBytes(const QVariant& value, QByteArray* data)
{
    if (value.typeId() == QMetaType::QByteArray) {
        *data = value.toByteArray();
        return true;
    }
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return false;
    if (number < std::numeric_limits<qint32>::min() ||
        number > qlonglong(std::numeric_limits<quint32>::max())) {
        *data = QByteArray(8, '\0');
        qToLittleEndian(quint64(number), data->data());
        return true;
    }
    *data = DwordBytes(quint32(number));
    return true;
}

std::unique_ptr<QSettings> OpenSettingsFile(const QString& filePath)
{
    if (!filePath.isEmpty())
        return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Tarvolt"), QStringLiteral("Scrivlet"));
}

bool ReadSettingsFile(const QString& filePath, const QString& subkey, const QString& name,
                      QByteArray* data)
{
    const auto settings = OpenSettingsFile(filePath);
    if (settings->status() != QSettings::NoError)
        return false;
    const QString key = SettingsFileKey(subkey, name);
    if (!settings->contains(key))
        return false;
    return VariantBytes(settings->value(key), data);
}

bool WriteSettingsFile(const QString& filePath, const QString& subkey, const QString& name,
                       quint32 value)
{
    const auto settings = OpenSettingsFile(filePath);
    if (settings->status() != QSettings::NoError || !settings->isWritable())
        return false;
    settings->setValue(SettingsFileKey(subkey, name), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

#ifdef Q_OS_WIN
bool ReadRegistry(const QString& subkey, const QString& name, QByteArray* data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(subkey.utf16()), 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return false;
    BYTE buffer[kSettingValueBytes] = {};
    DWORD size = sizeof buffer;
    // A longer value fails with ERROR_MORE_DATA and so counts as missing.
    const LONG result = RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(name.utf16()), nullptr,
                                         nullptr, buffer, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    *data = QByteArray(reinterpret_cast<const char*>(buffer), int(size));
    return true;
}

bool WriteRegistry(const QString& subkey, const QString& name, quint32 value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(subkey.utf16()), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD dword = value;
    const LONG result = RegSetValueExW(key, reinterpret_cast<LPCWSTR>(name.utf16()), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&dword), sizeof dword);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
#endif

}  // namespace

// --- PlatformSettingStore ------------------------------------------------------------------

PlatformSettingStore::PlatformSettingStore(const QString& filePath) : filePath_(filePath) {}

bool PlatformSettingStore::ReadValue(const QString& subkey, const QString& name, QByteArray* data)
{
#ifdef Q_OS_WIN
    if (filePath_.isEmpty())
        return ReadRegistry(subkey, name, data);
#endif
    return ReadSettingsFile(filePath_, subkey, name, data);
}

bool PlatformSettingStore::WriteDword(const QString& subkey, const QString& name, quint32 value)
{
#ifdef Q_OS_WIN
    if (filePath_.isEmpty())
        return WriteRegistry(subkey, name, value);
#endif
    return WriteSettingsFile(filePath_, subkey, name, value);
}

// --- MemorySettingStore --------------------------------------------------------------------

bool MemorySettingStore::ReadValue(const QString& subkey, const QString& name, QByteArray* data)
{
    ++readCount;
    if (failReads)
        return false;
    const auto it = values_.constFind(MemoryKey(subkey, name));
    if (it == values_.constEnd())
        return false;
    *data = *it;
    return true;
}

bool MemorySettingStore::WriteDword(const QString& subkey, const QString& name, quint32 value)
{
    if (failWrites)
        return false;
    values_.insert(MemoryKey(subkey, name), DwordBytes(value));
    ++writeCount;
    return true;
}

void MemorySettingStore::SetRaw(const QString& subkey, const QString& name, const QByteArray& data)
{
    values_.insert(MemoryKey(subkey, name), data);
}

bool MemorySettingStore::Contains(const QString& subkey, const QString& name) const
{
    return values_.contains(MemoryKey(subkey, name));
}

quint32 MemorySettingStore::Dword(const QString& subkey, const QString& name,
                                  quint32 fallback) const
{
    const QByteArray data = values_.value(MemoryKey(subkey, name));
    if (data.size() != kSettingValueBytes)
        return fallback;
    return qFromLittleEndian<quint32>(data.constData());
}

// --- RegistrySetting -----------------------------------------------------------------------

RegistrySetting::RegistrySetting(const QString& fullPath, quint32 defaultValue, bool alwaysReread,
                                 SettingStore* store)
    : store_(store), default_(defaultValue), alwaysReread_(alwaysReread)
{
    SplitPath(fullPath, &subkey_, &valueName_);
    Read();
}

void RegistrySetting::SplitPath(const QString& fullPath, QString* subkey, QString* valueName)
{
    const QChar backslash = QLatin1Char('\\');
    auto trimmed = [backslash](QString s) {
        qsizetype begin = 0;
        qsizetype end = s.size();
        while (begin < end && s[begin] == backslash)
            ++begin;
        while (end > begin && s[end - 1] == backslash)
            --end;
        return s.mid(begin, end - begin);
    };
    QString path = fullPath;
    while (path.endsWith(backslash))
        path.chop(1);
    const qsizetype split = path.lastIndexOf(backslash);
    if (split < 0) {
        subkey->clear();
        *valueName = trimmed(path);
        return;
    }
    *subkey = trimmed(path.left(split));
    *valueName = trimmed(path.mid(split + 1));
}

quint32 RegistrySetting::Read()
{
    QByteArray data;
    if (!store_->ReadValue(subkey_, valueName_, &data) || data.size() > kSettingValueBytes)
        return default_;
    // A shorter value fills only the low bytes, as a query into the 4-byte cache would.
    uchar bytes[kSettingValueBytes];
    qToLittleEndian(cached_, bytes);
    std::memcpy(bytes, data.constData(), size_t(data.size()));
    cached_ = qFromLittleEndian<quint32>(bytes);
    loaded_ = true;
    return cached_;
}

void RegistrySetting::Write()
{
    if (store_->WriteDword(subkey_, valueName_, cached_))
        loaded_ = true;
}

quint32 RegistrySetting::Get()
{
    if (!loaded_ || alwaysReread_)
        return Read();
    return cached_;
}

void RegistrySetting::Set(quint32 value)
{
    if (value == cached_ && !alwaysReread_)
        return;
    cached_ = value;
    Write();
}

// --- the process-wide settings -------------------------------------------------------------

namespace {

struct Settings {
    PlatformSettingStore platformStore;
    SettingStore* store = &platformStore;
    std::unique_ptr<RegistrySetting> language;
    std::unique_ptr<RegistrySetting> lastEncoding;
};

Settings& TheSettings()
{
    static Settings settings;
    return settings;
}

std::unique_ptr<RegistrySetting> MakeSetting(const QString& name, quint32 defaultValue,
                                             SettingStore* store)
{
    return std::make_unique<RegistrySetting>(SettingsKey() + QLatin1Char('\\') + name, defaultValue,
                                             false, store);
}

}  // namespace

RegistrySetting& LanguageSetting()
{
    Settings& s = TheSettings();
    if (!s.language)
        s.language = MakeSetting(LanguageValueName(), kDefaultLanguageId, s.store);
    return *s.language;
}

RegistrySetting& LastEncodingSetting()
{
    Settings& s = TheSettings();
    if (!s.lastEncoding)
        s.lastEncoding = MakeSetting(LastEncodingValueName(), kDefaultEncodingIndex, s.store);
    return *s.lastEncoding;
}

void UseSettingStore(SettingStore* store)
{
    Settings& s = TheSettings();
    s.store = store ? store : &s.platformStore;
    s.language = MakeSetting(LanguageValueName(), kDefaultLanguageId, s.store);
    s.lastEncoding = MakeSetting(LastEncodingValueName(), kDefaultEncodingIndex, s.store);
}

}  // namespace scrivlet
