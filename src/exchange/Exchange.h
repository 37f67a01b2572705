#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"
#include "exchange/TranslationEntry.h"
#include "translation/FieldStates.h"

#include <QFlags>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <memory>
#include <span>
#include <vector>

// Texts for translation tools and back: gettext PO files and XLIFF 1.2. Each text field whose
// source text is not empty is one entry named "<record>:<field>" (both from 0, field among the
// format's text fields), so equal texts stay apart; a project names its records by their
// lasting ids instead, "r<id>:<field>", so that an entry keeps its name when records are
// inserted before it, and puts the position in the entry's comment. The source is the reference
// document's text when there is a reference, else the document's own; the translation is the
// document's text where it differs from the reference, empty otherwise (a template).

class QFileDevice;

namespace scrivlet {

namespace exchange {
struct OutFile;
class PartWriter;
}

// A kind of translation file, as a document file type is one: its name (the converter's
// --export-<name> and --import-<name>), the suffixes it is known by, what it can hold, its
// writer and reader. Code that treats the formats differently asks what they can do, never
// what they are called.
class TranslationFileFormat {
public:
    enum Capability {
        // One file holds many documents (a whole project), a part under each one's name;
        // without it a project goes into a folder of files, one a document.
        Bundle = 1 << 0,
        // An entry carries a note for the translator: its field's caption.
        Notes = 1 << 1,
        // An entry carries whether it is a draft to review or a translation (PO's fuzzy flag,
        // XLIFF's state and approved).
        States = 1 << 2,
        // An entry carries its field's size as a limit the tools enforce, not only in words.
        SizeLimits = 1 << 3,
        // The texts are XML character data: controls other than tab and the line breaks, and
        // U+FFFE and U+FFFF, cannot be written.
        XmlText = 1 << 4,
    };
    Q_DECLARE_FLAGS(Capabilities, Capability)

    virtual ~TranslationFileFormat() = default;
    virtual QLatin1StringView Name() const = 0;
    virtual QStringList Suffixes() const = 0;  // without the dot, the usual one first
    virtual Capabilities Abilities() const = 0;
    bool Can(Capability capability) const { return Abilities().testFlag(capability); }
    // Writes to the device, which the caller then commits; a failed write gives the reason.
    virtual Result Write(const exchange::OutFile& file, QFileDevice& device) const = 0;
    // A Bundle format's writer, which takes the documents one at a time; null for the others.
    virtual std::unique_ptr<exchange::PartWriter> StartBundle(QFileDevice* device) const = 0;
    // Appends every entry of the file; parts, when given, gets where each part of a Bundle
    // format's file begins.
    virtual Result Read(const QString& path, std::vector<TranslationEntry>* entries,
                        std::vector<BundlePart>* parts) const = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TranslationFileFormat::Capabilities)

// The language of texts in a code-page encoding, as XLIFF and TMX name it ("en", "de", "pl",
// "ru"); empty for Unicode, which may hold any.
QString LanguageOfEncoding(int encoding);

// Every translation file format, PO first.
std::span<const TranslationFileFormat* const> TranslationFileFormats();
// The format one of whose suffixes the path has (any case); PO for every other name.
const TranslationFileFormat& TranslationFormatForPath(const QString& path);
// The format of that name; null for none.
const TranslationFileFormat* TranslationFormatNamed(QStringView name);

// Writes the document's entries to path, replacing an old file only once the new one is
// complete. reference may be null; entryCount, when given, gets the number of entries written.
// recordIds, when given, holds the lasting id of each record (a project's): the entries are
// named by them. states, when given, are the document's: needs work, approval and comments go
// with the entries where the format can carry them.
Result ExportTranslations(const EdtDocument& document, const EdtDocument* reference,
                          const QString& path, const TranslationFileFormat& format,
                          qsizetype* entryCount = nullptr, std::span<const qint32> recordIds = {},
                          const FieldStates* states = nullptr);

// Several documents in one file of a format that Can(Bundle), each a part under the name the
// caller gives (a project's relative paths), written one document at a time. The old file is
// replaced only by Commit(), once all are in.
class TranslationBundle {
public:
    TranslationBundle(const QString& path, const TranslationFileFormat& format);
    ~TranslationBundle();
    TranslationBundle(const TranslationBundle&) = delete;
    TranslationBundle& operator=(const TranslationBundle&) = delete;

    // reference, recordIds and states as for ExportTranslations.
    Result Add(const EdtDocument& document, const EdtDocument* reference, const QString& name,
               std::span<const qint32> recordIds = {}, const FieldStates* states = nullptr);
    Result Commit();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Reads every entry of a file (obsolete PO entries left out) and, when parts is given, where
// each part of a Bundle format's file begins. A malformed file fails as a whole, naming the
// line (PO) or line and column (XLIFF) of its first error.
Result ReadTranslations(const QString& path, const TranslationFileFormat& format,
                        std::vector<TranslationEntry>* entries,
                        std::vector<BundlePart>* parts = nullptr);

// How many entries went which way, and the first few records (from 0, as the rows are
// numbered) of each way.
struct ImportReport {
    enum Kind {
        Imported,
        Unchanged,
        FuzzySkipped,  // no longer: a draft is imported as needs work
        TooLong,
        Unknown,
        NotStorable,
        Duplicate,
        NeedsWork,  // imported (or unchanged) as needs work; also counted as one of those
        KindCount
    };
    static constexpr int kRecordsKept = 5;
    int count[KindCount] = {};
    std::vector<int> records[KindCount];
    void Add(Kind kind, int record);
};

// The import, prepared: the new texts of the fields that change, for the document's session (or
// EdtDocument::ApplyPlan) to put in place.
struct ImportPlan {
    TextPlan texts;
    ImportReport report;
    // The state and comment of each field an entry gave (imported or unchanged), on the text
    // the field has after the import; in entry order.
    std::vector<PlacedNote> notes;
};

// The document's notes with the plan's put over them (by record and field).
std::vector<PlacedNote> MergeNotes(std::vector<PlacedNote> notes,
                                   const std::vector<PlacedNote>& imported);

// Matches the entries to the document's fields. A non-empty translation replaces the field's
// text unless it is longer than the field or one the document's encoding cannot store; an empty
// one leaves the field alone. A draft comes in as needs work (includeFuzzy changes nothing). A name
// the document lacks is not imported; of entries naming the same field the first counts and the
// later ones are duplicates. Each entry is counted once. Fails only when memory runs out.
Result PlanImport(const EdtDocument& document, const std::vector<TranslationEntry>& entries,
                  bool includeFuzzy, ImportPlan* plan);

}  // namespace scrivlet
