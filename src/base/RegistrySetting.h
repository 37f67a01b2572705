#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The program's two persistent settings: 32-bit values stored per user (the registry on
// Windows, a settings file elsewhere) and cached in memory. Storage errors are never
// reported: a value that cannot be read yields its default.

namespace scrivlet {

// Where the values live. Subkeys use "\" as the registry does.
class SettingStore {
public:
    virtual ~SettingStore() = default;
    // The stored bytes of a value (a 32-bit value is 4 little-endian bytes); false when the
    // key or the value is missing or cannot be read.
    virtual bool ReadValue(const QString& subkey, const QString& name, QByteArray* data) = 0;
    // Creates the key when needed and stores a 32-bit value; false when nothing was stored.
    virtual bool WriteDword(const QString& subkey, const QString& name, quint32 value) = 0;
};

// The store of the platform: HKEY_CURRENT_USER on Windows, otherwise a QSettings file of
// organisation "Tarvolt", application "Scrivlet" in the user's configuration folder.
class PlatformSettingStore : public SettingStore {
public:
    // A non-empty filePath puts the values into that settings file instead, on every
    // platform.
    explicit PlatformSettingStore(const QString& filePath = QString());

    bool ReadValue(const QString& subkey, const QString& name, QByteArray* data) override;
    bool WriteDword(const QString& subkey, const QString& name, quint32 value) override;

private:
    QString filePath_;
};

// A store in memory, for tests: values can be planted in any size, and reads or writes can
// be made to fail.
class MemorySettingStore : public SettingStore {
public:
    bool ReadValue(const QString& subkey, const QString& name, QByteArray* data) override;
    bool WriteDword(const QString& subkey, const QString& name, quint32 value) override;

    void SetRaw(const QString& subkey, const QString& name, const QByteArray& data);
    bool Contains(const QString& subkey, const QString& name) const;
    // The stored value as a 32-bit number; fallback when absent or not 4 bytes long.
    quint32 Dword(const QString& subkey, const QString& name, quint32 fallback = 0) const;

    bool failReads = false;
    bool failWrites = false;
    int readCount = 0;
    int writeCount = 0;  // successful writes only

private:
    QHash<QString, QByteArray> values_;
};

// Maximum size of a stored value; anything longer counts as missing.
constexpr int kSettingValueBytes = 4;

class RegistrySetting {
public:
    // fullPath holds subkey and value name, as "Software\Tarvolt\Scrivlet\LanguageID". The
    // store must outlive the setting. Reads the store at once.
    RegistrySetting(const QString& fullPath, quint32 defaultValue, bool alwaysReread,
                    SettingStore* store);

    // The stored value, or the default when there is none.
    quint32 Read();
    // Stores the cached value.
    void Write();
    quint32 Get();
    void Set(quint32 value);

    const QString& Subkey() const { return subkey_; }
    const QString& ValueName() const { return valueName_; }
    quint32 Default() const { return default_; }
    quint32 CachedValue() const { return cached_; }
    bool IsLoaded() const { return loaded_; }

    // Splits at the last backslash after trailing backslashes are gone; both parts lose
    // their leading and trailing backslashes.
    static void SplitPath(const QString& fullPath, QString* subkey, QString* valueName);

private:
    SettingStore* store_;
    QString subkey_;
    QString valueName_;
    quint32 cached_ = 0;
    quint32 default_;
    bool loaded_ = false;
    bool alwaysReread_;
};

// The settings key and the two values of the program.
inline QString SettingsKey()
{
    return QStringLiteral("Software\\Tarvolt\\Scrivlet");
}
inline QString LanguageValueName()
{
    return QStringLiteral("LanguageID");
}
inline QString LastEncodingValueName()
{
    return QStringLiteral("LastEncodingIndex");
}
constexpr quint32 kDefaultLanguageId = 2048;
constexpr quint32 kDefaultEncodingIndex = 0;

// The process-wide settings, made (and read) on first use.
RegistrySetting& LanguageSetting();
RegistrySetting& LastEncodingSetting();

// Remakes both settings over another store, which they read at once; null returns to the
// platform store. For tests and for tools that must not touch the user's settings.
void UseSettingStore(SettingStore* store);

}  // namespace scrivlet
