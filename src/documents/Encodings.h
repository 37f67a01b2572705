#pragma once

#include "documents/CodePages.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The five text encodings of a document: how characters become stored .edt units and which
// code page a .txt file is written in.

namespace scrivlet {

enum TextEncoding : int {
    kEncodingEnglish = 0,
    kEncodingGerman = 1,
    kEncodingPolish = 2,  // the "Kestrel 2" edition
    kEncodingRussian = 3,
    kEncodingUnicode = 4,
};
constexpr int kEncodingCount = 5;

constexpr bool IsValidEncoding(int encoding)
{
    return encoding >= 0 && encoding < kEncodingCount;
}

// Text keys of the encodings' names, in index order.
constexpr const char* kEncodingNameStrings[kEncodingCount] = {
    "encoding.english", "encoding.german", "encoding.polish", "encoding.russian",
    "encoding.unicode"};

// The text stored in n units of an .edt file: up to the first unit that reads as a zero
// character, which ends a text, or all n. Returns its length, having written the text to out
// (out may be written beyond it, up to n); -1 (nothing written) for an index outside 0..4.
qsizetype DecodeEdtText(int encoding, const uint16_t* in, qsizetype n, char16_t* out);
// Characters into stored units, n of them. in and out must not overlap. False (nothing
// written) for an index outside 0..4. U+FFFF, whose shifted code would not fit in 16 bits, is
// stored as '?' in every encoding.
bool EncodeEdtUnits(int encoding, const char16_t* in, uint16_t* out, size_t n);

// Code page of the .txt files of an encoding; -1 for an index outside 0..4.
int TextCodePage(int encoding);

// Bytes of a text that its code page cannot read: invalid UTF-8 (each becomes U+FFFD) or
// bytes a Windows code page leaves undefined (kept as the control characters U+0080..U+009F,
// so that they save back unchanged).
struct DecodeProblems {
    qsizetype invalidBytes = 0;
    qsizetype firstOffset = -1;  // of the first such byte in the text
};

// Whole texts between QString and the bytes of a code page (1250, 1251, 1252, 65001).
// Unmappable characters become '?', invalid UTF-8 becomes U+FFFD, a UTF-8 byte-order mark
// is kept as U+FEFF. A character outside the BMP becomes one '?' in the 8-bit code pages; an
// unpaired surrogate becomes '?' there and U+FFFD in UTF-8. Any other code page number (or a
// negative size) gives a null QString or QByteArray; success never does, also for an empty
// text. problems, when given, counts what could not be read cleanly.
QString DecodeText(int codePage, const char* data, qsizetype size,
                   DecodeProblems* problems = nullptr);
inline QString DecodeText(int codePage, const QByteArray& bytes)
{
    return DecodeText(codePage, bytes.constData(), bytes.size());
}
QByteArray EncodeText(int codePage, QStringView text);

}  // namespace scrivlet
