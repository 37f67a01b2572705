#include "documents/Encodings.h"

#include "documents/CodePages.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <cstring>
#include <memory>

namespace scrivlet {

namespace {

// Every stored unit carries a shift: codes from 33 up are stored one higher.
constexpr uint16_t kShiftFrom = 33;
constexpr int kUnitCount = 65536;
constexpr uint16_t kLargestUnit = 0xFFFF;
constexpr char16_t kQuestionMark = u'?';

// The Cyrillic block of the English, German and Polish editions: А..Я at codes 1101..1132,
// with Ж..Щ one further up, so Е and Ъ each share a code with their neighbour.
constexpr char16_t kCapitalA = 0x0410;    // А
constexpr char16_t kCapitalZhe = 0x0416;  // Ж
constexpr char16_t kShcha = 0x0429;       // Щ
constexpr char16_t kHardSign = 0x042A;    // Ъ
constexpr char16_t kSmallA = 0x0430;      // а
constexpr char16_t kSmallYa = 0x044F;     // я
constexpr char16_t kCaseOffset = 0x20;
constexpr int kBlockFirst = 1101;
constexpr int kBlockE = 1106;  // the last code read without the gap
constexpr int kBlockLast = 1163;

// The Polish letters of the "Kestrel 2" edition, stored at their Windows-1250 codes.
constexpr uint8_t kPolishCodes[] = {140, 143, 156, 159, 163, 165, 175, 179, 185,
                                    191, 198, 202, 209, 211, 230, 234, 241, 243};

const CodePageTable& Cp1250()
{
    static const CodePageTable& table = *WindowsCodePage(kCodePage1250);
    return table;
}

const CodePageTable& Cp1251()
{
    static const CodePageTable& table = *WindowsCodePage(kCodePage1251);
    return table;
}

const CodePageTable& Cp1252()
{
    static const CodePageTable& table = *WindowsCodePage(kCodePage1252);
    return table;
}

constexpr std::array<bool, 256> kIsPolishCode = [] {
    std::array<bool, 256> set{};
    for (uint8_t code : kPolishCodes) {
        set[code] = true;
    }
    return set;
}();

bool IsPolishCode(int code)
{
    return code < int(kIsPolishCode.size()) && kIsPolishCode[code];
}

bool IsPolishLetter(char16_t ch)
{
    const int byte = Cp1250().Byte(ch);
    return byte >= 0 && IsPolishCode(byte);
}

char16_t DecodeCyrillicBlock(int code)
{
    if (code <= kBlockE) {
        return char16_t(kCapitalA + (code - kBlockFirst));
    }
    // Past Е every code is one letter lower, until Ъ, which has no code of its own.
    char16_t ch = char16_t(kCapitalA + (code - kBlockFirst) - 1);
    if (ch >= kHardSign) {
        ++ch;
    }
    return ch;
}

// The block code of a Cyrillic letter U+0410..U+044F; small letters share their capital's.
int EncodeCyrillicBlock(char16_t ch)
{
    if (ch >= kSmallA) {
        ch -= kCaseOffset;
    }
    const int gap = (ch >= kCapitalZhe && ch <= kShcha) ? 1 : 0;
    return kBlockFirst + (ch - kCapitalA) + gap;
}

bool InCyrillicBlock(int code)
{
    return code >= kBlockFirst && code <= kBlockLast;
}

bool IsCyrillicLetter(char16_t ch)
{
    return ch >= kCapitalA && ch <= kSmallYa;
}

// Written without comparisons (the sign bit of 33 - unit), so that compilers keep runs of
// it branch-free: text alternates between blanks and letters too often to predict.
uint16_t UnshiftUnit(uint16_t unit)
{
    return uint16_t(unit - ((uint32_t(kShiftFrom) - unit) >> 31));
}

uint16_t ShiftCode(int code)
{
    // U+FFFF would wrap to 0, a terminator; no unit can hold it.
    if (code >= kLargestUnit) {
        code = kQuestionMark;
    }
    return uint16_t(code >= kShiftFrom ? code + 1 : code);
}

// ShiftCode for a Unicode character, branch-free like UnshiftUnit.
uint16_t ShiftUnicode(char16_t ch)
{
    constexpr uint32_t kWrapped = uint32_t(kLargestUnit) + 1;
    constexpr uint32_t kStoredQuestionMark = kQuestionMark + 1;
    const uint32_t shifted = ch + ((uint32_t(kShiftFrom - 1) - ch) >> 31);
    // Only U+FFFF reaches kWrapped; it turns into a stored '?'.
    return uint16_t(shifted - (shifted >> 16) * (kWrapped - kStoredQuestionMark));
}

// Applies f to n units in blocks of fixed length through a local copy, so that the compiler
// sees no aliasing and uses vector instructions; in and out may be the same buffer.
template <typename In, typename Out, typename F>
void ForEachUnit(const In* in, Out* out, size_t n, F f)
{
    constexpr size_t kBlock = 16;
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        In block[kBlock];
        std::memcpy(block, in + i, sizeof block);
        Out result[kBlock];
        for (size_t j = 0; j < kBlock; ++j) {
            result[j] = Out(f(block[j]));
        }
        std::memcpy(out + i, result, sizeof result);
    }
    for (; i < n; ++i) {
        out[i] = Out(f(in[i]));
    }
}

char16_t DecodeByRule(int encoding, uint16_t unit)
{
    const uint16_t code = UnshiftUnit(unit);
    switch (encoding) {
        case kEncodingPolish:
            if (InCyrillicBlock(code)) {
                return DecodeCyrillicBlock(code);
            }
            if (IsPolishCode(code)) {
                return Cp1250().Char(uint8_t(code));
            }
            return code;
        case kEncodingRussian:
            return Cp1251().Char(uint8_t(code));
        case kEncodingUnicode:
            return code;
        default:  // English, German
            if (InCyrillicBlock(code)) {
                return DecodeCyrillicBlock(code);
            }
            return Cp1252().Char(uint8_t(code));
    }
}

uint16_t EncodeByRule(int encoding, char16_t ch)
{
    int code = ch;
    switch (encoding) {
        case kEncodingPolish:
            if (IsCyrillicLetter(ch)) {
                code = EncodeCyrillicBlock(ch);
            } else if (IsPolishLetter(ch)) {
                code = Cp1250().Byte(ch);
            }
            break;
        case kEncodingRussian: {
            const int byte = Cp1251().Byte(ch);
            code = byte >= 0 ? byte : kQuestionMark;
            break;
        }
        case kEncodingUnicode:
            break;
        default:  // English, German
            if (IsCyrillicLetter(ch)) {
                code = EncodeCyrillicBlock(ch);
            } else if (const int byte = Cp1252().Byte(ch); byte >= 0) {
                // The characters Windows-1252 keeps at 0x80-0x9F (euro sign, curly quotes,
                // dashes) go back to those bytes; at their own code they would read back as
                // another character after a save.
                code = byte;
            }
            break;
    }
    return ShiftCode(code);
}

// The rules above, applied to every unit once, so that decoding and encoding are one lookup
// each. The .edt reader and writer use nothing else: there is one copy of the tables.
struct UnitTables {
    char16_t decode[kUnitCount];
    uint16_t encode[kUnitCount];
};

std::unique_ptr<UnitTables> BuildUnitTables(int encoding)
{
    auto tables = std::make_unique<UnitTables>();
    for (int unit = 0; unit < kUnitCount; ++unit) {
        tables->decode[unit] = DecodeByRule(encoding, uint16_t(unit));
        tables->encode[unit] = EncodeByRule(encoding, char16_t(unit));
    }
    return tables;
}

// Built on first use of each encoding; English and German share theirs. Unicode needs none.
const UnitTables* TablesFor(int encoding)
{
    switch (encoding) {
        case kEncodingPolish: {
            static const std::unique_ptr<UnitTables> polish = BuildUnitTables(kEncodingPolish);
            return polish.get();
        }
        case kEncodingRussian: {
            static const std::unique_ptr<UnitTables> russian = BuildUnitTables(kEncodingRussian);
            return russian.get();
        }
        default: {
            static const std::unique_ptr<UnitTables> latin = BuildUnitTables(kEncodingEnglish);
            return latin.get();
        }
    }
}

QString DecodeWindows(const CodePageTable& table, const char* data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        out[i] = table.Char(uint8_t(data[i]));
    }
    return text;
}

