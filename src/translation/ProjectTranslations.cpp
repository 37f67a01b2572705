#include "translation/ProjectTranslations.h"

#include "documents/EdtDocument.h"

#include <algorithm>

namespace scrivlet {

void ProjectTranslations::Add(int file, const EdtDocument& document, const EdtDocument& reference)
{
    const int records = std::min(document.RecordCount(), reference.RecordCount());
    const int fields = std::min(document.TextFieldCount(), reference.TextFieldCount());
    for (int record = 0; record < records; ++record) {
        for (int field = 0; field < fields; ++field) {
            const QStringView source = reference.FieldText(record, field);
            const QStringView text = document.FieldText(record, field);
            if (!source.isEmpty() && !text.isEmpty() && text != source)
                Add(file, source.toString(), text.toString());
        }
    }
}

void ProjectTranslations::Add(int file, const QString& reference, const QString& translation)
{
    auto& list = byReference_[reference];
    const std::pair<int, QString> entry{file, translation};
    if (std::find(list.begin(), list.end(), entry) == list.end())
        list.push_back(entry);
}

void ProjectTranslations::ForOthers(QStringView reference, int file,
                                    const std::function<void(QStringView)>& each) const
{
    const auto found = byReference_.constFind(reference.toString());
    if (found == byReference_.constEnd())
        return;
    for (const auto& [from, text] : *found) {
        if (from != file)
            each(text);
    }
}

bool ProjectTranslations::HasOthers(QStringView reference, int file) const
{
    bool any = false;
    ForOthers(reference, file, [&any](QStringView) { any = true; });
    return any;
}

}  // namespace scrivlet
