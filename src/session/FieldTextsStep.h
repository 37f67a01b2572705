#pragma once

#include "documents/EdtDocument.h"
#include "session/DocumentStep.h"

#include <vector>

namespace scrivlet {

// Fields swapped between two texts the document holds: typing, Replace, Replace All, an
// import, a propagation. Undo and redo are the same exchange, so the step keeps one reference
// per field, not two texts.
class FieldTextsStep : public DocumentStep {
public:
    // entries must not be empty; column is the document column of the first one.
    FieldTextsStep(EdtDocument* document, int column, std::vector<EdtDocument::FieldEdit> entries,
                   const QString& text);
    void redo() override;
    void undo() override;

private:
    void Exchange();

    std::vector<EdtDocument::FieldEdit> entries_;
};

}  // namespace scrivlet
