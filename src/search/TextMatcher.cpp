#include "TextMatcher.h"

#include <QThread>

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <atomic>
#include <iterator>
#include <locale>
#include <string>

namespace scrivlet {
namespace {

namespace xp = boost::xpressive;
using Clock = std::chrono::steady_clock;

// Iterator steps between two looks at the clock.
constexpr long kStepsPerClockCheck = 4096;
// What a match may use of the stack when it has to run on the caller's thread, whose stack
// may be as small as 1 MB.
constexpr std::size_t kFallbackStackUse = std::size_t{256} << 10;

struct BudgetExceeded {};

// Counts the matcher's steps. The stack is checked on every step because one step can go
// several frames deeper (nested groups); the clock only every few thousand steps.
class MatchGuard {
public:
    void Arm(const MatchLimits& limits)
    {
        const char probe = 0;
        stackBase_ = &probe;
        stackUse_ = static_cast<std::ptrdiff_t>(limits.stackUse);
        deadline_ = Clock::now() + limits.time;
        countdown_ = kStepsPerClockCheck;
    }

    void Step()
    {
        const char probe = 0;
        if (stackBase_ - &probe > stackUse_)
            throw BudgetExceeded{};
        if (--countdown_ == 0)
            CheckClock();
    }

private:
    void CheckClock()
    {
        countdown_ = kStepsPerClockCheck;
        if (Clock::now() > deadline_)
            throw BudgetExceeded{};
    }

    const char* stackBase_ = nullptr;
    std::ptrdiff_t stackUse_ = 0;
    Clock::time_point deadline_;
    long countdown_ = kStepsPerClockCheck;
};

// A pointer into the wide text that reports every move and read to the guard.
class GuardedIter {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = const wchar_t&;

    GuardedIter() = default;
    GuardedIter(const wchar_t* p, MatchGuard* guard) : p_(p), guard_(guard) {}

    const wchar_t* Base() const { return p_; }

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
    friend GuardedIter operator+(difference_type n, GuardedIter it) { return it += n; }
    friend GuardedIter operator-(GuardedIter it, difference_type n) { return it -= n; }
    friend difference_type operator-(const GuardedIter& a, const GuardedIter& b)
    {
        return a.p_ - b.p_;
    }
    friend bool operator==(const GuardedIter& a, const GuardedIter& b) { return a.p_ == b.p_; }
    friend bool operator!=(const GuardedIter& a, const GuardedIter& b) { return a.p_ != b.p_; }
    friend bool operator<(const GuardedIter& a, const GuardedIter& b) { return a.p_ < b.p_; }
    friend bool operator>(const GuardedIter& a, const GuardedIter& b) { return a.p_ > b.p_; }
    friend bool operator<=(const GuardedIter& a, const GuardedIter& b) { return a.p_ <= b.p_; }
    friend bool operator>=(const GuardedIter& a, const GuardedIter& b) { return a.p_ >= b.p_; }

private:
    const wchar_t* p_ = nullptr;
    MatchGuard* guard_ = nullptr;
};

using Traits = xp::regex_traits<wchar_t, xp::cpp_regex_traits<wchar_t>>;
using Regex = xp::basic_regex<GuardedIter>;
using Compiler = xp::regex_compiler<GuardedIter, Traits>;
using Match = xp::match_results<GuardedIter>;

// Case folding and \w follow the character classes of this locale; the classic locale knows
// only ASCII, so Cyrillic, German and Polish letters need a Unicode one.
const std::locale& MatchLocale()
{
    static const std::locale locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", ".UTF-8", "en_US.UTF-8"}) {
            try {
                return std::locale(name);
            } catch (const std::exception&) {
            }
        }
        return std::locale::classic();
    }();
    return locale;
}

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

// The text as wide characters. Where wchar_t has 32 bits, surrogate pairs become one
// character (lone surrogates stay as they are, one unit each); the answer says whether any
// pair was joined, i.e. whether positions need mapping back to UTF-16 units.
bool ToWide(const QString& text, std::wstring& out)
{
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype size = text.size();
    out.resize(static_cast<std::size_t>(size));
    if constexpr (kWideIsUtf16) {
        std::copy(units, units + size, out.begin());
        return false;
    } else {
        wchar_t* o = out.data();
        bool joined = false;
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t c = units[i];
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
                *o++ = static_cast<wchar_t>(QChar::surrogateToUcs4(c, units[i + 1]));
                ++i;
                joined = true;
            } else {
                *o++ = static_cast<wchar_t>(c);
            }
        }
        out.resize(static_cast<std::size_t>(o - out.data()));
        return joined;
    }
}

