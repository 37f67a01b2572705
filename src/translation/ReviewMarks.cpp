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
    while (it != marks_.end() && it->first.first <= last) {
        active_ -= it->second.awake ? 1 : 0;
        it = marks_.erase(it);
    }
    Shift(last + 1, first - last - 1);
}

void ReviewMarks::Set(int record, int field, const ReviewMark& mark)
{
    const auto [it, added] = marks_.try_emplace({record, field});
    if (added || !it->second.awake)
        ++active_;
    it->second = Entry{mark, document_.FieldText(record, field).toString()};
    emit Changed(record, record);
}

// A sleeping mark is not shown, so there is nothing to confirm: it stays for an undo of the
// edit, which brings back the text that was never reviewed.
bool ReviewMarks::Clear(int record, int field)
{
    const auto it = marks_.find({record, field});
    if (it == marks_.end() || !it->second.awake)
        return false;
    marks_.erase(it);
    --active_;
    emit Changed(record, record);
    return true;
}

void ReviewMarks::ClearAll()
{
    if (marks_.empty())
        return;
    const int first = marks_.begin()->first.first, last = marks_.rbegin()->first.first;
    marks_.clear();
    active_ = 0;
    emit Changed(first, last);
}

void ReviewMarks::ForgetEdited()
{
    std::erase_if(marks_, [](const auto& place) { return !place.second.awake; });
}

std::optional<ReviewMark> ReviewMarks::At(int record, int field) const
{
    const auto it = marks_.find({record, field});
    return it == marks_.end() || !it->second.awake ? std::nullopt : std::optional(it->second.mark);
}

bool ReviewMarks::Has(int record, int field) const
{
    const auto it = marks_.find({record, field});
    return it != marks_.end() && it->second.awake;
}

// Not told as Changed: the text change that wakes or puts a mark to sleep re-judges the field
// anyway, and the project must not take an unsaved edit as a review.
void ReviewMarks::FollowEdit(int first, int last)
{
    for (auto it = marks_.lower_bound({first, 0}); it != marks_.end() && it->first.first <= last;
         ++it) {
        const auto [record, field] = it->first;
        const bool awake = record < document_.RecordCount() &&
                           document_.FieldText(record, field) == it->second.translation;
        active_ += static_cast<int>(awake) - static_cast<int>(it->second.awake);
        it->second.awake = awake;
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
    fields.reserve(static_cast<size_t>(active_));
    for (const auto& [place, entry] : marks_) {
        if (entry.awake)
            fields.push_back(place);
    }
    return fields;
}

ReviewMarks::Saved ReviewMarks::All() const
{
    Saved saved;
    for (const auto& [place, entry] : marks_) {
        if (entry.awake)
            saved.emplace_hint(saved.end(), place, entry.mark);
    }
    return saved;
}

void ReviewMarks::Restore(const Saved& marks)
{
    if (marks_.empty() && marks.empty())
        return;
    int first = marks_.empty() ? INT_MAX : marks_.begin()->first.first;
    int last = marks_.empty() ? -1 : marks_.rbegin()->first.first;
    marks_.clear();
    active_ = 0;
    for (const auto& [place, mark] : marks) {
        // A mark beyond the document (it cannot happen through the history) is dropped.
        if (place.first >= document_.RecordCount())
            continue;
        marks_.emplace_hint(marks_.end(), place,
                            Entry{mark, document_.FieldText(place.first, place.second).toString()});
        ++active_;
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
