#include "shell/MemoryExchangeCommands.h"

#include "base/UiText.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/Commands.h"
#include "shell/DialogHost.h"
#include "shell/DocumentCommands.h"
#include "shell/FrameParts.h"
#include "store/MemoryExchange.h"
#include "store/MemoryFeed.h"
#include "store/ProjectFile.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivlet {
namespace {

// The progress dialog of one import or export, shown at once and on top until it goes; its
// Cancel is heard at the next report.
class Progress {
public:
    Progress(QWidget* parent, const QString& label)
        : dialog_(label, UiText("memory.cancel"), 0, kSteps, parent)
    {
        dialog_.setObjectName(QStringLiteral("memoryProgress"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(0);
        // A reset at the end would forget a Cancel pressed at the last moment.
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
        dialog_.show();
    }
    MemoryProgress Hook()
    {
        return [this](qint64 done, qint64 total) {
            cancelled_ = cancelled_ || dialog_.wasCanceled();
            if (total > 0 && !cancelled_)
                dialog_.setValue(static_cast<int>(std::min(done, total) * kSteps / total));
            // setValue lets the dialog's Cancel be clicked.
            cancelled_ = cancelled_ || dialog_.wasCanceled();
            return !cancelled_;
        };
    }
    // After the job: whether the user stopped it (a stop is no failure to report).
    bool Cancelled()
    {
        dialog_.reset();
        return cancelled_;
    }

private:
    static constexpr int kSteps = 1000;
    QProgressDialog dialog_;
    bool cancelled_ = false;
};

// The memory's own languages, else those of the project's encodings, else the user's answer;
// empty when the user cancelled.
MemoryLanguages LanguagesFor(FrameParts& frame, TranslationMemory& memory, Result* failed)
{
    MemoryLanguages languages;
    if (*failed = memory.Languages(&languages); !*failed || !languages.IsEmpty())
        return languages;
    const Project& project = frame.Work().CurrentProject();
    if (project.IsOpen()) {
        const ProjectSettings& settings = project.File()->Settings();
        languages = LanguagesOfEncodings(settings.originalEncoding, settings.translationEncoding);
    }
    if (languages.IsEmpty() && !AskMemoryLanguages(frame.Window(), &languages))
        return {};
    return languages;
}

FileFilter TmxFilter()
{
    return {UiText("memory.tmxFilter"), {QStringLiteral("*.tmx")}, QStringLiteral("tmx")};
}

// The counts of an import, in the words of the converter's report.
QString ImportReport(const QString& path, const MemoryCounts& counts,
                     const MemoryImportNotes& notes, const MemoryLanguages& languages)
{
    const QLocale locale;
    QStringList lines{UiText("memory.importedReport")
                          .arg(QDir::toNativeSeparators(path), locale.toString(counts.segments),
                               locale.toString(counts.added), locale.toString(counts.duplicates))};
    if (notes.tmx.tooLarge > 0)
        lines << UiText("memory.importTooLarge").arg(locale.toString(notes.tmx.tooLarge));
    const bool tmx =
        QFileInfo(path).suffix().compare(QLatin1String("tmx"), Qt::CaseInsensitive) == 0;
    if (tmx && notes.tmx.taken == 0 && notes.tmx.tooLarge == 0) {
        const QString found = notes.tmx.languages.isEmpty()
                                  ? QStringLiteral("-")
                                  : notes.tmx.languages.join(QStringLiteral(", "));
        lines << QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                     UiText("memory.noUnitInLanguages")
                         .arg(languages.source, languages.target, found);
    }
    return lines.join(u'\n');
}

}  // namespace

bool AskMemoryLanguages(QWidget* parent, MemoryLanguages* languages)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("memoryLanguages"));
    dialog.setWindowTitle(UiText("memory.languagesTitle"));
    auto* explanation = new QLabel(UiText("memory.languagesLabel"), &dialog);
    explanation->setWordWrap(true);
    auto* source = new QLineEdit(languages->source, &dialog);
    source->setObjectName(QStringLiteral("sourceLanguage"));
    auto* target = new QLineEdit(languages->target, &dialog);
    target->setObjectName(QStringLiteral("targetLanguage"));
    auto* form = new QFormLayout;
    form->addRow(UiText("memory.sourceLanguage"), source);
    form->addRow(UiText("memory.targetLanguage"), target);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Both codes or none: a memory of one language is no memory.
    const auto complete = [=] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!PrimaryLanguage(source->text()).isEmpty() &&
                         !PrimaryLanguage(target->text()).isEmpty());
    };
    QObject::connect(source, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(target, &QLineEdit::textChanged, &dialog, complete);
    complete();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 60);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *languages = {source->text().trimmed(), target->text().trimmed()};
    return true;
}

