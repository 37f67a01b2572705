#pragma once

#include "store/TranslationMemory.h"

#include <QString>

#include <memory>

// Where a translation memory lives: a file of one's own or a team's shared server.

namespace scrivlet {

// An SQLite file (created when missing), or a PostgreSQL server for a
// "postgresql://" or "postgres://" connection string.
Result OpenMemory(const QString& location, std::unique_ptr<TranslationMemory>* memory,
                  const MemoryWaits& waits = {});

bool IsServerLocation(const QString& location);
// The location as messages show it: a connection string without its password.
QString ShownLocation(const QString& location);

}  // namespace scrivlet
