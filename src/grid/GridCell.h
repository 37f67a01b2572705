#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>

// The cells of a RecordGrid. The classes live in the core library: painting goes through
// the small CellCanvas interface and editing through InplaceControl, which the view
// implements with Qt widgets (and tests with plain objects).

namespace scrivlet {

class RecordGrid;

// Answers of GetKind.
constexpr int kCellKindValue = 2;  // label cells, the add-row cell
constexpr int kCellKindText = 3;   // editable text cells

// Texts taken from the string table for the grid (row-label pattern, add-row text) are cut
// to this many characters.
constexpr int kMaxResourceText = 127;

// Actions passed to Activate.
enum ActivateAction : int {
    kActivateNotBegun = 1,  // editing was asked for and did not begin
    kActivateClicked = 3,   // the cell was clicked (value = cursor position)
    kActivateBegun = 7,     // editing began in this cell
};

// State bits of CellDrawInfo.
enum CellState : unsigned {
    kCellSelected = 0x1,
    kCellDisabled = 0x4,
    kCellEditing = 0x1000,
};

// Where a cell draws itself; the view implements it over a QPainter.
class CellCanvas {
public:
    virtual ~CellCanvas() = default;
    // One line of text starting 2 pixels right of rect's left edge, vertically centred, cut
    // with an ellipsis; with opaque set the text background is filled with background.
    virtual void DrawCellText(const QRect& rect, const QString& text, quint32 textColour,
                              bool opaque, quint32 background) = 0;
};

// What the grid hands to DrawValue. Colours are 0xAARRGGBB.
struct CellDrawInfo {
    CellCanvas* canvas = nullptr;
    QRect rect;
    unsigned state = 0;
    QString fontFamily;
    quint32 textColour = 0;
    quint32 backgroundColour = 0;
    quint32 selectionTextColour = 0;
    quint32 selectionBackgroundColour = 0;
    quint32 borderColour = 0;
    quint32 disabledTextColour = 0;
    quint32 rowHighlightColour = 0;
    quint32 modeFlags = 0;
};

// The in-place editor as the cells and the grid model see it; the view's InplaceEdit
// implements it.
class InplaceControl {
public:
    virtual ~InplaceControl() = default;
    virtual QString Text() const = 0;
    virtual void SetTextLimit(int limit) = 0;
    virtual void FocusAndSelectAll() = 0;
    // Shows the editor where it was created and gives it the keyboard focus.
    virtual void ShowAndFocus() = 0;
    virtual bool HasFocus() const = 0;
    // Closes the editor later: it may be inside its own event handler right now.
    virtual void PostCloseRequest() = 0;
};

class GridCell {
public:
    GridCell() = default;
    GridCell(const GridCell&) = delete;
    GridCell& operator=(const GridCell&) = delete;
    virtual ~GridCell();

    virtual int GetKind() const = 0;
    virtual void SetOwner(RecordGrid* owner, quint32 data);
    RecordGrid* GetOwner() const { return owner_; }
    virtual QString GetName() const;
    virtual void SetEnabled(bool enabled);
    virtual bool IsEnabled() const;
    virtual void SetItemData(quint32 data);
    virtual quint32 GetItemData() const;
    virtual void DrawName(const CellDrawInfo& info);
    virtual void DrawValue(const CellDrawInfo& info);
    // The editor over this cell, or null. The grid owns what it gets.
    virtual InplaceControl* CreateInplaceControl(const QRect& rect);
    virtual bool Activate(int action, QPoint value);
    virtual bool GetDisplayText(QString& text) const;
    virtual int GetDisplayLength() const;
    virtual bool GetValue(QVariant* value) const;
    virtual bool SetValueFromEditor(const InplaceControl& editor);
    virtual bool SetValue(const QVariant& value);
    virtual void SetDisplayOverride(const QString& text);
    virtual const QString* GetDisplayOverride() const;

protected:
    RecordGrid* owner_ = nullptr;
    // Item data and the display override are almost never set; they live in a side table
    // so that a million cells stay small. hasExtras_ says whether the table has an entry.
    bool enabled_ = true;
    bool hasExtras_ = false;
};

class ValueCell : public GridCell {
public:
    int GetKind() const override { return kCellKindValue; }
    bool GetDisplayText(QString& text) const override;
    int GetDisplayLength() const override;
    bool GetValue(QVariant* value) const override;
    bool SetValue(const QVariant& value) override;

protected:
    QVariant value_;
};

class LabelCell : public ValueCell {
public:
    void DrawValue(const CellDrawInfo& info) override;
};

class TextCell : public ValueCell {
public:
    int GetKind() const override { return kCellKindText; }
    bool SetValue(const QVariant& value) override;
    bool SetValueFromEditor(const InplaceControl& editor) override;
    InplaceControl* CreateInplaceControl(const QRect& rect) override;
    bool Activate(int action, QPoint value) override;
    void DrawValue(const CellDrawInfo& info) override;
};

class AddRowCell : public GridCell {
public:
    int GetKind() const override { return kCellKindValue; }
    bool Activate(int action, QPoint value) override;
    void DrawValue(const CellDrawInfo& info) override;
};

// Factories; null when memory runs out.
LabelCell* CreateLabelCell(const QString& text);
TextCell* CreateTextCell(const QString& text);
AddRowCell* CreateAddRowCell();

}  // namespace scrivlet
