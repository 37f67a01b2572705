#pragma once

#include "translation/FieldStates.h"

#include <QtGlobal>

#include <vector>

// A three-way merge of the notes (states and comments) two people kept on one translation, field
// by field and part by part. A side that left a part as the base had it takes the other side's;
// where both changed a state two ways the less settled one wins (needs work first, then no
// state, a confirmation, an approval), so that a reviewer looks again rather than a guess passing
// as approved; where both changed a comment, both are kept, ours above theirs. Nothing conflicts.
// Notes are keyed by record index: a merge of documents that inserted records on one side moves
// that side's later records, and its notes are taken as they are kept.

namespace scrivlet {

struct NotesMergeCounts {
    qint64 notes = 0;   // notes of the merged set
    qint64 merged = 0;  // of them, those that took a part of theirs where ours had another
    qint64 joined = 0;  // of them, those whose state or comment both sides changed two ways
};

// One field's note merged, its state (with the hash) and its comment each on its own.
struct MergedNote {
    FieldNote note;
    bool tookTheirs = false;  // a part of theirs where ours had another
    bool joined = false;      // both sides changed a part two ways
};
MergedNote MergeNote(const FieldNote& base, const FieldNote& ours, const FieldNote& theirs);

// base, ours and theirs each sorted by record and field, as a note store reads them; the
// result too.
std::vector<PlacedNote> MergeNotes(const std::vector<PlacedNote>& base,
                                   const std::vector<PlacedNote>& ours,
                                   const std::vector<PlacedNote>& theirs,
                                   NotesMergeCounts* counts = nullptr);

}  // namespace scrivlet
