#include "store/Memory.h"

#include "store/MemoryBackends.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace scrivlet {

MemoryCounts& MemoryCounts::operator+=(const MemoryCounts& other)
{
    segments += other.segments;
    added += other.added;
    duplicates += other.duplicates;
    return *this;
}

bool IsServerLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

QString ShownLocation(const QString& location)
{
    if (!IsServerLocation(location))
        return location;
    // By pattern, not by QUrl: a string QUrl refuses would show as nothing at all.
    static const QRegularExpression userPassword(QStringLiteral("^([a-z]+://[^:/@?]*):[^@/?]*@"));
    static const QRegularExpression queryPassword(QStringLiteral("([?&])password=[^&]*(&|$)"));
    QString shown = location;
    shown.replace(userPassword, QStringLiteral("\\1@"));
    shown.replace(queryPassword, QStringLiteral("\\1"));
    if (shown.endsWith(u'&') || shown.endsWith(u'?'))
        shown.chop(1);
    return shown;
}

Result OpenMemory(const QString& location, std::unique_ptr<TranslationMemory>* memory,
                  const MemoryWaits& waits)
{
    return IsServerLocation(location) ? OpenServerMemory(location, memory, waits)
                                      : OpenFileMemory(location, memory);
}

qint64 StableHash(QStringView text)
{
    // 64-bit FNV-1a over the UTF-16 units.
    quint64 hash = 14695981039346656037ull;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 1099511628211ull;
    }
    return static_cast<qint64>(hash);
}

// Levenshtein distance in UTF-16 units inside the band the score allows (Ukkonen): a cell
// outside it cannot lead to an allowed distance, and a row whose every cell is past the bound
// ends the count.
int Similarity(QStringView a, QStringView b, int minScore)
{
    const qsizetype longest = std::max(a.size(), b.size());
    if (longest == 0)
        return 100;
    const int bound = static_cast<int>(longest * (100 - std::clamp(minScore, 0, 100)) / 100);
    if (std::abs(a.size() - b.size()) > bound)
        return -1;
    while (!a.isEmpty() && !b.isEmpty() && a.front() == b.front())
        a = a.mid(1), b = b.mid(1);
    while (!a.isEmpty() && !b.isEmpty() && a.back() == b.back())
        a.chop(1), b.chop(1);
    const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    const int far = bound + 1;
    std::vector<int> prev(static_cast<size_t>(m) + 2), cur(static_cast<size_t>(m) + 2);
    for (int j = 0; j <= m; ++j)
        prev[j] = std::min(j, far);
    prev[m + 1] = far;
    for (int i = 1; i <= n; ++i) {
        const int lo = std::max(1, i - bound), hi = std::min(m, i + bound);
        cur[lo - 1] = lo == 1 ? std::min(i, far) : far;
        int rowMin = cur[lo - 1];
        for (int j = lo; j <= hi; ++j) {
            const int change = prev[j - 1] + (a[i - 1] != b[j - 1] ? 1 : 0);
            const int value = std::min({change, prev[j] + 1, cur[j - 1] + 1, far});
            cur[j] = value;
            rowMin = std::min(rowMin, value);
        }
        cur[hi + 1] = far;
        if (rowMin > bound)
            return -1;
        std::swap(prev, cur);
    }
    const int distance = prev[m];
    if (distance > bound)
        return -1;
    return static_cast<int>((longest - distance) * 100 / longest);
}

void RankMatches(std::vector<MemoryMatch>* matches, int limit)
{
    std::stable_sort(matches->begin(), matches->end(),
                     [](const MemoryMatch& x, const MemoryMatch& y) { return x.score > y.score; });
    if (limit >= 0 && matches->size() > static_cast<size_t>(limit))
        matches->resize(static_cast<size_t>(limit));
}

}  // namespace scrivlet
