#pragma once

#include <QStringList>

#include <optional>

// The converter's translation-memory modes (--tm): nullopt when the command line names no
// memory, else the exit status after the mode ran.

namespace scrivlet {

std::optional<int> RunMemoryMode(const QStringList& args);

// The memory modes' part of --help.
const char* MemoryUsage();

}  // namespace scrivlet
