#include "documents/EdtDocument.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace scrivlet {
namespace {

// Asks for transparent huge pages over the whole 2 MB pages inside a big block, where the
// system hands them out on request: filling a million records then takes a few hundred page
// faults instead of tens of thousands, which cost more than decoding the texts. Elsewhere, or
// when the system says no, nothing changes.
void PreferHugePages([[maybe_unused]] const void* data, [[maybe_unused]] size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace

EdtDocument::EdtDocument(const EdtFormat& format, int formatIndex, QObject* parent)
    : QObject(parent), format_(format), formatIndex_(formatIndex)
{
    const int count = format_.FieldCount();
    slotOfColumn_.assign(count, -1);
    for (int column = 0; column < count; ++column) {
        if (format_.fields[column].type == kTextField) {
            slotOfColumn_[column] = textFields_++;
            textColumns_.push_back(column);
        }
    }
}

EdtDocument::~EdtDocument() = default;

std::unique_ptr<EdtDocument> EdtDocument::Snapshot() const
{
    auto copy = std::make_unique<EdtDocument>(format_, formatIndex_);
    copy->path_ = path_;
    copy->fileType_ = fileType_;
    copy->encoding_ = encoding_;
    // Two flat copies: the arena and slots are plain data, so this stays a pair of memcpy
    // calls even for a million records.
    try {
        copy->slots_ = slots_;
    } catch (const std::exception&) {
        return nullptr;
    }
    if (!copy->Grow(used_))
        return nullptr;
    if (used_ > 0)
        std::memcpy(copy->arena_.get(), arena_.get(),
                    static_cast<size_t>(used_) * sizeof(char16_t));
    copy->used_ = used_;
    copy->records_ = records_;
    return copy;
}

void EdtDocument::SetPath(const QString& path)
{
    if (path == path_)
        return;
    path_ = path;
    emit PropertiesChanged();
}

void EdtDocument::SetFileType(int fileType)
{
    if (fileType == fileType_)
        return;
    fileType_ = fileType;
    emit PropertiesChanged();
}

void EdtDocument::SetEncoding(int encoding)
{
    if (encoding == encoding_)
        return;
    encoding_ = encoding;
    emit PropertiesChanged();
}

bool EdtDocument::IsTextColumn(int column) const
{
    return column >= 0 && column < ColumnCount() && slotOfColumn_[column] >= 0;
}

QStringView EdtDocument::TextView(int record, int column) const
{
    if (record < 0 || record >= records_ || !IsTextColumn(column))
        return {};
    const Slot& slot = slots_[static_cast<size_t>(record) * textFields_ + slotOfColumn_[column]];
    return QStringView(arena_.get() + slot.start, slot.length);
}

bool EdtDocument::SetText(int record, int column, QStringView text)
{
    if (record < 0 || record >= records_ || !IsTextColumn(column))
        return false;
    if (TextView(record, column) == text)
        return false;
    const std::optional<TextRef> stored = StoreText(text);
    if (!stored)
        return false;
    slots_[static_cast<size_t>(record) * textFields_ + slotOfColumn_[column]] =
        Slot{stored->start, stored->length};
    emit TextChanged(record, column);
    return true;
}

bool EdtDocument::InsertRecords(int at, int count)
{
    if (at < 0 || at > records_ || count <= 0 || count > std::numeric_limits<int>::max() - records_)
        return false;
    try {
        slots_.insert(slots_.begin() + static_cast<size_t>(at) * textFields_,
                      static_cast<size_t>(count) * textFields_, Slot{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    records_ += count;
    emit RecordsInserted(at, at + count - 1);
    return true;
}

bool EdtDocument::RemoveRecords(int at, int count)
{
    if (at < 0 || count <= 0 || count > records_ - at)
        return false;
    const auto first = slots_.begin() + static_cast<size_t>(at) * textFields_;
    slots_.erase(first, first + static_cast<size_t>(count) * textFields_);
    records_ -= count;
    emit RecordsRemoved(at, at + count - 1);
    return true;
}

std::optional<EdtDocument::TextRef> EdtDocument::StoreText(QStringView text)
{
    // Grow may move the arena: a text inside it is copied out first, any other is not (an
    // import stores a million texts).
    const char16_t* begin = arena_.get();
    const bool inside = begin && std::greater_equal<>()(text.utf16(), begin) &&
                        std::less<>()(text.utf16(), begin + capacity_);
    const QString copy = inside ? text.toString() : QString();
    if (inside)
        text = copy;
    if (!Grow(text.size()))
        return std::nullopt;
    if (!text.isEmpty())
        std::memcpy(arena_.get() + used_, text.utf16(), text.size() * sizeof(char16_t));
    const TextRef ref{used_, text.size()};
    used_ += text.size();
    return ref;
}

bool EdtDocument::Holds(TextRef ref) const
{
    return ref.start >= 0 && ref.length >= 0 && ref.start <= used_ &&
           ref.length <= used_ - ref.start;
}

void EdtDocument::ExchangeTexts(std::span<FieldEdit> entries)
{
    int first = records_;
    int last = -1;
    int changed = 0;
    const FieldEdit* single = nullptr;
    for (FieldEdit& entry : entries) {
        const TextRef ref = entry.text;
        if (entry.record < 0 || entry.record >= records_ || entry.field < 0 ||
            entry.field >= textFields_ || !Holds(ref))
            continue;
        Slot& slot = slots_[static_cast<size_t>(entry.record) * textFields_ + entry.field];
        entry.text = TextRef{slot.start, slot.length};
        slot = Slot{ref.start, ref.length};
        first = std::min(first, entry.record);
        last = std::max(last, entry.record);
        single = &entry;
        ++changed;
    }
    if (changed == 0)
        return;
    if (changed == 1)
        emit TextChanged(single->record, textColumns_[single->field]);
    else
        emit TextsChanged(first, last);
}

bool EdtDocument::ApplyPlan(const TextPlan& plan)
{
    if (plan.IsEmpty())
        return true;
    std::optional<std::vector<FieldEdit>> edits = StoreTexts(plan);
    if (!edits)
        return false;
    ExchangeTexts(*edits);
    return true;
}

std::optional<std::vector<EdtDocument::FieldEdit>> EdtDocument::StoreTexts(const TextPlan& plan)
{
    const std::optional<TextRef> stored = StoreText(plan.Texts());
    if (!stored)
        return std::nullopt;
    std::vector<FieldEdit> edits;
    try {
        edits.reserve(plan.Entries().size());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (const TextPlan::Entry& entry : plan.Entries())
        edits.push_back({entry.record, entry.field, {stored->start + entry.start, entry.length}});
    return edits;
}

bool EdtDocument::ReserveForLoad(qsizetype records, qsizetype units)
{
    try {
        slots_.reserve(slots_.size() + static_cast<size_t>(records) * textFields_);
    } catch (const std::exception&) {
        return false;
    }
    PreferHugePages(slots_.data(), slots_.capacity() * sizeof(Slot));
    return Grow(units);
}

qint64 EdtDocument::LoadBytes(qint64 records, qint64 units) const
{
    return records * textFields_ * qint64{sizeof(Slot)} + units * qint64{sizeof(char16_t)};
}

char16_t* EdtDocument::LoadSpace(qsizetype units)
{
    return Grow(units) ? arena_.get() + used_ : nullptr;
}

void EdtDocument::AddLoadedText(qsizetype units)
{
    slots_.push_back(Slot{used_, units});
    used_ += units;
}

bool EdtDocument::AddLoadedText(QStringView text)
{
    char16_t* space = LoadSpace(text.size());
    if (!space)
        return false;
    std::copy(text.utf16(), text.utf16() + text.size(), space);
    AddLoadedText(text.size());
    return true;
}

bool EdtDocument::Grow(qsizetype units)
{
    if (units < 0 || units > std::numeric_limits<qsizetype>::max() / 4 - used_)
        return false;
    const qsizetype needed = used_ + units;
    // Also room for nothing needs an arena: LoadSpace(0) answers a place, not null.
    if (needed <= capacity_ && arena_)
        return true;
    // Half again: a few reallocations for a document that grows by typing.
    const qsizetype capacity = std::max({needed, capacity_ + capacity_ / 2, qsizetype{4096}});
    void* grown = std::realloc(arena_.get(), static_cast<size_t>(capacity) * sizeof(char16_t));
    if (!grown)
        return false;
    arena_.release();
    arena_.reset(static_cast<char16_t*>(grown));
    capacity_ = capacity;
    PreferHugePages(grown, static_cast<size_t>(capacity) * sizeof(char16_t));
    return true;
}

}  // namespace scrivlet
