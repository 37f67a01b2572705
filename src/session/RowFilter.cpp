#include "session/RowFilter.h"

#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "session/Workspace.h"
#include "translation/TranslationStatus.h"

namespace scrivlet {

bool ShowsAnyField(const DocumentSession&, int, int)
{
    return true;
}

bool ShowsNotTranslated(const DocumentSession& session, int record, int field)
{
    // Needs work and approved are states of a translation.
    const FieldState state = session.Status()->State(record, field);
    return state == FieldState::Empty || state == FieldState::SameAsReference;
}

bool ShowsWithProblems(const DocumentSession& session, int record, int field)
{
    // What F9 stops at: a changed original and the enabled checks that fail.
    return !Workspace::FieldProblems(session, record, field).empty();
}

bool ShowsNeedsWork(const DocumentSession& session, int record, int field)
{
    return session.Status()->State(record, field) == FieldState::NeedsWork;
}

bool ShowsNotApproved(const DocumentSession& session, int record, int field)
{
    return session.Status()->State(record, field) != FieldState::Approved;
}

bool RowFilter::Shows(const DocumentSession& session, int record) const
{
    const EdtDocument& document = *session.Document();
    if (record < 0 || record >= document.RecordCount())
        return true;  // the add-row
    const auto shows =
        kRowFilterChoices[choice >= 0 && choice < kRowFilterChoiceCount ? choice : 0].shows;
    const EdtDocument* reference = session.Reference();
    for (int field = 0; field < document.TextFieldCount(); ++field) {
        if (!shows(session, record, field))
            continue;
        if (text.isEmpty())
            return true;
        QStringView haystack;
        if (scope == FilterScope::Translation)
            haystack = document.FieldText(record, field);
        else if (reference && record < reference->RecordCount())
            haystack = reference->FieldText(record, field);
        if (haystack.contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

}  // namespace scrivlet
