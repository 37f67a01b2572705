#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QPointer>

#include <vector>

class QAction;
class QTableView;

// The Problems dock: every problem of the active document's quality checks, one row each with
// the check, the record, the field and what was found. The list follows the checks as the
// document changes; a click selects the field.

namespace scrivlet {

class DocumentChecks;
class DocumentSession;

class ProblemsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // A field waiting for review since its original changed is listed as a problem of its own.
    static constexpr int kSourceChanged = -1;
    struct Entry {
        int record = 0;
        int field = 0;
        int check = 0;  // a Check, or kSourceChanged
        bool ignored = false;
    };
    enum Column { CheckColumn, RecordColumn, FieldColumn, DetailColumn, ColumnCount };

    explicit ProblemsModel(QObject* parent = nullptr);
    // The session whose problems are listed; null for none.
    void SetSession(DocumentSession* session);
    const Entry& At(int row) const { return entries_[static_cast<size_t>(row)]; }
    // Whether the ignored problems are listed too (greyed).
    void SetShowIgnored(bool show);
    bool ShowsIgnored() const { return showIgnored_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Refresh();
    void ScheduleRefresh();

    QPointer<DocumentSession> session_;
    std::vector<Entry> entries_;
    bool refreshPending_ = false;
    bool showIgnored_ = false;
};

class ProblemsPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit ProblemsPanel(QWidget* parent = nullptr);
    void SetSession(DocumentSession* session);
    ProblemsModel* Model() const { return model_; }
    QTableView* View() const { return view_; }
    QAction* IgnoreAction() const { return ignore_; }
    QAction* StopIgnoringAction() const { return stopIgnoring_; }
    QAction* ShowIgnoredAction() const { return showIgnored_; }

signals:
    // A problem was clicked: its field (among the text fields) is to be selected.
    void ProblemChosen(int record, int field);

private:
    // The selected row's problem ignored, or taken back.
    void Ignore(bool ignore);
    void UpdateActions();

    ProblemsModel* model_;
    QTableView* view_;
    QPointer<DocumentSession> session_;
    QAction* ignore_;
    QAction* stopIgnoring_;
    QAction* showIgnored_;
};

}  // namespace scrivlet
