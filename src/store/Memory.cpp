#include "store/Memory.h"

#include "store/MemoryBackends.h"

namespace scrivlet {

bool IsServerLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

Result OpenMemory(const QString& location, std::unique_ptr<TranslationMemory>* memory)
{
    return IsServerLocation(location) ? OpenServerMemory(location, memory)
                                      : OpenFileMemory(location, memory);
}

}  // namespace scrivlet
