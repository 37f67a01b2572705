#pragma once

#include "documents/EdtDocument.h"

#include <QPointer>
#include <QUndoCommand>

// The base of every step of a document's history. Each kind of step is a class of its own, in
// a file of its own beside this one: a new kind of undoable change is a new class, not an edit
// of the history.

namespace scrivlet {

// A step that knows the cell to show once it is undone or redone.
class DocumentStep : public QUndoCommand {
public:
    // document is not owned; once it has gone the step changes nothing.
    DocumentStep(EdtDocument* document, const QString& text, int row, int column);
    int Row() const { return row_; }
    int Column() const { return column_; }
    // Whether it changes what a save writes.
    virtual bool ChangesFile() const { return true; }

protected:
    // Runs change on the document, if it still exists.
    template <typename Change>
    void Run(Change change)
    {
        if (document_)
            change(*document_);
    }

private:
    QPointer<EdtDocument> document_;
    int row_;
    int column_;
};

}  // namespace scrivlet
