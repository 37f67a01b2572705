#include "shell/MemoryCommands.h"

#include "base/UiText.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/Settings.h"
#include "shell/DialogHost.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <set>

namespace scrivlet {

namespace {

// A fill from a match below 100 is a guess: it needs work, on the text the fill gives it (the
// field's comment stays).
std::vector<PlacedNote> GuessNotes(const FieldStates& states, const TextPlan& plan,
                                   const std::vector<std::pair<int, int>>& guessed)
{
    const std::set<std::pair<int, int>> guesses(guessed.begin(), guessed.end());
    std::vector<PlacedNote> notes;
    for (const TextPlan::Entry& entry : plan.Entries()) {
        if (!guesses.count({entry.record, entry.field}))
            continue;
        const FieldNote* now = states.At(entry.record, entry.field);
        notes.push_back({entry.record, entry.field,
                         FieldNote{StoredState::NeedsWork, StateHash(plan.TextOf(entry)),
                                   now ? now->comment : QString()}});
    }
    return notes;
}

}  // namespace

bool ChooseMemoryCommand(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(UiText("memory.chooseTitle"));
    auto* edit = new QLineEdit(MemoryLocation(), &dialog);
    edit->setMinimumWidth(420);
    auto* browse = new QPushButton(UiText("memory.browse"), &dialog);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, edit] {
        // Save-style: a memory file that does not exist yet is made on first use.
        const QString path = QFileDialog::getSaveFileName(
            &dialog, UiText("memory.chooseTitle"), edit->text(), UiText("memory.fileFilter"),
            nullptr, QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            edit->setText(path);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    // A server that keeps silent is given up after this long, and the panel says so.
    auto* timeout = new QSpinBox(&dialog);
    timeout->setObjectName(QStringLiteral("memoryTimeout"));
    timeout->setRange(1, kMaxMemoryTimeout);
    timeout->setSuffix(UiText("memory.seconds"));
    timeout->setValue(MemoryTimeout());
    auto* wait = new QHBoxLayout;
    auto* waitLabel = new QLabel(UiText("memory.timeoutLabel"), &dialog);
    waitLabel->setBuddy(timeout);
    wait->addWidget(waitLabel);
    wait->addWidget(timeout);
    wait->addStretch(1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(UiText("memory.chooseLabel"), &dialog));
    layout->addLayout(row);
    layout->addLayout(wait);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    SetMemoryLocation(edit->text());
    SetMemoryTimeout(timeout->value());
    return true;
}

Result Pretranslate(const QString& location, DocumentSession& session, int minScore,
                    PretranslateReport* report, const PlanProgress& progress)
{
    *report = {};
    const EdtDocument* reference = session.Reference();
    if (!reference)
        return Result::Failure(UiText("memory.needsReference"));
    if (location.isEmpty())
        return Result::Failure(UiText("suggest.noMemory"));
    std::unique_ptr<TranslationMemory> memory;
    if (Result opened = OpenMemory(location, &memory, {MemoryTimeout(), nullptr}); !opened)
        return opened;
    MemoryLanguages languages;
    if (Result read = memory->Languages(&languages); !read)
        return read;
    // A new memory holds nothing to fill from.
    if (languages.IsEmpty())
        return {};
    TextPlan plan;
    if (Result planned = PlanPretranslation(*memory, languages, *session.Document(), *reference,
                                            minScore, &plan, report, progress);
        !planned)
        return planned;
    if (!plan.IsEmpty())
        session.SetTextsWithNotes(plan, GuessNotes(*session.States(), plan, report->guessed),
                                  UiText("memory.pretranslateUndo"));
    return {};
}

void PretranslateCommand(DialogHost& host, QWidget* parent, const QString& location,
                         DocumentSession& session)
{
    bool accepted = false;
    const int minScore = QInputDialog::getInt(parent, UiText("memory.pretranslateTitle"),
                                              UiText("memory.minScore"), 100, 1, 100, 1, &accepted);
    if (!accepted)
        return;
    QProgressDialog progress(UiText("memory.pretranslating"), UiText("memory.cancel"), 0, 1000,
                             parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    bool cancelled = false;
    PretranslateReport report;
    const Result done =
        Pretranslate(location, session, minScore, &report, [&](qint64 seen, qint64 total) {
            progress.setValue(total > 0 ? static_cast<int>(seen * 1000 / total) : 0);
            cancelled = progress.wasCanceled();
            return !cancelled;
        });
    progress.reset();
    if (cancelled)
        return;
    if (!done) {
        host.ShowMessage(parent, UiText("memory.pretranslateFailed").arg(done.Error()),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    const QLocale locale;
    host.ShowMessage(parent,
                     UiText("memory.pretranslated")
                         .arg(locale.toString(report.filled), locale.toString(report.exact),
                              locale.toString(report.fuzzy), locale.toString(report.tooLong),
                              locale.toString(report.notStorable)),
                     QMessageBox::Information, AppCaption());
}

}  // namespace scrivlet
