#include "session/FieldNotesStep.h"

#include <utility>

namespace scrivlet {

FieldNotesStep::FieldNotesStep(EdtDocument* document, FieldStates* states,
                               std::vector<PlacedNote> before, std::vector<PlacedNote> after,
                               int column, const QString& text)
    : DocumentStep(document, text, after.front().record, column),
      states_(states),
      before_(std::move(before)),
      after_(std::move(after))
{
}

void FieldNotesStep::redo()
{
    Put(after_);
}

void FieldNotesStep::undo()
{
    Put(before_);
}

void FieldNotesStep::Put(const std::vector<PlacedNote>& notes)
{
    Run([&](EdtDocument&) {
        if (!states_)
            return;
        for (const PlacedNote& placed : notes)
            states_->Set(placed.record, placed.field, placed.note);
    });
}

}  // namespace scrivlet
