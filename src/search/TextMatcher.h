#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// One compiled search expression matched against cell texts under a budget.
//
// Xpressive backtracks without limits: a pattern such as "(a*)*b" runs for ages on twenty
// characters, and "(.)*x" recurses once per character until the stack overflows. Matching
// therefore runs on a thread of its own with a large stack (RunMatchWork), and the matcher's
// steps are counted: a match that goes too deep into the stack, or a cell that needs far
// more steps than its length once the search has used up its time, ends as Aborted instead
// of crashing or freezing the editor. A search that is merely long (a big document, cheap
// cells) is never cut short.

namespace scrivlet {

// An aborted match still has to unwind the frames it went down (about 10 ms per MB of stack
// here), so time and depth together stay under a second.
struct MatchLimits {
    // From the start of the search; after it, a costly cell ends the search.
    std::chrono::milliseconds time{800};
    // Stack the matching thread gets, and how much of it a match may use; the rest is the
    // headroom for what runs between two checks. 16 MB hold group repeats such as "(.)*x"
    // over some 30,000 characters.
    std::size_t stackSize = std::size_t{32} << 20;
    std::size_t stackUse = std::size_t{16} << 20;
};

// A match in UTF-16 units of the searched text.
struct MatchSpan {
    int start = 0;
    int end = 0;
    int group1Length = 0;  // 0 when the group does not exist or did not take part
    int group3Length = 0;
};

enum class MatchResult { NoMatch, Found, InvalidPattern, Aborted };

class TextMatcher {
public:
    // Construct on the thread that matches: the stack depth is measured from here.
    explicit TextMatcher(const MatchLimits& limits);
    ~TextMatcher();
    TextMatcher(const TextMatcher&) = delete;
    TextMatcher& operator=(const TextMatcher&) = delete;

    // ECMAScript syntax, case-insensitive unless matchCase; false for an invalid pattern.
    bool Compile(const QString& pattern, bool matchCase);
    // Every match contains literal (compared as the expression compares, so with the same
    // case folding): texts without it are passed over without running the expression.
    // Call after Compile.
    void RequireLiteral(const QString& literal);
    // The first match in text. Aborted when the budget ran out or matching failed.
    MatchResult Find(const QString& text, MatchSpan* span);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Runs work on a thread with limits.stackSize of stack and waits for it; returns what work
// returned. When no thread can be started, work runs on the calling thread with limits whose
// stack use fits any thread's stack.
int RunMatchWork(const MatchLimits& limits, const std::function<int(const MatchLimits&)>& work);

// Compiles and matches one text on the matching thread: the pieces of FindNext for a single
// text, for callers (and tests) without a grid.
MatchResult MatchText(const QString& pattern, bool matchCase, const QString& text, MatchSpan* span,
                      const MatchLimits& limits = MatchLimits{});

}  // namespace scrivlet
