#include "documents/TextPlan.h"

#include <new>

namespace scrivlet {

bool TextPlan::Add(int record, int field, QStringView text)
{
    const qsizetype start = static_cast<qsizetype>(texts_.size());
    try {
        texts_.append(text.utf16(), static_cast<size_t>(text.size()));
    } catch (const std::bad_alloc&) {
        return false;
    }
    try {
        entries_.push_back(Entry{record, field, start, text.size()});
    } catch (const std::bad_alloc&) {
        texts_.resize(static_cast<size_t>(start));
        return false;
    }
    return true;
}

bool TextPlan::AddSame(int record, int field, qsizetype entry)
{
    if (entry < 0)
        entry = Size() - 1;
    if (entry < 0 || entry >= Size())
        return false;
    const Entry same = entries_[static_cast<size_t>(entry)];
    try {
        entries_.push_back(Entry{record, field, same.start, same.length});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace scrivlet
