#pragma once

#include <cstdint>

// The three Windows code pages of the text files and the 8-bit .edt encodings, from the
// published mappings, so that the conversion is the same on every platform. Bytes 0 to 127
// are ASCII. A byte that a code page leaves undefined stands for U+0080 + (byte - 128) and
// that character converts back to the byte, so every byte survives a round trip.

namespace scrivlet {

enum CodePage : int {
    kCodePage1250 = 1250,
    kCodePage1251 = 1251,
    kCodePage1252 = 1252,
    kCodePageUtf8 = 65001,
};

struct CodePageTable {
    char16_t toUnicode[256];
    // Byte of each UTF-16 unit; 0 marks a character the code page lacks (only U+0000 is 0).
    uint8_t fromUnicode[65536];

    char16_t Char(uint8_t byte) const { return toUnicode[byte]; }
    // The byte of ch, or -1 when the code page lacks it.
    int Byte(char16_t ch) const
    {
        const uint8_t byte = fromUnicode[ch];
        return byte != 0 || ch == 0 ? byte : -1;
    }
    // True for a byte the published code page leaves undefined: it alone stands for a C1
    // control character, which no defined byte of these code pages reads as.
    bool Undefined(uint8_t byte) const { return byte >= 0x80 && byte < 0xA0 && Char(byte) == byte; }
};

// The table of code page 1250, 1251 or 1252, built on first use; null for any other number.
const CodePageTable* WindowsCodePage(int codePage);

}  // namespace scrivlet