QByteArray EncodeWindows(const CodePageTable& table, QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char16_t* in = text.utf16();
    const qsizetype size = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t ch = in[i];
        // A surrogate pair is one character, so one '?'.
        if (QChar::isHighSurrogate(ch) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) {
            ++i;
            out[written++] = char(kQuestionMark);
            continue;
        }
        const int byte = table.Byte(ch);
        out[written++] = char(byte >= 0 ? byte : kQuestionMark);
    }
    bytes.truncate(written);
    return bytes;
}

}  // namespace

qsizetype DecodeEdtText(int encoding, const uint16_t* in, qsizetype n, char16_t* out)
{
    if (!IsValidEncoding(encoding)) {
        return -1;
    }
    // One pass that stops at the end of the text: fields are mostly longer than their texts.
    qsizetype length = 0;
    if (encoding == kEncodingUnicode) {
        while (length < n && (out[length] = UnshiftUnit(in[length])) != 0) {
            ++length;
        }
        return length;
    }
    const char16_t* table = TablesFor(encoding)->decode;
    while (length < n && (out[length] = table[in[length]]) != 0) {
        ++length;
    }
    return length;
}

bool EncodeEdtUnits(int encoding, const char16_t* in, uint16_t* out, size_t n)
{
    if (!IsValidEncoding(encoding)) {
        return false;
    }
    if (encoding == kEncodingUnicode) {
        ForEachUnit(in, out, n, ShiftUnicode);
        return true;
    }
    const uint16_t* table = TablesFor(encoding)->encode;
    for (size_t i = 0; i < n; ++i) {
        out[i] = table[in[i]];
    }
    return true;
}

