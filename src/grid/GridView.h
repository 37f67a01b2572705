#pragma once

#include <QTableView>

class QStatusBar;

// The view of one RecordGrid: a QTableView over an adapter model; the program paints every
// cell itself, turns keys and clicks into the grid's operations and hosts the InplaceEdit.

namespace scrivlet {

class RecordGrid;

// Edit commands that reach the open in-place editor.
constexpr int kCommandCopy = 57634;
constexpr int kCommandCut = 57635;
constexpr int kCommandPaste = 57637;
constexpr int kCommandUndo = 57643;

class GridView : public QTableView {
    Q_OBJECT

public:
    // The view owns grid.
    explicit GridView(RecordGrid* grid, QWidget* parent = nullptr);
    ~GridView() override;

    RecordGrid* Grid() const;

    // Copy, Cut, Paste or Undo on the open editor; nothing without one.
    void EditCommand(int command);
    // FindRequest: search from the current selection and open the editor on the hit.
    void FindRequest(const QString& pattern, quint32 flags);

    // The main window's status bar, where the editor shows "Symbols used"; may be null.
    static void SetStatusBar(QStatusBar* statusBar);
    static QStatusBar* StatusBar();
};

}  // namespace scrivlet
