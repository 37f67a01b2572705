#include "shell/ProblemsPanel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"
#include "shell/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"

#include <QHeaderView>
#include <QTableView>
#include <QTimer>

namespace scrivlet {

ProblemsModel::ProblemsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProblemsModel::SetSession(DocumentSession* session)
{
    if (session_) {
        disconnect(session_->Checks(), nullptr, this, nullptr);
        disconnect(session_->Review(), nullptr, this, nullptr);
    }
    session_ = session;
    if (session_) {
        connect(session_->Checks(), &DocumentChecks::ProblemsChanged, this,
                &ProblemsModel::ScheduleRefresh);
        connect(session_->Review(), &ReviewMarks::Changed, this, &ProblemsModel::ScheduleRefresh);
    }
    Refresh();
}

// A burst of edits (a replace, an import) lists once.
void ProblemsModel::ScheduleRefresh()
{
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, &ProblemsModel::Refresh);
}

// One row per failed check of each field, read from the checks' marks: a million fields are
// walked in milliseconds, and the words of a row are made only when it is shown.
void ProblemsModel::Refresh()
{
    refreshPending_ = false;
    beginResetModel();
    entries_.clear();
    if (session_) {
        const EdtDocument& document = *session_->Document();
        const DocumentChecks& checks = *session_->Checks();
        const ReviewMarks& review = *session_->Review();
        for (int record = 0; record < document.RecordCount(); ++record) {
            for (int field = 0; field < document.TextFieldCount(); ++field) {
                if (review.Count() > 0 && review.Has(record, field))
                    entries_.push_back({record, field, kSourceChanged});
                CheckMask mask = checks.Mask(record, field);
                for (int check = 0; mask; ++check, mask >>= 1) {
                    if (mask & 1)
                        entries_.push_back({record, field, check});
                }
            }
        }
    }
    endResetModel();
}

int ProblemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int ProblemsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProblemsModel::data(const QModelIndex& index, int role) const
{
    if (!session_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Entry& entry = At(index.row());
    const EdtDocument& document = *session_->Document();
    const Check check = static_cast<Check>(entry.check);
    switch (index.column()) {
        case CheckColumn:
            return entry.check == kSourceChanged ? UiText("check.sourceChanged.title")
                                                 : CheckTitle(check);
        case RecordColumn:
            return RowLabels().RecordName(document.Format(), entry.record);
        case FieldColumn:
            return document.Format().fields[document.TextColumn(entry.field)].caption;
        default:
            if (entry.check == kSourceChanged) {
                const std::optional<ReviewMark> mark =
                    session_->Review()->At(entry.record, entry.field);
                if (!mark || mark->reason == ReviewReason::New)
                    return UiText("check.sourceChanged.new");
                return UiText("check.sourceChanged.detail").arg(mark->oldSource);
            }
            for (const Problem& p : session_->Checks()->Details(entry.record, entry.field)) {
                if (p.check == check)
                    return p.detail;
            }
            return {};
    }
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const keys[] = {"problems.check", "problems.record", "problems.field",
                                       "problems.detail"};
    return section >= 0 && section < ColumnCount ? UiText(keys[section]) : QVariant();
}

ProblemsPanel::ProblemsPanel(QWidget* parent)
    : QDockWidget(UiText("problems.title"), parent),
      model_(new ProblemsModel(this)),
      view_(new QTableView(this))
{
    setObjectName(QStringLiteral("problemsPanel"));
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    // Fixed row heights: sizing a million rows to their contents would take minutes.
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setColumnWidth(ProblemsModel::CheckColumn, 150);
    view_->setColumnWidth(ProblemsModel::RecordColumn, 160);
    view_->setColumnWidth(ProblemsModel::FieldColumn, 120);
    connect(view_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        const ProblemsModel::Entry& entry = model_->At(index.row());
        emit ProblemChosen(entry.record, entry.field);
    });
    setWidget(view_);
}

void ProblemsPanel::SetSession(DocumentSession* session)
{
    model_->SetSession(session);
}

}  // namespace scrivlet
