#include "shell/UpdateCommand.h"

#include "base/UiText.h"
#include "grid/DocumentHistory.h"
#include "shell/BusyCursor.h"
#include "shell/DialogHost.h"
#include "shell/DocumentSession.h"
#include "translation/Alignment.h"

#include <QMessageBox>

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

}  // namespace

void UpdateToNewOriginalCommand(DialogHost& host, QWidget* parent, DocumentSession& session,
                                const std::function<std::unique_ptr<EdtDocument>()>& askNewOriginal)
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
    {
        const BusyCursor busy;
        done = AlignTranslation(*session.Reference(), *newOriginal, document, &alignment);
        // Nothing differing is no step, and no failure either.
        if (done)
            session.History()->Replace(*alignment.output, UiText("undo.update"));
    }
    if (!done) {
        host.ShowMessage(parent, UiText("update.failed") + u'\n' + done.Error(),
                         QMessageBox::Warning, AppCaption());
        return;
    }
    session.SetReference(std::move(newOriginal));
    host.ShowMessage(parent, ReportText(alignment, document.Format(), document),
                     QMessageBox::Information, AppCaption());
}

}  // namespace scrivlet
