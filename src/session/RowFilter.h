#pragma once

#include <QString>

#include <iterator>

// Which records of a document the grid shows: a choice of fields worth seeing (all, not
// translated, with problems, ...) and a text the original or the translation must contain.
// A record is shown when one of its text fields passes both. The choices are a table, so a
// new one (a state, say) is one entry.

namespace scrivlet {

class DocumentSession;

struct RowFilterChoice {
    const char* textKey;  // its name in the filter list
    // Whether the field at (record, field) is worth showing under this choice.
    bool (*shows)(const DocumentSession& session, int record, int field);
};

bool ShowsAnyField(const DocumentSession& session, int record, int field);
bool ShowsNotTranslated(const DocumentSession& session, int record, int field);
bool ShowsWithProblems(const DocumentSession& session, int record, int field);
bool ShowsNeedsWork(const DocumentSession& session, int record, int field);
bool ShowsNotApproved(const DocumentSession& session, int record, int field);

inline constexpr RowFilterChoice kRowFilterChoices[] = {
    {"rowFilter.all", &ShowsAnyField},
    {"rowFilter.notTranslated", &ShowsNotTranslated},
    {"rowFilter.problems", &ShowsWithProblems},
    {"rowFilter.needsWork", &ShowsNeedsWork},
    {"rowFilter.notApproved", &ShowsNotApproved},
};
inline constexpr int kRowFilterChoiceCount = static_cast<int>(std::size(kRowFilterChoices));

// Where the filter's text is looked for.
enum class FilterScope { Original, Translation };

struct RowFilter {
    int choice = 0;  // index into kRowFilterChoices
    QString text;    // case-insensitive; empty matches every field
    FilterScope scope = FilterScope::Translation;

    // Every record is shown.
    bool ShowsAll() const { return choice == 0 && text.isEmpty(); }
    bool Shows(const DocumentSession& session, int record) const;
};

}  // namespace scrivlet
