#pragma once

#include <QStringList>

#include <optional>

// The converter's doors for a team working through git (--merge, --textconv, --git-setup):
// nullopt when the command line asks for none of them, else the exit status after it ran.

namespace scrivlet {

std::optional<int> RunGitMode(const QStringList& args);

// The git modes' part of --help.
const char* GitUsage();

}  // namespace scrivlet
