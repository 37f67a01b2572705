#pragma once

#include "documents/EdtDocument.h"
#include "session/DocumentStep.h"

#include <functional>
#include <vector>

namespace scrivlet {

// Fields swapped between two texts the document holds: typing, Replace, Replace All, an
// import, a propagation. Undo and redo are the same exchange, so the step keeps one reference
// per field, not two texts. follow, when given, runs after each redo (true) and undo (false),
// for what belongs to the step beside the texts (the states an import or a fill gives).
class FieldTextsStep : public DocumentStep {
public:
    // entries must not be empty; column is the document column of the first one.
    FieldTextsStep(EdtDocument* document, int column, std::vector<EdtDocument::FieldEdit> entries,
                   const QString& text, std::function<void(bool)> follow = {});
    void redo() override;
    void undo() override;

private:
    void Exchange();

    std::vector<EdtDocument::FieldEdit> entries_;
    std::function<void(bool)> follow_;
};

}  // namespace scrivlet
