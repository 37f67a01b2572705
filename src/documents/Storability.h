#pragma once

#include "documents/EdtDocument.h"

#include <QString>
#include <QStringView>

#include <vector>

// Whether a text survives being saved and loaded again: a question of the encoding and the file
// type, asked by replace, the translation counts, the import and the check before a save.

namespace scrivlet {

// Where texts are saved to.
struct TextStorage {
    int encoding = 0;
    int fileType = kFileTypeEdt;
};

// Whether text, saved in this encoding and file type and loaded again, comes back unchanged.
bool CanStore(QStringView text, const TextStorage& storage);

// A field whose text the storage cannot keep, and its characters that would change.
struct UnstorableField {
    int record = 0;
    int column = 0;
    QString characters;  // each such character once, in order of appearance
};

// The first `limit` fields of document the storage cannot keep, in document order.
std::vector<UnstorableField> FindUnstorable(const EdtDocument& document, const TextStorage& storage,
                                            int limit);

}  // namespace scrivlet
