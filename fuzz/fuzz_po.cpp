// ReadTranslations of a PO file (an XLIFF file in fuzz_xliff, built from this source with
// SCRIVLET_FUZZ_XLIFF), then its import into a small document: every field keeps within its
// size, each entry is counted once, the exchange taken twice gives the texts back, and an
// export of the result reads back with one entry per non-empty field.

#include "FuzzSupport.h"
#include "catalogue/FormatCatalogue.h"
#include "exchange/Exchange.h"

#include <memory>

using namespace scrivlet;

namespace {

#ifdef SCRIVLET_FUZZ_XLIFF
const TranslationFileFormat& kFormat = *TranslationFormatNamed(u"xliff");
const QString kSuffix = QStringLiteral(".xlf");
#else
const TranslationFileFormat& kFormat = *TranslationFormatNamed(u"po");
const QString kSuffix = QStringLiteral(".po");
#endif

std::unique_ptr<EdtDocument> SmallDocument()
{
    EdtFormat format;
    format.recordLength = 12;
    const int sizes[] = {4, 8};
    int offset = 0;
    for (int k = 0; k < 2; ++k) {
        FieldDef& field = format.fields[static_cast<size_t>(k)];
        field.caption = QStringLiteral("F%1").arg(k);
        field.type = kTextField;
        field.offset = offset;
        field.size = sizes[k];
        offset += sizes[k];
    }
    auto document = std::make_unique<EdtDocument>(format);
    document->SetEncoding(3);
    // Three records: "a" "bb", "" "ж", "c" "".
    const char16_t* texts[] = {u"a", u"bb", u"", u"ж", u"c", u""};
    for (int r = 0; r < 3; ++r) {
        document->AddLoadedText(QStringView(texts[2 * r]));
        document->AddLoadedText(QStringView(texts[2 * r + 1]));
        document->EndLoadedRecord();
    }
    return document;
}

QList<QString> Texts(const EdtDocument& document)
{
    QList<QString> texts;
    for (int r = 0; r < document.RecordCount(); ++r)
        for (int k = 0; k < document.TextFieldCount(); ++k)
            texts << document.FieldText(r, k).toString();
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const bool includeFuzzy = in.Byte() & 1;
    const QString path = fuzz::TempPath(QStringLiteral("in") + kSuffix);
    if (!fuzz::WriteFile(path, in.Rest()))
        fuzz::Fail("cannot write the input file");
    std::vector<TranslationEntry> entries;
    if (!ReadTranslations(path, kFormat, &entries))
        return 0;
    const auto document = SmallDocument();
    const QList<QString> before = Texts(*document);
    ImportPlan plan;
    if (!PlanImport(*document, entries, includeFuzzy, &plan))
        fuzz::Fail("planning an import failed");
    const ImportReport& report = plan.report;
    const int counted =
        report.count[ImportReport::Imported] + report.count[ImportReport::Unchanged] +
        report.count[ImportReport::FuzzySkipped] + report.count[ImportReport::TooLong] +
        report.count[ImportReport::Unknown] + report.count[ImportReport::Duplicate];
    if (counted != static_cast<int>(entries.size()))
        fuzz::Fail("an entry was not counted exactly once");
    std::optional<std::vector<EdtDocument::FieldEdit>> edits = document->StoreTexts(plan.texts);
    if (!edits)
        fuzz::Fail("storing the imported texts failed");
    document->ExchangeTexts(*edits);
    for (int r = 0; r < document->RecordCount(); ++r) {
        for (int k = 0; k < document->TextFieldCount(); ++k) {
            if (document->FieldText(r, k).size() >
                document->Format().fields[static_cast<size_t>(document->TextColumn(k))].size)
                fuzz::Fail("an imported text is longer than its field");
        }
    }
    const QList<QString> after = Texts(*document);
    document->ExchangeTexts(*edits);
    if (Texts(*document) != before)
        fuzz::Fail("undoing the import did not give the texts back");
    document->ExchangeTexts(*edits);

    const QString out = fuzz::TempPath(QStringLiteral("out") + kSuffix);
    if (!ExportTranslations(*document, nullptr, out, kFormat))
        fuzz::Fail("exporting failed");
    std::vector<TranslationEntry> back;
    if (!ReadTranslations(out, kFormat, &back))
        fuzz::Fail("an export does not read back");
    qsizetype nonEmpty = 0;
    for (const QString& text : after)
        nonEmpty += !text.isEmpty();
    if (static_cast<qsizetype>(back.size()) != nonEmpty)
        fuzz::Fail("an export lost or added entries");
    return 0;
}
