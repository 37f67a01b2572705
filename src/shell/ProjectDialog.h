#pragma once

#include "base/Result.h"
#include "store/ProjectFile.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

// New Project: the folder of originals and its encoding, the folder of translations and
// its encoding, and where the project file goes. The folders are stored relative to the
// project file, so a project moves with its files.

namespace scrivlet {

class DialogHost;
struct FileFilter;

// The file type list of project files.
QList<FileFilter> ProjectFilters();

class NewProjectDialog : public QDialog {
    Q_OBJECT

public:
    // Browsing goes through host, as every other file dialog does.
    NewProjectDialog(DialogHost& host, QWidget* parent = nullptr);

    QString ProjectPath() const;
    // The settings as stored: folders relative to the project file's folder.
    ProjectSettings Settings() const;
    // OK makes the project with make; a failure is shown over the dialog, which stays open
    // with everything as typed.
    using Make = std::function<Result(const QString& path, const ProjectSettings& settings)>;
    void SetMake(Make make) { make_ = std::move(make); }
    void accept() override;

    QLineEdit* OriginalsEdit() const { return originals_; }
    QLineEdit* TranslationsEdit() const { return translations_; }
    QLineEdit* ProjectEdit() const { return project_; }
    QComboBox* OriginalEncoding() const { return originalEncoding_; }
    QComboBox* TranslationEncoding() const { return translationEncoding_; }

private:
    void BrowseFolder(QLineEdit* edit);
    void BrowseProject();
    void OfferProjectPath(const QString& folder);
    void UpdateOk();

    DialogHost& host_;
    QLineEdit* originals_ = nullptr;
    QLineEdit* translations_ = nullptr;
    QLineEdit* project_ = nullptr;
    QComboBox* originalEncoding_;
    QComboBox* translationEncoding_;
    QDialogButtonBox* buttons_ = nullptr;
    Make make_;
};

}  // namespace scrivlet
