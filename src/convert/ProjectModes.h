#pragma once

#include <QStringList>

#include <optional>

// The converter's project modes (--new-project, --project): nullopt when the command line
// names no project, else the exit status after the mode ran.

namespace scrivlet {

std::optional<int> RunProjectMode(const QStringList& args);

// The project modes' part of --help.
const char* ProjectUsage();

}  // namespace scrivlet
