#pragma once

#include "exchange/Exchange.h"
#include "store/ProjectWalk.h"

#include <functional>

// A whole project to translation tools and back: one XLIFF file with a <file> per original
// (named by its relative path), or one PO file per original (DIR/<relative path>.po).

namespace scrivlet {

// The originals as sources, the translations (or, where one is missing, the original's
// copy) as targets. Other than XLIFF: out is a folder of one file per original, made as needed.
Result ExportProject(const ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& out,
                     const TranslationFileFormat& format);

struct FileImport {
    QString path;          // relative
    bool created = false;  // the translation was missing and is made from the original
    ImportReport report;
    QString error;  // nothing written for this file: why
};

// Puts the translations of in (an XLIFF file, or the folder of PO files) into the project's
// translations, writing each one that changes (or is created) atomically; done gets each
// original the file covers, in path order. Fails as a whole only when in cannot be read.
Result ImportProject(const ProjectFile& project, const FormatCatalogue& catalogue,
                     const ProjectListing& listing, const QString& in,
                     const TranslationFileFormat& format, bool includeFuzzy,
                     const std::function<void(const FileImport&)>& done);

}  // namespace scrivlet
