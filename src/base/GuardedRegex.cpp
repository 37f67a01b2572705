#include "base/GuardedRegex.h"

#include <QThread>

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <iterator>
#include <locale>
#include <string>
#include <string_view>

namespace scrivlet {
namespace {

namespace xp = boost::xpressive;
using Clock = std::chrono::steady_clock;

// Iterator steps between two looks at the stack depth, and such looks between two looks at
// the clock. One step goes at most a few hundred frames deeper: 64 steps stay far inside the
// stack's headroom when it is large; a small stack is looked at on every step.
constexpr int kStepsPerStackCheck = 64;
constexpr std::size_t kCoarseCheckMinStack = std::size_t{4} << 20;
constexpr int kStackChecksPerClockCheck = 64;
// Capped, so that the ordinary allowance of a huge text is still only a few milliseconds.
constexpr std::size_t kMaxOrdinaryTextSteps = std::size_t{1} << 22;
// What a match may use of the stack when it has to run on the caller's thread, whose stack
// may be as small as 1 MB.
constexpr std::size_t kFallbackStackUse = std::size_t{256} << 10;

struct BudgetExceeded {};

// Xpressive reads the counts of a repeat such as "a{5,9}" into an int without a bound: a
// count beyond INT_MAX overflows inside the library. False for such a pattern.
bool RepeatCountsFit(QStringView pattern)
{
    bool inClass = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\') {
            ++i;  // an escaped character is never syntax
            continue;
        }
        if (inClass) {
            inClass = c != u']';
            continue;
        }
        if (c == u'[') {
            inClass = true;
            // A ']' right after '[' or '[^' belongs to the class.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^')
                ++i;
            if (i + 1 < pattern.size() && pattern[i + 1] == u']')
                ++i;
            continue;
        }
        if (c != u'{')
            continue;
        // The digits after '{' and after the ',' that may follow them.
        for (qsizetype j = i + 1; j < pattern.size(); ++j) {
            qint64 value = 0;
            while (j < pattern.size() && pattern[j].isDigit() && pattern[j].unicode() < 128) {
                value = value * 10 + (pattern[j].unicode() - u'0');
                if (value > INT_MAX)
                    return false;
                ++j;
            }
            if (j >= pattern.size() || pattern[j] != u',')
                break;
        }
    }
    return true;
}

// Counts the matcher's steps and, every so often, checks the stack depth, the step cap and
// the deadline.
class MatchGuard {
public:
    explicit MatchGuard(const MatchLimits& limits)
        : stackUse_(static_cast<std::intptr_t>(limits.stackUse)),
          deadline_(Clock::now() + limits.time),
          maxSteps_(limits.maxSteps),
          ordinaryStepsPerChar_(limits.ordinaryStepsPerChar),
          stepsPerCheck_(limits.stackUse < kCoarseCheckMinStack ? 1 : kStepsPerStackCheck),
          steps_(stepsPerCheck_)
    {
        const char probe = 0;
        stackBase_ = reinterpret_cast<std::intptr_t>(&probe);
    }

    void BeginText(std::size_t length)
    {
        textSteps_ = 0;
        allowance_ = std::min(ordinaryStepsPerChar_ * (length + 1), kMaxOrdinaryTextSteps);
    }

    Q_ALWAYS_INLINE void Step()
    {
        if (--steps_ == 0)
            Check();
    }

private:
    Q_NEVER_INLINE void Check()
    {
        steps_ = stepsPerCheck_;
        textSteps_ += static_cast<std::size_t>(stepsPerCheck_);
        // The stack grows downwards: the depth is the base's address minus the current one.
        const char probe = 0;
        const std::intptr_t depth = stackBase_ - reinterpret_cast<std::intptr_t>(&probe);
        if (depth > stackUse_ || (maxSteps_ && textSteps_ > maxSteps_))
            throw BudgetExceeded{};
        if (--stackChecks_ == 0) {
            stackChecks_ = kStackChecksPerClockCheck;
            if (textSteps_ > allowance_ && Clock::now() > deadline_)
                throw BudgetExceeded{};
        }
    }

