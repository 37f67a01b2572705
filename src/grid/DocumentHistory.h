#pragma once

#include "documents/EdtDocument.h"

#include <QObject>
#include <QPointer>
#include <QUndoCommand>

#include <functional>
#include <vector>

class QUndoStack;

// The edit history of one document: every user edit is a step on a QUndoStack that stores
// only what it changed. The stack's clean state is the saved file, and the document's
// modified flag follows it.

namespace scrivlet {

// Steps kept; older ones are dropped.
constexpr int kUndoLimit = 1000;

// The name of a step on one record ("typing in record %1"), the record named as the grid
// names it.
QString RecordStepName(const char* key, const EdtDocument& document, int record);

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
    // Runs change on the document, if it still exists, as a change of the history's own.
    template <typename Change>
    void Apply(Change change);

private:
    DocumentHistory* history_;
    int row_;
    int column_;
};

class DocumentHistory : public QObject {
    Q_OBJECT

public:
    // document is not owned; without it (or once it has gone) every edit fails.
    explicit DocumentHistory(EdtDocument* document, QObject* parent = nullptr);

    QUndoStack* Stack() const { return stack_; }

    // One field's new text as a step named text ("typing in row 12"); false when nothing
    // changed or no memory is left.
    bool SetText(int record, int column, QStringView text, const QString& name);
    // Texts stored in the document already (EdtDocument::StoreText) as one step.
    bool SetTexts(std::vector<EdtDocument::FieldEdit> changes, const QString& name);
    // An empty record at the end. Empty records at the end are never written, so it leaves
    // the document as modified or unmodified as it was.
    bool AppendRecord();

    // Takes loaded's texts and record count (the file as another program left it) as one
    // step, after which the document counts as saved; false when nothing differs or no memory
    // is left.
    bool Reload(const EdtDocument& loaded);
    // Takes another document's texts and record count (a translation carried over to a new
    // original) as one step named name; false when nothing differs or no memory is left.
    // follow, when given, runs after each redo (true, also the first) and undo (false), for
    // what belongs to the step beside the texts; then the step is made even when no text
    // differs, and leaves the document as modified as it was.
    bool Replace(const EdtDocument& texts, const QString& name,
                 std::function<void(bool done)> follow = {});

    // The steps the next Undo and Redo would take; null when there is none.
    const DocumentStep* UndoStep() const;
    const DocumentStep* RedoStep() const;

private:
    friend class DocumentStep;

    void UpdateModified();
    bool ChangedSinceSave() const;

    QPointer<EdtDocument> document_;
    QUndoStack* stack_;
    // The document was changed behind the stack's back (or marked so); only a save clears it.
    bool outsideChange_ = false;
    // A step or this history is changing the document: its signals are no news.
    bool applying_ = false;
};

template <typename Change>
void DocumentStep::Apply(Change change)
{
    if (EdtDocument* document = history_->document_) {
        const bool outer = history_->applying_;
        history_->applying_ = true;
        change(*document);
        history_->applying_ = outer;
    }
}

}  // namespace scrivlet