void ImportMemoryCommand(FrameParts& frame)
{
    const QString location = frame.Work().MemoryInUse();
    if (location.isEmpty())
        return;
    DialogHost& host = frame.Commands().Host();
    FileDialogRequest request;
    request.parent = frame.Window();
    request.documents = false;
    request.filters = {
        TmxFilter(),
        {UiText("xchg.filter"),
         {QStringLiteral("*.po"), QStringLiteral("*.xlf"), QStringLiteral("*.xliff")},
         QString()}};
    const FileDialogAnswer answer = host.GetOpenFileNames(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    const QString path = answer.files.first();
    std::unique_ptr<TranslationMemory> memory;
    Result done = OpenMemory(location, &memory, {MemoryTimeout(), nullptr});
    MemoryLanguages languages;
    if (done)
        languages = LanguagesFor(frame, *memory, &done);
    if (done && languages.IsEmpty())
        return;
    MemoryCounts counts;
    MemoryImportNotes notes;
    bool cancelled = false;
    if (done) {
        Progress progress(frame.Window(), UiText("memory.importing"));
        done = ImportIntoMemory(*memory, languages, path, &counts, &notes, {}, progress.Hook());
        cancelled = progress.Cancelled();
    }
    if (cancelled)
        return;
    if (!done) {
        host.ShowMessage(frame.Window(),
                         UiText("memory.importFailed").arg(QDir::toNativeSeparators(path)) + u'\n' +
                             done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    host.ShowMessage(frame.Window(), ImportReport(path, counts, notes, languages),
                     QMessageBox::Information, AppCaption());
}

void ExportMemoryCommand(FrameParts& frame)
{
    const QString location = frame.Work().MemoryInUse();
    if (location.isEmpty())
        return;
    DialogHost& host = frame.Commands().Host();
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = frame.Window();
    request.documents = false;
    request.filters = {TmxFilter()};
    request.defaultSuffix = QStringLiteral("tmx");
    const QFileInfo project(frame.Work().CurrentProject().Path());
    if (project.exists())
        request.start = project.dir().filePath(project.completeBaseName() + QStringLiteral(".tmx"));
    const FileDialogAnswer answer = host.GetSaveFileName(request);
    if (!answer.accepted || answer.files.isEmpty())
        return;
    const QString path = answer.files.first();
    std::unique_ptr<TranslationMemory> memory;
    Result done = OpenMemory(location, &memory, {MemoryTimeout(), nullptr});
    qint64 written = 0, leftOut = 0;
    bool cancelled = false;
    if (done) {
        Progress progress(frame.Window(), UiText("memory.exporting"));
        done = ExportMemory(*memory, path, &written, &leftOut, progress.Hook());
        cancelled = progress.Cancelled();
    }
    if (cancelled)
        return;
    const QString shown = QDir::toNativeSeparators(path);
    if (!done) {
        host.ShowMessage(frame.Window(),
                         UiText("memory.exportFailed").arg(shown) + u'\n' + done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    const QLocale locale;
    QString report = UiText("memory.exportedReport").arg(shown, locale.toString(written));
    if (leftOut > 0)
        report += u'\n' + UiText("memory.exportLeftOut").arg(locale.toString(leftOut));
    host.ShowMessage(frame.Window(), report, QMessageBox::Information, AppCaption());
}

void ConnectMemoryExchange(FrameParts& frame)
{
    QObject::connect(frame.Action(Command::ImportMemory), &QAction::triggered, frame.Window(),
                     [&frame] { ImportMemoryCommand(frame); });
    QObject::connect(frame.Action(Command::ExportMemory), &QAction::triggered, frame.Window(),
                     [&frame] { ExportMemoryCommand(frame); });
}

}  // namespace scrivlet
