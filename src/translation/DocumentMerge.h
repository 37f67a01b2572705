#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// A three-way merge of two versions of a translation made from a common base, field by field.
// Records are paired by index while both sides keep the base's record count, else each side is
// aligned with the base as an update of the originals aligns records. Per field: a side that
// left the base's text alone takes the other side's; the same text on both sides agrees; two
// different changes conflict, and the merged document keeps ours there.
// Whole records: one inserted by a side is kept (after the record it follows in that side; an
// equal record both inserted there, once); one removed by a side goes unless the other side
// changed it, which is a conflict (ours removed it: it stays removed; theirs did: ours stays).

namespace scrivlet {

struct FieldConflict {
    int record = 0;  // in the merged document; -1 for a record ours removed
    int field = 0;   // text field
    QString base, ours, theirs;
};

struct MergeCounts {
    qint64 fields = 0;     // text fields of the merged document
    qint64 merged = 0;     // of them, those that took theirs' text where ours had another
    qint64 conflicts = 0;  // fields changed two ways
};

struct DocumentMerge {
    std::unique_ptr<EdtDocument> output;   // ours' format, path, file type and encoding
    std::vector<FieldConflict> conflicts;  // in merged order; ours' removals last
    MergeCounts counts;
};

// The three documents share one format's text fields; else a failure that says so.
Result MergeDocuments(const EdtDocument& base, const EdtDocument& ours, const EdtDocument& theirs,
                      DocumentMerge* merge);

}  // namespace scrivlet
