#pragma once

#include "documents/EdtDocument.h"

#include <QHash>
#include <QStringView>

#include <optional>

#include <functional>
#include <utility>
#include <vector>

// The fields of a reference grouped by their text, indexed once per reference: finding the
// fields that share a field's original is a hash look-up and a walk along its group, not a
// scan of the document, however often the translator commits.

namespace scrivlet {

class SourceGroups {
public:
    // The reference must outlive this index and stay unchanged (a reference is read-only).
    explicit SourceGroups(const EdtDocument& reference);

    // The fields other than (record, field) whose reference text is the same non-empty text,
    // in record and field order.
    std::vector<std::pair<int, int>> SameSource(int record, int field) const;

    // Every text held by more than one field, as its fields in record and field order.
    void ForEachGroup(
        const std::function<void(const std::vector<std::pair<int, int>>&)>& visit) const;

private:
    const EdtDocument& reference_;
    int fields_;
    // Per text: the first field holding it; per field: the next one with its text, -1 at the
    // end. Fields are numbered record * fields_ + field.
    QHash<QStringView, int> first_;
    std::vector<int> next_;
};

// The fields to give (record, field)'s translation: those with the same original whose
// translation is empty or still equal to their original, and that the translation fits. None
// when the field itself is untranslated (empty, or equal to its original).
std::vector<std::pair<int, int>> PropagationTargets(const SourceGroups& groups,
                                                    const EdtDocument& document,
                                                    const EdtDocument& reference, int record,
                                                    int field);

struct GroupFill {
    qint64 groups = 0;       // originals with translated and untranslated fields both
    qint64 filled = 0;       // untranslated fields given their group's translation
    qint64 conflicting = 0;  // of those groups, the ones left alone: translated differently
};

// Plans to give every untranslated field (empty, or equal to its original) the translation the
// other fields with its original have, where they all have the same one and it fits the field.
// False when no memory is left.
bool PlanGroupFill(const SourceGroups& groups, const EdtDocument& document,
                   const EdtDocument& reference, TextPlan* plan, GroupFill* fill);

// The same for the given fields only (an update's new records, still untranslated): each takes
// the translation every other field with its original has, where they agree and it fits. One
// pass over the document looks only at the fields whose original is one of theirs. The stale
// fields' texts translate some other original (an update's changed fields): they give nothing.
bool PlanFieldFill(const EdtDocument& document, const EdtDocument& reference,
                   const std::vector<std::pair<int, int>>& fields,
                   const std::vector<std::pair<int, int>>& stale, TextPlan* plan, GroupFill* fill);

}  // namespace scrivlet