int TextCodePage(int encoding)
{
    switch (encoding) {
        case kEncodingEnglish:
        case kEncodingGerman:
            return kCodePage1252;
        case kEncodingPolish:
            return kCodePage1250;
        case kEncodingRussian:
            return kCodePage1251;
        case kEncodingUnicode:
            return kCodePageUtf8;
        default:
            return -1;
    }
}

namespace {

// Bytes that belong to no well-formed UTF-8 sequence (Unicode's table of well-formed byte
// sequences), each maximal broken piece counted whole. QStringDecoder tells only that
// something was wrong, neither how much nor where.
void CountInvalidUtf8(const uint8_t* p, qsizetype n, DecodeProblems& problems)
{
    for (qsizetype i = 0; i < n;) {
        const uint8_t lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int need = 0;
        uint8_t low = 0x80, high = 0xBF;  // of the second byte
        if (lead >= 0xC2 && lead <= 0xDF)
            need = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            need = 2, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4)
            need = 3, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        qsizetype length = 1;
        for (int k = 0; k < need && i + length < n; ++k, ++length) {
            const uint8_t next = p[i + length];
            if (next < (k == 0 ? low : 0x80) || next > (k == 0 ? high : 0xBF))
                break;
        }
        if (need > 0 && length == need + 1) {
            i += length;
            continue;
        }
        if (problems.invalidBytes == 0)
            problems.firstOffset = i;
        problems.invalidBytes += length;
        i += length;
    }
}

void CountUndefined(const CodePageTable& table, const char* data, qsizetype size,
                    DecodeProblems& problems)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (table.Undefined(uint8_t(data[i]))) {
            if (problems.invalidBytes == 0)
                problems.firstOffset = i;
            ++problems.invalidBytes;
        }
    }
}

}  // namespace

QString DecodeText(int codePage, const char* data, qsizetype size, DecodeProblems* problems)
{
    if (size < 0 || (data == nullptr && size > 0)) {
        return QString();
    }
    if (codePage == kCodePageUtf8) {
        // Stateless: a sequence cut off at the end becomes U+FFFD instead of vanishing.
        // ConvertInitialBom: a leading byte-order mark is text the user may want back.
        QStringDecoder decoder(
            QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder(QByteArrayView(data, size));
        if (problems && decoder.hasError())
            CountInvalidUtf8(reinterpret_cast<const uint8_t*>(data), size, *problems);
        return text.isNull() ? QStringLiteral("") : text;
    }
    const CodePageTable* table = WindowsCodePage(codePage);
    if (table == nullptr) {
        return QString();
    }
    QString text = DecodeWindows(*table, data, size);
    if (problems)
        CountUndefined(*table, data, size, *problems);
    return text.isNull() ? QStringLiteral("") : text;
}

QByteArray EncodeText(int codePage, QStringView text)
{
    if (codePage == kCodePageUtf8) {
        // The encoder writes an unpaired surrogate as U+FFFD, like the decoder does; without
        // ConvertInitialBom it would drop a U+FEFF that begins the text.
        QStringEncoder encoder(
            QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QByteArray bytes = encoder(text);
        return bytes.isNull() ? QByteArray("") : bytes;
    }
    const CodePageTable* table = WindowsCodePage(codePage);
    if (table == nullptr) {
        return QByteArray();
    }
    QByteArray bytes = EncodeWindows(*table, text);
    return bytes.isNull() ? QByteArray("") : bytes;
}

}  // namespace scrivlet
