#pragma once

#include <QUndoCommand>

// The base of every step of a document's history. Each kind of step is a class of its own, in
// a file of its own beside this one: a new kind of undoable change is a new class, not an edit
// of the history.

namespace scrivlet {

class DocumentHistory;

// A step that knows the cell to show once it is undone or redone.
class DocumentStep : public QUndoCommand {
public:
    DocumentStep(DocumentHistory* history, const QString& text, int row, int column);
    int Row() const { return row_; }
    int Column() const { return column_; }
    // Whether it changes what a save writes.
    virtual bool ChangesFile() const { return true; }

protected:
    DocumentHistory* History() const { return history_; }

private:
    DocumentHistory* history_;
    int row_;
    int column_;
};

}  // namespace scrivlet
