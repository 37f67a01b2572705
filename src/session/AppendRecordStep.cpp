#include "session/AppendRecordStep.h"

#include "documents/EdtDocument.h"

namespace scrivlet {

AppendRecordStep::AppendRecordStep(EdtDocument* document, int at, const QString& text)
    : DocumentStep(document, text, at, 0)
{
}

void AppendRecordStep::redo()
{
    Run([this](EdtDocument& document) { added_ = document.InsertRecords(Row(), 1); });
}

void AppendRecordStep::undo()
{
    // A record that could not be added (no memory) is not taken away either.
    if (added_)
        Run([this](EdtDocument& document) { document.RemoveRecords(Row(), 1); });
    added_ = false;
}

}  // namespace scrivlet
