#include "shell/UpdateCommand.h"

#include "base/UiText.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "shell/BusyCursor.h"
#include "shell/DialogHost.h"
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
    if (c.propagated > 0)
        text += u'\n' + UiCount("count.updatePropagated", c.propagated);
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

// The fields to review, with their old source.
ReviewMarks::Saved MarksForReview(const Alignment& alignment, const EdtDocument& old)
{
    ReviewMarks::Saved marks;
    for (const ReviewField& field : alignment.review) {
        const int from = alignment.fromOld[field.record];
        marks[{field.record, field.field}] = {
            field.reason, from < 0 ? QString() : old.FieldText(from, field.field).toString()};
    }
    return marks;
}

}  // namespace

bool ReplaceForUpdate(DocumentSession& session, const EdtDocument& output,
                      std::shared_ptr<const EdtDocument> newOriginal, ReviewMarks::Saved marks)
{
    // The reference and the marks belong to the step: undo gives back the old ones, and redo
    // these again.
    ReviewMarks::Saved before = session.Review()->All();
    std::shared_ptr<const EdtDocument> oldOriginal = session.SharedReference();
    const auto follow = [&session, before = std::move(before), marks = std::move(marks),
                         oldOriginal, newOriginal](bool done) {
        session.SetReference(done ? newOriginal : oldOriginal);
        session.Review()->Restore(done ? marks : before);
    };
    return session.History()->Replace(output, UiText("undo.update"), follow);
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
        if (done) {
            if (keepRemoved)
                removed = RemovedUnits(alignment, *session.Reference(), document, session.Name(),
                                       QDateTime::currentSecsSinceEpoch());
            if (!ReplaceForUpdate(session, *alignment.output, std::move(newOriginal),
                                  MarksForReview(alignment, *session.Reference())))
                done = Result::Failure(UiText("fileError.noMemory"));
        }
    }
    if (!done) {
        host.ShowMessage(parent, UiText("update.failed") + u'\n' + done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    if (keepRemoved && !removed.empty())
        keepRemoved(std::move(removed));
    host.ShowMessage(parent, ReportText(alignment, document.Format(), document),
                     QMessageBox::Information, AppCaption());
}

}  // namespace scrivlet
