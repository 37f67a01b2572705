#include "shell/StartPage.h"

#include "base/UiText.h"
#include "documents/Encodings.h"
#include "session/Settings.h"

#include <QAction>
#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

constexpr int kColumnWidth = 560;
constexpr qreal kTitleScale = 1.6;

QToolButton* CommandButton(QAction* action, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(false);
    return button;
}

// The samples are named for their encoding ("dialog-russian.edt"); -1 for another name.
int SampleEncoding(const QFileInfo& sample)
{
    const QString word = sample.completeBaseName().section(QLatin1Char('-'), -1).toLower();
    const std::pair<const char*, int> words[] = {{"english", kEncodingEnglish},
                                                 {"russian", kEncodingRussian},
                                                 {"unicode", kEncodingUnicode}};
    for (const auto& [name, encoding] : words) {
        if (word == QLatin1String(name))
            return encoding;
    }
    return -1;
}

}  // namespace

StartPage::StartPage(QAction* newAction, QAction* openAction, QWidget* parent)
    : QWidget(parent),
      samplesFolder_(QCoreApplication::applicationDirPath() + QStringLiteral("/samples"))
{
    setObjectName(QStringLiteral("startPage"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* title = new QLabel(AppCaption(), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* purpose = new QLabel(UiText("start.purpose"), this);
    purpose->setObjectName(QStringLiteral("startPurpose"));
    purpose->setWordWrap(true);

    sampleButton_ = new QToolButton(this);
    sampleButton_->setObjectName(QStringLiteral("sampleButton"));
    sampleButton_->setText(UiText("start.sample"));
    sampleButton_->setPopupMode(QToolButton::InstantPopup);
    sampleButton_->setMenu(new QMenu(sampleButton_));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommandButton(openAction, this));
    buttons->addWidget(CommandButton(newAction, this));
    buttons->addWidget(sampleButton_);
    buttons->addStretch(1);

    recentHeading_ = new QLabel(UiText("start.recent"), this);
    QFont headingFont = recentHeading_->font();
    headingFont.setBold(true);
    recentHeading_->setFont(headingFont);
    recentList_ = new QVBoxLayout;
    recentList_->setSpacing(0);

    auto* column = column_ = new QVBoxLayout;
    column->addWidget(title);
    column->addWidget(purpose);
    column->addSpacing(title->fontMetrics().height());
    column->addLayout(buttons);
    column->addSpacing(title->fontMetrics().height());
    column->addWidget(recentHeading_);
    column->addLayout(recentList_);
    auto* holder = new QWidget(this);
    holder->setMaximumWidth(kColumnWidth);
    holder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    holder->setLayout(column);
    // Stretch on either side centres the column; the wrapped line gets the column's width.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(holder, 2);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(2);
    Refresh();
}

void StartPage::SetOpenHandler(std::function<void(const RecentFile&)> handler)
{
    open_ = std::move(handler);
}

void StartPage::AddProjectButtons(QAction* newProject, QAction* openProject,
                                  std::function<void(const QString&)> open)
{
    openProject_ = std::move(open);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommandButton(openProject, this));
    buttons->addWidget(CommandButton(newProject, this));
    buttons->addStretch(1);
    // Below the document buttons, above the recent files.
    column_->insertLayout(column_->indexOf(recentHeading_) - 1, buttons);
    projectsHeading_ = new QLabel(UiText("start.recentProjects"), this);
    projectsHeading_->setFont(recentHeading_->font());
    projectList_ = new QVBoxLayout;
    projectList_->setSpacing(0);
    column_->addSpacing(recentHeading_->fontMetrics().height());
    column_->addWidget(projectsHeading_);
    column_->addLayout(projectList_);
    RefreshRecent();
}

void StartPage::SetSamplesFolder(const QString& folder)
{
    samplesFolder_ = folder;
    RefreshSamples();
}

void StartPage::Refresh()
{
    RefreshRecent();
    RefreshSamples();
}

namespace {

QList<QAbstractButton*> ButtonsIn(const QVBoxLayout* list)
{
    QList<QAbstractButton*> buttons;
    for (int k = 0; list && k < list->count(); ++k) {
        if (auto* button = qobject_cast<QAbstractButton*>(list->itemAt(k)->widget()))
            buttons << button;
    }
    return buttons;
}

void ClearList(QVBoxLayout* list)
{
    while (QLayoutItem* item = list->takeAt(0)) {
        // A button may be refreshing the page from its own click.
        item->widget()->deleteLater();
        delete item;
    }
}

QCommandLinkButton* PathButton(const QString& path, QWidget* parent)
{
    const QFileInfo info(path);
    auto* button = new QCommandLinkButton(info.fileName(),
                                          QDir::toNativeSeparators(info.absolutePath()), parent);
    button->setToolTip(QDir::toNativeSeparators(path));
    return button;
}

}  // namespace

QList<QAbstractButton*> StartPage::RecentButtons() const
{
    return ButtonsIn(recentList_);
}

QList<QAbstractButton*> StartPage::RecentProjectButtons() const
{
    return ButtonsIn(projectList_);
}

void StartPage::RefreshRecent()
{
    ClearList(recentList_);
    const QList<RecentFile> files = RecentFiles();
    for (const RecentFile& file : files) {
        QCommandLinkButton* button = PathButton(file.path, this);
        connect(button, &QAbstractButton::clicked, this, [this, file] {
            if (open_)
                open_(file);
        });
        recentList_->addWidget(button);
    }
    recentHeading_->setVisible(!files.isEmpty());
    if (!projectList_)
        return;
    ClearList(projectList_);
    const QStringList projects = RecentProjects();
    for (const QString& path : projects) {
        QCommandLinkButton* button = PathButton(path, this);
        connect(button, &QAbstractButton::clicked, this, [this, path] { openProject_(path); });
        projectList_->addWidget(button);
    }
    projectsHeading_->setVisible(!projects.isEmpty());
}

void StartPage::RefreshSamples()
{
    QMenu* menu = sampleButton_->menu();
    menu->clear();
    const QFileInfoList samples =
        QDir(samplesFolder_)
            .entryInfoList({QStringLiteral("*.edt"), QStringLiteral("*.txt")}, QDir::Files,
                           QDir::Name);
    for (const QFileInfo& sample : samples) {
        const RecentFile file{sample.absoluteFilePath(), -1, SampleEncoding(sample)};
        connect(menu->addAction(sample.fileName()), &QAction::triggered, this, [this, file] {
            if (open_)
                open_(file);
        });
    }
    sampleButton_->setEnabled(!samples.isEmpty());
}

}  // namespace scrivlet
