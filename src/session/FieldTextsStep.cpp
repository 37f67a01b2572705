#include "session/FieldTextsStep.h"

#include "session/DocumentHistory.h"

#include <utility>

namespace scrivlet {

FieldTextsStep::FieldTextsStep(DocumentHistory* history, int column,
                               std::vector<EdtDocument::FieldEdit> entries, const QString& text)
    : DocumentStep(history, text, entries.front().record, column), entries_(std::move(entries))
{
}

void FieldTextsStep::redo()
{
    Exchange();
}

void FieldTextsStep::undo()
{
    Exchange();
}

void FieldTextsStep::Exchange()
{
    History()->Run([this](EdtDocument& document) { document.ExchangeTexts(entries_); });
}

}  // namespace scrivlet
