#pragma once

#include <QString>

#include <cstddef>

// What a translation file holds, as its readers hand it over; apart from Exchange.h so that
// the readers and writers need nothing of the exchange itself.

namespace scrivlet {

// One entry read back: the field its name gives (record and field from 0; both -1 when the
// name is not one an export writes), its translation and source, whether a tool marked it
// fuzzy. A project's export names a record by its lasting id instead ("r<id>:<field>"): the
// entry then has that id and field, and record -1 until the project tells which record has it.
struct TranslationEntry {
    int record = -1;
    int field = -1;
    int recordId = -1;
    QString text;
    QString source;  // what the translation translates
    bool fuzzy = false;     // a draft that needs work (PO's fuzzy flag, XLIFF's needs-* states)
    bool approved = false;  // signed off by a reviewer (XLIFF's signed-off and final)
    QString comment;        // the translator's comment
};

// A part of a file that holds many documents (an XLIFF <file>): the name of its document,
// where its entries begin among all read, the line it starts on.
struct BundlePart {
    QString name;
    size_t first = 0;
    qint64 line = 0;
};

}  // namespace scrivlet
