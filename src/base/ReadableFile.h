#pragma once

#include <QString>

// Whether a path names a file whose content can be read whole. A FIFO would block the read
// until some writer comes, /dev/zero never ends it, and a folder has no content: every file
// the program reads must be a regular one (or a link to one), of a size its reader can hold.

namespace scrivlet {

enum class FileCheck { Readable, Missing, NotRegular, TooLarge };

FileCheck CheckReadableFile(const QString& path, qint64 maxBytes);

}  // namespace scrivlet
