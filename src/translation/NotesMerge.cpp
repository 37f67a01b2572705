#include "translation/NotesMerge.h"

#include <map>
#include <utility>

namespace scrivlet {
namespace {

using Key = std::pair<int, int>;

// How settled a state is; the lower wins where both sides changed it.
int Settled(StoredState state)
{
    switch (state) {
        case StoredState::NeedsWork:
            return 0;
        case StoredState::None:
            return 1;
        case StoredState::Translated:
            return 2;
        case StoredState::Approved:
            return 3;
    }
    return 1;
}

}  // namespace

MergedNote MergeNote(const FieldNote& base, const FieldNote& ours, const FieldNote& theirs)
{
    MergedNote out;
    const auto stateOf = [](const FieldNote& n) { return std::pair(n.state, n.hash); };
    if (stateOf(ours) == stateOf(base) && stateOf(theirs) != stateOf(base)) {
        out.note.state = theirs.state, out.note.hash = theirs.hash;
        out.tookTheirs = true;
    } else if (stateOf(theirs) == stateOf(base) || stateOf(ours) == stateOf(theirs)) {
        out.note.state = ours.state, out.note.hash = ours.hash;
    } else {
        const FieldNote& winner = Settled(theirs.state) < Settled(ours.state) ? theirs : ours;
        out.note.state = winner.state, out.note.hash = winner.hash;
        out.tookTheirs = &winner == &theirs;
        out.joined = true;
    }
    if (ours.comment == base.comment && theirs.comment != base.comment) {
        out.note.comment = theirs.comment;
        out.tookTheirs = true;
    } else if (theirs.comment == base.comment || ours.comment == theirs.comment) {
        out.note.comment = ours.comment;
    } else if (ours.comment.isEmpty() || theirs.comment.isEmpty()) {
        // One side took the comment away, the other rewrote it: the words are worth more.
        out.note.comment = ours.comment.isEmpty() ? theirs.comment : ours.comment;
        out.tookTheirs = ours.comment.isEmpty();
        out.joined = true;
    } else {
        out.note.comment = ours.comment + u'\n' + theirs.comment;
        out.tookTheirs = out.joined = true;
    }
    return out;
}

std::vector<PlacedNote> MergeNotes(const std::vector<PlacedNote>& base,
                                   const std::vector<PlacedNote>& ours,
                                   const std::vector<PlacedNote>& theirs, NotesMergeCounts* counts)
{
    std::map<Key, FieldNote> sides[3];
    const std::vector<PlacedNote>* lists[3] = {&base, &ours, &theirs};
    for (int side = 0; side < 3; ++side) {
        for (const PlacedNote& placed : *lists[side])
            sides[side][{placed.record, placed.field}] = placed.note;
    }
    std::map<Key, bool> keys;
    for (const auto& side : sides) {
        for (const auto& entry : side)
            keys[entry.first] = true;
    }
    const auto noteAt = [](const std::map<Key, FieldNote>& side, const Key& key) {
        const auto found = side.find(key);
        return found == side.end() ? FieldNote{} : found->second;
    };
    NotesMergeCounts tally;
    std::vector<PlacedNote> merged;
    for (const auto& [key, unused] : keys) {
        const MergedNote parts =
            MergeNote(noteAt(sides[0], key), noteAt(sides[1], key), noteAt(sides[2], key));
        if (parts.note.IsEmpty())
            continue;
        merged.push_back({key.first, key.second, parts.note});
        ++tally.notes;
        tally.merged += parts.tookTheirs ? 1 : 0;
        tally.joined += parts.joined ? 1 : 0;
    }
    if (counts)
        *counts = tally;
    return merged;
}

}  // namespace scrivlet
