#include "shell/DialogHost.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "documents/FileTypes.h"
#include "shell/MessageBoxes.h"

#include <QFileDialog>
#include <QFileInfo>

namespace scrivlet {

namespace {

// The extension a Save As name gets when typed without one, after the selected type entry.
QString SuffixForFilter(const FileDialogRequest& request, int filterIndex)
{
    if (filterIndex >= 0 && filterIndex < request.filters.size() &&
        !request.filters[filterIndex].suffix.isEmpty())
        return request.filters[filterIndex].suffix;
    const QString suffix = request.documents ? FileTypeSuffix(filterIndex) : QString();
    return suffix.isEmpty() ? request.defaultSuffix : suffix;
}

FileDialogAnswer RunFileDialog(const FileDialogRequest& request)
{
    const bool save = request.kind == FileDialogKind::SaveAs;
    QFileDialog dialog(request.parent);
    dialog.setObjectName(save ? QStringLiteral("saveAsDialog") : QStringLiteral("openDialog"));
    // The panel needs Qt's own dialog; the list shows the descriptions as they are written.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save              ? QFileDialog::AnyFile
                       : request.documents ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    QStringList nameFilters;
    for (const FileFilter& filter : request.filters)
        nameFilters << NameFilterOf(filter);
    dialog.setNameFilters(nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    if (!request.start.isEmpty()) {
        dialog.setDirectory(QFileInfo(request.start).absolutePath());
        if (save)
            dialog.selectFile(QFileInfo(request.start).fileName());
    }
    if (save) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, &nameFilters, &request](const QString& filter) {
                             dialog.setDefaultSuffix(
                                 SuffixForFilter(request, int(nameFilters.indexOf(filter))));
                         });
    }
    FileOptionsPanel* panel = nullptr;
    if (request.documents) {
        panel = new FileOptionsPanel(request.panel, &dialog);
        panel->AttachTo(&dialog);
    }

    FileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted)
        return answer;
    answer.files = dialog.selectedFiles();
    if (answer.files.isEmpty())
        return answer;
    answer.accepted = true;
    answer.filterIndex = std::max(0, int(nameFilters.indexOf(dialog.selectedNameFilter())));
    if (panel) {
        answer.formatIndex = panel->FormatIndex();
        answer.encodingIndex = panel->EncodingIndex();
    }
    if (save)
        answer.files = answer.files.mid(0, 1);
    return answer;
}

}  // namespace

FileDialogAnswer QtDialogHost::GetOpenFileNames(const FileDialogRequest& request)
{
    return RunFileDialog(request);
}

FileDialogAnswer QtDialogHost::GetSaveFileName(const FileDialogRequest& request)
{
    return RunFileDialog(request);
}

QString QtDialogHost::GetExistingDirectory(QWidget* parent, const QString& title,
                                           const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

bool QtDialogHost::RunWizard(QWidget* parent, int pageSet, WizardSelection& selection)
{
    FormatWizard wizard(pageSet, catalogue_, parent);
    wizard.SetSelection(selection);
    if (wizard.exec() != QDialog::Accepted)
        return false;
    selection = wizard.Selection();
    return true;
}

QMessageBox::StandardButton QtDialogHost::Ask(QWidget* parent, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::Icon icon, const QString& caption)
{
    return ShowMessageBox(parent, icon, caption, text, buttons);
}

QMessageBox::StandardButton QtDialogHost::AskWithCheckBox(QWidget* parent, const QString& text,
                                                          const QString& checkText, bool* checked,
                                                          QMessageBox::StandardButtons buttons,
                                                          QMessageBox::Icon icon,
                                                          const QString& caption)
{
    return ShowMessageBox(parent, icon, caption, text, buttons, checkText, checked);
}

bool HostPrompts::AskOpenInvalidSize(const QString& path, qint64 fileSize, qint64 recordBytes)
{
    declined_ = host_.Ask(parent_, InvalidSizeQuestion(path, fileSize, recordBytes),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                          AppCaption()) != QMessageBox::Yes;
    return !declined_;
}

void HostPrompts::NotifyTextTooLong()
{
    host_.ShowMessage(parent_, UiText(str::TextTooLong), QMessageBox::Information, AppCaption());
}

}  // namespace scrivlet
