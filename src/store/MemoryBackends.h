#pragma once

#include "store/TranslationMemory.h"

#include <memory>

// The memory's back ends, for OpenMemory only.

namespace scrivlet {

Result OpenFileMemory(const QString& path, std::unique_ptr<TranslationMemory>* memory);
Result OpenServerMemory(const QString& connection, std::unique_ptr<TranslationMemory>* memory,
                        const MemoryWaits& waits);

}  // namespace scrivlet
