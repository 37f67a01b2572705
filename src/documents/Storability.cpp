#include "documents/Storability.h"

#include "documents/Encodings.h"

#include <QVarLengthArray>

namespace scrivlet {
namespace {

// Texts shorter than this are checked on the stack.
constexpr qsizetype kShortText = 256;

bool EdtStores(QStringView text, int encoding)
{
    const qsizetype n = text.size();
    QVarLengthArray<uint16_t, kShortText> units(n);
    QVarLengthArray<char16_t, kShortText> back(n);
    if (!EncodeEdtUnits(encoding, text.utf16(), units.data(), static_cast<size_t>(n)))
        return false;
    // A zero unit ends a stored text, so a text holding one comes back shorter.
    return DecodeEdtText(encoding, units.data(), n, back.data()) == n &&
           QStringView(back.data(), n) == text;
}

bool TextFileStores(QStringView text, int encoding)
{
    // A text file holds one field per line, and a zero ends the text of a line.
    if (text.contains(u'\n') || text.contains(QChar(u'\0')))
        return false;
    const int codePage = TextCodePage(encoding);
    return codePage >= 0 && DecodeText(codePage, EncodeText(codePage, text)) == text;
}

}  // namespace

bool CanStore(QStringView text, const TextStorage& storage)
{
    return storage.fileType == kFileTypeText ? TextFileStores(text, storage.encoding)
                                             : EdtStores(text, storage.encoding);
}

QString StorableText(QStringView text, const TextStorage& storage)
{
    if (storage.fileType == kFileTypeText) {
        // One field per line, and a zero ends the text of a line.
        const qsizetype zero = text.indexOf(QChar(u'\0'));
        QString line = (zero < 0 ? text : text.first(zero)).toString();
        line.replace(u'\n', u' ');
        const int codePage = TextCodePage(storage.encoding);
        return codePage >= 0 ? DecodeText(codePage, EncodeText(codePage, line)) : line;
    }
    const qsizetype n = text.size();
    QVarLengthArray<uint16_t, kShortText> units(n);
    QString back(n, Qt::Uninitialized);
    if (!EncodeEdtUnits(storage.encoding, text.utf16(), units.data(), static_cast<size_t>(n)))
        return text.toString();
    back.resize(
        DecodeEdtText(storage.encoding, units.data(), n, reinterpret_cast<char16_t*>(back.data())));
    return back;
}

bool PlanStorableTexts(const EdtDocument& document, const TextStorage& storage, TextPlan* plan)
{
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int k = 0; k < document.TextFieldCount(); ++k) {
            const QStringView text = document.FieldText(record, k);
            if (!text.isEmpty() && !CanStore(text, storage) &&
                !plan->Add(record, k, StorableText(text, storage)))
                return false;
        }
    }
    return true;
}

std::vector<UnstorableField> FindUnstorable(const EdtDocument& document, const TextStorage& storage,
                                            int limit)
{
    std::vector<UnstorableField> found;
    for (int record = 0; record < document.RecordCount(); ++record) {
        for (int k = 0; k < document.TextFieldCount(); ++k) {
            const QStringView text = document.FieldText(record, k);
            if (text.isEmpty() || CanStore(text, storage))
                continue;
            if (static_cast<int>(found.size()) >= limit)
                return found;
            UnstorableField field{record, document.TextColumn(k), {}};
            // Character by character, keeping a surrogate pair together.
            for (qsizetype i = 0; i < text.size();) {
                const qsizetype n = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
                const QStringView one = text.mid(i, n);
                if (!CanStore(one, storage) && !field.characters.contains(one))
                    field.characters.append(one);
                i += n;
            }
            found.push_back(std::move(field));
        }
    }
    return found;
}

}  // namespace scrivlet
