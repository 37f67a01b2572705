#include "grid/GridCommands.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "session/DocumentStep.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QUndoStack>

namespace scrivlet {

namespace {

// Whether a search that began at `from` (record -1: at the top; column -1: after the whole
// record) went past the end of the document, or the start when backwards, to reach hit.
bool PassedTheEnd(const SearchHit& hit, const SearchResume& from, bool backwards)
{
    if (from.record < 0)
        return false;
    if (hit.record != from.record)
        return backwards ? hit.record > from.record : hit.record < from.record;
    // Back at the starting record: it comes last, except inside a field Replace All left.
    if (from.column < 0)
        return true;
    if (hit.column == from.column)
        return !backwards && hit.start < from.offset;
    return backwards || hit.column < from.column;
}

}  // namespace

GridCommands::GridCommands(GridView* view) : QObject(view), view_(view), session_(view->Session())
{
    // Rows that come or go move the last hit away from its text.
    if (EdtDocument* document = Document()) {
        for (auto moved : {&EdtDocument::RecordsInserted, &EdtDocument::RecordsRemoved})
            connect(document, moved, this, [this] { lastHit_ = SearchHit{}; });
    }
}

EdtDocument* GridCommands::Document() const
{
    return view_->Document();
}

void GridCommands::EditCommand(EditAction action)
{
    InplaceEdit* editor = view_->Editor();
    if (!editor) {
        if ((action != EditAction::Undo && action != EditAction::Redo) || !session_)
            return;
        const bool undo = action == EditAction::Undo;
        const DocumentHistory& history = *session_->History();
        const DocumentStep* step = undo ? history.UndoStep() : history.RedoStep();
        if (!step)
            return;
        const int row = step->Row();
        const int column = step->Column();
        undo ? history.Stack()->undo() : history.Stack()->redo();
        view_->SelectCell(row, column);
        return;
    }
    switch (action) {
        case EditAction::Copy:
            editor->Copy();
            break;
        case EditAction::Cut:
            editor->Cut();
            break;
        case EditAction::Paste:
            editor->Paste();
            break;
        case EditAction::Undo:
            editor->Undo();
            break;
        case EditAction::Redo:
            editor->Redo();
            break;
    }
}

SearchOutcome GridCommands::FindRequest(const SearchQuery& query)
{
    const EdtDocument* document = Document();
    if (!document)
        return SearchOutcome::NotFound;
    SearchHit hit;
    SearchOutcome outcome;
    SearchResume from = resume_;
    if (resume_.record >= 0 && view_->IsSelected(resume_.record, resume_.column) &&
        view_->ListRow() == resume_.record) {
        // Still on the field Replace All left alone: its match comes first.
        outcome = FindNextFrom(*document, query, resume_, &hit);
    } else {
        // The add-row is outside the document's records: the search then covers them all.
        from = SearchResume{view_->StartsFromTop() ? -1 : view_->ListRow()};
        outcome = FindNext(*document, query, from.record, &hit);
    }
    resume_ = SearchResume{};
    view_->ClearStatus(findStatus_);
    findStatus_.clear();
    const bool backwards = (query.flags & kSearchBackwards) != 0;
    if (outcome == SearchOutcome::NotFound)
        findStatus_ = UiText("find.noMatch").arg(query.text);
    else if (outcome == SearchOutcome::Found && PassedTheEnd(hit, from, backwards))
        findStatus_ = UiText(backwards ? "find.wrappedToEnd" : "find.wrappedToStart");
    if (!findStatus_.isEmpty())
        view_->ShowStatus(findStatus_);
    ShowHit(outcome, hit);
    return outcome;
}

void GridCommands::ShowHit(SearchOutcome outcome, const SearchHit& hit)
{
    switch (outcome) {
        case SearchOutcome::InvalidPattern:
            // The find dialog has no message for it; the grid stays as it was.
            QApplication::beep();
            return;
        case SearchOutcome::NotFound:
            return;
        case SearchOutcome::Found:
            break;
    }
    view_->SelectCell(hit.record, hit.column);
    lastHit_ = hit;
    if (!view_->EditCell(hit.record, hit.column))
        return;
    InplaceEdit* editor = view_->Editor();
    // The request usually comes from the modeless find dialog: the editor's window must
    // become the active one, or the focus would stay in the dialog.
    editor->window()->activateWindow();
    editor->setFocus(Qt::OtherFocusReason);
    editor->setSelection(hit.start, hit.length);
}

SearchHit GridCommands::CurrentMatch(QString* text) const
{
    SearchHit match;
    if (const InplaceEdit* editor = view_->Editor(); editor && view_->EditRow() >= 0) {
        match.record = view_->EditRow();
        match.column = view_->EditColumn();
        *text = editor->text();
        match.start =
            editor->hasSelectedText() ? editor->selectionStart() : editor->cursorPosition();
        match.length = editor->selectionLength();
    } else if (lastHit_.record >= 0 && view_->IsSelected(lastHit_.record, lastHit_.column)) {
        // The editor has closed (a click into the find dialog closes it), its cell not.
        match = lastHit_;
        *text = Document()->Text(match.record, match.column);
    }
    return match;
}

void GridCommands::ReplaceRequest(const SearchQuery& query, const QString& replacement)
{
    EdtDocument* document = Document();
    if (!document)
        return;
    // An empty text matches between any two characters: replacing it would touch every field.
    if (query.text.isEmpty()) {
        QApplication::beep();
        return;
    }
    QString text;
    const SearchHit match = CurrentMatch(&text);
    const int row = match.record, column = match.column;
    FieldReplacement replaced;
    const SearchOutcome outcome =
        row < 0 ? SearchOutcome::NotFound
                : ReplaceSelection(text, query, replacement, match.start, match.length,
                                   TextStorage{document->GetEncoding(), document->GetFileType()},
                                   &replaced);
    if (outcome == SearchOutcome::InvalidPattern) {
        QApplication::beep();
        return;
    }
    if (outcome == SearchOutcome::NotFound) {
        // No match is showing: Replace finds one first.
        FindRequest(query);
        return;
    }
    if (replaced.text.size() > document->Format().fields[static_cast<size_t>(column)].size) {
        QApplication::beep();
        view_->ShowStatus(UiText("replace.tooLong"));
        return;
    }
    // What was typed before Replace is a step of its own.
    view_->EndEdit();
    if (!session_->SetText(row, column, replaced.text,
                           RecordStepName("undo.replace", *document, row))) {
        QApplication::beep();
        return;
    }
    if (replaced.unstorable > 0)
        view_->ShowStatus(UiText("replace.unstorable").arg(replaced.unstorable));
    SearchHit hit;
    const SearchOutcome next =
        FindNextFrom(*document, query, SearchResume{row, column, replaced.end, true}, &hit);
    if (next == SearchOutcome::NotFound)
        view_->SelectCell(row, column);
    else
        ShowHit(next, hit);
}

std::optional<ReplaceReport> GridCommands::ReplaceAllRequest(const SearchQuery& query,
                                                             const QString& replacement)
{
    EdtDocument* document = Document();
    if (!document)
        return std::nullopt;
    if (query.text.isEmpty()) {
        QApplication::beep();
        return std::nullopt;
    }
    view_->EndEdit();
    ReplacePlan plan;
    if (PlanReplaceAll(*document, query, replacement, &plan) != ReplaceOutcome::Done) {
        QApplication::beep();
        return std::nullopt;
    }
    if (!plan.texts.IsEmpty())
        session_->SetTexts(plan.texts, UiText("undo.replaceAll")
                                           .arg(UiCount("count.matches", plan.report.replaced),
                                                UiCount("count.inRecords", plan.report.records)));
    const ReplaceReport& report = plan.report;
    view_->ShowStatus(ReplaceSummary(report));
    if (report.firstSkipped.record >= 0) {
        view_->SelectCell(report.firstSkipped.record, report.firstSkipped.column);
        resume_ = report.firstSkipped;
    }
    return report;
}

bool GridCommands::CopyReference()
{
    const TranslationStatus* status = view_->Status();
    const EdtDocument* reference = status ? status->Reference() : nullptr;
    const int row = view_->SelectedRow();
    // A record the reference lacks has nothing to copy: the field keeps the user's text.
    if (!reference || row >= reference->RecordCount()) {
        QApplication::beep();
        return false;
    }
    // From the reference cell too: into the field beside it.
    return PutText(view_->IsTextCell(row, view_->SelectedColumn())
                       ? reference->Text(row, view_->SelectedColumn())
                       : QString());
}

bool GridCommands::PutText(QString text)
{
    const int row = view_->SelectedRow();
    const int column = view_->SelectedColumn();
    if (!view_->IsTextCell(row, column)) {
        QApplication::beep();
        return false;
    }
    view_->EndEdit();
    const int size = std::max(Document()->Format().fields[static_cast<size_t>(column)].size, 0);
    if (text.size() > size) {
        // Never keep half a surrogate pair.
        text.truncate(size > 0 && text[size - 1].isHighSurrogate() ? size - 1 : size);
        QApplication::beep();
    }
    if (Document()->TextView(row, column) == text)
        return true;
    if (!session_->SetText(row, column, text, RecordStepName("undo.typing", *Document(), row)))
        return false;
    view_->NoteCommitted(row, column);
    return true;
}

}  // namespace scrivlet
