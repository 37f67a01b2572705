#pragma once

#include "base/Result.h"
#include "exchange/TranslationEntry.h"
#include "translation/FieldStates.h"

#include <QFileDevice>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

// What the PO and XLIFF writers and readers share with the exchange; not for other folders.

namespace scrivlet::exchange {

// One entry to write. The texts are views into the documents, which outlive the write: a
// million entries are written without copying their texts first.
struct OutEntry {
    int record = 0;
    int field = 0;      // among the format's text fields; its caption and size are the file's
    int recordId = -1;  // the record's lasting id in a project, -1: named by its position
    QStringView source;
    QStringView target;  // empty: no translation
    StoredState state = StoredState::None;  // NeedsWork or Approved where the field is so
    QStringView comment;
};

struct OutField {
    QString caption;
    int size = 0;  // in UTF-16 units
};

struct OutFile {
    QString fileName;  // the document's, for the source references
    QString sourceLanguage;
    QString targetLanguage;
    // The target's encoding stores a character beyond the BMP as two units.
    bool wideCharacters = false;
    std::vector<OutField> fields;
    std::vector<OutEntry> entries;
};

// "<record>:<field>", or "r<id>:<field>" for a record with a lasting id.
QString EntryName(const OutEntry& entry);
// Where the entry is, for people, beside a name that is no position: "position 12:1".
QString EntryPosition(const OutEntry& entry);

// The first character XML 1.0 cannot hold (controls other than tab and line breaks, lone
// surrogates, U+FFFE and U+FFFF), or -1. Qt's writer refuses them without saying which.
qsizetype FirstNonXml(QStringView text);

// Whether the document type just read only names an external DTD, as most tools write it
// (never fetched here): no internal subset, so no entity is declared. Qt expands entities
// within a limit each but not in total, so anything more is refused.
bool NamesExternalDtdOnly(const QXmlStreamReader& xml);

// Why a write to file failed: the device's own error, else the system's last one.
QString WriteReason(const QFileDevice& file);

// Refuses, naming the file, what is no regular file or larger than an import can take.
Result CheckImportFile(const QString& path);

inline char16_t CodeUnit(QChar c) { return c.unicode(); }
inline char16_t CodeUnit(char c) { return static_cast<unsigned char>(c); }

// Fills the entry's record and field from its name, if the name is "<record>:<field>" as
// EntryName writes it: decimal numbers without sign or leading zero, so that each field has one
// name; a number of ten digits or more names no field. "r<id>:<field>" fills the record's id
// instead. Parsed in place (UTF-16 or bytes): an import reads a million of them.
template <typename View>
void ParseEntryName(View name, TranslationEntry* entry)
{
    constexpr qsizetype kMaxDigits = 9;  // every such number fits an int
    const bool byId = !name.isEmpty() && CodeUnit(name[0]) == u'r';
    int numbers[2] = {0, 0};
    int which = 0;
    qsizetype start = byId ? 1 : 0;
    for (qsizetype i = start; i <= name.size(); ++i) {
        const bool end = i == name.size();
        const char16_t c = end ? u':' : CodeUnit(name[i]);
        if (c == u':') {
            const qsizetype digits = i - start;
            if (digits == 0 || (digits > 1 && CodeUnit(name[start]) == u'0') ||
                end != (which == 1))
                return;
            if (end) {
                (byId ? entry->recordId : entry->record) = numbers[0];
                entry->field = numbers[1];
                return;
            }
            which = 1;
            start = i + 1;
        } else if (c < u'0' || c > u'9' || i - start >= kMaxDigits) {
            return;
        } else {
            numbers[which] = numbers[which] * 10 + (c - u'0');
        }
    }
}

// Write to the device, which the caller then commits; a failed write gives the reason.
Result WritePo(const OutFile& file, QFileDevice& device);
Result WriteXliff(const OutFile& file, QFileDevice& device);

// A file of a Bundle format written one document at a time.
class PartWriter {
public:
    virtual ~PartWriter() = default;
    virtual Result Add(const OutFile& file) = 0;
    // Closes the file's document and flushes the device; the caller then commits it.
    virtual Result Finish() = 0;
};

// An XLIFF document written one <file> at a time, for a document alone or a whole project.
class XliffWriter final : public PartWriter {
public:
    explicit XliffWriter(QFileDevice* device);
    Result Add(const OutFile& file) override;
    Result Finish() override;

private:
    QFileDevice* device_;
    QXmlStreamWriter xml_;
};

Result ReadPo(const QString& path, std::vector<TranslationEntry>* entries);
// parts, when given, gets each <file> and the index of its first entry.
Result ReadXliff(const QString& path, std::vector<TranslationEntry>* entries,
                 std::vector<BundlePart>* parts = nullptr);

}  // namespace scrivlet::exchange
