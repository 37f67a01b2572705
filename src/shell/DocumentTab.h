#pragma once

#include "session/DocumentSession.h"

#include <QTabWidget>
#include <QWidget>

// One open document as a page of the main window's tab view: a view of its session (the
// document and what belongs to it, kept by the workspace) through a GridView. The title follows
// the session's modified state.

namespace scrivlet {

class FilterBar;
class GridCommands;
class GridView;
class PropagateBar;
// A tab shows at most kTabTitleMaxChars characters; a longer title shows its first
// kTabTitleKeepChars and "...".
constexpr int kTabTitleMaxChars = 30;
constexpr int kTabTitleKeepChars = 27;

// The text a tab shows for a title.
QString TabDisplayTitle(const QString& title);

class DocumentTab : public QWidget {
    Q_OBJECT

public:
    // session must outlive the tab.
    explicit DocumentTab(DocumentSession* session, QWidget* parent = nullptr);
    ~DocumentTab() override;

    DocumentSession* Session() const { return session_; }
    EdtDocument* Document() const { return session_->Document(); }
    GridView* View() const { return view_; }
    // Edit, find and replace on the view.
    GridCommands* Commands() const { return commands_; }
    // The offer over the grid's foot to give a translation just made to the same originals.
    PropagateBar* Propagation() const { return propagate_; }
    // The filter above the grid.
    FilterBar* Filter() const { return filter_; }
    TranslationStatus* Status() const { return session_->Status(); }
    const EdtDocument* Reference() const { return session_->Reference(); }
    QString Name() const { return session_->Name(); }
    QString Title() const { return session_->Title(); }
    // The reference's text of the selected text cell: what the memory and the glossary are
    // asked about. Empty without a reference, a text cell, or that record in the reference.
    QString SelectedSource() const;
    // The selected field's translation to every other field with the same original, as one
    // step; false when none took it.
    bool PropagateSelected();
    // The selected field's review mark taken away; false when it has none.
    bool ConfirmSelectedReview();

signals:
    // Another cell was selected or the reference changed: SelectedSource may differ.
    void SourceChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The offer floats over the grid's last rows, so that it never moves a row under the mouse.
    void PlacePropagation();

    DocumentSession* session_;
    GridView* view_;
    GridCommands* commands_;
    PropagateBar* propagate_;
    FilterBar* filter_;
};

// The tab view: tells when pages come and go, so the window list follows.
class TabView : public QTabWidget {
    Q_OBJECT

public:
    explicit TabView(QWidget* parent = nullptr);

signals:
    void TabsChanged();

protected:
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
};

}  // namespace scrivlet
