#pragma once

#include "session/DocumentStep.h"
#include "translation/FieldStates.h"

#include <QPointer>

#include <vector>

namespace scrivlet {

// States and comments of fields set (needs work toggled, approved, confirmed, a comment), with
// what they were before. The file's texts stay: a save writes nothing new for it.
class FieldNotesStep : public DocumentStep {
public:
    // before and after name the same fields in the same order; an empty note is none.
    FieldNotesStep(EdtDocument* document, FieldStates* states, std::vector<PlacedNote> before,
                   std::vector<PlacedNote> after, int column, const QString& text);
    void redo() override;
    void undo() override;
    bool ChangesFile() const override { return false; }

private:
    void Put(const std::vector<PlacedNote>& notes);

    QPointer<FieldStates> states_;
    std::vector<PlacedNote> before_, after_;
};

}  // namespace scrivlet
