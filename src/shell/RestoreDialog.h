#pragma once

#include "documents/RecoveryCopies.h"

#include <QDialog>
#include <QList>

class QTreeWidget;

// Lists the recovery copies found at start (title, original path, time of the copy, and why one
// cannot be restored), all selected, and closes with Restore or Discard for the selection.

namespace scrivlet {

class RestoreDialog : public QDialog {
    Q_OBJECT

public:
    RestoreDialog(const QList<RecoveryInfo>& copies, QWidget* parent = nullptr);

    // Indices into the copies in ascending order, once accepted.
    QList<int> Selected() const;
    bool Discarding() const { return discarding_; }

private:
    QTreeWidget* list_;
    bool discarding_ = false;
};

}  // namespace scrivlet
