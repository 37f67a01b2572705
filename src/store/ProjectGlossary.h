#pragma once

#include "base/Result.h"
#include "translation/Checks.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The glossary kept in the project file: terms imported from CSV or TBX files, one row per
// source and target pair, for the glossary check and the Glossary panel.

namespace scrivlet {

class ProjectFile;

struct GlossaryImport {
    qint64 terms = 0;       // the distinct source and target pairs the file holds
    qint64 added = 0;       // new to the project
    qint64 duplicates = 0;  // already there (the same source and target), skipped
    bool projectFailed = false;  // the failure was the project's (a full disk), not the file's
};

// Reads a .csv or .tbx file through the glossary readers and adds its pairs in one
// transaction; a file that cannot be read adds nothing, nor does a project that cannot be
// written (its failure names the project).
Result ImportProjectGlossary(ProjectFile& project, const QString& path, GlossaryImport* counts);
// The project's terms, a source's targets gathered in one term, in the order they came.
std::vector<GlossaryTerm> ProjectGlossaryTerms(ProjectFile& project);
Result ClearProjectGlossary(ProjectFile& project);
// The pairs as the CSV reader reads them: UTF-8, a header line, one pair a line.
Result ExportProjectGlossary(ProjectFile& project, const QString& path, qint64* exported);

// CSV text of terms (a line per target), quoted where a field holds a comma, a quote or a
// line break.
QByteArray GlossaryCsv(const std::vector<GlossaryTerm>& terms);

}  // namespace scrivlet
