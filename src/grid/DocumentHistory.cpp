#include "grid/DocumentHistory.h"

#include "base/UiText.h"
#include "documents/RowLabels.h"

#include <QUndoStack>

#include <utility>

namespace scrivlet {

QString RecordStepName(const char* key, const EdtDocument& document, int record)
{
    return UiText(key).arg(RowLabels().RecordName(document.Format(), record));
}
namespace {

// Fields swapped between two texts the document holds: typing, Replace, Replace All. Undo and
// redo are the same exchange, so the step keeps one reference per field, not two texts.
class FieldTextsStep : public DocumentStep {
public:
    FieldTextsStep(DocumentHistory* history, int column,
                   std::vector<EdtDocument::FieldEdit> entries, const QString& text)
        : DocumentStep(history, text, entries.front().record, column), entries_(std::move(entries))
    {
    }
    void redo() override { Exchange(); }
    void undo() override { Exchange(); }

private:
    void Exchange()
    {
        Apply([this](EdtDocument& document) { document.ExchangeTexts(entries_); });
    }

    std::vector<EdtDocument::FieldEdit> entries_;
};

class AppendRecordStep : public DocumentStep {
public:
    AppendRecordStep(DocumentHistory* history, int at, const QString& text)
        : DocumentStep(history, text, at, 0)
    {
    }
    void redo() override
    {
        Apply([this](EdtDocument& document) { added_ = document.InsertRecords(Row(), 1); });
    }
    void undo() override
    {
        // A record that could not be added (no memory) is not taken away either.
        if (added_)
            Apply([this](EdtDocument& document) { document.RemoveRecords(Row(), 1); });
        added_ = false;
    }
    bool ChangesFile() const override { return false; }

private:
    bool added_ = false;
};

// The file read again: records added or taken away at the end, and every text that differs
// swapped as in FieldTextsStep, so that undo brings back what the user had.
class ReloadStep : public DocumentStep {
public:
    ReloadStep(DocumentHistory* history, std::vector<EdtDocument::FieldEdit> entries, int before,
               int after, const QString& text, std::function<void(bool)> follow)
        : DocumentStep(history, text, 0, 0),
          entries_(std::move(entries)),
          before_(before),
          after_(after),
          follow_(std::move(follow))
    {
    }
    void redo() override
    {
        Change(before_, after_);
        if (follow_)
            follow_(true);
    }
    void undo() override
    {
        Change(after_, before_);
        if (follow_)
            follow_(false);
    }
    // A carried-over translation may keep every text and change only what follows it.
    bool ChangesFile() const override { return !entries_.empty() || before_ != after_; }

private:
    void Change(int from, int to)
    {
        Apply([&](EdtDocument& document) {
            if (to > from)
                document.InsertRecords(from, to - from);
            document.ExchangeTexts(entries_);
            if (to < from)
                document.RemoveRecords(to, from - to);
        });
    }

    std::vector<EdtDocument::FieldEdit> entries_;
    int before_;
    int after_;
    std::function<void(bool)> follow_;
};

}  // namespace

DocumentStep::DocumentStep(DocumentHistory* history, const QString& text, int row, int column)
    : QUndoCommand(text), history_(history), row_(row), column_(column)
{
}

DocumentHistory::DocumentHistory(EdtDocument* document, QObject* parent)
    : QObject(parent), document_(document), stack_(new QUndoStack(this))
{
    stack_->setUndoLimit(kUndoLimit);
    if (document)
        outsideChange_ = document->IsModified();
    connect(stack_, &QUndoStack::indexChanged, this, &DocumentHistory::UpdateModified);
    connect(stack_, &QUndoStack::cleanChanged, this, &DocumentHistory::UpdateModified);
    if (!document)
        return;
    connect(document, &EdtDocument::ModifiedChanged, this, [this](bool modified) {
        if (applying_)
            return;
        // A save: the stack is clean here now. Anything else came from outside the stack.
        outsideChange_ = modified;
        if (!modified)
            stack_->setClean();
    });
}

bool DocumentHistory::SetText(int record, int column, QStringView text, const QString& name)
{
    if (!document_ || !document_->IsTextColumn(column) || record < 0 ||
        record >= document_->RecordCount())
        return false;
    int field = 0;
    while (document_->TextColumn(field) != column)
        ++field;
    if (document_->FieldText(record, field) == text)
        return false;
    const std::optional<EdtDocument::TextRef> stored = document_->StoreText(text);
    if (!stored)
        return false;
    return SetTexts({EdtDocument::FieldEdit{record, field, *stored}}, name);
}

bool DocumentHistory::SetTexts(std::vector<EdtDocument::FieldEdit> changes, const QString& name)
{
    if (!document_ || changes.empty() || changes.front().field < 0 ||
        changes.front().field >= document_->TextFieldCount())
        return false;
    const int column = document_->TextColumn(changes.front().field);
    stack_->push(new FieldTextsStep(this, column, std::move(changes), name));
    return true;
}

bool DocumentHistory::AppendRecord()
{
    if (!document_)
        return false;
    const int records = document_->RecordCount();
    stack_->push(
        new AppendRecordStep(this, records, RecordStepName("undo.append", *document_, records)));
    return document_->RecordCount() > records;
}

bool DocumentHistory::Reload(const EdtDocument& loaded)
{
    if (!Replace(loaded, UiText("undo.reload")))
        return false;
    // What is on disk now is what the document holds.
    outsideChange_ = false;
    stack_->setClean();
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
    stack_->push(new ReloadStep(this, std::move(entries), before, after, name, std::move(follow)));
    return true;
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
    if (!document_)
        return;
    applying_ = true;
    document_->SetModified(outsideChange_ || ChangedSinceSave());
    applying_ = false;
}

}  // namespace scrivlet
