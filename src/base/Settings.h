#pragma once

#include <QString>

#include <utility>

// The program's two persistent settings: 32-bit values kept per user through QSettings
// (organisation "Tarvolt", application "Scrivlet": the registry on Windows, an INI file in the
// user's configuration folder elsewhere) and cached in memory. Storage errors are never
// reported: a value that cannot be read yields its default.

namespace scrivlet {

constexpr quint32 kDefaultLanguageId = 2048;
constexpr quint32 kDefaultEncodingIndex = 0;

class Setting {
public:
    Setting(QString name, quint32 defaultValue) : name_(std::move(name)), default_(defaultValue) {}

    // The stored value, read on first use; the default while none can be read.
    quint32 Get();
    // Stores the value. One that cannot be stored is kept for this run only when an earlier
    // read or write had succeeded.
    void Set(quint32 value);

private:
    QString name_;
    quint32 default_;
    quint32 cached_ = 0;
    bool loaded_ = false;
};

// The process-wide settings.
Setting& LanguageSetting();
Setting& LastEncodingSetting();

// Keeps the settings in this INI file instead of the user's store, and forgets what was read;
// an empty path returns to the user's store. For tests and tools that must not touch the
// user's settings.
void UseSettingsFile(const QString& path);

}  // namespace scrivlet
