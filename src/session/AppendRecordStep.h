#pragma once

#include "session/DocumentStep.h"

namespace scrivlet {

// An empty record at the end. Empty records at the end are never written, so the step changes
// no file.
class AppendRecordStep : public DocumentStep {
public:
    AppendRecordStep(EdtDocument* document, int at, const QString& text);
    void redo() override;
    void undo() override;
    bool ChangesFile() const override { return false; }

private:
    bool added_ = false;
};

}  // namespace scrivlet
