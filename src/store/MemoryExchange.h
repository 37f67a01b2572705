#pragma once

#include "base/Result.h"
#include "documents/EdtDocument.h"
#include "exchange/Tmx.h"
#include "store/Memory.h"

#include <functional>
#include <vector>

// The memory filled from files and documents, written out as TMX, and put to work on a
// document.

namespace scrivlet {

// What an import found beside its counts: the TMX reader's notes (units too large, the
// languages the file holds), and whether a failure was the memory's rather than the file's.
struct MemoryImportNotes {
    TmxNotes tmx;
    bool memoryFailed = false;
};

// How far a long job is (done of total, in its own units); its false stops the job with a
// failure, "memory.stopped".
using MemoryProgress = std::function<bool(qint64 done, qint64 total)>;

// Adds the pairs of a TMX file (its units in the two languages, none over the limits), or of a
// PO or XLIFF file of ours (each entry whose source and translation are both non-empty and
// differ; a fuzzy one, which still awaits review, is left out), chosen by the suffix. All of
// them or, on a failure or a stop, none: the memory is then as it was.
Result ImportIntoMemory(TranslationMemory& memory, const MemoryLanguages& languages,
                        const QString& path, MemoryCounts* counts,
                        MemoryImportNotes* notes = nullptr, const TmxLimits& limits = {},
                        const MemoryProgress& progress = {});

// Adds each text field whose original and translation are both non-empty and differ, with
// "name:record:field" as its origin (record and field from 0, field among the text fields).
Result ImportDocumentPair(TranslationMemory& memory, const MemoryLanguages& languages,
                          const EdtDocument& original, const EdtDocument& translation,
                          const QString& name, MemoryCounts* counts);

// Writes every unit to a TMX file, replacing an old file only once the new one is complete
// (a failure or a stop leaves the old file, or none). Units whose texts XML cannot hold are
// left out and counted.
Result ExportMemory(TranslationMemory& memory, const QString& path, qint64* written,
                    qint64* leftOut, const MemoryProgress& progress = {});

struct PretranslateReport {
    qint64 filled = 0, exact = 0, fuzzy = 0, tooLong = 0;
    qint64 notStorable = 0;  // fields whose fitting matches the document's encoding cannot keep
    // The fields filled from a match below 100, as (record, text field): a guess that needs
    // work.
    std::vector<std::pair<int, int>> guessed;
};

// Plans to fill every field that is empty or equal to its original from the best match at or
// above minScore that fits the field and that the document's encoding and file type can store;
// a field whose matches are all too long (or not storable) is counted and left alone. The plan
// is for the document's session (or EdtDocument::ApplyPlan), as an import's is. progress, when
// given, hears now and then how many of all fields were seen; its false stops the plan with a
// failure.
using PlanProgress = MemoryProgress;
Result PlanPretranslation(TranslationMemory& memory, const MemoryLanguages& languages,
                          const EdtDocument& document, const EdtDocument& reference, int minScore,
                          TextPlan* plan, PretranslateReport* report,
                          const PlanProgress& progress = {});

}  // namespace scrivlet
