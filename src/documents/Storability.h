#pragma once

#include "documents/EdtDocument.h"
#include "documents/TextPlan.h"

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

// text as the storage can keep it, which a save writes in its place: each character it cannot
// store as its encoding writes it (mostly '?'), and in a text file a line break as a space and
// nothing from a zero character on. Equal to text exactly when CanStore(text, storage).
QString StorableText(QStringView text, const TextStorage& storage);

// Every field of document the storage cannot keep, with its StorableText; false when no memory
// is left.
bool PlanStorableTexts(const EdtDocument& document, const TextStorage& storage, TextPlan* plan);

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
