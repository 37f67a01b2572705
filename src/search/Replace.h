#pragma once

#include "documents/EdtDocument.h"
#include "documents/Storability.h"
#include "search/Search.h"

#include <QString>

#include <functional>
#include <vector>

// Replacing what a search finds, shared by the editor and the converter. The replacements of
// one field are made together or not at all: a field whose text with all its replacements
// would be longer than the field stays as it is.

namespace scrivlet {

// The text that replaces match (found in text): the typed replacement, in which, for a
// regular expression, $1 to $9 insert the expression's groups (nothing for a group that took
// no part), $& the match and $$ one '$'. Elsewhere a '$' is itself.
QString ExpandReplacement(QStringView replacement, bool regex, QStringView text,
                          const TextMatch& match);

// One field's new text.
struct FieldReplacement {
    QString text;
    int replaced = 0;    // matches replaced
    int unstorable = 0;  // replacements the storage cannot keep
    int end = 0;         // where the last replacement ends in text
};

// The field's text with the match the editor shows selected ([start, start + length))
// replaced. NotFound when no match of the query is exactly there.
SearchOutcome ReplaceSelection(QStringView text, const SearchQuery& query,
                               const QString& replacement, int start, int length,
                               const TextStorage& storage, FieldReplacement* result,
                               const MatchLimits& limits = MatchLimits{});

struct ReplaceReport {
    int replaced = 0;        // matches replaced
    int records = 0;         // records changed
    int skippedTooLong = 0;  // fields left alone: too long with all their replacements
    int unstorable = 0;      // replacements made that the document's encoding cannot store
    // The first field left alone (record -1 for none), where Find Next goes on.
    SearchResume firstSkipped;
};

// What Replace All did, as the status bar says it in the interface language: "Replaced 3
// matches in 2 records; 1 skipped: longer than the field".
QString ReplaceSummary(const ReplaceReport& report);

// Replace All, prepared: the new texts of the fields that change, for the document's session
// (or EdtDocument::ApplyPlan) to put in place.
struct ReplacePlan {
    TextPlan texts;
    ReplaceReport report;
};

enum class ReplaceOutcome { Done, InvalidPattern, NoMemory };

// Every match in every text field of every record. A plan with no changes is Done too.
ReplaceOutcome PlanReplaceAll(const EdtDocument& document, const SearchQuery& query,
                              const QString& replacement, ReplacePlan* plan,
                              const MatchLimits& limits = MatchLimits{});

// A match in a document: field counts the text fields (0..TextFieldCount() - 1).
struct FieldMatch {
    int record = 0;
    int field = 0;
    int start = 0;
    int length = 0;
};

// Every match in document order: record by record, field by field, left to right, none
// overlapping. visit runs on the matching thread while the caller waits.
SearchOutcome FindAll(const EdtDocument& document, const SearchQuery& query,
                      const std::function<void(const FieldMatch&)>& visit,
                      const MatchLimits& limits = MatchLimits{});

}  // namespace scrivlet
