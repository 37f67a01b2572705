#include "FormatDetection.h"

#include "FormatCatalogue.h"

#include <boost/xpressive/xpressive_dynamic.hpp>

#include <locale>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivlet {

namespace xp = boost::xpressive;

struct FormatDetector::Impl {
    std::vector<std::optional<xp::wsregex>> patterns;  // index = format index
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
    xp::wsregex_compiler compiler;
    compiler.imbue(PatternLocale());
    const auto flags = xp::regex_constants::icase | xp::regex_constants::optimize |
                       xp::regex_constants::ECMAScript;
    d_->patterns.resize(catalogue.Count());
    for (int i = 0; i < catalogue.Count(); ++i) {
        const QString& pattern = catalogue.At(i)->path;
        if (pattern.isEmpty())
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

int ScoreOf(const xp::wsregex& pattern, const std::wstring& path)
{
    xp::wsmatch match;
    try {
        if (!xp::regex_match(path, match, pattern))
            return -1;
    } catch (const xp::regex_error&) {
        return -1;  // a pattern too complex for this path counts as no match
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
    return ScoreOf(*d_->patterns[format], path.toStdWString());
}

Detection FormatDetector::Detect(const QString& path, int accepted) const
{
    const std::wstring wpath = path.toStdWString();
    Detection result;
    if (TakesPart(accepted) && ScoreOf(*d_->patterns[accepted], wpath) >= 1) {
        result.format = accepted;
        result.ask = false;
        return result;
    }
    int best = -1;
    int bestScore = 0;
    for (int i = 0; i < static_cast<int>(d_->patterns.size()); ++i) {
        if (!d_->patterns[i])
            continue;
        const int score = ScoreOf(*d_->patterns[i], wpath);
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
