#include "session/FieldTextsStep.h"

#include <utility>

namespace scrivlet {

FieldTextsStep::FieldTextsStep(EdtDocument* document, int column,
                               std::vector<EdtDocument::FieldEdit> entries, const QString& text,
                               std::function<void(bool)> follow)
    : DocumentStep(document, text, entries.front().record, column),
      entries_(std::move(entries)),
      follow_(std::move(follow))
{
}

void FieldTextsStep::redo()
{
    Exchange();
    if (follow_)
        follow_(true);
}

void FieldTextsStep::undo()
{
    Exchange();
    if (follow_)
        follow_(false);
}

void FieldTextsStep::Exchange()
{
    Run([this](EdtDocument& document) { document.ExchangeTexts(entries_); });
}

}  // namespace scrivlet
