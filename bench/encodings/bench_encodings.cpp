// Decode and encode throughput of the .edt unit transforms on a 64 MiB buffer of units
// (32 Mi units), through the functions the document files use, in million units per second.
// Data kinds: "text", units of typical texts of the encoding's edition, and "random", every
// 16-bit value alike, the worst case for the tables (decoding stops early in a field where a
// unit reads as zero).
// TextDecode / TextEncode: whole-text conversion of the same texts (32 Mi characters) in the
// encoding's .txt code page, in million characters per second.

#include "documents/Encodings.h"

#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

using namespace scrivlet;

namespace {

constexpr size_t kUnits = size_t(32) << 20;
constexpr size_t kFieldUnits = 64;
constexpr double kMillion = 1e6;
enum DataKind { kText = 0, kRandom = 1 };

// Letters an edition's texts use besides ASCII.
std::u16string_view EditionLetters(int encoding)
{
    switch (encoding) {
        case kEncodingEnglish:
            return u"ÉéèçñÀüЖУКзвездаПривет";
        case kEncodingGerman:
            return u"äöüÄÖÜß€„“";
        case kEncodingPolish:
            return u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻЖук";
        case kEncodingRussian:
            return u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙ«»—№";
        default:
            return u"ЖукäöüłśżΩλ中文字日本語한국어€—…";
    }
}

// Characters of one data kind: mostly ASCII words, a quarter edition letters, a few others.
const std::vector<char16_t>& Chars(int encoding, int kind)
{
    static std::map<std::pair<int, int>, std::vector<char16_t>> cache;
    auto& chars = cache[{encoding, kind}];
    if (!chars.empty()) {
        return chars;
    }
    chars.resize(kUnits);
    std::mt19937 random(12345u + unsigned(encoding * 2 + kind));
    if (kind == kRandom) {
        std::uniform_int_distribution<int> any(0, 0xFFFF);
        for (auto& ch : chars) {
            ch = char16_t(any(random));
        }
        return chars;
    }
    const std::u16string_view letters = EditionLetters(encoding);
    const std::u16string_view ascii = u"etaoinshrdlucmfwypvbgkjqxz ETAOINS  ,.!?'0123456789";
    std::uniform_int_distribution<int> pick(0, 99);
    for (auto& ch : chars) {
        const int p = pick(random);
        if (p < 72) {
            ch = ascii[size_t(pick(random)) % ascii.size()];
        } else if (p < 97) {
            ch = letters[size_t(pick(random)) % letters.size()];
        } else {
            ch = char16_t(0x00A0 + pick(random) * 3);
        }
    }
    return chars;
}

const std::vector<uint16_t>& Units(int encoding, int kind)
{
    static std::map<std::pair<int, int>, std::vector<uint16_t>> cache;
    auto& units = cache[{encoding, kind}];
    if (!units.empty()) {
        return units;
    }
    const auto& chars = Chars(encoding, kind);
    units.resize(kUnits);
    if (kind == kRandom) {
        for (size_t i = 0; i < kUnits; ++i) {
            units[i] = uint16_t(chars[i]);
        }
    } else {
        EncodeEdtUnits(encoding, chars.data(), units.data(), kUnits);
    }
    return units;
}

void SetCounters(benchmark::State& state)
{
    state.counters["Munits/s"] = benchmark::Counter(
        double(kUnits) * double(state.iterations()) / kMillion, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kUnits * sizeof(uint16_t)));
}

void DecodeBulk(benchmark::State& state)
{
    const int encoding = int(state.range(0));
    const auto& in = Units(encoding, int(state.range(1)));
    std::vector<char16_t> out(kUnits);
    for (auto _ : state) {
        // In fields of 64 units, as the reader meets them; a field ends at a unit read as zero.
        for (size_t i = 0; i < kUnits; i += kFieldUnits) {
            DecodeEdtText(encoding, in.data() + i, kFieldUnits, out.data() + i);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

void EncodeBulk(benchmark::State& state)
{
    const int encoding = int(state.range(0));
    const auto& in = Chars(encoding, int(state.range(1)));
    std::vector<uint16_t> out(kUnits);
    for (auto _ : state) {
        EncodeEdtUnits(encoding, in.data(), out.data(), kUnits);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

void TextDecode(benchmark::State& state)
{
    const int codePage = TextCodePage(int(state.range(0)));
    const auto& chars = Chars(int(state.range(0)), kText);
    const QByteArray bytes = EncodeText(codePage, QStringView(chars.data(), qsizetype(kUnits)));
    for (auto _ : state) {
        QString text = DecodeText(codePage, bytes);
        benchmark::DoNotOptimize(text.data());
    }
    SetCounters(state);
}

void TextEncode(benchmark::State& state)
{
    const int codePage = TextCodePage(int(state.range(0)));
    const auto& chars = Chars(int(state.range(0)), kText);
    const QStringView text(chars.data(), qsizetype(kUnits));
    for (auto _ : state) {
        QByteArray bytes = EncodeText(codePage, text);
        benchmark::DoNotOptimize(bytes.data());
    }
    SetCounters(state);
}

// German shares English's code page; Polish, Russian and Unicode each have their own.
void CodePageArgs(benchmark::internal::Benchmark* b)
{
    b->ArgName("encoding");
    for (int encoding : {kEncodingEnglish, kEncodingPolish, kEncodingRussian, kEncodingUnicode}) {
        b->Arg(encoding);
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.3);
}

void EncodingArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"encoding", "random"});
    for (int kind : {kText, kRandom}) {
        for (int encoding = 0; encoding < kEncodingCount; ++encoding) {
            b->Args({encoding, kind});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.3);
}

}  // namespace

BENCHMARK(DecodeBulk)->Apply(EncodingArgs);
BENCHMARK(EncodeBulk)->Apply(EncodingArgs);
BENCHMARK(TextDecode)->Apply(CodePageArgs);
BENCHMARK(TextEncode)->Apply(CodePageArgs);

BENCHMARK_MAIN();
