#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <array>
#include <locale>
#include <optional>

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

}  // namespace

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

const IniEntry* IniSection::Find(const std::string& key) const
{
    const auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : it->second;
}

void IniSection::Insert(const IniEntry* entry)
{
    entries_.emplace(entry->Key(), entry);
}

IniFile::IniFile()
{
    Reset();
}

void IniFile::Reset()
{
    lines_.clear();
    sections_.clear();
    sections_.emplace(std::string(), IniSection());
}

bool IniFile::Load(const QString& fileName)
{
    return LoadPath(QDir(QCoreApplication::applicationDirPath()).filePath(fileName));
}

bool IniFile::LoadPath(const QString& path)
{
    Reset();
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
    xp::smatch match;
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

        const auto& rx = patterns->regex;
        if (xp::regex_match(line, match, rx[kBlankPattern])) {
            lines_.push_back(std::make_unique<IniBlankLine>());
        } else if (xp::regex_match(line, match, rx[kCommentPattern])) {
            lines_.push_back(std::make_unique<IniCommentLine>(match[1].str()));
        } else if (xp::regex_match(line, match, rx[kSectionPattern])) {
            std::string name = match[1].str();
            current = &sections_[name];  // a repeated header adds to the same section
            lines_.push_back(std::make_unique<IniSectionLine>(std::move(name)));
        } else if (xp::regex_match(line, match, rx[kIntPattern])) {
            auto entry = std::make_unique<IniIntEntry>(match[1].str(), ParseIniInt(match[2].str()));
            current->Insert(entry.get());
            lines_.push_back(std::move(entry));
        } else if (xp::regex_match(line, match, rx[kStringPattern])) {
            auto entry = std::make_unique<IniStringEntry>(match[1].str(), match[2].str());
            current->Insert(entry.get());
            lines_.push_back(std::move(entry));
        } else {
            lines_.push_back(std::make_unique<IniRawLine>(line));
        }
    }
    return true;
}

const IniSection* IniFile::FindSection(const std::string& name) const
{
    const auto it = sections_.find(name);
    return it == sections_.end() ? nullptr : &it->second;
}

std::int32_t IniFile::GetInt(const IniSection* section, const std::string& key,
                             std::int32_t defaultValue)
{
    const IniEntry* entry = section ? section->Find(key) : nullptr;
    if (!entry || entry->Kind() != kIniIntEntry)
        return defaultValue;
    return static_cast<const IniIntEntry*>(entry)->Value();
}

std::string IniFile::GetString(const IniSection* section, const std::string& key,
                               const std::string& defaultValue)
{
    const IniEntry* entry = section ? section->Find(key) : nullptr;
    if (!entry || entry->Kind() != kIniStringEntry)
        return defaultValue;
    return static_cast<const IniStringEntry*>(entry)->Value();
}

}  // namespace scrivlet
