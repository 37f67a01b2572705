#pragma once

#include "store/Memory.h"
#include "translation/ReviewMarks.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Update to New Original of the File menu, for one document.

namespace scrivlet {

class DialogHost;
class DocumentSession;
class EdtDocument;

// The session's document translates its reference; askNewOriginal asks for the reference's
// new version (null: cancelled). The translation is carried over to it as one step of the
// history, the new version becomes the reference, the fields to review are marked, and a
// report tells the counts and those fields. Without a reference it says what to do first.
// keepRemoved, when given, takes the translations of removed records (against the old
// original's texts), for the memory.
void UpdateToNewOriginalCommand(
    DialogHost& host, QWidget* parent, DocumentSession& session,
    const std::function<std::unique_ptr<EdtDocument>()>& askNewOriginal,
    const std::function<void(std::vector<MemoryUnit>)>& keepRemoved = {});

// Carries the session's document over to output as one step of its history, with newOriginal
// as its reference and marks as its review marks; undoing the step gives back the reference
// and the marks of before. The step is made also when every text stays (the sources changed
// under kept translations); false when the memory ran out and nothing changed.
bool ReplaceForUpdate(DocumentSession& session, const EdtDocument& output,
                      std::shared_ptr<const EdtDocument> newOriginal, ReviewMarks::Saved marks);

}  // namespace scrivlet
