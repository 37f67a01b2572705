#pragma once

#include "documents/DocumentPrompts.h"
#include "shell/FileOptionsPanel.h"
#include "shell/FormatWizard.h"

#include <QMessageBox>
#include <QStringList>

// Every dialog and prompt of the document commands is reached through one DialogHost: the
// real one shows the Qt dialogs, a test answers from a script.

namespace scrivlet {

class FormatCatalogue;

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QWidget* parent = nullptr;
    QList<FileFilter> filters;
    QString defaultSuffix;  // without the dot
    PanelSetup panel;
    // Documents: the format and encoding panel, and several files at once on Open. Other files
    // (translations) have no format or encoding of ours and are taken one at a time.
    bool documents = true;
    QString start;  // a file the dialog starts at (its folder, and the name offered on Save As)
    QString title;  // empty: Qt's own for the kind of dialog
};

struct FileDialogAnswer {
    bool accepted = false;
    QStringList files;      // full paths, in the order the dialog gives them
    int filterIndex = 0;    // the type list's entry selected at OK
    int formatIndex = 0;    // position in the panel's format list
    int encodingIndex = 0;  // position in the panel's encoding list
};

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Several existing files; not accepted when the user cancels.
    virtual FileDialogAnswer GetOpenFileNames(const FileDialogRequest& request) = 0;
    // One file name, the overwrite question already answered.
    virtual FileDialogAnswer GetSaveFileName(const FileDialogRequest& request) = 0;
    // The chosen folder, or an empty string on cancel.
    virtual QString GetExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& start) = 0;
    // Shows the pages of pageSet starting from selection; on Finish stores the pages'
    // selections there and returns true. Cancel leaves selection as it was.
    virtual bool RunWizard(QWidget* parent, int pageSet, WizardSelection& selection) = 0;
    // A message box; an empty caption is the program's (AppCaption).
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon, const QString& caption) = 0;
    // The same with a check box labelled checkText under the text: shown as *checked, which
    // then holds the state the user left it in, whatever the button.
    virtual QMessageBox::StandardButton AskWithCheckBox(QWidget* parent, const QString& text,
                                                        const QString& checkText, bool* checked,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::Icon icon,
                                                        const QString& caption) = 0;

    void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                     const QString& caption = QString())
    {
        Ask(parent, text, QMessageBox::Ok, icon, caption);
    }
};

// The Qt dialogs: non-native file dialogs with the FileOptionsPanel, the folder browser, the
// FormatWizard over the global catalogue and message boxes through ShowMessageBox.
class QtDialogHost : public DialogHost {
public:
    // The wizard offers the formats of catalogue.
    explicit QtDialogHost(const FormatCatalogue& catalogue) : catalogue_(catalogue) {}
    FileDialogAnswer GetOpenFileNames(const FileDialogRequest& request) override;
    FileDialogAnswer GetSaveFileName(const FileDialogRequest& request) override;
    QString GetExistingDirectory(QWidget* parent, const QString& title,
                                 const QString& start) override;
    bool RunWizard(QWidget* parent, int pageSet, WizardSelection& selection) override;
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                    const QString& caption) override;
    QMessageBox::StandardButton AskWithCheckBox(QWidget* parent, const QString& text,
                                                const QString& checkText, bool* checked,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon,
                                                const QString& caption) override;

private:
    const FormatCatalogue& catalogue_;
};

// The codec's size question and over-long-text notice, asked through a host.
class HostPrompts : public DocumentPrompts {
public:
    HostPrompts(DialogHost& host, QWidget* parent) : host_(host), parent_(parent) {}
    bool AskOpenInvalidSize(const QString& path, qint64 fileSize, qint64 recordBytes) override;
    void NotifyTextTooLong() override;
    // The size question was answered No: the open was declined, not failed.
    bool Declined() const { return declined_; }

private:
    bool declined_ = false;
    DialogHost& host_;
    QWidget* parent_;
};

}  // namespace scrivlet
