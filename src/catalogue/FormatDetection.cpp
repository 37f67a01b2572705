#include "catalogue/FormatDetection.h"

#include "base/GuardedRegex.h"
#include "catalogue/FormatCatalogue.h"

#include <vector>

namespace scrivlet {
namespace {

// A catalogue's pattern such as "(.*a*)*b" backtracks exponentially over a long path, and
// "(.)*x" recurses once per character. Each match may therefore take so many steps and so
// much of the stack, and all matches of one detection share a time budget; a match that
// exceeds any of them counts as no match. An ordinary pattern needs a few steps per character
// of even the longest path, far below the cap; a runaway one reaches it within milliseconds.
// Once the time is up, a match still runs as long as it stays ordinary: 500 runaway patterns
// before a sound one cost a few steps per character each then, and the sound one still gets
// its turn.
MatchLimits DetectLimits()
{
    MatchLimits limits;
    limits.time = std::chrono::milliseconds(500);
    limits.stackSize = std::size_t{4} << 20;
    limits.stackUse = std::size_t{1} << 20;
    limits.maxSteps = std::size_t{1} << 18;
    limits.ordinaryStepsPerChar = 32;
    return limits;
}

}  // namespace

struct FormatDetector::Impl {
    explicit Impl(int count) : patterns(static_cast<std::size_t>(count)) {}

    std::vector<GuardedRegex> patterns;  // index = format index; not valid: takes no part

    bool TakesPart(int format) const
    {
        return format >= 0 && format < static_cast<int>(patterns.size()) &&
               patterns[static_cast<std::size_t>(format)].IsValid();
    }

    // Number of non-empty capture groups of the format's match of the whole path; -1 for no
    // match.
    int Score(int format, QStringView path, MatchBudget& budget) const
    {
        MatchSpan span;
        if (patterns[static_cast<std::size_t>(format)].MatchWhole(path, budget, &span) !=
            MatchResult::Found)
            return -1;
        int score = 0;
        for (std::size_t group = 1; group < span.groupLengths.size(); ++group) {
            if (span.groupLengths[group] > 0)
                ++score;
        }
        return score;
    }

    Detection Detect(QStringView path, int accepted, MatchBudget& budget) const
    {
        Detection result;
        if (TakesPart(accepted) && Score(accepted, path, budget) >= 1) {
            result.format = accepted;
            result.ask = false;
            return result;
        }
        int best = -1;
        int bestScore = 0;
        for (int i = 0; i < static_cast<int>(patterns.size()); ++i) {
            if (!TakesPart(i))
                continue;
            const int score = Score(i, path, budget);
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
};

FormatDetector::FormatDetector(const FormatCatalogue& catalogue)
    : d_(std::make_unique<Impl>(catalogue.Count()))
{
    for (int i = 0; i < catalogue.Count(); ++i) {
        // An empty or broken pattern only keeps its own format out of the guess.
        const QString& pattern = catalogue.At(i)->path;
        if (!pattern.isEmpty())
            d_->patterns[static_cast<std::size_t>(i)].Compile(pattern, false);
    }
}

FormatDetector::~FormatDetector() = default;

Detection FormatDetector::Detect(const QString& path, int accepted) const
{
    Detection result;
    RunMatchWork(DetectLimits(), [&](const MatchLimits& limits) {
        MatchBudget budget(limits);
        result = d_->Detect(path, accepted, budget);
    });
    return result;
}

Detection DetectFormat(const FormatCatalogue& catalogue, const QString& path, int accepted)
{
    return FormatDetector(catalogue).Detect(path, accepted);
}

}  // namespace scrivlet
