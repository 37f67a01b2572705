#include "translation/ProjectTranslations.h"

#include "documents/EdtDocument.h"

#include <QHashFunctions>

#include <algorithm>

namespace scrivlet {

quint64 ProjectTranslations::HashOf(QStringView text)
{
    // A fixed seed: the hashes are compared across threads and runs of the table.
    return qHash(text, size_t(0x5c7e11e7));
}

void ProjectTranslations::Add(int file, const EdtDocument& document, const EdtDocument& reference)
{
    const int records = std::min(document.RecordCount(), reference.RecordCount());
    const int fields = std::min(document.TextFieldCount(), reference.TextFieldCount());
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < fields; ++field) {
            const QStringView source = reference.FieldText(record, field);
            const QStringView text = document.FieldText(record, field);
            if (!source.isEmpty() && !text.isEmpty() && text != source)
                Add(file, source, text);
        }
    }
}

void ProjectTranslations::Add(int file, QStringView reference, QStringView translation)
{
    const quint64 key = HashOf(reference);
    const std::pair<int, quint64> entry{file, HashOf(translation)};
    if (!byReference_.contains(key, entry))
        byReference_.insert(key, entry);
}

void ProjectTranslations::ForOthers(QStringView reference, int file,
                                    const std::function<void(quint64)>& each) const
{
    const quint64 key = HashOf(reference);
    for (auto it = byReference_.constFind(key); it != byReference_.cend() && it.key() == key;
         ++it) {
        if (it->first != file)
            each(it->second);
    }
}

bool ProjectTranslations::HasOthers(QStringView reference, int file) const
{
    bool any = false;
    ForOthers(reference, file, [&any](quint64) { any = true; });
    return any;
}

}  // namespace scrivlet
