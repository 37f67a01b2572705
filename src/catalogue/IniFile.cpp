#include "catalogue/IniFile.h"

#include "base/ReadableFile.h"

#include <QFile>
#include <QtGlobal>

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <array>
#include <locale>
#include <optional>
#include <utility>

namespace scrivlet {
namespace {

namespace xp = boost::xpressive;

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr std::size_t kUtf8BomSize = 3;

// The line patterns in the order in which they are tried; the first that matches the whole
// line decides the line's kind.
constexpr std::array<const char*, 5> kLinePatterns = {
    R"(\s*)",
    R"(\s*;(.*))",
    R"(\s*\[\s*([^\[\]]+?)\s*\]\s*)",
    R"(\s*([\w\d\.\-]+)\s*=\s*(-?\s*\d+)\s*)",
    R"(\s*([\w\d\.\-]+)\s*=[ \t"]*([^"]*?)[ \t"]*)",
};
enum PatternIndex { kBlankPattern, kCommentPattern, kSectionPattern, kIntPattern, kStringPattern };

struct LinePatterns {
    std::array<xp::sregex, kLinePatterns.size()> regex;
};

// Compiled once per process: a catalogue of many thousand lines must not pay for it per line
// or per load. Empty when a pattern does not compile.
const std::optional<LinePatterns>& CompiledPatterns()
{
    static const std::optional<LinePatterns> patterns = []() -> std::optional<LinePatterns> {
        // The classic locale keeps \s and \w to ASCII: bytes of UTF-8 sequences are never
        // blanks or word characters, whatever locale the process runs in.
        xp::sregex_compiler compiler;
        compiler.imbue(std::locale::classic());
        const auto flags = xp::regex_constants::ECMAScript | xp::regex_constants::icase |
                           xp::regex_constants::optimize;
        LinePatterns result;
        std::size_t i = 0;
        try {
            for (; i < kLinePatterns.size(); ++i)
                result.regex[i] = compiler.compile(kLinePatterns[i], flags);
        } catch (const xp::regex_error& error) {
            qWarning("IniFile: line pattern %d does not compile: %s", int(i), error.what());
            return std::nullopt;
        }
        return result;
    }();
    return patterns;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsQuoteOrBlank(char c)
{
    return c == ' ' || c == '\t' || c == '"';
}

bool IsKeyChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The lazy groups of the patterns rescan blank runs while they backtrack, which costs the
// square of a run, or more, on a failing line. Short lines with short runs cost nothing worth
// noting; others go to the single pass.
constexpr std::size_t kLongBlankRun = 16;
constexpr std::size_t kLongLine = 256;

bool NeedsSinglePass(const std::string& line)
{
    if (line.size() > kLongLine)
        return true;
    std::size_t run = 0;
    for (char c : line) {
        run = (IsBlank(c) || c == '"') ? run + 1 : 0;
        if (run > kLongBlankRun)
            return true;
    }
    return false;
}

// What the section pattern captures, found in one pass.
std::optional<std::string> MatchSectionSinglePass(const std::string& line)
{
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    if (end - begin < 3 || line[begin] != '[' || line[end - 1] != ']')
        return std::nullopt;
    const std::size_t innerBegin = begin + 1;
    const std::size_t innerEnd = end - 1;
    for (std::size_t i = innerBegin; i < innerEnd; ++i) {
        if (line[i] == '[' || line[i] == ']')
            return std::nullopt;
    }
    std::size_t nameBegin = innerBegin;
    std::size_t nameEnd = innerEnd;
    while (nameBegin < nameEnd && IsBlank(line[nameBegin]))
        ++nameBegin;
    // Only blanks: the leading \s* gives its last blank back to the one-character name.
    if (nameBegin == nameEnd)
        return std::string(1, line[innerEnd - 1]);
    while (nameEnd > nameBegin && IsBlank(line[nameEnd - 1]))
        --nameEnd;
    return line.substr(nameBegin, nameEnd - nameBegin);
}

using KeyValue = std::pair<std::string, std::string>;

// The key and "=" that both entry patterns begin with; the position after "=", or npos.
std::size_t MatchKeySinglePass(const std::string& line, std::string& key)
{
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n && IsBlank(line[i]))
        ++i;
    const std::size_t keyBegin = i;
    while (i < n && IsKeyChar(line[i]))
        ++i;
    if (i == keyBegin)
        return std::string::npos;
    const std::size_t keyEnd = i;
    while (i < n && IsBlank(line[i]))
        ++i;
    if (i == n || line[i] != '=')
        return std::string::npos;
    key = line.substr(keyBegin, keyEnd - keyBegin);
    return i + 1;
}

// What the integer-entry pattern captures (key, number text), found in one pass.
std::optional<KeyValue> MatchIntSinglePass(const std::string& line)
{
    std::string key;
    std::size_t i = MatchKeySinglePass(line, key);
    if (i == std::string::npos)
        return std::nullopt;
    const std::size_t n = line.size();
    while (i < n && IsBlank(line[i]))
        ++i;
    const std::size_t valueBegin = i;
    if (i < n && line[i] == '-')
        ++i;
    while (i < n && IsBlank(line[i]))
        ++i;
    const std::size_t digitsBegin = i;
    while (i < n && line[i] >= '0' && line[i] <= '9')
        ++i;
    if (i == digitsBegin)
        return std::nullopt;
    const std::size_t valueEnd = i;
    while (i < n && IsBlank(line[i]))
        ++i;
    if (i != n)
        return std::nullopt;
    return KeyValue(std::move(key), line.substr(valueBegin, valueEnd - valueBegin));
}

// What the string-entry pattern captures (key, value), found in one pass.
std::optional<KeyValue> MatchStringSinglePass(const std::string& line)
{
    std::string key;
    std::size_t i = MatchKeySinglePass(line, key);
    if (i == std::string::npos)
        return std::nullopt;
    const std::size_t n = line.size();
    while (i < n && IsQuoteOrBlank(line[i]))
        ++i;
    std::size_t valueEnd = n;
    while (valueEnd > i && IsQuoteOrBlank(line[valueEnd - 1]))
        --valueEnd;
    std::string value = line.substr(i, valueEnd - i);
    if (value.find('"') != std::string::npos)
        return std::nullopt;
    return KeyValue(std::move(key), std::move(value));
}

// Decimal value of an integer entry's text: optional leading white space, one optional sign,
// digits up to the first non-digit, accumulated in 32 bits with wrap-around. A sign followed
// by anything but a digit gives 0.
std::int32_t ParseIniInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps by definition; signed overflow would be undefined.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

}  // namespace