    std::intptr_t stackBase_ = 0;
    std::intptr_t stackUse_;
    Clock::time_point deadline_;
    std::size_t maxSteps_;
    std::size_t ordinaryStepsPerChar_;
    int stepsPerCheck_;
    int steps_;
    int stackChecks_ = kStackChecksPerClockCheck;
    std::size_t textSteps_ = 0;
    std::size_t allowance_ = 0;
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
    friend difference_type operator-(const GuardedIter& a, const GuardedIter& b)
    {
        return a.p_ - b.p_;
    }
    friend bool operator==(const GuardedIter& a, const GuardedIter& b) { return a.p_ == b.p_; }
    friend bool operator!=(const GuardedIter& a, const GuardedIter& b) { return a.p_ != b.p_; }

private:
    const wchar_t* p_ = nullptr;
    MatchGuard* guard_ = nullptr;
};

bool IsUtf8Locale(const std::locale& locale)
{
    const QByteArray name = QByteArray::fromStdString(locale.name()).toLower();
    return name.contains("utf-8") || name.contains("utf8");
}

// Case folding and \w follow the character classes of this locale; the classic locale knows
// only ASCII, so Cyrillic, German and Polish letters need a Unicode one. Any UTF-8 locale
// classifies the same way; the user's own is taken only when C.UTF-8 is missing.
const std::locale& MatchLocale()
{
    static const std::locale locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "", "en_US.UTF-8", ".UTF-8"}) {
            try {
                std::locale candidate(name);
                if (IsUtf8Locale(candidate))
                    return candidate;
            } catch (const std::exception&) {
            }
        }
        return std::locale::classic();
    }();
    return locale;
}

using xp::detail::umaskex_t;

// The match locale's case mapping and character classes for the Basic Multilingual Plane,
// read once: asking the ctype facet per character (a virtual call into the C library) was
// most of the time of a case-insensitive or whole-word search.
struct BmpTables {
    static constexpr std::size_t kSize = 0x10000;
    std::vector<wchar_t> lower = std::vector<wchar_t>(kSize);
    std::vector<wchar_t> upper = std::vector<wchar_t>(kSize);
    std::vector<umaskex_t> masks = std::vector<umaskex_t>(kSize);

    explicit BmpTables(const std::locale& locale)
    {
        const auto& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
        std::vector<wchar_t> all(kSize);
        for (std::size_t c = 0; c < kSize; ++c)
            all[c] = static_cast<wchar_t>(c);
        // Surrogate code units are no characters; they map to themselves and have no class.
        std::vector<std::ctype_base::mask> classes(kSize);
        ctype.is(all.data(), all.data() + kSize, classes.data());
        lower = all;
        upper = all;
        ctype.tolower(lower.data(), lower.data() + kSize);
        ctype.toupper(upper.data(), upper.data() + kSize);
        for (std::size_t c = 0; c < kSize; ++c)
            masks[c] = static_cast<umaskex_t>(classes[c]);
        // The classes Xpressive adds to the facet's (as its own tables for char do).
        masks[L'_'] |= xp::detail::non_std_ctype_underscore;
        masks[L' '] |= xp::detail::non_std_ctype_blank;
        masks[L'\t'] |= xp::detail::non_std_ctype_blank;
        masks[L'\n'] |= xp::detail::non_std_ctype_newline;
        masks[L'\r'] |= xp::detail::non_std_ctype_newline;
        masks[L'\f'] |= xp::detail::non_std_ctype_newline;
    }
};

const BmpTables& MatchTables()
{
    static const BmpTables tables(MatchLocale());
    return tables;
}

// The library's locale traits, answering from the tables for the match locale.
class TableTraits : public xp::cpp_regex_traits<wchar_t> {
    using Base = xp::cpp_regex_traits<wchar_t>;

public:
    explicit TableTraits(const std::locale& locale = std::locale()) : Base(locale)
    {
        Attach(locale);
    }

    std::locale imbue(const std::locale& locale)
    {
        std::locale old = Base::imbue(locale);
        Attach(locale);
        return old;
    }

