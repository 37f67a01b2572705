#include "documents/DocumentFileFormat.h"

#include "base/UiText.h"

#include <algorithm>

namespace scrivlet {

Result FileFailure(const char* textKey)
{
    return Result::Failure(UiText(textKey));
}

std::optional<RecordLayout> MakeRecordLayout(const EdtFormat& format)
{
    if (format.recordLength <= 0 || format.recordLength > kMaxRecordLength)
        return std::nullopt;
    RecordLayout layout;
    layout.recordLength = format.recordLength;
    const int count = format.FieldCount();
    for (int k = 0; k < count; ++k) {
        const FieldDef& field = format.fields[k];
        if (field.type != kTextField)
            continue;
        // Offsets and sizes count as unsigned: a negative one lies beyond the record.
        const qint64 offset =
            std::min<qint64>(static_cast<uint32_t>(field.offset), layout.recordLength);
        const qint64 size =
            std::min<qint64>(static_cast<uint32_t>(field.size), layout.recordLength - offset);
        for (const TextSlot& before : layout.texts) {
            if (size > 0 && before.size > 0 && offset < before.offset + before.size &&
                before.offset < offset + size)
                layout.overlapping = true;
        }
        layout.texts.push_back(TextSlot{offset, size});
    }
    return layout;
}

}  // namespace scrivlet
