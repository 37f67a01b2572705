#pragma once

#include "base/Result.h"
#include "exchange/Exchange.h"

#include <QString>

#include <vector>

// What the PO and XLIFF writers and readers share with the exchange; not for other folders.

namespace scrivlet::exchange {

// One entry to write. The texts are views into the documents, which outlive the write: a
// million entries are written without copying their texts first.
struct OutEntry {
    int record = 0;
    int field = 0;  // among the format's text fields; its caption and size are the file's
    QStringView source;
    QStringView target;  // empty: no translation
};

struct OutField {
    QString caption;
    int size = 0;  // in UTF-16 units
};

struct OutFile {
    QString fileName;  // the document's, for the source references
    QString sourceLanguage;
    QString targetLanguage;
    std::vector<OutField> fields;
    std::vector<OutEntry> entries;
};

QString EntryName(int record, int field);

// Write to path, which the caller then moves into place.
Result WritePo(const OutFile& file, const QString& path);
Result WriteXliff(const OutFile& file, const QString& path);

Result ReadPo(const QString& path, std::vector<TranslationEntry>* entries);
Result ReadXliff(const QString& path, std::vector<TranslationEntry>* entries);

}  // namespace scrivlet::exchange