    wchar_t translate_nocase(wchar_t ch) const { return tolower(ch); }
    wchar_t tolower(wchar_t ch) const
    {
        return InTable(ch) ? lower_[Index(ch)] : Base::tolower(ch);
    }
    wchar_t toupper(wchar_t ch) const
    {
        return InTable(ch) ? tables_->upper[Index(ch)] : Base::toupper(ch);
    }
    bool in_range_nocase(wchar_t first, wchar_t last, wchar_t ch) const
    {
        return in_range(first, last, ch) || in_range(first, last, toupper(ch)) ||
               in_range(first, last, tolower(ch));
    }
    bool isctype(wchar_t ch, char_class_type mask) const
    {
        return InTable(ch) ? (tables_->masks[Index(ch)] & mask) != 0 : Base::isctype(ch, mask);
    }

private:
    void Attach(const std::locale& locale)
    {
        tables_ = locale == MatchLocale() ? &MatchTables() : nullptr;
        lower_ = tables_ ? tables_->lower.data() : nullptr;
    }
    bool InTable(wchar_t ch) const
    {
        return tables_ && static_cast<unsigned long>(ch) < BmpTables::kSize;
    }
    static std::size_t Index(wchar_t ch) { return static_cast<std::size_t>(ch); }

    const BmpTables* tables_ = nullptr;
    const wchar_t* lower_ = nullptr;
};

using Traits = xp::regex_traits<wchar_t, TableTraits>;
using Regex = xp::basic_regex<GuardedIter>;
using Compiler = xp::regex_compiler<GuardedIter, Traits>;
using Match = xp::match_results<GuardedIter>;

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

// The text as wide characters. Where wchar_t has 32 bits, surrogate pairs become one
// character (lone surrogates stay as they are, one unit each); the answer says whether any
// pair was joined, i.e. whether positions need mapping back to UTF-16 units.
bool ToWide(QStringView text, std::wstring& out)
{
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    out.resize(static_cast<std::size_t>(size));
    if constexpr (kWideIsUtf16) {
        std::copy(units, units + size, out.begin());
        return false;
    } else {
        wchar_t* o = out.data();
        // Most texts have no surrogates: widen them in one pass the compiler vectorises.
        bool surrogates = false;
        for (qsizetype i = 0; i < size; ++i) {
            o[i] = static_cast<wchar_t>(units[i]);
            surrogates |= (units[i] & 0xF800) == 0xD800;
        }
        if (!surrogates)
            return false;
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

// The wide characters that the first `units` UTF-16 units make (a unit inside a pair counts
// the whole pair).
std::ptrdiff_t CharsBefore(const std::wstring& wide, int units)
{
    std::ptrdiff_t i = 0;
    for (int seen = 0; seen < units && i < static_cast<std::ptrdiff_t>(wide.size()); ++i)
        seen += static_cast<unsigned long>(wide[static_cast<std::size_t>(i)]) > 0xFFFF ? 2 : 1;
    return i;
}

enum class Anchor { Anywhere, WholeText };

}  // namespace

struct MatchBudget::Impl {
    explicit Impl(const MatchLimits& limits) : guard(limits) {}

    MatchGuard guard;
    Match match;
    std::wstring text;  // reused for every text
    std::wstring folded;
};

MatchBudget::MatchBudget(const MatchLimits& limits) : d_(std::make_unique<Impl>(limits)) {}

MatchBudget::~MatchBudget() = default;

struct GuardedRegex::Impl {
    TableTraits traits{MatchLocale()};
    Regex regex;
    bool compiled = false;
    bool matchCase = false;
    std::wstring literal;  // folded unless matchCase; empty: none
    QString error;         // why the last Compile failed, in the library's words

    void Fold(std::wstring& s) const
    {
        for (wchar_t& c : s)
            c = traits.translate_nocase(c);
    }

    // False when the text cannot hold a match because the literal is missing.
    bool MayMatch(const std::wstring& text, std::wstring& folded) const
    {
        if (literal.empty())
            return true;
        if (matchCase)
            return std::wstring_view(text).find(literal) != std::wstring_view::npos;
        folded = text;
        Fold(folded);
        return std::wstring_view(folded).find(literal) != std::wstring_view::npos;
    }

    MatchResult Run(QStringView text, int from, MatchBudget& budget, MatchSpan* span,
                    Anchor anchor) const
    {
        if (!compiled || from < 0 || from > text.size())
            return MatchResult::NoMatch;
        MatchBudget::Impl& b = *budget.d_;
        std::wstring& wide = b.text;
        const bool joined = ToWide(text, wide);
        if (!MayMatch(wide, b.folded))
            return MatchResult::NoMatch;
        const wchar_t* begin = wide.data();
        const std::ptrdiff_t skip = joined ? CharsBefore(wide, from) : from;
        b.guard.BeginText(wide.size());
        const GuardedIter first(begin, &b.guard);
        const GuardedIter last(begin + wide.size(), &b.guard);
        Match& m = b.match;
        try {
            bool found = false;
            if (anchor == Anchor::WholeText) {
                found = xp::regex_match(first, last, m, regex);
            } else if (skip == 0) {
                found = xp::regex_search(first, last, m, regex);
            } else {
                // The text before `from` is looked at, not matched: the search starts where
                // the library's own match iterator starts its next one. (Searching from `from`
                // with match_prev_avail is no substitute: "^" then matches right there.)
                using Access = xp::detail::core_access<GuardedIter>;
                xp::detail::match_state<GuardedIter> state(first, last, m,
                                                           *Access::get_regex_impl(regex),
                                                           xp::regex_constants::match_default);
                state.cur_ = state.next_search_ = first + skip;
                found = xp::detail::regex_search_impl(state, regex);
            }
            if (!found)
                return MatchResult::NoMatch;
        } catch (...) {
            // The budget ran out, or Xpressive gave up (its own stack and complexity errors).
            return MatchResult::Aborted;
        }
        if (span) {
            auto units = [&](std::ptrdiff_t chars) {
                return joined ? UnitsBefore(wide, chars) : static_cast<int>(chars);
            };
            span->start = units(m[0].first.Base() - begin);
            span->end = units(m[0].second.Base() - begin);
            span->groupLengths.assign(m.size(), 0);
            span->groupStarts.assign(m.size(), -1);
            for (std::size_t g = 0; g < m.size(); ++g) {
                if (!m[g].matched)
                    continue;
                span->groupStarts[g] = units(m[g].first.Base() - begin);
                span->groupLengths[g] = units(m[g].second.Base() - begin) - span->groupStarts[g];
            }
        }
        return MatchResult::Found;
    }
};

GuardedRegex::GuardedRegex() : d_(std::make_unique<Impl>()) {}
GuardedRegex::~GuardedRegex() = default;

bool GuardedRegex::Compile(QStringView pattern, bool matchCase)
{
    d_->compiled = false;
    d_->matchCase = matchCase;
    d_->literal.clear();
    d_->error.clear();
    if (!RepeatCountsFit(pattern))
        return false;
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
    } catch (const std::exception& error) {
        // regex_error for bad syntax; anything else (memory) equally leaves no expression.
        d_->error = QString::fromLocal8Bit(error.what());
    }
    return d_->compiled;
}

