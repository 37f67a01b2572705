#pragma once

#include "documents/EdtDocument.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QUndoStack;

// The edit history of one document: every user edit is a step on a QUndoStack that stores
// only what it changed (the steps are the classes beside this file). The history owns the
// document's modified state: the stack away from its clean state by a step that changes the
// file, or a difference from the file that no step covers (a new document, a restored copy, a
// file removed or written with characters changed).

namespace scrivlet {

class DocumentStep;

// Steps kept; older ones are dropped.
constexpr int kUndoLimit = 1000;

// The name of a step on one record ("typing in record %1"), the record named as the grid
// names it.
QString RecordStepName(const char* key, const EdtDocument& document, int record);

class DocumentHistory : public QObject {
    Q_OBJECT

public:
    // document is not owned; without it (or once it has gone) every edit fails.
    explicit DocumentHistory(EdtDocument* document, QObject* parent = nullptr);

    QUndoStack* Stack() const { return stack_; }

    // One field's new text as a step named text ("typing in row 12"); false when nothing
    // changed or no memory is left.
    bool SetText(int record, int column, QStringView text, const QString& name);
    // A planner's texts as one step; false when the plan is empty or no memory is left.
    // follow as for Replace, run after the texts (without it the step is made all the same).
    bool SetTexts(const TextPlan& plan, const QString& name,
                  std::function<void(bool done)> follow = {});
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

    // Whether the document differs from its file.
    bool IsModified() const { return modified_; }
    // The document was just written to its file (or read from it): what it holds is saved.
    void SetSaved();
    // The document differs from its file in a way no step covers; only a save clears it.
    void SetChangedOutside();

signals:
    void ModifiedChanged(bool modified);

private:
    bool Push(DocumentStep* step);
    void UpdateModified();
    bool ChangedSinceSave() const;

    QPointer<EdtDocument> document_;
    QUndoStack* stack_;
    bool outsideChange_ = false;
    bool modified_ = false;
    bool holding_ = false;  // a change of several steps is under way: tell once at its end
};

}  // namespace scrivlet
