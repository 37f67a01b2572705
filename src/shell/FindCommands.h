#pragma once

#include <QObject>

#include <functional>

class QStatusBar;
class QWidget;

// Find, Find Next and Previous, Replace and Go to Record of the Edit menu, on the active
// document's view: the find dialog (made once, then only shown and hidden) and the checks of a
// pattern before it runs.

namespace scrivlet {

class DocumentTab;
struct SearchQuery;

class FindCommands : public QObject {
    Q_OBJECT

public:
    // The dialogs belong to window; activeTab gives the active tab or null.
    FindCommands(QWidget* window, QStatusBar* statusBar, std::function<DocumentTab*()> activeTab);

    void ShowFindDialog();
    // From the find dialog: goes to the active view, dropped without a tab.
    void FindRequest(const SearchQuery& query);
    void ReplaceRequest(const SearchQuery& query, const QString& replacement, bool all);
    // F3 and Shift+F3: the find dialog's text and options once more, forwards or backwards.
    void FindAgain(bool backwards);
    void ShowGoToDialog();

private:
    // Whether query's expression can run; if not, the find dialog says why.
    bool Searchable(const SearchQuery& query);
    void ShowSearchProblem(const QString& text);

    QWidget* window_;
    QStatusBar* statusBar_;
    std::function<DocumentTab*()> activeTab_;
};

}  // namespace scrivlet
