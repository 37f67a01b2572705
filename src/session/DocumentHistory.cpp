#include "session/DocumentHistory.h"

#include "base/UiText.h"
#include "documents/RowLabels.h"
#include "session/AppendRecordStep.h"
#include "session/FieldTextsStep.h"
#include "session/ReplaceStep.h"

#include <QUndoStack>

#include <utility>

namespace scrivlet {

QString RecordStepName(const char* key, const EdtDocument& document, int record)
{
    return UiText(key).arg(RowLabels().RecordName(document.Format(), record));
}

DocumentHistory::DocumentHistory(EdtDocument* document, QObject* parent)
    : QObject(parent), document_(document), stack_(new QUndoStack(this))
{
    stack_->setUndoLimit(kUndoLimit);
    connect(stack_, &QUndoStack::indexChanged, this, &DocumentHistory::UpdateModified);
    connect(stack_, &QUndoStack::cleanChanged, this, &DocumentHistory::UpdateModified);
}

bool DocumentHistory::Push(DocumentStep* step)
{
    stack_->push(step);
    return true;
}

bool DocumentHistory::SetText(int record, int column, QStringView text, const QString& name)
{
    const int field = document_ ? document_->FieldOfColumn(column) : -1;
    if (field < 0 || record < 0 || record >= document_->RecordCount())
        return false;
    if (document_->FieldText(record, field) == text)
        return false;
    const std::optional<EdtDocument::TextRef> stored = document_->StoreText(text);
    if (!stored)
        return false;
    return Push(new FieldTextsStep(document_, column,
                                   {EdtDocument::FieldEdit{record, field, *stored}}, name));
}

bool DocumentHistory::SetTexts(const TextPlan& plan, const QString& name,
                               std::function<void(bool done)> follow)
{
    if (!document_ || plan.IsEmpty())
        return false;
    const int field = plan.Entries().front().field;
    if (field < 0 || field >= document_->TextFieldCount())
        return false;
    std::optional<std::vector<EdtDocument::FieldEdit>> edits = document_->StoreTexts(plan);
    if (!edits)
        return false;
    return Push(new FieldTextsStep(document_, document_->TextColumn(field), std::move(*edits), name,
                                   std::move(follow)));
}

bool DocumentHistory::AppendRecord()
{
    if (!document_)
        return false;
    const int records = document_->RecordCount();
    Push(new AppendRecordStep(document_, records,
                              RecordStepName("undo.append", *document_, records)));
    return document_->RecordCount() > records;
}

bool DocumentHistory::Reload(const EdtDocument& loaded)
{
    // The step and the save are one change of state: no modified flicker in between.
    holding_ = true;
    const bool replaced = Replace(loaded, UiText("undo.reload"));
    holding_ = false;
    if (!replaced)
        return false;
    // What is on disk now is what the document holds.
    SetSaved();
    return true;
}

bool DocumentHistory::Replace(const EdtDocument& loaded, const QString& name,
                              std::function<void(bool done)> follow)
{
    if (!document_ || loaded.TextFieldCount() != document_->TextFieldCount())
        return false;
    const int before = document_->RecordCount();
    const int after = loaded.RecordCount();
    std::vector<EdtDocument::FieldEdit> entries;
    for (int record = 0; record < std::max(before, after); ++record) {
        for (int field = 0; field < document_->TextFieldCount(); ++field) {
            const QStringView now =
                record < before ? document_->FieldText(record, field) : QStringView();
            const QStringView then =
                record < after ? loaded.FieldText(record, field) : QStringView();
            if (now == then)
                continue;
            const std::optional<EdtDocument::TextRef> stored = document_->StoreText(then);
            if (!stored)
                return false;
            entries.push_back({record, field, *stored});
        }
    }
    if (entries.empty() && before == after && !follow)
        return false;
    return Push(
        new ReplaceStep(document_, std::move(entries), before, after, name, std::move(follow)));
}

const DocumentStep* DocumentHistory::UndoStep() const
{
    return stack_->canUndo()
               ? dynamic_cast<const DocumentStep*>(stack_->command(stack_->index() - 1))
               : nullptr;
}

const DocumentStep* DocumentHistory::RedoStep() const
{
    return stack_->canRedo() ? dynamic_cast<const DocumentStep*>(stack_->command(stack_->index()))
                             : nullptr;
}

void DocumentHistory::SetSaved()
{
    outsideChange_ = false;
    stack_->setClean();
    UpdateModified();
}

void DocumentHistory::SetChangedOutside()
{
    outsideChange_ = true;
    UpdateModified();
}

bool DocumentHistory::ChangedSinceSave() const
{
    const int clean = stack_->cleanIndex();
    if (clean < 0)
        return true;
    const int index = stack_->index();
    for (int i = std::min(clean, index); i < std::max(clean, index); ++i) {
        const auto* step = dynamic_cast<const DocumentStep*>(stack_->command(i));
        if (!step || step->ChangesFile())
            return true;
    }
    return false;
}

void DocumentHistory::UpdateModified()
{
    if (holding_)
        return;
    const bool modified = outsideChange_ || ChangedSinceSave();
    if (modified == modified_)
        return;
    modified_ = modified;
    emit ModifiedChanged(modified);
}

}  // namespace scrivlet
