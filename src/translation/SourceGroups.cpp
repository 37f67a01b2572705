#include "translation/SourceGroups.h"

#include <QSet>

#include <algorithm>

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

namespace {

// The translations of one original's fields: the one they share, or that they differ.
struct Agreement {
    std::optional<QStringView> translation;
    bool differing = false;
    qsizetype planned = -1;  // the plan's entry holding the translation, once a field took it

    void See(QStringView text)
    {
        if (!translation)
            translation = text;
        else if (text != *translation)
            differing = true;
    }
};

bool Untranslated(QStringView text, QStringView source)
{
    return text.isEmpty() || text == source;
}

// Gives the field the agreed translation when it fits: one copy of the text serves every
// field that takes it. False when no memory is left.
bool Fill(const EdtDocument& document, int record, int field, Agreement& agreed, TextPlan* plan,
          GroupFill* fill)
{
    if (agreed.translation->size() > document.Format().fields[document.TextColumn(field)].size)
        return true;
    if (agreed.planned < 0 ? !plan->Add(record, field, *agreed.translation)
                           : !plan->AddSame(record, field, agreed.planned))
        return false;
    if (agreed.planned < 0)
        agreed.planned = plan->Size() - 1;
    ++fill->filled;
    return true;
}

}  // namespace

bool PlanGroupFill(const SourceGroups& groups, const EdtDocument& document,
                   const EdtDocument& reference, TextPlan* plan, GroupFill* fill)
{
    *fill = {};
    bool stored = true;
    groups.ForEachGroup([&](const std::vector<std::pair<int, int>>& group) {
        std::vector<std::pair<int, int>> untranslated;
        Agreement agreed;
        for (const auto& [record, field] : group) {
            if (record >= document.RecordCount() || field >= document.TextFieldCount())
                continue;
            const QStringView text = document.FieldText(record, field);
            if (Untranslated(text, reference.FieldText(record, field)))
                untranslated.emplace_back(record, field);
            else
                agreed.See(text);
        }
        if (!agreed.translation || untranslated.empty())
            return;
        ++fill->groups;
        if (agreed.differing) {
            ++fill->conflicting;
            return;
        }
        for (const auto& [record, field] : untranslated) {
            if (stored)
                stored = Fill(document, record, field, agreed, plan, fill);
        }
    });
    return stored;
}

bool PlanFieldFill(const EdtDocument& document, const EdtDocument& reference,
                   const std::vector<std::pair<int, int>>& fields,
                   const std::vector<std::pair<int, int>>& stale, TextPlan* plan, GroupFill* fill)
{
    *fill = {};
    const int records = std::min(document.RecordCount(), reference.RecordCount());
    const int width = std::min(document.TextFieldCount(), reference.TextFieldCount());
    QHash<QStringView, Agreement> wanted;
    // The lengths of the wanted originals: most fields are passed over without hashing them.
    std::vector<bool> lengths;
    for (const auto& [record, field] : fields) {
        if (record < 0 || record >= records || field < 0 || field >= width)
            continue;
        const QStringView source = reference.FieldText(record, field);
        if (source.isEmpty() || !Untranslated(document.FieldText(record, field), source))
            continue;
        wanted.insert(source, {});
        if (lengths.size() <= size_t(source.size()))
            lengths.resize(size_t(source.size()) + 1);
        lengths[size_t(source.size())] = true;
    }
    if (wanted.isEmpty())
        return true;
    QSet<qint64> passedOver;
    for (const auto& [record, field] : stale)
        passedOver.insert(qint64(record) * width + field);
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < width; ++field) {
            const QStringView source = reference.FieldText(record, field);
            if (size_t(source.size()) >= lengths.size() || !lengths[size_t(source.size())])
                continue;
            const QStringView text = document.FieldText(record, field);
            const auto group =
                Untranslated(text, source) || passedOver.contains(qint64(record) * width + field)
                    ? wanted.end()
                    : wanted.find(source);
            if (group != wanted.end())
                group->See(text);
        }
    }
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        fill->groups += it->translation ? 1 : 0;
        fill->conflicting += it->differing ? 1 : 0;
    }
    for (const auto& [record, field] : fields) {
        if (record < 0 || record >= records || field < 0 || field >= width)
            continue;
        const auto group = wanted.find(reference.FieldText(record, field));
        if (group == wanted.end() || !group->translation || group->differing ||
            !Untranslated(document.FieldText(record, field), group.key()))
            continue;
        if (!Fill(document, record, field, *group, plan, fill))
            return false;
    }
    return true;
}

}  // namespace scrivlet
