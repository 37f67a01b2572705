#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

// Carrying a translation over to a new version of its original. Given the old original, the
// new one and the translation made for the old one (record i translating record i), the
// translation for the new original is built record by record:
// - records whose texts are all equal in both versions are matched as a longest common
//   subsequence of whole records and keep their translation ("kept" at the same index, else
//   "moved");
// - between two matched records, the rest are paired when they share an equal non-empty text,
//   best pairs first ("changed"): a field with the same source keeps its translation; one
//   whose source changed keeps it and is marked for review, unless it was never translated
//   (equal to its old source), then it takes the new source;
// - new records left unpaired take the new original's texts, each non-empty field marked;
//   old records left unpaired are "removed";
// - a field of a new record whose original the output translates elsewhere, every time the
//   same way, takes that translation if it fits ("propagated"); it stays marked.

namespace scrivlet {

enum class RecordOutcome : std::uint8_t { Kept, Moved, Changed, New };

// Why a field waits for the translator; the values are stored in project files.
enum class ReviewReason : std::uint8_t { None = 0, Changed = 1, New = 2 };

struct ReviewField {
    int record = 0;  // in the new original
    int field = 0;   // text field
    ReviewReason reason = ReviewReason::None;
    bool operator==(const ReviewField&) const = default;
};

struct AlignmentCounts {
    qint64 records = 0;  // of the new original
    qint64 kept = 0, moved = 0, changed = 0, added = 0, removed = 0;
    qint64 propagated = 0;  // fields of new records
    // A stretch was too long or too different to diff or pair exhaustively: its records were
    // paired by position there.
    bool fallback = false;
};

struct Alignment {
    std::unique_ptr<EdtDocument> output;  // the translation for the new original
    std::vector<int> fromOld;             // per new record: its old record, -1 for a new one
    std::vector<RecordOutcome> outcomes;  // per new record
    std::vector<ReviewField> review;      // in record and field order
    // Old records left unpaired; their translations are the input's records of these numbers.
    std::vector<int> removed;
    AlignmentCounts counts;
};

// The three documents share one format's text fields and the input has as many records as the
// old original; else a failure that says so. The output takes the input's format, path, file
// type and encoding.
Result AlignTranslation(const EdtDocument& oldOriginal, const EdtDocument& newOriginal,
                        const EdtDocument& input, Alignment* alignment);

// The stored name of a reason: "changed", "new" (empty for none).
const char* ReviewReasonName(ReviewReason reason);

}  // namespace scrivlet
