#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <string>

// Reader of INI-form text files (the format catalogue). Every line is matched whole against a
// fixed list of patterns; a line that fits none (a raw line) is ignored, as are blank lines and
// comments.
// All text stays in the file's own bytes: keys, section names and values are 8-bit strings,
// compared byte for byte, case-sensitive.

namespace scrivlet {

enum IniLineKind : int {
    kIniBlank = 0,
    kIniRaw = 1,
    kIniComment = 2,
    kIniSectionHeader = 3,
    kIniIntEntry = 4,
    kIniStringEntry = 5,
};

// The value of one key: an integer or a string entry.
struct IniEntry {
    IniLineKind kind = kIniStringEntry;
    std::int32_t number = 0;
    std::string text;
};

// The entries of one section by key.
using IniSection = std::map<std::string, IniEntry>;

class IniFile {
public:
    IniFile();

    // Reads the file at path. False only when it cannot be read; whatever was loaded before is
    // discarded.
    bool LoadPath(const QString& path);
    // The same for the file's bytes already in memory.
    bool LoadBytes(const std::string& bytes);

    // Null when there is no such section. The section "" always exists.
    const IniSection* FindSection(const std::string& name) const;

    // The value of an integer entry; the default for a null section, a missing key or a
    // string entry.
    static std::int32_t GetInt(const IniSection* section, const std::string& key,
                               std::int32_t defaultValue);
    // The value of a string entry; the default for a null section, a missing key or an
    // integer entry.
    static std::string GetString(const IniSection* section, const std::string& key,
                                 const std::string& defaultValue);

private:
    void Reset();

    std::map<std::string, IniSection> sections_;
};

// How a line is matched: the line patterns, or a single-pass equivalent of the section and
// entry patterns. Those backtrack quadratically over long runs of blanks, so Auto takes the
// single pass for long lines and lines with long blank runs, the patterns for all others.
enum class IniMatcher { Auto, Patterns, SinglePass };

// A classified line: its kind, the comment text / section name / key, and the value's text.
struct IniLineParts {
    int kind = kIniRaw;
    std::string first;
    std::string second;
};

// Empty parts of kind raw when the line patterns cannot be compiled.
IniLineParts ClassifyIniLine(const std::string& line, IniMatcher matcher = IniMatcher::Auto);

}  // namespace scrivlet
