#pragma once

#include <QString>
#include <QStringView>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// A regular expression matched under a budget of time, steps and stack.
//
// Xpressive backtracks without limits: a pattern such as "(a*)*b" runs for ages on twenty
// characters, and "(.)*x" recurses once per character until the stack overflows. Matching
// therefore runs on a thread of its own with a large stack (RunMatchWork), and the matcher's
// steps are counted: a match that goes too deep into the stack, takes more steps than allowed,
// or runs past the deadline with far more steps than its text's length ends as Aborted instead
// of crashing or freezing the editor. Merely long work (many cheap texts) is never cut short.
//
// Case folding and \w follow one Unicode locale (C.UTF-8, else another UTF-8 locale, else the
// classic one), so the search and the format detection fold case alike.

namespace scrivlet {

// An aborted match still has to unwind the frames it went down (about 10 ms per MB of stack
// here), so time and depth together stay under a second.
struct MatchLimits {
    // From the start of a run of matches (a MatchBudget); after it, a costly text ends it.
    std::chrono::milliseconds time{800};
    // Stack the matching thread gets, and how much of it a match may use; the rest is the
    // headroom for what runs between two checks. 16 MB hold group repeats such as "(.)*x"
    // over some 30,000 characters.
    std::size_t stackSize = std::size_t{32} << 20;
    std::size_t stackUse = std::size_t{16} << 20;
    // Steps one text may take at most; 0: no cap.
    std::size_t maxSteps = 0;
    // A text matched in up to this many steps per character is ordinary work and is never
    // stopped by the deadline; 0: every text is stopped once the deadline has passed.
    std::size_t ordinaryStepsPerChar = 64;
};

// A match in UTF-16 units of the matched text.
struct MatchSpan {
    int start = 0;
    int end = 0;
    // groupLengths[g]: length of group g (0 when it took no part); [0] is the whole match.
    std::vector<int> groupLengths;
    // groupStarts[g]: where group g starts (-1 when it took no part).
    std::vector<int> groupStarts;

    int GroupLength(int group) const
    {
        return group < static_cast<int>(groupLengths.size()) ? groupLengths[group] : 0;
    }
    int GroupStart(int group) const
    {
        return group < static_cast<int>(groupStarts.size()) ? groupStarts[group] : -1;
    }
};

enum class MatchResult { NoMatch, Found, Aborted };

// The budget of a run of matches and their scratch space. Construct it on the thread that
// matches: the stack depth counts from there, the time from construction.
class MatchBudget {
public:
    explicit MatchBudget(const MatchLimits& limits);
    ~MatchBudget();
    MatchBudget(const MatchBudget&) = delete;
    MatchBudget& operator=(const MatchBudget&) = delete;

private:
    friend class GuardedRegex;
    struct Impl;
    std::unique_ptr<Impl> d_;
};

class GuardedRegex {
public:
    GuardedRegex();
    ~GuardedRegex();
    GuardedRegex(const GuardedRegex&) = delete;
    GuardedRegex& operator=(const GuardedRegex&) = delete;

    // ECMAScript syntax, case-insensitive unless matchCase. False, leaving no expression,
    // for an invalid pattern.
    bool Compile(QStringView pattern, bool matchCase);
    bool IsValid() const;
    // The library's reason (English) the last Compile failed; empty when there is none to
    // tell (also for a repeat count too large to try).
    QString Error() const;
    // Every match contains literal (compared with the expression's case folding): texts
    // without it are passed over without running the expression. Call after Compile.
    void RequireLiteral(QStringView literal);

    // The first match anywhere in text.
    MatchResult Search(QStringView text, MatchBudget& budget, MatchSpan* span) const;
    // The first match that starts at or after `from` (UTF-16 units); the text before it still
    // counts for "^", "\\b" and the like, so a search can go on after an earlier match.
    MatchResult Search(QStringView text, int from, MatchBudget& budget, MatchSpan* span) const;
    // A match of the whole text.
    MatchResult MatchWhole(QStringView text, MatchBudget& budget, MatchSpan* span) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Runs work on a thread with limits.stackSize of stack and waits for it. When no thread can
// be started, work runs on the calling thread with limits whose stack use fits any stack.
void RunMatchWork(const MatchLimits& limits, const std::function<void(const MatchLimits&)>& work);

}  // namespace scrivlet
