#pragma once

#include "base/Result.h"
#include "store/ProjectFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The files of a project: originals and translations paired by their path relative to their
// folders, each original's format, and the translation counts of each pair. Files are read to
// count and let go; the counts are cached in the project file.

namespace scrivlet {

class EdtDocument;
class FormatCatalogue;

struct ProjectEntry {
    QString path;  // relative to both folders, with '/'
    bool hasOriginal = false;
    bool hasTranslation = false;
    int format = -1;  // the original's, -1 when no format fits it clearly
    QString OriginalIn(const ProjectFile& project) const;
    QString TranslationIn(const ProjectFile& project) const;
};

struct ProjectListing {
    std::vector<ProjectEntry> entries;  // sorted by path
    int originals = 0;
    int missing = 0;  // originals without a translation
    int extra = 0;    // translations without an original
    // Left out, to be told: names that are no UTF-8 (absolute, the bytes escaped as \xNN), and
    // links among the translations that lead outside their folder (absolute).
    QStringList badNames;
    QStringList linksOutside;
};

// The document files (.edt and .txt, any case) below both folders, formats detected from the
// originals' paths unless the project overrides them. Links among the originals are followed;
// among the translations only those that stay inside the folder or that the project names
// (ProjectFile::OutsideLinks), and a loop of links is walked once.
ProjectListing ListProject(ProjectFile& project, const FormatCatalogue& catalogue);

struct PairCounts {
    QString path;
    bool missing = false;  // no translation: counted as if it were a copy of the original
    QString error;         // the pair could not be counted: why
    qint64 records = 0, fields = 0, empty = 0, sameAsReference = 0, translated = 0, tooLong = 0,
           notStorable = 0, needsWork = 0, approved = 0;
};

struct CountRun {
    std::vector<PairCounts> pairs;  // one per original, in path order
    int fromCache = 0;              // pairs whose files were not read
    int read = 0;                   // pairs read (hashed, and counted unless only touched)
};

// Counts every original with its translation (the original as the reference, storability in
// the translation's encoding), on all cores, taking what the cache still vouches for and
// storing the new counts.
Result CountProject(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, CountRun* run);

// Whether a translation the listing found missing may be made: nothing is at its path (not
// even a link), and the path leads to no place outside the translations folder unless through a
// link the project names.
Result CheckNewTranslation(const ProjectFile& project, const ProjectEntry& entry);

// The pair's documents for reading through: the translation (a copy of the original, in the
// translation's encoding and path, when it is missing) and the original as its reference.
struct LoadedPair {
    std::unique_ptr<EdtDocument> original;
    std::unique_ptr<EdtDocument> translation;
    bool created = false;  // the translation is the original's copy
};
Result LoadPair(const ProjectFile& project, const FormatCatalogue& catalogue,
                const ProjectEntry& entry, LoadedPair* pair);

}  // namespace scrivlet
