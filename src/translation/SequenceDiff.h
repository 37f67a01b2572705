#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

// The longest common subsequence of two sequences of hashes by Myers's greedy diff, bounded:
// its cost grows with the length times the edits, and past maxEdits it gives up.

namespace scrivlet {

// The matched (i, j) pairs in ascending order; false (and nothing matched) when more than
// maxEdits insertions and deletions are needed.
bool MatchSequences(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                    int maxEdits, std::vector<std::pair<int, int>>* matched);

}  // namespace scrivlet
