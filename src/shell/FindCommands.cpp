#include "shell/FindCommands.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "search/Search.h"
#include "shell/DocumentTab.h"
#include "shell/FindDialog.h"
#include "shell/GoToDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>

namespace scrivlet {

FindCommands::FindCommands(QWidget* window, QStatusBar* statusBar,
                           std::function<DocumentTab*()> activeTab)
    : QObject(window), window_(window), statusBar_(statusBar), activeTab_(std::move(activeTab))
{
}

void FindCommands::ShowFindDialog()
{
    // Made on the first Find as the window's child, so it dies with the window; afterwards
    // only shown and hidden, keeping its text and options.
    auto* dialog = window_->findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new FindDialog(window_);
        dialog->SetFindRequestHandler([this](const SearchQuery& query) { FindRequest(query); });
        dialog->SetReplaceRequestHandler(
            [this](const SearchQuery& query, const QString& with, FindDialog::ReplaceScope scope) {
                ReplaceRequest(query, with, scope == FindDialog::ReplaceScope::All);
            });
    }
    dialog->ShowAndFocus();
}

void FindCommands::FindRequest(const SearchQuery& query)
{
    DocumentTab* tab = activeTab_();
    if (!tab || !Searchable(query))
        return;
    if (tab->Commands()->FindRequest(query) == SearchOutcome::InvalidPattern)
        ShowSearchProblem(UiText("find.tooCostly"));
}

void FindCommands::ReplaceRequest(const SearchQuery& query, const QString& replacement, bool all)
{
    DocumentTab* tab = activeTab_();
    if (!tab || !Searchable(query))
        return;
    if (all)
        tab->Commands()->ReplaceAllRequest(query, replacement);
    else
        tab->Commands()->ReplaceRequest(query, replacement);
}

bool FindCommands::Searchable(const SearchQuery& query)
{
    const QueryMatcher matcher(query);
    if (matcher.IsValid()) {
        ShowSearchProblem(QString());
        return true;
    }
    QApplication::beep();
    statusBar_->clearMessage();
    const QString detail = matcher.Error();
    ShowSearchProblem(detail.isEmpty() ? UiText("find.badPattern")
                                       : UiText("find.badPattern") + u'\n' + detail);
    return false;
}

void FindCommands::ShowSearchProblem(const QString& text)
{
    if (auto* dialog = window_->findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly))
        dialog->ShowProblem(text);
}

void FindCommands::FindAgain(bool backwards)
{
    if (!activeTab_())
        return;
    auto* dialog = window_->findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    // Nothing searched for yet: the dialog asks what.
    if (!dialog || dialog->SearchText()->text().isEmpty()) {
        ShowFindDialog();
        return;
    }
    const quint32 flags = dialog->SearchFlags() & ~quint32(kSearchBackwards);
    FindRequest(
        SearchQuery{dialog->SearchText()->text(), backwards ? flags | kSearchBackwards : flags});
}

void FindCommands::ShowGoToDialog()
{
    DocumentTab* tab = activeTab_();
    if (!tab)
        return;
    GridView* view = tab->View();
    GoToDialog dialog(view->Document()->RecordCount(), window_);
    if (dialog.exec() == QDialog::Accepted)
        view->GoToRecord(dialog.Record());
}

}  // namespace scrivlet
