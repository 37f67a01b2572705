#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <vector>

// The translation memory: pairs of source and target text with their languages, where each
// came from and when. Behind one interface, so that a team's shared server holds the same
// memory as a file of one's own; Memory.h opens one.

namespace scrivlet {

struct MemoryLanguages {
    QString source, target;
    bool IsEmpty() const { return source.isEmpty() || target.isEmpty(); }
};

struct MemoryUnit {
    QString source, target;
    QString origin;   // "file:record:field", or the imported file
    qint64 time = 0;  // seconds since 1970, UTC
};

struct MemoryMatch {
    QString source, target;
    int score = 0;  // 0 to 100, 100 for the same text
};

// An import's counts: pairs read, new ones, those the memory held already.
struct MemoryCounts {
    qint64 segments = 0, added = 0, duplicates = 0;
    MemoryCounts& operator+=(const MemoryCounts& other);
};

class TranslationMemory {
public:
    virtual ~TranslationMemory() = default;
    // The languages of the first import; empty while the memory is new.
    virtual Result Languages(MemoryLanguages* languages) = 0;
    // Adds the units in one transaction, in the given languages; the first call on a new
    // memory makes them the memory's own.
    virtual Result Add(const MemoryLanguages& languages, std::span<const MemoryUnit> units,
                       MemoryCounts* counts) = 0;
    // The best matches for source in the languages, best first, none below minScore.
    virtual Result Suggest(const MemoryLanguages& languages, const QString& source, int minScore,
                           int limit, std::vector<MemoryMatch>* matches) = 0;
    // Every unit in the order it came in, with its languages; a failed visit stops the walk.
    using Visit = std::function<Result(const MemoryLanguages&, const MemoryUnit&)>;
    virtual Result ForEach(const Visit& visit) = 0;
    // How many units the memory holds.
    virtual Result Size(qint64* units) = 0;
    // Runs work with its Adds in one transaction: all of them are kept when it succeeds, none
    // when it fails (a large import stopped halfway leaves the memory as it was).
    virtual Result InOneTransaction(const std::function<Result()>& work) = 0;
};

// The edit-distance similarity of two texts, 0 to 100 (100 only for equal texts), or -1 when
// it is below minScore: the distance is counted only as far as minScore allows.
int Similarity(QStringView a, QStringView b, int minScore);

// A hash of a text that stays the same across builds and machines (Qt's may not): the stored
// key of exact lookups.
qint64 StableHash(QStringView text);

// Sorts matches best first (ties: shorter distance in length, then source) and keeps limit.
void RankMatches(std::vector<MemoryMatch>* matches, int limit);

// How long a server may keep silent, and a flag another thread sets to stop waiting on it (the
// editor closing): either way the call fails, saying why, and the connection is given up.
struct MemoryWaits {
    int timeoutSeconds = 10;  // for connecting, and for each answer
    std::shared_ptr<const std::atomic<bool>> abandon;
};

}  // namespace scrivlet
