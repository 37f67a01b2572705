#pragma once

#include "search/Replace.h"

#include <QObject>
#include <QPointer>

#include <optional>

// The commands of one document's grid that change its texts or move to a match: the Edit
// commands, Find, Replace and Replace All (with where the next search resumes) and Copy
// Reference. Each change is a step of the document's history; the view only shows the result.

namespace scrivlet {

class DocumentSession;
class EdtDocument;
class GridView;

class GridCommands : public QObject {
    Q_OBJECT

public:
    // Works on the view and its session (not owned), and goes with the view.
    explicit GridCommands(GridView* view);

    enum class EditAction { Copy, Cut, Paste, Undo, Redo };
    // On the open in-place editor. Without one, Undo and Redo take a step of the history and
    // select the cell it changed; the others do nothing.
    void EditCommand(EditAction action);
    // Searches from the list's selected record (the add-row counts as none); on a hit selects
    // the cell and opens the editor with the match selected. Nothing found changes nothing
    // but the status bar, which also says when the search went past the end; a pattern that
    // cannot run beeps. After a Replace All that left fields alone, the first of them is
    // selected and the search begins inside it.
    SearchOutcome FindRequest(const SearchQuery& query);
    // Replaces the match the editor shows selected and searches on from its end; where the
    // editor shows no match, only searches. A replacement too long for the field is not made:
    // a beep and a note in the status bar.
    void ReplaceRequest(const SearchQuery& query, const QString& replacement);
    // Every match of the document as one step; the report also goes to the status bar. Null
    // when nothing is typed, the pattern cannot run or memory ran out (a beep, no change).
    // Selects a match found elsewhere (a list of hits) as a search would show it.
    void ShowMatch(const SearchHit& hit) { ShowHit(SearchOutcome::Found, hit); }
    std::optional<ReplaceReport> ReplaceAllRequest(const SearchQuery& query,
                                                   const QString& replacement);
    // Puts the reference's text of the selected text cell into its field as one undo step,
    // cut to the field's size with a beep; beeps and does nothing without a reference or a
    // selected text cell.
    bool CopyReference();
    // Puts text into the selected text cell's field the same way (a suggestion of the memory).
    bool PutText(QString text);

private:
    // Selects the hit of a search and opens the editor on it with the match selected.
    void ShowHit(SearchOutcome outcome, const SearchHit& hit);
    // The match to replace: what the open editor shows selected, else the last hit while its
    // cell is still selected; record -1 for none. text is the field's text.
    SearchHit CurrentMatch(QString* text) const;
    EdtDocument* Document() const;

    GridView* view_;
    QPointer<DocumentSession> session_;
    // Where the next search begins after Replace All left fields alone (record -1: none).
    SearchResume resume_;
    // The match a search showed last, for Replace once the editor has closed.
    SearchHit lastHit_;
    // What the last search said in the status bar; the next one takes it back.
    QString findStatus_;
};

}  // namespace scrivlet
