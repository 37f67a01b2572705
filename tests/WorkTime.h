#pragma once

#include <ctime>

// Bounds on the work a call does, in processor time: a shared machine stretches the clock on
// the wall, not the work, and a runaway match or parse blows any bound either way. The
// sanitizers make each step a few times dearer.

namespace scrivlet::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr long kWorkSlowdown = 3;
#else
inline constexpr long kWorkSlowdown = 1;
#endif

class WorkTimer {
public:
    WorkTimer() : started_(Now()) {}
    // Milliseconds of processor time since construction, over every thread of the process.
    long Elapsed() const { return Now() - started_; }
    // Whether the work stayed within milliseconds (scaled for a sanitizer build).
    bool Within(long milliseconds) const { return Elapsed() < milliseconds * kWorkSlowdown; }

private:
    static long Now()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }
    long started_;
};

}  // namespace scrivlet::test
