#pragma once

#include "store/Memory.h"

#include <QDockWidget>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTextBrowser;

// The Suggestions dock: the memory's best matches for the selected field's source (the
// reference's text), each with its score and what differs from the source marked. Look-ups
// run on a thread of the panel's own, so typing never waits for the memory; a result for a
// field no longer selected is dropped.

namespace scrivlet {

class DocumentTab;
class Workspace;

class SuggestionsPanel : public QDockWidget {
    Q_OBJECT

public:
    static constexpr int kMaxMatches = 9;  // one per Ctrl+1..Ctrl+9
    static constexpr int kMinScore = 50;

    // Ctrl+1..Ctrl+9 act in parent's window.
    explicit SuggestionsPanel(QWidget* parent = nullptr);
    ~SuggestionsPanel() override;

    // The memory to ask: an SQLite file or a server's connection string; empty for none.
    void SetLocation(const QString& location);
    QString Location() const { return location_; }
    // Asks the memory the workspace uses, also after a project opens or closes; the workspace
    // must outlive the panel.
    void FollowWorkspace(const Workspace& workspace);
    // The tab whose selected field is followed; null for none.
    void Follow(DocumentTab* tab);
    // Looks up the source text now (empty: nothing selected).
    void Lookup(const QString& source);
    // The target of suggestion n (from 1) while it still belongs to the selected field.
    std::optional<QString> Target(int n) const;
    // Puts suggestion n into the followed tab's selected field as one undo step (cut to the
    // field's size with a beep); beeps when there is no such suggestion or no text cell.
    bool UseSuggestion(int n);
    // Offered a chosen suggestion first; true when it took it (the editing pane while the
    // user types in it), false to have it put into the field.
    void SetTaker(std::function<bool(const QString&)> taker) { taker_ = std::move(taker); }
    const std::vector<MemoryMatch>& Matches() const { return matches_; }
    QTextBrowser* View() const { return view_; }

signals:
    // A look-up's result (or that there is none) is on show.
    void MatchesShown();

private:
    struct Worker;
    struct Found {
        int generation = 0;
        std::vector<MemoryMatch> matches;
        QString error;
    };
    void LookupSelected();
    void Show(const Found& found);
    void ShowNote(const QString& note);

    QTextBrowser* view_;
    QPointer<DocumentTab> tab_;
    std::function<bool(const QString&)> taker_;
    QString location_;
    QString source_;
    std::vector<MemoryMatch> matches_;
    int generation_ = 0;
    bool current_ = false;  // matches_ belong to source_
    std::shared_ptr<Worker> worker_;
    QThreadPool pool_;
};

}  // namespace scrivlet
