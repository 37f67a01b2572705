#include "search/FindDialog.h"
#include "shell/MainFrame.h"

namespace scrivlet {

void MainFrame::ShowFindDialog()
{
    // Made on the first Find as the frame's child, so it dies with the frame; afterwards
    // only shown and hidden, keeping its text and options.
    auto* dialog = findChild<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new FindDialog(this);
        dialog->SetFindRequestHandler(
            [this](const QString& pattern, quint32 flags) { FindRequest(pattern, flags); });
    }
    dialog->ShowAndFocus();
}

}  // namespace scrivlet
