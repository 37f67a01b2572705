#pragma once

#include "base/Result.h"
#include "translation/DocumentChecks.h"

#include <QString>

#include <vector>

// The problems ignored in a document outside a project, kept beside it in "name.edt.ignore"
// (JSON). The file exists only while something is ignored.

namespace scrivlet {

QString IgnoreFilePath(const QString& documentPath);
// Nothing ignored when the file is missing; a file that cannot be read fails.
Result ReadIgnoreFile(const QString& documentPath, std::vector<IgnoredProblem>* ignored);
// Writes the list in one step, or removes the file when it is empty.
Result WriteIgnoreFile(const QString& documentPath, const std::vector<IgnoredProblem>& ignored);

}  // namespace scrivlet
