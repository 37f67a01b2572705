#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"
#include "store/Memory.h"
#include "translation/Alignment.h"

#include <QString>

#include <functional>
#include <span>
#include <vector>

// The memory fed from a project's own work: the translations confirmed by a save, and those of
// records an update to new originals removed, which would otherwise be lost.

namespace scrivlet {

// "relative/path.edt:record:field", record and field from 0, field among the text fields.
QString FieldOrigin(const QString& file, int record, int field);

// The languages the two encodings are written in; empty when a side is Unicode (any language).
MemoryLanguages LanguagesOfEncodings(int originalEncoding, int translationEncoding);

// The translated fields of records [first, last] (clipped to both documents): text non-empty
// and other than the reference's, which is non-empty too (an empty source is nothing to look
// up), and not pending review. Appended to units with their origins.
void CollectConfirmed(const EdtDocument& translation, const EdtDocument& reference, int first,
                      int last, const std::function<bool(int record, int field)>& pending,
                      const QString& file, qint64 time, std::vector<MemoryUnit>* units);

// The translations of the records the alignment removed, against the old original's texts,
// taken as CollectConfirmed takes them; the origin names the old record.
std::vector<MemoryUnit> RemovedUnits(const Alignment& alignment, const EdtDocument& oldOriginal,
                                     const EdtDocument& input, const QString& file, qint64 time);

struct FeedReport {
    MemoryCounts counts;
    bool noLanguages = false;  // neither the memory nor the fallback names them: nothing added
};

// Adds units to the memory at location, in its own languages, or in fallback while it has
// none yet. A failure (no server, a locked file) changes nothing.
Result FeedMemory(const QString& location, const MemoryLanguages& fallback,
                  std::span<const MemoryUnit> units, FeedReport* report);

}  // namespace scrivlet
