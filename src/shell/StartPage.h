#pragma once

#include <QWidget>

#include <functional>

class QAbstractButton;
class QAction;
class QLabel;
class QToolButton;
class QVBoxLayout;

// What the main window shows while no document is open: what the program is for, New and
// Open, the recent files and the sample documents that come with the program.

namespace scrivlet {

struct RecentFile;

class StartPage : public QWidget {
    Q_OBJECT

public:
    // The buttons trigger newAction and openAction, and follow their enabled states.
    StartPage(QAction* newAction, QAction* openAction, QWidget* parent = nullptr);

    // Called with a recent entry or a sample. A sample has no format (it is found from the
    // name) and the encoding its name gives, else -1.
    void SetOpenHandler(std::function<void(const RecentFile&)> handler);
    // The folder the samples are listed from; by default "samples" beside the program.
    void SetSamplesFolder(const QString& folder);
    // A second row of buttons for New Project and Open Project, and the recent projects
    // listed below the recent files; a click on one calls open.
    void AddProjectButtons(QAction* newProject, QAction* openProject,
                           std::function<void(const QString&)> open);
    // Reads the recent list and the samples folder again.
    void Refresh();

    QToolButton* SampleButton() const { return sampleButton_; }
    // One button per recent file, newest first.
    QList<QAbstractButton*> RecentButtons() const;
    QList<QAbstractButton*> RecentProjectButtons() const;

private:
    void RefreshRecent();
    void RefreshSamples();

    std::function<void(const RecentFile&)> open_;
    QString samplesFolder_;
    QToolButton* sampleButton_;
    QLabel* recentHeading_;
    QVBoxLayout* recentList_;
    std::function<void(const QString&)> openProject_;
    QVBoxLayout* column_ = nullptr;
    QLabel* projectsHeading_ = nullptr;
    QVBoxLayout* projectList_ = nullptr;
};

}  // namespace scrivlet
