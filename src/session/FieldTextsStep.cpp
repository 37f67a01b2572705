#include "session/FieldTextsStep.h"

#include <utility>

namespace scrivlet {

FieldTextsStep::FieldTextsStep(EdtDocument* document, int column,
                               std::vector<EdtDocument::FieldEdit> entries, const QString& text)
    : DocumentStep(document, text, entries.front().record, column), entries_(std::move(entries))
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
    Run([this](EdtDocument& document) { document.ExchangeTexts(entries_); });
}

}  // namespace scrivlet
