#include "session/AppendRecordStep.h"

#include "documents/EdtDocument.h"
#include "session/DocumentHistory.h"

namespace scrivlet {

AppendRecordStep::AppendRecordStep(DocumentHistory* history, int at, const QString& text)
    : DocumentStep(history, text, at, 0)
{
}

void AppendRecordStep::redo()
{
    History()->Run([this](EdtDocument& document) { added_ = document.InsertRecords(Row(), 1); });
}

void AppendRecordStep::undo()
{
    // A record that could not be added (no memory) is not taken away either.
    if (added_)
        History()->Run([this](EdtDocument& document) { document.RemoveRecords(Row(), 1); });
    added_ = false;
}

}  // namespace scrivlet
