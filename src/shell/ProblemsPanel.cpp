#include "shell/ProblemsPanel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"
#include "shell/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"

#include <QAction>
#include <QHeaderView>
#include <QPalette>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

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
                const CheckMask shown = checks.Mask(record, field);
                const CheckMask ignored = showIgnored_ ? checks.IgnoredMask(record, field) : 0;
                CheckMask mask = shown | ignored;
                for (int check = 0; mask; ++check, mask >>= 1) {
                    if (mask & 1)
                        entries_.push_back({record, field, check, (ignored & (1u << check)) != 0});
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

void ProblemsModel::SetShowIgnored(bool show)
{
    showIgnored_ = show;
    Refresh();
}

QVariant ProblemsModel::data(const QModelIndex& index, int role) const
{
    if (!session_ || !index.isValid())
        return {};
    const Entry& entry = At(index.row());
    if (role == Qt::ForegroundRole && entry.ignored)
        return QPalette().brush(QPalette::Disabled, QPalette::Text);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
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
            for (const Problem& p :
                 session_->Checks()->Details(entry.record, entry.field, entry.ignored)) {
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
      view_(new QTableView(this)),
      ignore_(new QAction(UiText("problems.ignore"), this)),
      stopIgnoring_(new QAction(UiText("problems.stopIgnoring"), this)),
      showIgnored_(new QAction(UiText("problems.showIgnored"), this))
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
    showIgnored_->setCheckable(true);
    ignore_->setObjectName(QStringLiteral("problems.ignore"));
    stopIgnoring_->setObjectName(QStringLiteral("problems.stopIgnoring"));
    showIgnored_->setObjectName(QStringLiteral("problems.showIgnored"));
    connect(ignore_, &QAction::triggered, this, [this] { Ignore(true); });
    connect(stopIgnoring_, &QAction::triggered, this, [this] { Ignore(false); });
    connect(showIgnored_, &QAction::toggled, this, [this](bool show) {
        model_->SetShowIgnored(show);
        UpdateActions();
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ProblemsPanel::UpdateActions);
    connect(model_, &QAbstractItemModel::modelReset, this, &ProblemsPanel::UpdateActions);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    view_->addActions({ignore_, stopIgnoring_});
    auto* bar = new QToolBar(this);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({ignore_, stopIgnoring_, showIgnored_});
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(view_);
    setWidget(box);
    UpdateActions();
}

void ProblemsPanel::SetSession(DocumentSession* session)
{
    session_ = session;
    model_->SetSession(session);
}

void ProblemsPanel::UpdateActions()
{
    const QModelIndex current = view_->currentIndex();
    const bool problem = current.isValid() && current.row() < model_->rowCount() &&
                         model_->At(current.row()).check != ProblemsModel::kSourceChanged;
    const bool ignored = problem && model_->At(current.row()).ignored;
    ignore_->setEnabled(problem && !ignored);
    // Stop Ignoring is there while the ignored ones are shown.
    stopIgnoring_->setVisible(model_->ShowsIgnored());
    stopIgnoring_->setEnabled(ignored);
}

void ProblemsPanel::Ignore(bool ignore)
{
    const QModelIndex current = view_->currentIndex();
    if (!session_ || !current.isValid() || current.row() >= model_->rowCount())
        return;
    const ProblemsModel::Entry entry = model_->At(current.row());
    if (entry.check == ProblemsModel::kSourceChanged || entry.ignored == ignore)
        return;
    const Check check = static_cast<Check>(entry.check);
    if (ignore)
        session_->Checks()->Ignore(entry.record, entry.field, check);
    else
        session_->Checks()->StopIgnoring(entry.record, entry.field, check);
}

}  // namespace scrivlet
