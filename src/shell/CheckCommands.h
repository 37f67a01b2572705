#pragma once

#include <QObject>

class QMenu;
class QWidget;

// View > Checks: the menu and the settings dialog over the project's check choices.

namespace scrivlet {

class CheckChoices;
class CheckSettingsDialog;
class FormatCatalogue;
class Project;

class CheckCommands : public QObject {
    Q_OBJECT

public:
    // project and catalogue (the formats whose fields the settings list) must outlive this
    // object.
    CheckCommands(Project& project, const FormatCatalogue* catalogue, QObject* parent = nullptr);

    // Fills View > Checks: one checkable item per check, the spelling language, and the
    // settings dialog.
    void FillMenu(QMenu* menu);
    // The patterns and the word list in a dialog; accepted, they apply at once.
    void EditSettings(QWidget* parent);
    // What an accepted dialog holds: the word list, and the project's patterns and choices when
    // a project is open.
    void ApplySettings(const CheckSettingsDialog& dialog);
    CheckChoices& Choices() const;

private:
    void RefreshMenu();

    Project& project_;
    const FormatCatalogue* catalogue_;
    QMenu* menu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
};

}  // namespace scrivlet
