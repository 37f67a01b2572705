#pragma once

#include "base/Result.h"
#include "exchange/Exchange.h"

#include <QString>
#include <QXmlStreamWriter>

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

inline char16_t CodeUnit(QChar c) { return c.unicode(); }
inline char16_t CodeUnit(char c) { return static_cast<unsigned char>(c); }

// Fills the entry's record and field from its name, if the name is "<record>:<field>" as
// EntryName writes it: decimal numbers without sign or leading zero, so that each field has one
// name. Parsed in place (UTF-16 or bytes): an import reads a million of them.
template <typename View>
void ParseEntryName(View name, TranslationEntry* entry)
{
    int numbers[2] = {0, 0};
    int which = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        const bool end = i == name.size();
        const char16_t c = end ? u':' : CodeUnit(name[i]);
        if (c == u':') {
            const qsizetype digits = i - start;
            if (digits == 0 || digits > 9 || (digits > 1 && CodeUnit(name[start]) == u'0') ||
                end != (which == 1))
                return;
            if (end) {
                entry->record = numbers[0];
                entry->field = numbers[1];
                return;
            }
            which = 1;
            start = i + 1;
        } else if (c < u'0' || c > u'9') {
            return;
        } else {
            numbers[which] = numbers[which] * 10 + (c - u'0');
        }
    }
}

// Write to path, which the caller then moves into place.
Result WritePo(const OutFile& file, const QString& path);
Result WriteXliff(const OutFile& file, const QString& path);

// An XLIFF document written one <file> at a time, for a document alone or a whole project.
class XliffWriter {
public:
    explicit XliffWriter(QIODevice* device);
    Result Add(const OutFile& file);
    // Closes the document; the caller then flushes and commits the device.
    Result Finish();

private:
    QXmlStreamWriter xml_;
};

Result ReadPo(const QString& path, std::vector<TranslationEntry>* entries);
// parts, when given, gets each <file> and the index of its first entry.
Result ReadXliff(const QString& path, std::vector<TranslationEntry>* entries,
                 std::vector<XliffPart>* parts = nullptr);

}  // namespace scrivlet::exchange
