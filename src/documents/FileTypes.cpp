#include "documents/FileTypes.h"

#include "base/UiText.h"
#include "documents/DocumentFileFormat.h"

namespace scrivlet {

namespace {

constexpr char kAllSupportedKey[] = "filter.all";

const DocumentFileType kTypes[] = {
    {kFileTypeEdt, QLatin1StringView("edt"), "filter.edt", &EdtFileFormat},
    {kFileTypeText, QLatin1StringView("txt"), "filter.txt", &TextFileFormat},
};

}  // namespace

std::span<const DocumentFileType> FileTypes()
{
    return kTypes;
}

const DocumentFileType* FileTypeById(int id)
{
    for (const DocumentFileType& type : kTypes) {
        if (type.id == id)
            return &type;
    }
    return nullptr;
}

FileType FileTypeForPath(const QString& path, int chosen)
{
    if (const DocumentFileType* type = FileTypeById(chosen))
        return type->id;
    const QString edt = QLatin1Char('.') + FileTypeById(kFileTypeEdt)->suffix;
    return path.endsWith(edt, Qt::CaseInsensitive) ? kFileTypeEdt : kFileTypeText;
}

QString FileTypeSuffix(int id)
{
    const DocumentFileType* type = FileTypeById(id);
    return type ? QString(type->suffix) : QString();
}

QList<FileDialogFilter> FileDialogFilters()
{
    QList<FileDialogFilter> filters{{UiText(kAllSupportedKey), {}}};
    for (const DocumentFileType& type : kTypes) {
        filters.front().patterns << type.Pattern();
        filters << FileDialogFilter{UiText(type.filterKey), {type.Pattern()}};
    }
    return filters;
}

}  // namespace scrivlet
