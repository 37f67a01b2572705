#include "shell/CheckCommands.h"

#include "base/UiText.h"
#include "session/CheckChoices.h"
#include "session/Project.h"
#include "shell/CheckSettingsDialog.h"
#include "translation/Spelling.h"

#include <QActionGroup>
#include <QMenu>

namespace scrivlet {

CheckCommands::CheckCommands(Project& project, const FormatCatalogue* catalogue, QObject* parent)
    : QObject(parent), project_(project), catalogue_(catalogue)
{
    connect(&Choices(), &CheckChoices::Changed, this, &CheckCommands::RefreshMenu);
}

CheckChoices& CheckCommands::Choices() const
{
    return project_.Checks();
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
                [this, check](bool on) { Choices().SetEnabled(check, on); });
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
                [this, language = QString::fromLatin1(code)] { Choices().SetLanguage(language); });
    }
    menu->addSeparator();
    QAction* settings = menu->addAction(UiText("checkSettings.menu"));
    settings->setObjectName(QStringLiteral("checkSettings"));
    connect(settings, &QAction::triggered, this, [this, menu] { EditSettings(menu->window()); });
    RefreshMenu();
}

void CheckCommands::EditSettings(QWidget* parent)
{
    const CheckChoices& choices = Choices();
    const QStringList patterns = choices.Tuning().placeholders;
    CheckSettingsDialog dialog(project_.IsOpen() ? &patterns : nullptr, choices.WordList(), parent);
    if (project_.IsOpen() && catalogue_)
        dialog.SetTuning(choices.Tuning(), *catalogue_);
    if (dialog.exec() == QDialog::Accepted)
        ApplySettings(dialog);
}

void CheckCommands::ApplySettings(const CheckSettingsDialog& dialog)
{
    CheckChoices& choices = Choices();
    if (project_.IsOpen() && dialog.Tuning() != choices.Tuning())
        choices.SetTuning(dialog.Tuning());
    if (dialog.Words() != choices.WordList())
        choices.SetWordList(dialog.Words());
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
        const bool usable = check != Check::Spelling || Choices().Dictionary();
        actions[c]->setChecked(usable && (Choices().Chosen() & Bit(check)));
        actions[c]->setEnabled(usable);
    }
    for (QAction* action : languageMenu_->actions())
        action->setChecked(action->data().toString() == Choices().Language());
}

}  // namespace scrivlet
