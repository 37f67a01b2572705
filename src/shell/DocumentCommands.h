#pragma once

#include "shell/FormatWizard.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <memory>

// The document commands of the main window: New, Open, Save, Save As, Save All As, Close and
// Close All, with the shell state they share. Every dialog and prompt goes through a
// DialogHost.

namespace scrivlet {

class DialogHost;
class DocumentTab;
class FormatDetector;
class MainFrame;
class QtDialogHost;
class RecordGrid;
struct FileDialogAnswer;
struct PanelSetup;

// Kept for the life of the process, never stored.
struct ShellState {
    int lastFileType =
        0;  // the type entry of the last file dialog; after an open, the last file's type
    int chosenFormat = -1;         // format picked in the last file dialog's panel; -1 automatic
    bool formatConfirmed = false;  // a format was accepted in the wizard during an open
    QPointer<DocumentTab> beingSaved;
    QString saveAllStart;  // the folder the previous Save All As started in
};

// The type of a file opened with the type entry typeEntry (0 all supported, 1 EDT, 2 text):
// the entry's own, or for "all supported" the extension (".edt" in any case is EDT).
int FileTypeForOpen(int typeEntry, const QString& path);

// The file a Save As writes and its type. "All supported" takes the type from the name's
// extension (".txt" in any case is text, anything else EDT); a name without extension gets
// the one of its type.
struct SaveTarget {
    QString path;
    int fileType = 0;
};
SaveTarget ResolveSaveTarget(const QString& chosen, int typeEntry);

// Where Save All As writes a document: folder, the document's name without its extension
// (a never-saved document is named after its tab title), then the type's extension, or for
// fileType 0 the document's own.
QString SaveAllOutputPath(const QString& folder, const RecordGrid& grid, const QString& tabTitle,
                          int fileType);
// path itself when no file of this run has it yet, otherwise "name (2).ext", "name (3).ext"...
QString UniqueOutputPath(const QString& path, const QSet<QString>& taken);
// The form in which paths are compared (case-insensitively where the file system is).
QString OutputPathKey(const QString& path);

class DocumentCommands : public QObject {
    Q_OBJECT

public:
    explicit DocumentCommands(MainFrame* frame);
    ~DocumentCommands() override;

    // Null brings back the Qt dialogs.
    void SetDialogHost(DialogHost* host);
    DialogHost& Host() const { return *host_; }
    ShellState& State() { return state_; }

    void New();
    void Open();
    bool Save(DocumentTab* tab);
    bool SaveAs(DocumentTab* tab);
    void SaveAllAs();
    bool Close(DocumentTab* tab);
    bool CloseAll();

private:
    QWidget* Owner() const;
    void ApplyPanel(const PanelSetup& setup, const FileDialogAnswer& answer);
    // One file of an open; false when it was skipped or could not be loaded.
    bool OpenFile(const QString& path, int fileType, const FormatDetector& detector,
                  WizardSelection& wizard, int& acceptedFormat);
    // A fresh grid loaded from path, or null.
    std::unique_ptr<RecordGrid> Load(const QString& path, int fileType, int format);
    void ReportOpenFailed(const QString& path);
    void ReportSaveFailed(const QString& path);

    MainFrame* frame_;
    ShellState state_;
    std::unique_ptr<QtDialogHost> qtHost_;
    DialogHost* host_;
};

}  // namespace scrivlet
