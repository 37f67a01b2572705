#pragma once

#include <QTableView>

#include <memory>

class QStatusBar;

// The view of one RecordGrid: a QTableView over an adapter model; the program paints every
// cell itself, turns keys and clicks into the grid's operations and hosts the InplaceEdit.

namespace scrivlet {

class RecordGrid;
class InplaceEdit;

// Edit commands that reach the open in-place editor.
constexpr int kCommandCopy = 57634;
constexpr int kCommandCut = 57635;
constexpr int kCommandPaste = 57637;
constexpr int kCommandUndo = 57643;

// A text longer than its field is painted on this background (red 255, green 235, blue 235).
constexpr quint32 kTextTooLongColour = 0xFFFFEBEB;

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

    // --- the grid's window operations ---------------------------------------------------------
    QRect GetCellRect(int row, int column) const;
    void InvalidateCell(int row, int column);
    // Re-reads the palette's colours and the cell font and repaints.
    void RefreshAppearance();
    bool SelectCell(int row, int column);
    bool BeginEdit(int row, int column);
    bool BeginEditLimited(int row, int column);
    void EndEdit();
    // From the open editor; both reply 0.
    int CommitRequest(InplaceEdit* editor);
    int CancelRequest(InplaceEdit* editor);
    void NavigateRequest(int key);

    // The open editor, or null.
    InplaceEdit* Editor() const;
    QFont CellFont() const;
    int RowHeight() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

public:
    // The list does no type-ahead search over a million rows.
    void keyboardSearch(const QString& search) override;

private:
    void HandleButtonDown(QMouseEvent* event);
    void PaintCell(QPainter* painter, const QRect& rect, int row, int column) const;
    void UpdateColumns();
    void UpdateAddRowSpan();
    void SendKeyToEditor(QKeyEvent* event);

    friend class GridDelegate;
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace scrivlet
