#include "shell/CheckCommands.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "session/Settings.h"
#include "shell/CheckSettingsDialog.h"
#include "store/IgnoreFile.h"
#include "store/ProjectFile.h"
#include "translation/DocumentChecks.h"
#include "translation/Spelling.h"

#include <QActionGroup>
#include <QMenu>

namespace scrivlet {
CheckCommands::CheckCommands(std::function<ProjectFile*()> project,
                             std::function<QString(const QString&)> relative,
                             std::function<std::vector<DocumentSession*>()> sessions,
                             const FormatCatalogue* catalogue, QObject* parent)
    : QObject(parent),
      project_(std::move(project)),
      relative_(std::move(relative)),
      sessions_(std::move(sessions)),
      catalogue_(catalogue)
{
}

CheckCommands::~CheckCommands()
{
    // The documents may outlive the dictionary their spelling runs with.
    StopSpelling();
}

void CheckCommands::StopSpelling()
{
    for (DocumentSession* session : sessions_())
        session->Checks()->StopSpelling();
}

QString CheckCommands::Stored(const char* key, const QString& fallback) const
{
    ProjectFile* project = project_();
    const QString value = project ? project->Value(QString::fromLatin1(key)) : QString();
    return value.isNull() ? fallback : value;
}

void CheckCommands::Store(const char* key, const QString& value)
{
    if (ProjectFile* project = project_())
        (void)project->SetValue(QString::fromLatin1(key), value);
}

void CheckCommands::Reload()
{
    const QStringList off =
        Stored(kProjectDisabledChecks, DisabledChecks().join(u'\n')).split(u'\n');
    chosen_ = kAllChecks;
    for (const QString& name : off) {
        if (const std::optional<Check> check = CheckNamed(name))
            chosen_ &= ~Bit(*check);
    }
    language_ = Stored(kProjectSpelling, SpellingLanguage());
    // A project keeps its own word list and patterns; the user's list serves without one.
    ProjectFile* project = project_();
    words_ = project ? ProjectWordList(*project) : UserWordList();
    tuning_ = project ? ProjectCheckTuning(*project) : CheckTuning();
    LoadDictionary();
    ApplyAll();
}

void CheckCommands::LoadDictionary()
{
    StopSpelling();
    dictionary_.reset();
    if (!language_.isEmpty()) {
        auto dictionary = std::make_unique<SpellingDictionary>();
        // A language without its dictionary on this system checks no spelling.
        if (dictionary->Load(language_)) {
            dictionary->SetWordList(words_);
            dictionary_ = std::move(dictionary);
        }
    }
    enabled_ = dictionary_ ? chosen_ : (chosen_ & ~Bit(Check::Spelling));
}

void CheckCommands::ApplyAll()
{
    for (DocumentSession* session : sessions_())
        Apply(session);
    RefreshMenu();
    emit Changed();
}

void CheckCommands::Apply(DocumentSession* session)
{
    // The ignores first, so that the document is checked once.
    session->Checks()->SetIgnored(LoadIgnores(session), false);
    session->SetCheckChoices(enabled_, language_, dictionary_.get(), tuning_);
}

void CheckCommands::Follow(DocumentSession* session)
{
    connect(session->Checks(), &DocumentChecks::IgnoredChanged, this,
            [this, session] { StoreIgnores(session); });
    Apply(session);
}

std::vector<IgnoredProblem> CheckCommands::LoadIgnores(DocumentSession* session) const
{
    std::vector<IgnoredProblem> ignored;
    const QString path = session->Document()->Path();
    if (path.isEmpty())
        return ignored;
    ProjectFile* project = project_();
    if (const QString relative = relative_(path); project && !relative.isEmpty())
        return project->IgnoredProblems(relative);
    // Unreadable: nothing ignored; the next ignore writes the file anew.
    (void)ReadIgnoreFile(path, &ignored);
    return ignored;
}

void CheckCommands::StoreIgnores(DocumentSession* session)
{
    const QString path = session->Document()->Path();
    // A document not yet saved keeps its ignores until it is closed.
    if (path.isEmpty())
        return;
    const std::vector<IgnoredProblem> ignored = session->Checks()->Ignored();
    ProjectFile* project = project_();
    if (const QString relative = relative_(path); project && !relative.isEmpty())
        (void)project->ReplaceIgnoredProblems(relative, ignored);
    else
        (void)WriteIgnoreFile(path, ignored);
}

void CheckCommands::SetEnabled(Check check, bool on)
{
    chosen_ = on ? (chosen_ | Bit(check)) : (chosen_ & ~Bit(check));
    QStringList off;
    for (int c = 0; c < kCheckCount; ++c) {
        if (!(chosen_ & Bit(static_cast<Check>(c))))
            off << QString::fromLatin1(CheckName(static_cast<Check>(c)));
    }
    if (project_())
        Store(kProjectDisabledChecks, off.join(u'\n'));
    else
        SetDisabledChecks(off);
    enabled_ = dictionary_ ? chosen_ : (chosen_ & ~Bit(Check::Spelling));
    ApplyAll();
}

void CheckCommands::SetLanguage(const QString& code)
{
    if (project_())
        Store(kProjectSpelling, code);
    else
        SetSpellingLanguage(code);
    language_ = code;
    LoadDictionary();
    ApplyAll();
}

void CheckCommands::SetWordList(const QStringList& words)
{
    words_ = words;
    words_.removeDuplicates();
    if (ProjectFile* project = project_())
        (void)StoreProjectWordList(*project, words_);
    else
        SetUserWordList(words_);
    if (dictionary_) {
        StopSpelling();
        dictionary_->SetWordList(words_);
    }
    ApplyAll();
}

void CheckCommands::AddWord(const QString& word)
{
    if (!word.isEmpty() && !words_.contains(word))
        SetWordList(words_ + QStringList{word});
}

void CheckCommands::SetTuning(const CheckTuning& tuning)
{
    tuning_ = tuning;
    if (ProjectFile* project = project_())
        (void)StoreCheckTuning(*project, tuning_);
    ApplyAll();
}

void CheckCommands::FillMenu(QMenu* menu)
{
    menu_ = menu;
    for (int c = 0; c < kCheckCount; ++c) {
        const Check check = static_cast<Check>(c);
        QAction* action = menu->addAction(CheckTitle(check));
        action->setObjectName(QStringLiteral("check.") + QLatin1String(CheckName(check)));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, check](bool on) { SetEnabled(check, on); });
    }
    menu->addSeparator();
    languageMenu_ = menu->addMenu(UiText("spelling.language"));
    languageMenu_->setObjectName(QStringLiteral("spelling.language"));
    auto* group = new QActionGroup(languageMenu_);
    // Each language by its own name, as the interface languages are listed.
    const std::pair<const char*, QString> languages[] = {{"", UiText("spelling.off")},
                                                         {"en", QStringLiteral("English")},
                                                         {"de", QStringLiteral("Deutsch")},
                                                         {"pl", QStringLiteral("Polski")},
                                                         {"ru", QStringLiteral("Русский")}};
    for (const auto& [code, name] : languages) {
        QAction* action = languageMenu_->addAction(name);
        action->setCheckable(true);
        action->setData(QString::fromLatin1(code));
        action->setObjectName(QStringLiteral("spelling.language.") + QLatin1String(code));
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, language = QString::fromLatin1(code)] { SetLanguage(language); });
    }
    menu->addSeparator();
    QAction* settings = menu->addAction(UiText("checkSettings.menu"));
    settings->setObjectName(QStringLiteral("checkSettings"));
    connect(settings, &QAction::triggered, this, [this, menu] { EditSettings(menu->window()); });
    RefreshMenu();
}