IniLineParts ClassifyIniLine(const std::string& line, IniMatcher matcher)
{
    IniLineParts parts;
    const auto& patterns = CompiledPatterns();
    if (!patterns)
        return parts;
    const bool singlePass =
        matcher == IniMatcher::SinglePass || (matcher == IniMatcher::Auto && NeedsSinglePass(line));
    const auto& rx = patterns->regex;
    xp::smatch match;
    if (xp::regex_match(line, match, rx[kBlankPattern])) {
        parts.kind = kIniBlank;
    } else if (xp::regex_match(line, match, rx[kCommentPattern])) {
        parts.kind = kIniComment;
        parts.first = match[1].str();
    } else if (singlePass) {
        if (auto name = MatchSectionSinglePass(line)) {
            parts.kind = kIniSectionHeader;
            parts.first = std::move(*name);
        } else if (auto number = MatchIntSinglePass(line)) {
            parts.kind = kIniIntEntry;
            parts.first = std::move(number->first);
            parts.second = std::move(number->second);
        } else if (auto entry = MatchStringSinglePass(line)) {
            parts.kind = kIniStringEntry;
            parts.first = std::move(entry->first);
            parts.second = std::move(entry->second);
        }
    } else if (xp::regex_match(line, match, rx[kSectionPattern])) {
        parts.kind = kIniSectionHeader;
        parts.first = match[1].str();
    } else if (xp::regex_match(line, match, rx[kIntPattern])) {
        parts.kind = kIniIntEntry;
        parts.first = match[1].str();
        parts.second = match[2].str();
    } else if (xp::regex_match(line, match, rx[kStringPattern])) {
        parts.kind = kIniStringEntry;
        parts.first = match[1].str();
        parts.second = match[2].str();
    }
    return parts;
}

IniFile::IniFile()
{
    Reset();
}

void IniFile::Reset()
{
    sections_.clear();
    sections_.emplace(std::string(), IniSection());
}

bool IniFile::LoadPath(const QString& path)
{
    Reset();
    // A catalogue is a few kilobytes; the limit keeps /dev/zero or a huge file from filling
    // memory, and a FIFO from blocking the start.
    constexpr qint64 kMaxBytes = qint64{16} << 20;
    if (CheckReadableFile(path, kMaxBytes) != FileCheck::Readable)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return LoadBytes(bytes.toStdString());
}

bool IniFile::LoadBytes(const std::string& bytes)
{
    Reset();
    const auto& patterns = CompiledPatterns();
    if (!patterns)
        return false;

    IniSection* current = &sections_.begin()->second;
    std::size_t pos = 0;
    // An editor's byte-order mark is no part of the first line: left in, it would turn the
    // first section header into a raw line and silently drop that section.
    if (bytes.compare(0, kUtf8BomSize, kUtf8Bom) == 0)
        pos = kUtf8BomSize;

    std::string line;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        const bool hasFeed = end != std::string::npos;
        if (!hasFeed)
            end = bytes.size();
        std::size_t lineEnd = end;
        // Text mode: the CR of a CR LF pair goes, a lone CR stays.
        if (hasFeed && lineEnd > pos && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        line.assign(bytes, pos, lineEnd - pos);
        pos = hasFeed ? end + 1 : end;

        IniLineParts parts = ClassifyIniLine(line);
        switch (parts.kind) {
            case kIniSectionHeader:
                current = &sections_[parts.first];  // a repeated header adds to the same section
                break;
            case kIniIntEntry:
                // The first entry of a key wins.
                current->emplace(std::move(parts.first),
                                 IniEntry{kIniIntEntry, ParseIniInt(parts.second), {}});
                break;
            case kIniStringEntry:
                current->emplace(std::move(parts.first),
                                 IniEntry{kIniStringEntry, 0, std::move(parts.second)});
                break;
            default:
                break;
        }
    }
    return true;
}

const IniSection* IniFile::FindSection(const std::string& name) const
{
    const auto it = sections_.find(name);
    return it == sections_.end() ? nullptr : &it->second;
}

namespace {

const IniEntry* FindEntry(const IniSection* section, const std::string& key, IniLineKind kind)
{
    if (!section)
        return nullptr;
    const auto it = section->find(key);
    return it == section->end() || it->second.kind != kind ? nullptr : &it->second;
}

}  // namespace

std::int32_t IniFile::GetInt(const IniSection* section, const std::string& key,
                             std::int32_t defaultValue)
{
    const IniEntry* entry = FindEntry(section, key, kIniIntEntry);
    return entry ? entry->number : defaultValue;
}

std::string IniFile::GetString(const IniSection* section, const std::string& key,
                               const std::string& defaultValue)
{
    const IniEntry* entry = FindEntry(section, key, kIniStringEntry);
    return entry ? entry->text : defaultValue;
}

}  // namespace scrivlet
