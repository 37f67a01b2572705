#pragma once

#include "documents/EdtDocument.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <span>

// The kinds of document file, each describing itself: its suffix, its entry in the file
// dialogs' type list and its reader and writer. Open, Save As, the command line and the
// converter all decide a file's type here.

namespace scrivlet {

class DocumentFileFormat;

struct DocumentFileType {
    FileType id;
    QLatin1StringView suffix;  // without the dot
    const char* filterKey;     // the interface text naming it in the type list
    const DocumentFileFormat& (*format)();

    QString Pattern() const { return QStringLiteral("*.") + suffix; }
};

// Every type, in the order of their entries in the file dialogs' type list.
std::span<const DocumentFileType> FileTypes();
// Null for kFileTypeAll and for any number that is no type.
const DocumentFileType* FileTypeById(int id);

// The type a file is read or written as. A type the user picked (in a file dialog's type
// list) wins; otherwise the name decides: records only for ".edt" in any case, text for every
// other name, since a text file is the one a user can inspect when the guess is wrong.
FileType FileTypeForPath(const QString& path, int chosen = kFileTypeAll);

// The suffix a name of the type gets when typed without one.
QString FileTypeSuffix(int id);

// One entry of the file dialogs' type list.
struct FileDialogFilter {
    QString description;
    QStringList patterns;
};

// "All supported" first, then each type: entry n stands for FileType n.
QList<FileDialogFilter> FileDialogFilters();

}  // namespace scrivlet
