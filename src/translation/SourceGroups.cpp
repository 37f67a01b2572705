#include "translation/SourceGroups.h"

namespace scrivlet {

SourceGroups::SourceGroups(const EdtDocument& reference)
    : reference_(reference), fields_(reference.TextFieldCount())
{
    const int records = reference.RecordCount();
    next_.assign(static_cast<size_t>(records) * fields_, -1);
    QHash<QStringView, int> last;  // the group's end, where the next of its fields is linked
    first_.reserve(records);
    last.reserve(records);
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < fields_; ++field) {
            const QStringView text = reference.FieldText(record, field);
            if (text.isEmpty())
                continue;
            const int slot = record * fields_ + field;
            auto tail = last.find(text);
            if (tail == last.end()) {
                first_.insert(text, slot);
                last.insert(text, slot);
            } else {
                next_[static_cast<size_t>(*tail)] = slot;
                *tail = slot;
            }
        }
    }
}

std::vector<std::pair<int, int>> SourceGroups::SameSource(int record, int field) const
{
    std::vector<std::pair<int, int>> same;
    if (record < 0 || record >= reference_.RecordCount() || field < 0 || field >= fields_)
        return same;
    const int own = record * fields_ + field;
    for (int slot = first_.value(reference_.FieldText(record, field), -1); slot >= 0;
         slot = next_[static_cast<size_t>(slot)]) {
        if (slot != own)
            same.emplace_back(slot / fields_, slot % fields_);
    }
    return same;
}

void SourceGroups::ForEachGroup(
    const std::function<void(const std::vector<std::pair<int, int>>&)>& visit) const
{
    std::vector<std::pair<int, int>> group;
    for (const int head : first_) {
        if (next_[static_cast<size_t>(head)] < 0)
            continue;
        group.clear();
        for (int slot = head; slot >= 0; slot = next_[static_cast<size_t>(slot)])
            group.emplace_back(slot / fields_, slot % fields_);
        visit(group);
    }
}

std::vector<std::pair<int, int>> PropagationTargets(const SourceGroups& groups,
                                                    const EdtDocument& document,
                                                    const EdtDocument& reference, int record,
                                                    int field)
{
    std::vector<std::pair<int, int>> targets;
    if (record < 0 || record >= document.RecordCount() || record >= reference.RecordCount() ||
        field < 0 || field >= document.TextFieldCount())
        return targets;
    const QStringView source = reference.FieldText(record, field);
    const QStringView translation = document.FieldText(record, field);
    if (source.isEmpty() || translation.isEmpty() || translation == source)
        return targets;
    for (const auto& [other, otherField] : groups.SameSource(record, field)) {
        if (other >= document.RecordCount() || otherField >= document.TextFieldCount())
            continue;
        const QStringView text = document.FieldText(other, otherField);
        const int size = document.Format().fields[document.TextColumn(otherField)].size;
        if ((text.isEmpty() || text == source) && translation.size() <= size)
            targets.emplace_back(other, otherField);
    }
    return targets;
}

bool PlanGroupFill(const SourceGroups& groups, const EdtDocument& document,
                   const EdtDocument& reference, TextPlan* plan, GroupFill* fill)
{
    *fill = {};
    bool stored = true;
    groups.ForEachGroup([&](const std::vector<std::pair<int, int>>& group) {
        std::vector<std::pair<int, int>> untranslated;
        std::optional<QStringView> translation;
        bool differing = false;
        for (const auto& [record, field] : group) {
            if (record >= document.RecordCount() || field >= document.TextFieldCount())
                continue;
            const QStringView text = document.FieldText(record, field);
            if (text.isEmpty() || text == reference.FieldText(record, field))
                untranslated.emplace_back(record, field);
            else if (!translation)
                translation = text;
            else if (text != *translation)
                differing = true;
        }
        if (!translation || untranslated.empty())
            return;
        ++fill->groups;
        if (differing) {
            ++fill->conflicting;
            return;
        }
        // One copy of the text serves every field of the group.
        qsizetype planned = -1;
        for (const auto& [record, field] : untranslated) {
            if (translation->size() > document.Format().fields[document.TextColumn(field)].size)
                continue;
            if (planned < 0 ? !plan->Add(record, field, *translation)
                            : !plan->AddSame(record, field, planned)) {
                stored = false;
                return;
            }
            if (planned < 0)
                planned = plan->Size() - 1;
            ++fill->filled;
        }
    });
    return stored;
}

}  // namespace scrivlet