void CheckCommands::EditSettings(QWidget* parent)
{
    const QStringList patterns = tuning_.placeholders;
    CheckSettingsDialog dialog(project_() ? &patterns : nullptr, words_, parent);
    if (project_() && catalogue_)
        dialog.SetTuning(tuning_, *catalogue_);
    if (dialog.exec() == QDialog::Accepted)
        ApplySettings(dialog);
}

void CheckCommands::ApplySettings(const CheckSettingsDialog& dialog)
{
    if (project_() && dialog.Tuning() != tuning_)
        SetTuning(dialog.Tuning());
    if (dialog.Words() != words_)
        SetWordList(dialog.Words());
}

void CheckCommands::RefreshMenu()
{
    if (!menu_)
        return;
    const QList<QAction*> actions = menu_->actions();
    for (int c = 0; c < kCheckCount && c < actions.size(); ++c) {
        const Check check = static_cast<Check>(c);
        // Spelling needs a language first: without one it shows off, and the user's choice
        // comes back with a language.
        const bool usable = check != Check::Spelling || dictionary_;
        actions[c]->setChecked(usable && (chosen_ & Bit(check)));
        actions[c]->setEnabled(usable);
    }
    for (QAction* action : languageMenu_->actions())
        action->setChecked(action->data().toString() == language_);
}

}  // namespace scrivlet
