#include "shell/FormatDetection.h"

#include "base/RepeatCounts.h"
#include "catalogue/FormatCatalogue.h"

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <chrono>
#include <cstddef>
#include <iterator>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivlet {

namespace xp = boost::xpressive;

namespace {

using Clock = std::chrono::steady_clock;

// A catalogue's pattern such as "(.*a*)*b" backtracks exponentially over a long path, and
// "(.)*x" recurses once per character. Matching is therefore metered: each match may take so
// many steps and so much of the stack, all matches of one detection share a time budget, and
// a match that exceeds any of them counts as no match. An ordinary pattern needs a few steps
// per character of even the longest path, far below the cap; a runaway one reaches it within
// milliseconds, so the other formats still get their turn.
constexpr std::size_t kMaxMatchSteps = std::size_t{1} << 18;
constexpr std::chrono::milliseconds kDetectBudget{500};
constexpr std::ptrdiff_t kMaxStackUse = std::ptrdiff_t{1} << 20;
// Steps between two looks at the stack; a pattern has at most 79 characters, so one step
// goes only a few frames deeper. The clock is read every kChecksPerClock looks.
constexpr int kStepsPerCheck = 16;
constexpr int kChecksPerClock = 256;

struct BudgetExceeded {};

class DetectGuard {
public:
    DetectGuard() : deadline_(Clock::now() + kDetectBudget) {}

    // The stack depth counts from the caller of the match.
    void BeginMatch()
    {
        const char probe = 0;
        stackBase_ = &probe;
        matchSteps_ = 0;
    }

    void Step()
    {
        if (--steps_ == 0)
            Check();
    }

    bool Expired() const { return expired_; }

private:
    void Check()
    {
        steps_ = kStepsPerCheck;
        matchSteps_ += kStepsPerCheck;
        const char probe = 0;
        if (stackBase_ - &probe > kMaxStackUse || matchSteps_ > kMaxMatchSteps)
            throw BudgetExceeded{};
        if (--checks_ == 0) {
            checks_ = kChecksPerClock;
            if (Clock::now() > deadline_) {
                expired_ = true;
                throw BudgetExceeded{};
            }
        }
    }

    Clock::time_point deadline_;
    const char* stackBase_ = nullptr;
    std::size_t matchSteps_ = 0;
    int steps_ = kStepsPerCheck;
    int checks_ = kChecksPerClock;
    bool expired_ = false;
};

// A pointer into the path that reports every move and read to the guard.
class GuardedIter {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = const wchar_t&;

    GuardedIter() = default;
    GuardedIter(const wchar_t* p, DetectGuard* guard) : p_(p), guard_(guard) {}

    reference operator*() const
    {
        guard_->Step();
        return *p_;
    }
    reference operator[](difference_type n) const
    {
        guard_->Step();
        return p_[n];
    }
    GuardedIter& operator++()
    {
        guard_->Step();
        ++p_;
        return *this;
    }
    GuardedIter operator++(int)
    {
        GuardedIter old = *this;
        ++*this;
        return old;
    }
    GuardedIter& operator--()
    {
        guard_->Step();
        --p_;
        return *this;
    }
    GuardedIter operator--(int)
    {
        GuardedIter old = *this;
        --*this;
        return old;
    }
    GuardedIter& operator+=(difference_type n)
    {
        guard_->Step();
        p_ += n;
        return *this;
    }
    GuardedIter& operator-=(difference_type n)
    {
        guard_->Step();
        p_ -= n;
        return *this;
    }
    friend GuardedIter operator+(GuardedIter it, difference_type n) { return it += n; }
    friend difference_type operator-(const GuardedIter& a, const GuardedIter& b)
    {
        return a.p_ - b.p_;
    }
    friend bool operator==(const GuardedIter& a, const GuardedIter& b) { return a.p_ == b.p_; }
    friend bool operator!=(const GuardedIter& a, const GuardedIter& b) { return a.p_ != b.p_; }

private:
    const wchar_t* p_ = nullptr;
    DetectGuard* guard_ = nullptr;
};

using PathRegex = xp::basic_regex<GuardedIter>;
using PathCompiler = xp::regex_compiler<GuardedIter>;
using PathMatch = xp::match_results<GuardedIter>;

}  // namespace

