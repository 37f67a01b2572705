#pragma once

#include "search/Replace.h"
#include "store/ProjectSearch.h"

#include <QDockWidget>
#include <QFutureWatcher>
#include <QMap>

#include <atomic>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Find in Project: text, match case, whole word and regular expression over every
// translation of the project, searched on the pool; each file's hits join the list as soon
// as it is searched, with a running count. A click on a hit asks for it to be shown; Replace
// All asks for the last search's hits to be replaced (the project commands do it).

namespace scrivlet {

class EdtDocument;
class FormatCatalogue;

class ProjectFindPanel : public QDockWidget {
    Q_OBJECT

public:
    // catalogue must outlive the panel.
    explicit ProjectFindPanel(const FormatCatalogue& catalogue, QWidget* parent = nullptr);
    ~ProjectFindPanel() override;

    // The project file searched; empty stops a search and clears the list.
    void SetProject(const QString& path);
    // An open document of a translation (relative path) with unsaved edits, searched as it is
    // in the editor rather than on disk; null for a file that is not open or is as saved.
    void SetOpenDocuments(std::function<const EdtDocument*(const QString&)> lookup);
    void ShowAndFocus();
    // Searches with what is typed; a search still running stops first.
    void Find();
    // Stops the search and waits for it.
    void Stop();
    bool Searching() const { return searching_.isRunning(); }

    SearchQuery Query() const;
    // Of the last search, once it ended: hits per file (relative path).
    const QMap<QString, int>& HitsPerFile() const { return perFile_; }
    int HitCount() const { return hitCount_; }
    // A line under the list: what a replace did.
    void ShowReport(const QString& text);

    QLineEdit* SearchText() const { return text_; }
    QLineEdit* ReplaceText() const { return replacement_; }
    QCheckBox* MatchCase() const { return matchCase_; }
    QCheckBox* WholeWord() const { return wholeWord_; }
    QCheckBox* Regex() const { return regex_; }
    QTreeWidget* Results() const { return results_; }
    QLabel* CountLabel() const { return count_; }
    QPushButton* ReplaceButton() const { return replaceAll_; }

    // Hits listed at most; the count goes on beyond them.
    static constexpr int kMaxListed = 5000;

signals:
    void HitActivated(const QString& path, const FieldMatch& hit);
    void ReplaceRequested(const SearchQuery& query, const QString& replacement);
    void Finished();

private:
    void AddHits(int generation, FileHits hits);
    void TakeOutcome();
    void UpdateButtons();
    void ShowCount(bool done);

    const FormatCatalogue& catalogue_;
    QString project_;
    std::function<const EdtDocument*(const QString&)> openDocument_;
    QLineEdit* text_;
    QLineEdit* replacement_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QCheckBox* regex_;
    QPushButton* find_;
    QPushButton* replaceAll_;
    QTreeWidget* results_;
    QLabel* count_;
    QLabel* report_;
    QFutureWatcher<SearchOutcome> searching_;
    std::atomic<bool> cancel_{false};
    int generation_ = 0;
    SearchQuery searched_;
    bool done_ = false;
    bool running_ = false;  // a search of this panel's was started and not stopped
    QMap<QString, int> perFile_;
    int hitCount_ = 0;
    QStringList errors_;
};

}  // namespace scrivlet
