#include "DocumentTab.h"
#include "MainFrame.h"
#include "RecordGrid.h"

// The document commands of the main window. Until the file dialogs, the format wizard and
// the save prompt exist, New, Open and the saves do nothing, and Close only closes a
// document that has nothing to lose.

namespace scrivlet {

void MainFrame::NewDocument() {}

void MainFrame::OpenDocuments() {}

bool MainFrame::SaveActive(DocumentTab*)
{
    return false;
}

bool MainFrame::SaveAsDocument(DocumentTab*)
{
    return false;
}

void MainFrame::SaveAllAs() {}

bool MainFrame::CloseDocument(DocumentTab* tab)
{
    const int index = IndexOf(tab);
    if (index < 0)
        return false;
    // A modified document stays open until it can be offered for saving.
    if (tab->Grid() && tab->Grid()->IsModified())
        return false;
    CloseTab(index);
    return true;
}

bool MainFrame::CloseAllDocuments()
{
    for (int index = TabCount() - 1; index >= 0; --index) {
        if (!CloseDocument(TabAt(index)))
            return false;
    }
    return true;
}

}  // namespace scrivlet
