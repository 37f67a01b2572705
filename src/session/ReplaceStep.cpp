#include "session/ReplaceStep.h"

#include <utility>

namespace scrivlet {

ReplaceStep::ReplaceStep(EdtDocument* document, std::vector<EdtDocument::FieldEdit> entries,
                         int before, int after, const QString& text,
                         std::function<void(bool)> follow)
    : DocumentStep(document, text, 0, 0),
      entries_(std::move(entries)),
      before_(before),
      after_(after),
      follow_(std::move(follow))
{
}

void ReplaceStep::redo()
{
    Change(before_, after_);
    if (follow_)
        follow_(true);
}

void ReplaceStep::undo()
{
    Change(after_, before_);
    if (follow_)
        follow_(false);
}

void ReplaceStep::Change(int from, int to)
{
    Run([&](EdtDocument& document) {
        if (to > from)
            document.InsertRecords(from, to - from);
        document.ExchangeTexts(entries_);
        if (to < from)
            document.RemoveRecords(to, from - to);
    });
}

}  // namespace scrivlet
