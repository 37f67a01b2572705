#include "translation/ReviewMarks.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace scrivlet {

ReviewMarks::ReviewMarks(const EdtDocument& document, QObject* parent)
    : QObject(parent), document_(document)
{
}

void ReviewMarks::FollowInsert(int first, int last)
{
    Shift(first, last - first + 1);
}

void ReviewMarks::FollowRemove(int first, int last)
{
    auto it = marks_.lower_bound({first, 0});
    while (it != marks_.end() && it->first.first <= last)
        it = marks_.erase(it);
    Shift(last + 1, first - last - 1);
}

void ReviewMarks::Set(int record, int field, const ReviewMark& mark)
{
    marks_[{record, field}] = Entry{mark, document_.FieldText(record, field).toString()};
    emit Changed(record, record);
}

bool ReviewMarks::Clear(int record, int field)
{
    if (marks_.erase({record, field}) == 0)
        return false;
    emit Changed(record, record);
    return true;
}

void ReviewMarks::ClearAll()
{
    if (marks_.empty())
        return;
    const int first = marks_.begin()->first.first, last = marks_.rbegin()->first.first;
    marks_.clear();
    emit Changed(first, last);
}

std::optional<ReviewMark> ReviewMarks::At(int record, int field) const
{
    const auto it = marks_.find({record, field});
    return it == marks_.end() ? std::nullopt : std::optional(it->second.mark);
}

void ReviewMarks::FollowEdit(int first, int last)
{
    auto it = marks_.lower_bound({first, 0});
    while (it != marks_.end() && it->first.first <= last) {
        const auto [record, field] = it->first;
        // A change in the range that left this field as it was is no edit of it.
        if (record < document_.RecordCount() &&
            document_.FieldText(record, field) == it->second.translation) {
            ++it;
            continue;
        }
        it = marks_.erase(it);
    }
}

// Moves the marks of records from first on by `by` records.
void ReviewMarks::Shift(int first, int by)
{
    auto it = marks_.lower_bound({first, 0});
    if (it == marks_.end())
        return;
    std::vector<std::pair<std::pair<int, int>, Entry>> moved(it, marks_.end());
    marks_.erase(it, marks_.end());
    for (auto& [place, entry] : moved)
        marks_.emplace(std::pair{place.first + by, place.second}, std::move(entry));
}

std::vector<std::pair<int, int>> ReviewMarks::Fields() const
{
    std::vector<std::pair<int, int>> fields;
    fields.reserve(marks_.size());
    for (const auto& [place, entry] : marks_)
        fields.push_back(place);
    return fields;
}

ReviewMarks::Saved ReviewMarks::All() const
{
    Saved saved;
    for (const auto& [place, entry] : marks_)
        saved.emplace_hint(saved.end(), place, entry.mark);
    return saved;
}

void ReviewMarks::Restore(const Saved& marks)
{
    if (marks_.empty() && marks.empty())
        return;
    int first = marks_.empty() ? INT_MAX : marks_.begin()->first.first;
    int last = marks_.empty() ? -1 : marks_.rbegin()->first.first;
    marks_.clear();
    for (const auto& [place, mark] : marks) {
        // A mark beyond the document (it cannot happen through the history) is dropped.
        if (place.first >= document_.RecordCount())
            continue;
        marks_.emplace_hint(marks_.end(), place,
                            Entry{mark, document_.FieldText(place.first, place.second).toString()});
        first = std::min(first, place.first);
        last = std::max(last, place.first);
    }
    if (last < 0)
        return;
    restoring_ = true;
    emit Changed(first, last);
    restoring_ = false;
}

}  // namespace scrivlet
