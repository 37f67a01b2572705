#include "translation/SequenceDiff.h"

#include <algorithm>

namespace scrivlet {

bool MatchSequences(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                    int maxEdits, std::vector<std::pair<int, int>>* matched)
{
    const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    matched->clear();
    if (n == 0 || m == 0)
        return true;
    const int limit = std::min(n + m, maxEdits);
    std::vector<int> v(2 * limit + 3, 0);
    const int offset = limit + 1;
    std::vector<std::vector<int>> trace;  // v[-d..d] after each step d
    int found = -1;
    for (int d = 0; d <= limit && found < 0; ++d) {
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                        ? v[offset + k + 1]
                        : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y])
                ++x, ++y;
            v[offset + k] = x;
            if (x >= n && y >= m)
                found = d;
        }
        trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
    }
    if (found < 0)
        return false;
    int x = n, y = m;
    std::vector<std::pair<int, int>> reversed;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& prev = trace[d - 1];  // index k + d - 1
        const int k = x - y;
        auto at = [&](int kk) { return prev[kk + d - 1]; };
        const int prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int prevX = at(prevK), prevY = prevX - prevK;
        while (x > prevX && y > prevY)
            reversed.emplace_back(--x, --y);
        x = prevX, y = prevY;
    }
    while (x > 0 && y > 0)
        reversed.emplace_back(--x, --y);
    matched->assign(reversed.rbegin(), reversed.rend());
    return true;
}

}  // namespace scrivlet
