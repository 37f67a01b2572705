#pragma once

// Shared by the shell tests: a fresh environment per test (settings, language, a catalogue of
// small formats, a folder), .edt bytes made independently of the readers, and a dialog host
// that answers from a script and records every question.

#include "SettingsTestSupport.h"
#include "TestDocument.h"
#include "session/DocumentSession.h"
#include "shell/DialogHost.h"
#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>

namespace scrivlet::test {

// Records of recordLength units: a label column and one text field that fills the record.
inline EdtFormat OneFieldFormat(const QString& name, const QString& path, int recordLength = 4)
{
    EdtFormat format = MakeFormat(
        recordLength,
        {LabelField(QStringLiteral("No.")), TextField(QStringLiteral("Text"), 0, recordLength)});
    format.name = name, format.path = path;
    return format;
}

// A path pattern that matches file names containing word, with one group around it.
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
            const quint16 unit = i < text.size() ? text[i].unicode() : 0;
            char le[2];
            qToLittleEndian(quint16(unit >= 33 ? unit + 1 : unit), le);
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

// A command as the user picks it: the idle update has set the enabled states first.
inline void Run(MainFrame& frame, Command command)
{
    frame.UpdateUi();
    frame.Action(command)->trigger();
}

inline void ShowAndWait(QWidget& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// A tab over a document of one text field of size units per record.
inline EdtDocument* AddDocument(MainFrame& frame, const Rows& rows, int size = 4,
                                const QString& name = QStringLiteral("doc.edt"))
{
    return frame.DocumentAt(frame.AddDocument(
        MakeDocument(OneFieldFormat(QStringLiteral("F"), QString(), size), rows), name));
}

// Makes a tab's document modified or saved, as an edit no step covers or a save would.
inline void SetModified(MainFrame& frame, int index, bool modified)
{
    DocumentSession* session = frame.SessionAt(index);
    modified ? session->MarkChanged() : session->MarkSaved();
}

// What every shell test starts from: English, no stored settings, a fresh folder, and the
// formats "Dialog" (files named *dlg*, records of 4 units) and "Items" (*item*, 10 units).
struct ShellEnvironment {
    TemporarySettings settings;
    std::unique_ptr<QTemporaryDir> dir;

    void Reset(int itemsLength = 10)
    {
        QApplication::setQuitOnLastWindowClosed(false);
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        settings.Reset();
        SetUiLanguage(UiLanguage::English);
        UseFormats({OneFieldFormat(QStringLiteral("Dialog"), NamePattern(QStringLiteral("dlg"))),
                    OneFieldFormat(QStringLiteral("Items"), NamePattern(QStringLiteral("item")),
                                   itemsLength)});
    }
    QString Path(const QString& name) const { return dir->filePath(name); }
};

// What the scripted user does in a wizard: cancel, or Finish after choosing (kKeep leaves
// the page's selection as shown).
constexpr int kKeep = -2;
struct WizardAnswer {
    bool accept = true;
    int format = kKeep;
    int fileType = kKeep;
    int encoding = kKeep;
};

class ScriptedHost : public DialogHost {
public:
    QList<FileDialogAnswer> fileAnswers;  // an empty answer is Cancel
    QList<FileDialogRequest> fileRequests;
    QStringList folderAnswers;
    QList<WizardAnswer> wizardAnswers;
    QList<QPair<int, WizardSelection>> wizardCalls;  // page set, the selection shown
    QList<QMessageBox::StandardButton> answers;      // Ok when none is queued
    QStringList questions;                           // the texts asked
    int unexpected = 0;                              // dialogs that found nothing queued
    // The states the user leaves check boxes in (as shown when none is queued); each check
    // box's label and state as shown.
    QList<bool> checks;
    QList<QPair<QString, bool>> checkBoxes;

    FileDialogAnswer GetOpenFileNames(const FileDialogRequest& r) override { return NextFile(r); }
    FileDialogAnswer GetSaveFileName(const FileDialogRequest& r) override { return NextFile(r); }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&) override
    {
        unexpected += folderAnswers.isEmpty();
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    bool RunWizard(QWidget*, int pageSet, WizardSelection& selection) override
    {
        wizardCalls.append({pageSet, selection});
        unexpected += wizardAnswers.isEmpty();
        const WizardAnswer answer =
            wizardAnswers.isEmpty() ? WizardAnswer{false} : wizardAnswers.takeFirst();
        for (auto [chosen, kept] : {std::pair{answer.format, &selection.format},
                                    {answer.fileType, &selection.fileType},
                                    {answer.encoding, &selection.encoding}}) {
            if (answer.accept && chosen != kKeep)
                *kept = chosen;
        }
        return answer.accept;
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString& text, QMessageBox::StandardButtons,
                                    QMessageBox::Icon, const QString&) override
    {
        questions.append(text);
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    }
    QMessageBox::StandardButton AskWithCheckBox(QWidget* parent, const QString& text,
                                                const QString& checkText, bool* checked,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon,
                                                const QString& caption) override
    {
        checkBoxes.append({checkText, *checked});
        if (!checks.isEmpty())
            *checked = checks.takeFirst();
        return Ask(parent, text, buttons, icon, caption);
    }

    // An accepted file dialog; an encoding of -1 leaves the panel's as shown.
    void QueueFiles(const QStringList& files, int filterIndex = 0, int encodingIndex = -1)
    {
        fileAnswers.append({true, files, filterIndex, 0, encodingIndex});
    }
    bool Drained() const
    {
        return unexpected == 0 && fileAnswers.isEmpty() && folderAnswers.isEmpty() &&
               wizardAnswers.isEmpty() && answers.isEmpty() && checks.isEmpty();
    }

private:
    FileDialogAnswer NextFile(const FileDialogRequest& request)
    {
        fileRequests.append(request);
        unexpected += fileAnswers.isEmpty();
        FileDialogAnswer answer =
            fileAnswers.isEmpty() ? FileDialogAnswer{} : fileAnswers.takeFirst();
        if (answer.encodingIndex < 0)
            answer.encodingIndex = request.panel.encodingIndex;
        if (request.kind == FileDialogKind::SaveAs)
            answer.formatIndex = request.panel.formatIndex;
        return answer;
    }
};

// Answers the modal dialogs of a command in order, each once it is the active modal widget.
// A step that waits more than ten seconds, or a dialog that nobody answers for as long, fails
// the script and rejects the dialog, so that a broken flow cannot hang the test.
class ModalScript : public QObject {
public:
    ModalScript()
    {
        clock_.start();
        startTimer(10);
    }

    template <class Dialog>
    ModalScript& Then(std::function<void(Dialog*)> act)
    {
        steps_.append([act](QWidget* modal) {
            auto* dialog = qobject_cast<Dialog*>(modal);
            // Outside the timer's event: an answer may open a nested dialog.
            if (dialog)
                QTimer::singleShot(0, dialog, [act, dialog] { act(dialog); });
            return dialog != nullptr;
        });
        return *this;
    }
    bool Finished() const { return steps_.isEmpty() && !failed_; }

protected:
    void timerEvent(QTimerEvent*) override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != shown_) {
            shown_ = modal;
            shownFor_.start();
        }
        const bool stuck = modal && shownFor_.elapsed() > 10000;
        failed_ = failed_ || stuck || (!steps_.isEmpty() && clock_.elapsed() > 10000);
        if (stuck) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        } else if (modal && modal != last_ && modal->isVisible() && !steps_.isEmpty() &&
                   steps_.first()(modal)) {
            steps_.removeFirst();
            last_ = modal;
            clock_.restart();
        }
    }

private:
    QList<std::function<bool(QWidget*)>> steps_;
    QPointer<QWidget> last_, shown_;
    QElapsedTimer clock_, shownFor_;
    bool failed_ = false;
};

}  // namespace scrivlet::test
