#pragma once

#include <QStringView>

#include <string>
#include <vector>

// New texts for a document's fields, gathered by a planner that only reads the document
// (Replace All, an import, a pre-translation, a propagation); the document's session then
// makes the plan one step of its history. The texts sit one after another in one buffer, as the
// document keeps its own, so that a plan over a million fields costs two allocations and the
// document takes all its texts in one copy.

namespace scrivlet {

class TextPlan {
public:
    struct Entry {
        int record = 0;
        int field = 0;        // among the document's text fields
        qsizetype start = 0;  // in Texts()
        qsizetype length = 0;
    };

    // false when no memory is left (the plan is then as it was).
    bool Add(int record, int field, QStringView text);
    // The text of an earlier entry (the last one by default) once more, for another field: a
    // propagation gives one text to many fields. False without such an entry or when no memory
    // is left.
    bool AddSame(int record, int field, qsizetype entry = -1);

    bool IsEmpty() const { return entries_.empty(); }
    qsizetype Size() const { return static_cast<qsizetype>(entries_.size()); }
    const std::vector<Entry>& Entries() const { return entries_; }
    QStringView Texts() const { return QStringView(texts_.data(), texts_.size()); }
    QStringView TextOf(const Entry& entry) const { return Texts().mid(entry.start, entry.length); }

private:
    std::u16string texts_;
    std::vector<Entry> entries_;
};

}  // namespace scrivlet
