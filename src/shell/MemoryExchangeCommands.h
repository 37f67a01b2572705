#pragma once

#include "store/TranslationMemory.h"

class QWidget;

// File > Project Exchange > Import Memory and Export Memory: a TMX file (or a PO or XLIFF file
// of ours) into the open project's translation memory, and the memory out to TMX, each with a
// progress dialog that can cancel and a report of the counts.

namespace scrivlet {

class FrameParts;

// Asks the languages of a memory that has none yet, offering what is known of them; false when
// the user cancelled.
bool AskMemoryLanguages(QWidget* parent, MemoryLanguages* languages);

void ImportMemoryCommand(FrameParts& frame);
void ExportMemoryCommand(FrameParts& frame);
// Connects the two commands.
void ConnectMemoryExchange(FrameParts& frame);

}  // namespace scrivlet