struct FormatDetector::Impl {
    std::vector<std::optional<PathRegex>> patterns;  // index = format index
};

namespace {

// Case folding beyond ASCII needs a Unicode locale; without one only ASCII folds.
std::locale PatternLocale()
{
    try {
        return std::locale("C.UTF-8");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

}  // namespace

FormatDetector::FormatDetector(const FormatCatalogue& catalogue) : d_(std::make_unique<Impl>())
{
    PathCompiler compiler;
    compiler.imbue(PatternLocale());
    const auto flags = xp::regex_constants::icase | xp::regex_constants::optimize |
                       xp::regex_constants::ECMAScript;
    d_->patterns.resize(catalogue.Count());
    for (int i = 0; i < catalogue.Count(); ++i) {
        const QString& pattern = catalogue.At(i)->path;
        if (pattern.isEmpty() || !RepeatCountsFit(pattern))
            continue;
        try {
            d_->patterns[i] = compiler.compile(pattern.toStdWString(), flags);
        } catch (const xp::regex_error&) {
            // A broken pattern only keeps its own format out of the guess.
        }
    }
}

FormatDetector::~FormatDetector() = default;

bool FormatDetector::TakesPart(int format) const
{
    return format >= 0 && format < static_cast<int>(d_->patterns.size()) &&
           d_->patterns[format].has_value();
}

namespace {

int ScoreOf(const PathRegex& pattern, const std::wstring& path, DetectGuard& guard)
{
    if (guard.Expired())
        return -1;
    PathMatch match;
    guard.BeginMatch();
    const GuardedIter begin(path.data(), &guard);
    const GuardedIter end(path.data() + path.size(), &guard);
    try {
        if (!xp::regex_match(begin, end, match, pattern))
            return -1;
    } catch (const xp::regex_error&) {
        return -1;  // a pattern too complex for this path counts as no match
    } catch (const BudgetExceeded&) {
        return -1;  // so does one too costly
    }
    int score = 0;
    for (std::size_t group = 1; group < match.size(); ++group) {
        if (match[group].matched && match[group].length() > 0)
            ++score;
    }
    return score;
}

}  // namespace

int FormatDetector::Score(int format, const QString& path) const
{
    if (!TakesPart(format))
        return -1;
    DetectGuard guard;
    return ScoreOf(*d_->patterns[format], path.toStdWString(), guard);
}

Detection FormatDetector::Detect(const QString& path, int accepted) const
{
    const std::wstring wpath = path.toStdWString();
    DetectGuard guard;
    Detection result;
    if (TakesPart(accepted) && ScoreOf(*d_->patterns[accepted], wpath, guard) >= 1) {
        result.format = accepted;
        result.ask = false;
        return result;
    }
    int best = -1;
    int bestScore = 0;
    for (int i = 0; i < static_cast<int>(d_->patterns.size()); ++i) {
        if (!d_->patterns[i])
            continue;
        const int score = ScoreOf(*d_->patterns[i], wpath, guard);
        if (score < 0)
            continue;
        if (score > bestScore) {
            best = i;
            bestScore = score;
        } else if (score == bestScore) {
            // Equal strength cannot be decided here: ask, offering the first of them.
            result.preselect = best;
            if (best >= 0)
                result.candidates.append(best);
            result.candidates.append(i);
            return result;
        }
    }
    if (best >= 0) {
        result.format = best;
        result.ask = false;
    }
    return result;
}

Detection DetectFormat(const FormatCatalogue& catalogue, const QString& path, int accepted)
{
    return FormatDetector(catalogue).Detect(path, accepted);
}

}  // namespace scrivlet
