#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Reader of INI-form text files (the format catalogue). Every line is matched whole against a
// fixed list of patterns; a line that fits none is kept as a raw line and otherwise ignored.
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

class IniLine {
public:
    virtual ~IniLine() = default;
    virtual int Kind() const = 0;
};

class IniBlankLine final : public IniLine {
public:
    int Kind() const override { return kIniBlank; }
};

class IniRawLine final : public IniLine {
public:
    explicit IniRawLine(std::string text) : text_(std::move(text)) {}
    int Kind() const override { return kIniRaw; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class IniCommentLine final : public IniLine {
public:
    explicit IniCommentLine(std::string text) : text_(std::move(text)) {}
    int Kind() const override { return kIniComment; }
    // The text after the semicolon.
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class IniSectionLine final : public IniLine {
public:
    explicit IniSectionLine(std::string name) : name_(std::move(name)) {}
    int Kind() const override { return kIniSectionHeader; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// A key = value line; the two kinds differ in the value they hold.
class IniEntry : public IniLine {
public:
    explicit IniEntry(std::string key) : key_(std::move(key)) {}
    const std::string& Key() const { return key_; }

private:
    std::string key_;
};

class IniIntEntry final : public IniEntry {
public:
    IniIntEntry(std::string key, std::int32_t value) : IniEntry(std::move(key)), value_(value) {}
    int Kind() const override { return kIniIntEntry; }
    std::int32_t Value() const { return value_; }

private:
    std::int32_t value_;
};

class IniStringEntry final : public IniEntry {
public:
    IniStringEntry(std::string key, std::string value)
        : IniEntry(std::move(key)), value_(std::move(value))
    {
    }
    int Kind() const override { return kIniStringEntry; }
    const std::string& Value() const { return value_; }

private:
    std::string value_;
};

// The entries of one section by key. The entries belong to the IniFile's line list.
class IniSection {
public:
    // Null when the section has no such key.
    const IniEntry* Find(const std::string& key) const;
    const std::map<std::string, const IniEntry*>& Entries() const { return entries_; }

private:
    friend class IniFile;
    // Keeps the first entry of a key; a later one with the same key is not inserted.
    void Insert(const IniEntry* entry);

    std::map<std::string, const IniEntry*> entries_;
};

class IniFile {
public:
    IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Reads the bare file name from the executable's directory (never the current one).
    // False only when the file cannot be opened; whatever was loaded before is discarded.
    bool Load(const QString& fileName);
    // The same for a file anywhere.
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

    const std::vector<std::unique_ptr<IniLine>>& Lines() const { return lines_; }
    const std::map<std::string, IniSection>& Sections() const { return sections_; }

private:
    void Reset();

    std::vector<std::unique_ptr<IniLine>> lines_;
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

// Decimal value of an integer entry's text: optional leading white space, one optional sign,
// digits up to the first non-digit, accumulated in 32 bits with wrap-around. A sign followed
// by anything but a digit gives 0.
std::int32_t ParseIniInt(const std::string& text);

}  // namespace scrivlet
