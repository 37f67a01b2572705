#pragma once

#include "documents/EdtDocument.h"
#include "session/DocumentStep.h"

#include <functional>
#include <vector>

namespace scrivlet {

// The whole document's texts and record count exchanged for another's: the file read again,
// or a translation carried over to a new original. Records are added or taken away at the end
// and every text that differs is swapped as in FieldTextsStep, so that undo brings back what
// the user had. follow, when given, runs after each redo (true) and undo (false), for what
// belongs to the step beside the texts (a reference, review marks).
class ReplaceStep : public DocumentStep {
public:
    ReplaceStep(EdtDocument* document, std::vector<EdtDocument::FieldEdit> entries, int before,
                int after, const QString& text, std::function<void(bool)> follow);
    void redo() override;
    void undo() override;
    // A carried-over translation may keep every text and change only what follows it.
    bool ChangesFile() const override { return !entries_.empty() || before_ != after_; }

private:
    void Change(int from, int to);

    std::vector<EdtDocument::FieldEdit> entries_;
    int before_;
    int after_;
    std::function<void(bool)> follow_;
};

}  // namespace scrivlet
