#include "MainFrame.h"

namespace scrivlet {

void MainFrame::ShowFindDialog()
{
    // Left empty until the find dialog exists: it is to be made here on the first Find and
    // only hidden afterwards.
}

}  // namespace scrivlet
