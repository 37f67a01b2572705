#pragma once

#include "exchange/Exchange.h"
#include "store/ProjectWalk.h"

#include <functional>

// A whole project to translation tools and back: one file with a part per original (named by
// its relative path) where the format holds many documents (XLIFF), else one file per original
// (DIR/<relative path>.po).

namespace scrivlet {

// The originals as sources, the translations (or, where one is missing, the original's
// copy) as targets, each entry named by its record's lasting id (see RecordIds). For a format
// that holds one document a file, out is a folder of one file per original, made as needed.
Result ExportProject(ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& out,
                     const TranslationFileFormat& format);

struct FileImport {
    QString path;          // relative
    bool created = false;  // the translation was missing and is made from the original
    ImportReport report;
    QString error;  // nothing written for this file: why
};

// Puts the translations of in (the one file, or the folder of files) into the project's
// translations, writing each one that changes (or is created) atomically; done gets each
// original the file covers, in path order. Entries may be named by record id or, as files
// exported before the project kept ids are, by position. Fails as a whole only when in cannot
// be read.
Result ImportProject(ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& in,
                     const TranslationFileFormat& format, bool includeFuzzy,
                     const std::function<void(const FileImport&)>& done);

}  // namespace scrivlet
