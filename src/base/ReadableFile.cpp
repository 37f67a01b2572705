#include "base/ReadableFile.h"

#include <QFileInfo>

namespace scrivlet {

FileCheck CheckReadableFile(const QString& path, qint64 maxBytes)
{
    // QFileInfo follows links and asks the system once, without opening the file.
    const QFileInfo info(path);
    if (!info.exists())
        return FileCheck::Missing;
    if (!info.isFile())
        return FileCheck::NotRegular;
    return info.size() > maxBytes ? FileCheck::TooLarge : FileCheck::Readable;
}

}  // namespace scrivlet
