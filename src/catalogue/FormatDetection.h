#pragma once

#include <QList>
#include <QString>

#include <memory>

// Guessing a file's format from its full path: every format's path pattern is matched
// against the whole path, case-insensitively, and the format whose match has the most
// non-empty capture groups wins. A tie, or no match, leaves the choice to the user.

namespace scrivlet {

class FormatCatalogue;

struct Detection {
    int format = -1;        // the detected format, or -1 when the user must be asked
    bool ask = true;        // true: show the format choice
    int preselect = -1;     // when asking on a tie: the entry to preselect (-1: none)
    QList<int> candidates;  // when asking: the formats that tied (empty without a match)
};

// Compiles the patterns of a catalogue once; then detects any number of paths. A pattern
// that is empty or no valid regular expression takes no part.
class FormatDetector {
public:
    explicit FormatDetector(const FormatCatalogue& catalogue);
    ~FormatDetector();
    FormatDetector(const FormatDetector&) = delete;
    FormatDetector& operator=(const FormatDetector&) = delete;

    // accepted: a format the user accepted earlier in the same open, or -1; it is taken when
    // it matches with at least one non-empty group.
    Detection Detect(const QString& path, int accepted = -1) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// One-off detection (compiles every pattern for this call).
Detection DetectFormat(const FormatCatalogue& catalogue, const QString& path, int accepted = -1);

}  // namespace scrivlet
