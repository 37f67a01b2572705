#include "shell/StateCommands.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "shell/DocumentTab.h"
#include "translation/FieldStates.h"

#include <QApplication>
#include <QInputDialog>

namespace scrivlet {
namespace {

bool Comment(DocumentSession& session, int record, int field, QWidget* parent)
{
    const FieldNote* note = session.States()->At(record, field);
    bool ok = false;
    const QString comment =
        QInputDialog::getMultiLineText(parent, UiText("comment.title"), UiText("comment.label"),
                                       note ? note->comment : QString(), &ok);
    const QString name = RecordStepName("undo.comment", *session.Document(), record);
    return ok && session.SetComment(record, field, comment, name);
}

// The field in each selected record: a reviewer approves (or marks) many lines at once.
std::vector<std::pair<int, int>> SelectedFields(DocumentTab& tab, int field)
{
    std::vector<std::pair<int, int>> fields;
    for (const int row : tab.View()->SelectedRows()) {
        if (row >= 0 && row < tab.Document()->RecordCount())
            fields.emplace_back(row, field);
    }
    return fields;
}

}  // namespace

void RunStateCommand(Command command, DocumentTab* tab, QWidget* parent)
{
    if (!tab)
        return;
    DocumentSession& session = *tab->Session();
    const int record = tab->View()->SelectedRow();
    const int field = session.Document()->FieldOfColumn(tab->View()->SelectedColumn());
    const QString name = RecordStepName("undo.state", *session.Document(), record);
    bool done = false;
    if (record >= 0 && record < session.Document()->RecordCount() && field >= 0) {
        switch (command) {
            case Command::ConfirmReview:
                done = tab->ConfirmSelectedReview();
                break;
            case Command::ToggleNeedsWork:
                done = session.ToggleNeedsWork(SelectedFields(*tab, field), name);
                break;
            case Command::Approve: {
                std::vector<std::pair<int, int>> fields = SelectedFields(*tab, field);
                // Of several, the empty ones wait: there is nothing to approve in them yet.
                if (fields.size() > 1)
                    std::erase_if(fields, [&](const std::pair<int, int>& f) {
                        return session.Document()->FieldText(f.first, f.second).isEmpty();
                    });
                done = session.SetStates(fields, StoredState::Approved, name);
                break;
            }
            case Command::EditComment:
                done = Comment(session, record, field, parent);
                break;
            default:
                break;
        }
    }
    if (!done)
        QApplication::beep();
}

}  // namespace scrivlet
