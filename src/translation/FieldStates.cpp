#include "translation/FieldStates.h"

#include <algorithm>
#include <climits>

namespace scrivlet {
namespace {

constexpr std::pair<StoredState, const char*> kStateNames[] = {
    {StoredState::NeedsWork, "needs_work"},
    {StoredState::Translated, "translated"},
    {StoredState::Approved, "approved"},
};

}  // namespace

// FNV-1a over the UTF-16 units: stable, cheap, and a collision only keeps a stale approval.
qint64 StateHash(QStringView text)
{
    quint64 hash = 14695981039346656037ULL;
    for (const QChar c : text) {
        for (const quint8 byte :
             {static_cast<quint8>(c.unicode() & 0xff), static_cast<quint8>(c.unicode() >> 8)}) {
            hash ^= byte;
            hash *= 1099511628211ULL;
        }
    }
    return static_cast<qint64>(hash);
}

const char* StoredStateName(StoredState state)
{
    for (const auto& [known, name] : kStateNames) {
        if (known == state)
            return name;
    }
    return "";
}

std::optional<StoredState> StoredStateNamed(QStringView name)
{
    for (const auto& [state, known] : kStateNames) {
        if (name == QLatin1String(known))
            return state;
    }
    return std::nullopt;
}

StoredState StateFor(const FieldNote& note, QStringView text)
{
    if (note.state == StoredState::NeedsWork)
        return note.state;
    if (note.state == StoredState::None || note.hash != StateHash(text))
        return StoredState::None;
    return note.state;
}

FieldStates::FieldStates(const EdtDocument& document, QObject* parent)
    : QObject(parent), document_(document)
{
}

void FieldStates::FollowInsert(int first, int last)
{
    Shift(first, last - first + 1);
}

void FieldStates::FollowRemove(int first, int last)
{
    notes_.erase(notes_.lower_bound({first, 0}), notes_.lower_bound({last + 1, 0}));
    Shift(last + 1, first - last - 1);
}

void FieldStates::Set(int record, int field, const FieldNote& note)
{
    if (note.IsEmpty())
        notes_.erase({record, field});
    else
        notes_[{record, field}] = note;
    emit Changed(record, record);
}

const FieldNote* FieldStates::At(int record, int field) const
{
    const auto it = notes_.find({record, field});
    return it == notes_.end() ? nullptr : &it->second;
}

StoredState FieldStates::StateAt(int record, int field) const
{
    const FieldNote* note = At(record, field);
    return note ? StateFor(*note, document_.FieldText(record, field)) : StoredState::None;
}

FieldNote FieldStates::Stamped(int record, int field, StoredState state,
                               const QString& comment) const
{
    return FieldNote{state,
                     state == StoredState::None ? 0 : StateHash(document_.FieldText(record, field)),
                     comment};
}

std::vector<PlacedNote> FieldStates::All() const
{
    std::vector<PlacedNote> all;
    all.reserve(notes_.size());
    for (const auto& [place, note] : notes_)
        all.push_back({place.first, place.second, note});
    return all;
}

void FieldStates::Restore(const std::vector<PlacedNote>& notes)
{
    int first = notes_.empty() ? INT_MAX : notes_.begin()->first.first;
    int last = notes_.empty() ? -1 : notes_.rbegin()->first.first;
    notes_.clear();
    for (const PlacedNote& placed : notes) {
        if (placed.record < 0 || placed.record >= document_.RecordCount() || placed.field < 0 ||
            placed.field >= document_.TextFieldCount() || placed.note.IsEmpty())
            continue;
        notes_[{placed.record, placed.field}] = placed.note;
        first = std::min(first, placed.record);
        last = std::max(last, placed.record);
    }
    if (last >= 0)
        emit Changed(first, last);
}

void FieldStates::Shift(int first, int by)
{
    auto it = notes_.lower_bound({first, 0});
    if (it == notes_.end())
        return;
    std::vector<std::pair<std::pair<int, int>, FieldNote>> moved(it, notes_.end());
    notes_.erase(it, notes_.end());
    for (auto& [place, note] : moved)
        notes_.emplace(std::pair{place.first + by, place.second}, std::move(note));
}

}  // namespace scrivlet