QString GuardedRegex::Error() const
{
    return d_->error;
}

bool GuardedRegex::IsValid() const
{
    return d_->compiled;
}

void GuardedRegex::RequireLiteral(QStringView literal)
{
    ToWide(literal, d_->literal);
    if (!d_->matchCase)
        d_->Fold(d_->literal);
}

MatchResult GuardedRegex::Search(QStringView text, MatchBudget& budget, MatchSpan* span) const
{
    return d_->Run(text, 0, budget, span, Anchor::Anywhere);
}

MatchResult GuardedRegex::Search(QStringView text, int from, MatchBudget& budget,
                                 MatchSpan* span) const
{
    return d_->Run(text, from, budget, span, Anchor::Anywhere);
}

MatchResult GuardedRegex::MatchWhole(QStringView text, MatchBudget& budget, MatchSpan* span) const
{
    return d_->Run(text, 0, budget, span, Anchor::WholeText);
}

void RunMatchWork(const MatchLimits& limits, const std::function<void(const MatchLimits&)>& work)
{
    std::atomic<bool> ran = false;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        ran = true;
        work(limits);
    }));
    thread->setStackSize(static_cast<uint>(limits.stackSize));
    thread->start();
    thread->wait();
    if (ran)
        return;
    MatchLimits local = limits;
    local.stackUse = std::min(local.stackUse, kFallbackStackUse);
    work(local);
}

}  // namespace scrivlet
