#include "shell/ProjectDialog.h"

#include "base/UiText.h"
#include "documents/Encodings.h"
#include "session/Settings.h"
#include "shell/DialogHost.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace scrivlet {

namespace {

constexpr int kFieldWidth = 360;

QString ProjectSuffix()
{
    return QStringLiteral("scrivlet");
}

}  // namespace

QList<FileFilter> ProjectFilters()
{
    return {FileFilter{
        UiText("project.filter"), {QStringLiteral("*.") + ProjectSuffix()}, ProjectSuffix()}};
}

NewProjectDialog::NewProjectDialog(DialogHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    setObjectName(QStringLiteral("newProjectDialog"));
    setWindowTitle(UiText("project.newCaption"));
    auto* form = new QFormLayout;
    auto row = [this, form](const char* label, QLineEdit*& edit, auto browse) {
        edit = new QLineEdit(this);
        edit->setMinimumWidth(kFieldWidth);
        auto* button = new QPushButton(UiText("project.browse"), this);
        connect(button, &QPushButton::clicked, this, browse);
        connect(edit, &QLineEdit::textChanged, this, &NewProjectDialog::UpdateOk);
        auto* line = new QHBoxLayout;
        line->addWidget(edit, 1);
        line->addWidget(button);
        form->addRow(UiText(label), line);
    };
    auto encodings = [this, form](const char* label, QComboBox*& combo) {
        combo = new QComboBox(this);
        combo->addItems(EncodingNames());
        combo->setCurrentIndex(int(LastEncodingSetting().Get()));
        form->addRow(UiText(label), combo);
    };
    row("project.originals", originals_, [this] { BrowseFolder(originals_); });
    connect(originals_, &QLineEdit::editingFinished, this,
            [this] { OfferProjectPath(originals_->text()); });
    encodings("project.originalEncoding", originalEncoding_);
    row("project.translations", translations_, [this] { BrowseFolder(translations_); });
    encodings("project.translationEncoding", translationEncoding_);
    row("project.projectFile", project_, [this] { BrowseProject(); });
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateOk();
}

QString NewProjectDialog::ProjectPath() const
{
    QString path = QDir::fromNativeSeparators(project_->text().trimmed());
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += u'.' + ProjectSuffix();
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

ProjectSettings NewProjectDialog::Settings() const
{
    // Relative to the project file, so the three move together.
    const QDir base = QFileInfo(ProjectPath()).absoluteDir();
    auto relative = [&base](const QLineEdit* edit) {
        return base.relativeFilePath(QDir::fromNativeSeparators(edit->text().trimmed()));
    };
    return ProjectSettings{relative(originals_), relative(translations_),
                           originalEncoding_->currentIndex(), translationEncoding_->currentIndex()};
}

void NewProjectDialog::accept()
{
    if (make_) {
        if (const Result made = make_(ProjectPath(), Settings()); !made) {
            host_.ShowMessage(this, made.Error(), QMessageBox::Warning);
            return;
        }
    }
    QDialog::accept();
}

void NewProjectDialog::BrowseFolder(QLineEdit* edit)
{
    const QString folder =
        host_.GetExistingDirectory(this, UiText("project.chooseFolder"), edit->text());
    if (folder.isEmpty())
        return;
    edit->setText(QDir::toNativeSeparators(folder));
    OfferProjectPath(folder);
}

void NewProjectDialog::OfferProjectPath(const QString& folder)
{
    // The project file goes beside the folders unless the user said otherwise.
    if (project_->text().isEmpty() && !folder.trimmed().isEmpty())
        project_->setText(QDir::toNativeSeparators(
            QFileInfo(QDir::fromNativeSeparators(folder.trimmed())).absolutePath() +
            QStringLiteral("/project.") + ProjectSuffix()));
}

void NewProjectDialog::BrowseProject()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.parent = this;
    request.filters = ProjectFilters();
    request.defaultSuffix = ProjectSuffix();
    request.documents = false;
    request.start = ProjectPath();
    const FileDialogAnswer answer = host_.GetSaveFileName(request);
    if (answer.accepted && !answer.files.isEmpty())
        project_->setText(QDir::toNativeSeparators(answer.files.first()));
}

void NewProjectDialog::UpdateOk()
{
    bool filled = true;
    for (const QLineEdit* edit : {originals_, translations_, project_})
        filled = filled && edit && !edit->text().trimmed().isEmpty();
    if (buttons_)
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(filled);
}

}  // namespace scrivlet
