#include "shell/UpdateCommand.h"

#include "base/UiText.h"
#include "grid/DocumentHistory.h"
#include "shell/BusyCursor.h"
#include "shell/DialogHost.h"
#include "shell/DocumentSession.h"
#include "store/MemoryFeed.h"
#include "translation/Alignment.h"
#include "translation/ReviewMarks.h"

#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QUndoStack>

namespace scrivlet {
namespace {

// The report lists this many fields to review; the counts tell the rest.
constexpr size_t kListedFields = 20;

QString ReportText(const Alignment& alignment, const EdtFormat& format, const EdtDocument& document)
{
    const AlignmentCounts& c = alignment.counts;
    QString text = UiText("update.report")
                       .arg(c.kept)
                       .arg(c.moved)
                       .arg(c.changed)
                       .arg(c.added)
                       .arg(c.removed)
                       .arg(alignment.review.size());
    if (c.fallback)
        text += u'\n' + UiText("update.fallback");
    for (size_t i = 0; i < std::min(alignment.review.size(), kListedFields); ++i) {
        const ReviewField& field = alignment.review[i];
        text +=
            u'\n' + UiText("update.reviewLine")
                        .arg(field.record)
                        .arg(format.fields[document.TextColumn(field.field)].caption,
                             UiText(field.reason == ReviewReason::New ? "update.reason.new"
                                                                      : "update.reason.changed"));
    }
    if (alignment.review.size() > kListedFields)
        text += QStringLiteral("\n…");
    return text;
}

// Marks the fields to review with their old source; undoing the step takes the marks away.
void MarkForReview(DocumentSession& session, const Alignment& alignment, const EdtDocument& old)
{
    ReviewMarks& review = *session.Review();
    for (const ReviewField& field : alignment.review) {
        const int from = alignment.fromOld[field.record];
        review.Set(
            field.record, field.field,
            {field.reason, from < 0 ? QString() : old.FieldText(from, field.field).toString()});
    }
    ClearMarksOnUndo(session);
}

}  // namespace

void ClearMarksOnUndo(DocumentSession& session)
{
    ReviewMarks& review = *session.Review();
    QUndoStack* stack = session.UndoStack();
    const int step = stack->index();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(stack, &QUndoStack::indexChanged, &review,
                                   [&review, step, connection](int index) {
                                       if (index >= step)
                                           return;
                                       review.ClearAll();
                                       QObject::disconnect(*connection);
                                   });
}

void ConfirmReviewCommand(DocumentSession& session, int record, int column)
{
    const EdtDocument& document = *session.Document();
    for (int field = 0; field < document.TextFieldCount(); ++field) {
        if (document.TextColumn(field) == column && session.Review()->Clear(record, field))
            return;
    }
    QApplication::beep();
}

void UpdateToNewOriginalCommand(DialogHost& host, QWidget* parent, DocumentSession& session,
                                const std::function<std::unique_ptr<EdtDocument>()>& askNewOriginal,
                                const std::function<void(std::vector<MemoryUnit>)>& keepRemoved)
{
    EdtDocument& document = *session.Document();
    if (!session.Reference()) {
        host.ShowMessage(parent, UiText("update.needsReference"), QMessageBox::Information,
                         AppCaption());
        return;
    }
    std::unique_ptr<EdtDocument> newOriginal = askNewOriginal();
    if (!newOriginal)
        return;
    Alignment alignment;
    Result done;
    std::vector<MemoryUnit> removed;
    {
        const BusyCursor busy;
        done = AlignTranslation(*session.Reference(), *newOriginal, document, &alignment);
        // Nothing differing is no step, and no failure either.
        session.Review()->ClearAll();
        if (done && keepRemoved)
            removed = RemovedUnits(alignment, *session.Reference(), document,
                                   session.Name(),
                                   QDateTime::currentSecsSinceEpoch());
        if (done && session.History()->Replace(*alignment.output, UiText("undo.update")))
            MarkForReview(session, alignment, *session.Reference());
    }
    if (!done) {
        host.ShowMessage(parent, UiText("update.failed") + u'\n' + done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    session.SetReference(std::move(newOriginal));
    if (keepRemoved && !removed.empty())
        keepRemoved(std::move(removed));
    host.ShowMessage(parent, ReportText(alignment, document.Format(), document),
                     QMessageBox::Information, AppCaption());
}

}  // namespace scrivlet
