#pragma once

#include "session/Settings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

// A settings file of the test's own, so that no test reads or writes the user's settings.
// Values are read and planted under the keys the settings files have always had.
class TemporarySettings {
public:
    TemporarySettings() { Reset(); }

    // Starts over with nothing stored; the program's settings use the new file from now on.
    // A new name each time: QSettings caches files by name, size and time.
    void Reset()
    {
        path_ = dir_.filePath(QStringLiteral("Scrivlet-%1.conf").arg(++generation_));
        Restart();
    }
    // What a restart of the program does: the settings forget what they read.
    void Restart() const { scrivlet::UseSettingsFile(path_); }

    const QString& Path() const { return path_; }
    // What is stored under a value name ("LanguageID"); invalid when nothing is.
    QVariant Stored(const QString& name) const
    {
        return QSettings(path_, QSettings::IniFormat).value(Key(name));
    }
    // Stores a value as an earlier run would have, then restarts.
    void Plant(const QString& name, const QVariant& value) const
    {
        QSettings(path_, QSettings::IniFormat).setValue(Key(name), value);
        Restart();
    }

private:
    static QString Key(const QString& name)
    {
        return QStringLiteral("Software/Tarvolt/Scrivlet/") + name;
    }

    QTemporaryDir dir_;
    QString path_;
    int generation_ = 0;
};
