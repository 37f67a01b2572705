#pragma once

#include "documents/DocumentFiles.h"
#include "search/Replace.h"
#include "shell/FormatWizard.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

// The document commands of the main window: New, Open, Save, Save As, Save All As, Close and
// Close All, with the shell state they share. They reach the documents through DocumentTabs
// and every dialog and prompt through a DialogHost.

namespace scrivlet {

class DialogHost;
class DocumentSession;
class DocumentTabs;
class EdtDocument;
class FormatCatalogue;
class FormatDetector;
class QtDialogHost;
struct FileDialogAnswer;
struct PanelSetup;
struct RecentFile;

// Kept for the life of the process, never stored.
struct ShellState {
    // The type entry of the last file dialog; after an open, the type of the last file.
    int lastFileType = 0;
    int chosenFormat = -1;  // format picked in the last file dialog's panel; -1 automatic
    QString saveAllStart;   // the folder the previous Save All As started in
};

class DocumentCommands {
public:
    explicit DocumentCommands(DocumentTabs& tabs);
    ~DocumentCommands();
    DocumentCommands(const DocumentCommands&) = delete;
    DocumentCommands& operator=(const DocumentCommands&) = delete;

    // Null brings back the Qt dialogs.
    void SetDialogHost(DialogHost* host);
    ShellState& State() { return state_; }
    DialogHost& Host() { return *host_; }

    // Takes a file to open before the commands here do: true when it opened it its own way
    // (a translation of the open project, with its original). Every way in asks it first.
    using OpenElsewhere = std::function<bool(const QString& path)>;
    void SetOpenElsewhere(OpenElsewhere open) { openElsewhere_ = std::move(open); }

    void New();
    void Open();
    // Opens files named outside the Open dialog (command line, drop) as Open does: in format,
    // or with automatic detection for -1; in encoding, or the remembered one for -1 (another
    // is not remembered). A path that names no file is reported and skipped.
    void OpenFiles(const QStringList& paths, int format = -1, int encoding = -1);
    // The files of a drop, opened as OpenFiles does once the drop has ended; folders and
    // anything else that is no file are left out with a beep. False when no file is among
    // them (the drop is refused).
    bool OpenDropped(const QList<QUrl>& urls);
    // Reopens a file of the recent list in the format, encoding and type it had (no wizard);
    // an entry whose file is gone is reported and leaves the list.
    void OpenRecent(const RecentFile& entry);
    // True when the document of tab index was saved.
    bool Save(int index);
    bool SaveAs(int index);
    void SaveAllAs();
    // Asks for a file to compare document with and reads it in document's format; null when
    // cancelled or unreadable (then told).
    std::unique_ptr<EdtDocument> AskReference(const EdtDocument& document);
    // True when the tab was closed.
    bool Close(int index);
    // Another program changed the session's file: an unedited document is offered a reload
    // in place, an edited one is warned.
    void FileChanged(DocumentSession& session);
    // Closes from the last tab to the first and stops at the first that stays open; true
    // when no tab is left.
    bool CloseAll();

private:
    const FormatCatalogue& Catalogue() const;
    bool IsFormat(int format) const;
    QWidget* Owner() const;
    void ApplyPanel(const PanelSetup& setup, const FileDialogAnswer& answer);
    // One file of an open in format (-1: detected); false when it was skipped or could not be
    // loaded.
    bool OpenFile(const QString& path, int fileType, int format, int encoding,
                  const FormatDetector& detector, WizardSelection& wizard, int& acceptedFormat);
    // Loads path, asking about a size that is no whole number of records; *declined tells
    // that the user answered No.
    LoadResult Load(const QString& path, int fileType, int format, int encoding, bool* declined);
    // Shows a loaded document in a new tab and tells what the load passed over.
    void AddOpened(LoadResult loaded);
    void ReportOpenFailed(const QString& path, const QString& reason = QString());
    void ReportSaveFailed(const QString& path, const QString& reason);
    // The document of tab index was just written: its file is followed as it is now, and the
    // session tells it.
    void Saved(int index);
    // A document about to be saved and where to.
    struct PlannedSave {
        const EdtDocument* document;
        TextStorage storage;
        QString name;
    };
    // Asks once before saves would change characters; true to save.
    bool ConfirmStorable(const std::vector<PlannedSave>& saves);
    // Writes the document of tab index with write. Characters storage cannot keep are first
    // replaced in the document by what the file will hold, as one undo step that a failed
    // write takes back: the document then shows what was saved.
    Result WriteStorable(int index, const TextStorage& storage,
                         const std::function<Result()>& write);

    DocumentTabs& tabs_;
    ShellState state_;
    std::unique_ptr<QtDialogHost> qtHost_;
    DialogHost* host_;
    OpenElsewhere openElsewhere_;
    // Sessions whose file change is being asked about.
    QSet<const DocumentSession*> asking_;
};

}  // namespace scrivlet
