#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The program's persistent settings, kept per user through QSettings (organisation
// "Tarvolt", application "Scrivlet": the registry on Windows, an INI file in the user's
// configuration folder elsewhere): the interface language, a 32-bit value cached in memory,
// the list of recent files and the main window's geometry. Storage errors are never
// reported: a value that cannot be read yields its default.

namespace scrivlet {

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
Setting& LastEncodingSetting();

// The interface language's code ("en", "de", "pl", "ru"); empty for the system's. A locale
// number that earlier versions stored instead is read once and rewritten as its code.
QString InterfaceLanguage();
void SetInterfaceLanguage(const QString& code);

// A file opened or saved lately, with what it was read or written as.
struct RecentFile {
    QString path;
    int format = -1;  // index in the catalogue
    int encoding = 0;
    int fileType = 0;
};
constexpr int kMaxRecentFiles = 10;

// Newest first; entries without a path are left out.
QList<RecentFile> RecentFiles();
// Puts file first, in place of an entry of the same path, and keeps at most kMaxRecentFiles.
void RememberRecentFile(const RecentFile& file);
// Removes the entry of path; an empty path clears the list.
void ForgetRecentFile(const QString& path);

// Project files opened or made lately, newest first, at most kMaxRecentFiles.
QStringList RecentProjects();
void RememberRecentProject(const QString& path);
// An empty path clears the list.
void ForgetRecentProject(const QString& path);

// The translation memory used outside a project: an SQLite file or a "postgresql://" string;
// empty for none.
QString MemoryLocation();
void SetMemoryLocation(const QString& location);
// How long a memory server may keep silent before the editor gives up on it, in seconds.
constexpr int kDefaultMemoryTimeout = 10;
constexpr int kMaxMemoryTimeout = 3600;
// The stored value, kept within 1..kMaxMemoryTimeout; the default while none is stored.
int MemoryTimeout();
void SetMemoryTimeout(int seconds);

// The names of the quality checks switched off outside a project ("placeholders", ...).
QStringList DisabledChecks();
void SetDisabledChecks(const QStringList& names);
// The language spelling is checked in outside a project ("en", "de", "pl", "ru"); empty: off.
QString SpellingLanguage();
void SetSpellingLanguage(const QString& code);
// Words spelling accepts outside a project besides the dictionary's.
QStringList UserWordList();
void SetUserWordList(const QStringList& words);

// What was open when the main window last closed: the project, and each document with its
// reference (a document of the project finds its own), its selected cell and which was active.
struct SessionDocument {
    RecentFile file;
    RecentFile reference;  // no path: none, or the project's original
    int record = -1, column = -1;
};
struct LastSession {
    QString project;
    QList<SessionDocument> documents;
    int active = -1;
};
LastSession StoredSession();
void StoreSession(const LastSession& session);
// Whether the editor opens the last session again on start; on until turned off.
bool ReopenSessionOnStart();
void SetReopenSessionOnStart(bool reopen);

// QWidget::saveGeometry of the main window; empty until one was stored.
QByteArray WindowGeometry();
void SetWindowGeometry(const QByteArray& geometry);

// Keeps the settings in this INI file instead of the user's store, and forgets what was read;
// an empty path returns to the user's store. For tests and tools that must not touch the
// user's settings.
void UseSettingsFile(const QString& path);

}  // namespace scrivlet