// UTF-16 units of the first `count` wide characters.
int UnitsBefore(const std::wstring& wide, std::ptrdiff_t count)
{
    int units = 0;
    for (std::ptrdiff_t i = 0; i < count; ++i)
        units += static_cast<unsigned long>(wide[static_cast<std::size_t>(i)]) > 0xFFFF ? 2 : 1;
    return units;
}

}  // namespace

struct TextMatcher::Impl {
    MatchLimits limits;
    MatchGuard guard;
    Regex regex;
    bool compiled = false;
    Match match;
    std::wstring text;  // reused for every cell
};

TextMatcher::TextMatcher(const MatchLimits& limits) : d_(std::make_unique<Impl>())
{
    d_->limits = limits;
    d_->guard.Arm(limits);
}

TextMatcher::~TextMatcher() = default;

bool TextMatcher::Compile(const QString& pattern, bool matchCase)
{
    d_->compiled = false;
    std::wstring wide;
    ToWide(pattern, wide);
    auto flags = xp::regex_constants::ECMAScript | xp::regex_constants::optimize;
    if (!matchCase)
        flags = flags | xp::regex_constants::icase;
    try {
        Compiler compiler;
        compiler.imbue(MatchLocale());
        d_->regex = compiler.compile(wide.begin(), wide.end(), flags);
        d_->compiled = true;
    } catch (const std::exception&) {
        // regex_error for bad syntax; anything else (memory) equally leaves no expression.
    }
    return d_->compiled;
}

MatchResult TextMatcher::Find(const QString& text, MatchSpan* span)
{
    if (!d_->compiled)
        return MatchResult::InvalidPattern;
    std::wstring& wide = d_->text;
    const bool joined = ToWide(text, wide);
    const wchar_t* begin = wide.data();
    const GuardedIter first(begin, &d_->guard);
    const GuardedIter last(begin + wide.size(), &d_->guard);
    Match& m = d_->match;
    try {
        if (!xp::regex_search(first, last, m, d_->regex))
            return MatchResult::NoMatch;
    } catch (...) {
        // The budget ran out, or Xpressive gave up (its own stack and complexity errors).
        return MatchResult::Aborted;
    }
    if (span) {
        auto units = [&](std::ptrdiff_t chars) {
            return joined ? UnitsBefore(wide, chars) : static_cast<int>(chars);
        };
        auto groupLength = [&](std::size_t group) {
            if (group >= m.size() || !m[group].matched)
                return 0;
            return units(m[group].second.Base() - begin) - units(m[group].first.Base() - begin);
        };
        span->start = units(m[0].first.Base() - begin);
        span->end = units(m[0].second.Base() - begin);
        span->group1Length = groupLength(1);
        span->group3Length = groupLength(3);
    }
    return MatchResult::Found;
}

int RunMatchWork(const MatchLimits& limits, const std::function<int(const MatchLimits&)>& work)
{
    std::atomic<bool> ran = false;
    int answer = 0;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        ran = true;
        answer = work(limits);
    }));
    thread->setStackSize(static_cast<uint>(limits.stackSize));
    thread->start();
    thread->wait();
    if (ran)
        return answer;
    MatchLimits local = limits;
    local.stackUse = std::min(local.stackUse, kFallbackStackUse);
    return work(local);
}

MatchResult MatchText(const QString& pattern, bool matchCase, const QString& text, MatchSpan* span,
                      const MatchLimits& limits)
{
    return static_cast<MatchResult>(RunMatchWork(limits, [&](const MatchLimits& local) {
        TextMatcher matcher(local);
        if (!matcher.Compile(pattern, matchCase))
            return static_cast<int>(MatchResult::InvalidPattern);
        return static_cast<int>(matcher.Find(text, span));
    }));
}

}  // namespace scrivlet
