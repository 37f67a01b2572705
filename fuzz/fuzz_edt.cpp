// LoadDocument of an .edt file whose format comes from the input as well: record length,
// field types, offsets and sizes are taken raw (negative and huge values included). What
// loads is saved, loaded and saved again; without overlapping fields the two saves must be
// the same bytes.

#include "FuzzSupport.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"
#include "documents/DocumentPrompts.h"
#include "documents/Encodings.h"

using namespace scrivlet;

namespace {

// Layouts whose text fields share no unit: only there does a save keep every text apart.
bool FieldsApart(const EdtFormat& format)
{
    const int count = format.FieldCount();
    for (int a = 0; a < count; ++a) {
        const FieldDef& x = format.fields[a];
        if (x.type != kTextField)
            continue;
        if (x.offset < 0 || x.size < 0 ||
            static_cast<qint64>(x.offset) + x.size > format.recordLength)
            return false;
        for (int b = a + 1; b < count; ++b) {
            const FieldDef& y = format.fields[b];
            if (y.type != kTextField)
                continue;
            if (x.offset < static_cast<qint64>(y.offset) + y.size &&
                y.offset < static_cast<qint64>(x.offset) + x.size)
                return false;
        }
    }
    return true;
}

EdtFormat ReadFormat(fuzz::InputReader& in)
{
    EdtFormat format;
    format.name = QStringLiteral("fuzz");
    format.recordLength = in.Int32();
    const int count = in.Byte() % (kMaxFields + 1);
    for (int k = 0; k < count; ++k) {
        FieldDef& field = format.fields[k];
        field.caption = QStringLiteral("F%1").arg(k);
        // Mostly the two real types, sometimes anything.
        const uint8_t type = in.Byte();
        field.type = type < 0x80 ? (type & 1) : static_cast<int8_t>(type);
        field.offset = in.Int32();
        field.size = in.Int32();
        if (field.type == kLabelField && (type & 2))
            field.labels = QStringList{QStringLiteral("first"), QStringLiteral("second")};
    }
    return format;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const int encoding = in.Byte() % kEncodingCount;
    const uint8_t options = in.Byte();
    const EdtFormat format = ReadFormat(in);
    const QByteArray content = in.Rest();

    const QString source = fuzz::TempPath(QStringLiteral("in.edt"));
    if (!fuzz::WriteFile(source, content))
        fuzz::Fail("cannot write the input file");
    FixedPrompts prompts((options & 1) != 0);
    const bool quiet = (options & 2) != 0;
    const LoadResult loaded =
        LoadDocument(source, kFileTypeEdt, encoding, format, 0, quiet, &prompts);
    if (fuzz::ReadFile(source) != content)
        fuzz::Fail("loading changed the file");
    if (!loaded.document) {
        if (loaded.error.isEmpty())
            fuzz::Fail("a failed load gave no reason");
        return 0;
    }
    EdtDocument& document = *loaded.document;

    const QString first = fuzz::TempPath(QStringLiteral("first.edt"));
    if (!SaveDocumentAs(document, first, kFileTypeEdt, encoding))
        fuzz::Fail("saving a loaded document failed");
    const QByteArray firstBytes = fuzz::ReadFile(first);
    if (firstBytes.size() > content.size() && document.RecordCount() > 1)
        fuzz::Fail("the save is larger than the file it came from");

    const LoadResult again = LoadDocument(first, kFileTypeEdt, encoding, format, 0, true);
    if (!again.document)
        fuzz::Fail("a saved file does not load");
    const QString second = fuzz::TempPath(QStringLiteral("second.edt"));
    if (!SaveDocumentAs(*again.document, second, kFileTypeEdt, encoding))
        fuzz::Fail("saving the reloaded document failed");
    if (FieldsApart(format) && fuzz::ReadFile(second) != firstBytes)
        fuzz::Fail("save, load and save again changed the file");
    return 0;
}
