#pragma once

// Shared by the document command tests: a catalogue of small formats, .edt bytes made
// independently of the codec, and a dialog host that answers from a script and records
// every question.

#include "shell/DialogHost.h"
#include "catalogue/FormatCatalogue.h"
#include "shell/MainFrame.h"
#include "grid/RecordGrid.h"

#include <QFile>
#include <QList>
#include <QtEndian>

#include <optional>

namespace scrivlet::test {

// A format whose records are recordLength units with one label column and one text field
// that fills the record.
inline EdtFormat MakeFormat(const QString& name, const QString& path, int recordLength = 4)
{
    EdtFormat format;
    format.name = name;
    format.path = path;
    format.recordLength = recordLength;
    format.fields[0].caption = QStringLiteral("No.");
    format.fields[0].width = 40;
    format.fields[0].type = kLabelField;
    format.fields[1].caption = QStringLiteral("Text");
    format.fields[1].width = 120;
    format.fields[1].type = kTextField;
    format.fields[1].offset = 0;
    format.fields[1].size = recordLength;
    return format;
}

// A pattern that matches file names containing word, with one group around it.
inline QString NamePattern(const QString& word)
{
    return QStringLiteral("(?:.*[\\\\/])?[^\\\\/]*(%1)[^\\\\/]*").arg(word);
}

// Frames made from now on load exactly these formats.
inline void UseFormats(const QList<EdtFormat>& formats)
{
    MainFrame::SetCatalogueLoader([formats](FormatCatalogue& catalogue, UiLanguage, QString*) {
        catalogue.Clear();
        for (const EdtFormat& format : formats)
            catalogue.Append(format);
        return true;
    });
}

// Records of one text field each, stored as every encoding stores ASCII: codes from 33 up
// shifted by one.
inline QByteArray EdtBytes(const QStringList& texts, int recordLength = 4)
{
    QByteArray bytes;
    for (const QString& text : texts) {
        for (int i = 0; i < recordLength; ++i) {
            quint16 unit = i < text.size() ? text[i].unicode() : 0;
            if (unit >= 33)
                ++unit;
            char le[2];
            qToLittleEndian(unit, le);
            bytes.append(le, 2);
        }
    }
    return bytes;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the scripted user does in a wizard: cancel, or Finish after choosing (a value of
// kKeep leaves the page's selection as shown).
constexpr int kKeep = -2;
struct WizardAnswer {
    bool accept = true;
    int format = kKeep;
    int fileType = kKeep;
    int encoding = kKeep;
};

class ScriptedHost : public DialogHost {
public:
    struct WizardCall {
        int pageSet;
        WizardSelection shown;
    };

    QList<FileDialogAnswer> fileAnswers;
    QList<FileDialogRequest> fileRequests;
    QStringList folderAnswers;
    int folderRequests = 0;
    QList<WizardAnswer> wizardAnswers;
    QList<WizardCall> wizardCalls;
    QList<QMessageBox::StandardButton> answers;  // Ok when none is queued
    QStringList questions;  // the texts asked
    int unexpected = 0;  // dialogs that found nothing queued

    FileDialogAnswer GetOpenFileNames(const FileDialogRequest& r) override { return NextFile(r); }
    FileDialogAnswer GetSaveFileName(const FileDialogRequest& r) override { return NextFile(r); }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&) override
    {
        ++folderRequests;
        unexpected += folderAnswers.isEmpty();
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    bool RunWizard(QWidget*, int pageSet, WizardSelection& selection) override
    {
        wizardCalls.append({pageSet, selection});
        if (wizardAnswers.isEmpty()) {
            ++unexpected;
            return false;
        }
        const WizardAnswer answer = wizardAnswers.takeFirst();
        if (!answer.accept)
            return false;
        if (answer.format != kKeep)
            selection.format = answer.format;
        if (answer.fileType != kKeep)
            selection.fileType = answer.fileType;
        if (answer.encoding != kKeep)
            selection.encoding = answer.encoding;
        return true;
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString& text, QMessageBox::StandardButtons,
                                    QMessageBox::Icon, const QString&) override
    {
        questions.append(text);
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    }

    // An accepted file dialog: the panel's encoding kept unless given, format automatic.
    void QueueFiles(const QStringList& files, int filterIndex = 0, int formatIndex = 0,
                    int encodingIndex = -1)
    {
        FileDialogAnswer answer;
        answer.accepted = true;
        answer.files = files;
        answer.filterIndex = filterIndex;
        answer.formatIndex = formatIndex;
        answer.encodingIndex = encodingIndex;
        fileAnswers.append(answer);
    }
    void QueueCancel() { fileAnswers.append(FileDialogAnswer()); }
    bool Drained() const
    {
        return unexpected == 0 && fileAnswers.isEmpty() && folderAnswers.isEmpty() &&
               wizardAnswers.isEmpty() && answers.isEmpty();
    }

private:
    FileDialogAnswer NextFile(const FileDialogRequest& request)
    {
        fileRequests.append(request);
        if (fileAnswers.isEmpty()) {
            ++unexpected;
            return FileDialogAnswer();
        }
        FileDialogAnswer answer = fileAnswers.takeFirst();
        // Unless the script says otherwise, the user leaves the panel as it was shown.
        if (answer.encodingIndex < 0)
            answer.encodingIndex = request.panel.encodingIndex;
        if (request.kind == FileDialogKind::SaveAs)
            answer.formatIndex = request.panel.formatIndex;
        return answer;
    }
};

}  // namespace scrivlet::test
