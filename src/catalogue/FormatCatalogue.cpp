#include "catalogue/FormatCatalogue.h"

namespace scrivlet {

int EdtFormat::FieldCount() const
{
    int count = 0;
    while (count < kMaxFields && !fields[static_cast<std::size_t>(count)].caption.isEmpty())
        ++count;
    return count;
}

const EdtFormat* FormatCatalogue::At(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return &formats_[static_cast<std::size_t>(index)];
}

}  // namespace scrivlet
