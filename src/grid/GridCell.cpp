#include "grid/GridCell.h"

#include "grid/RecordGrid.h"
#include "base/UiText.h"

#include <QHash>

#include <new>
#include <optional>

namespace scrivlet {
namespace {

struct CellExtras {
    quint32 itemData = 0;
    std::optional<QString> displayOverride;
};

// Keyed by cell; only cells that ever had item data or an override have an entry.
QHash<const GridCell*, CellExtras>& ExtrasTable()
{
    static QHash<const GridCell*, CellExtras> table;
    return table;
}

bool ValueToText(const QVariant& value, const QString* displayOverride, QString& text)
{
    if (displayOverride) {
        text = *displayOverride;
        return true;
    }
    if (value.metaType() == QMetaType::fromType<QString>()) {
        text = *static_cast<const QString*>(value.constData());
        return true;
    }
    // An empty value reads as an empty text, as an empty variant converts to one.
    if (!value.isValid()) {
        text.clear();
        return true;
    }
    if (!value.canConvert<QString>())
        return false;
    text = value.toString();
    return true;
}

}  // namespace

// --- GridCell -------------------------------------------------------------------------------

GridCell::~GridCell()
{
    if (hasExtras_)
        ExtrasTable().remove(this);
}

void GridCell::SetOwner(RecordGrid* owner, quint32 /*data*/)
{
    owner_ = owner;
}

QString GridCell::GetName() const
{
    return QString();
}

void GridCell::SetEnabled(bool enabled)
{
    enabled_ = enabled;
}

bool GridCell::IsEnabled() const
{
    return enabled_;
}

void GridCell::SetItemData(quint32 data)
{
    if (!hasExtras_ && data == 0)
        return;
    ExtrasTable()[this].itemData = data;
    hasExtras_ = true;
}

quint32 GridCell::GetItemData() const
{
    return hasExtras_ ? ExtrasTable().value(this).itemData : 0;
}

void GridCell::DrawName(const CellDrawInfo& /*info*/) {}

void GridCell::DrawValue(const CellDrawInfo& /*info*/) {}

InplaceControl* GridCell::CreateInplaceControl(const QRect& /*rect*/)
{
    return nullptr;
}

bool GridCell::Activate(int /*action*/, QPoint /*value*/)
{
    return true;
}

bool GridCell::GetDisplayText(QString& /*text*/) const
{
    return false;
}

int GridCell::GetDisplayLength() const
{
    return 0;
}

bool GridCell::GetValue(QVariant* /*value*/) const
{
    return false;
}

bool GridCell::SetValueFromEditor(const InplaceControl& /*editor*/)
{
    return false;
}

bool GridCell::SetValue(const QVariant& /*value*/)
{
    return false;
}

void GridCell::SetDisplayOverride(const QString& text)
{
    ExtrasTable()[this].displayOverride = text;
    hasExtras_ = true;
}

const QString* GridCell::GetDisplayOverride() const
{
    if (!hasExtras_)
        return nullptr;
    auto it = ExtrasTable().constFind(this);
    if (it == ExtrasTable().constEnd() || !it->displayOverride)
        return nullptr;
    return &*it->displayOverride;
}

// --- ValueCell ------------------------------------------------------------------------------

bool ValueCell::GetDisplayText(QString& text) const
{
    return ValueToText(value_, GetDisplayOverride(), text);
}

int ValueCell::GetDisplayLength() const
{
    if (!hasExtras_ && value_.metaType() == QMetaType::fromType<QString>())
        return static_cast<int>(static_cast<const QString*>(value_.constData())->size());
    QString text;
    return ValueToText(value_, GetDisplayOverride(), text) ? static_cast<int>(text.size()) : 0;
}

bool ValueCell::GetValue(QVariant* value) const
{
    if (!value)
        return false;
    *value = value_;
    return true;
}

bool ValueCell::SetValue(const QVariant& value)
{
    value_ = value;
    return true;
}

// --- LabelCell ------------------------------------------------------------------------------

void LabelCell::DrawValue(const CellDrawInfo& info)
{
    if (!info.canvas)
        return;
    QString text;
    if (!GetDisplayText(text))
        return;
    const quint32 colour = (info.state & kCellDisabled) ? info.disabledTextColour : info.textColour;
    info.canvas->DrawCellText(info.rect, text, colour, true, info.backgroundColour);
}

// --- TextCell -------------------------------------------------------------------------------

bool TextCell::SetValue(const QVariant& value)
{
    // The value is always a text: whatever comes in is converted, and a value that has no
    // text form leaves the cell as it was.
    if (!value.isValid()) {
        value_ = QString();
        return true;
    }
    if (value.metaType() == QMetaType::fromType<QString>()) {
        value_ = value;
        return true;
    }
    if (!value.canConvert<QString>())
        return false;
    QVariant converted = value;
    if (!converted.convert(QMetaType::fromType<QString>()))
        return false;
    value_ = converted;
    return true;
}

bool TextCell::SetValueFromEditor(const InplaceControl& editor)
{
    return SetValue(QVariant(editor.Text()));
}

InplaceControl* TextCell::CreateInplaceControl(const QRect& rect)
{
    QString text;
    if (!owner_ || !GetDisplayText(text))
        return nullptr;
    return owner_->CreateEditor(this, rect, text);
}

bool TextCell::Activate(int action, QPoint /*value*/)
{
    if (action == kActivateBegun && owner_) {
        if (InplaceControl* editor = owner_->EditorOf(this))
            editor->FocusAndSelectAll();
    }
    return true;
}

void TextCell::DrawValue(const CellDrawInfo& info)
{
    if (!info.canvas)
        return;
    QString text;
    if (!GetDisplayText(text))
        return;
    const quint32 colour = (info.state & kCellDisabled) ? info.disabledTextColour : info.textColour;
    info.canvas->DrawCellText(info.rect, text, colour, false, info.backgroundColour);
}

// --- AddRowCell -----------------------------------------------------------------------------

bool AddRowCell::Activate(int action, QPoint /*value*/)
{
    if ((action == kActivateClicked || action == kActivateBegun) && owner_)
        owner_->SendAddRowActivated();
    return true;
}

void AddRowCell::DrawValue(const CellDrawInfo& info)
{
    if (!info.canvas)
        return;
    const quint32 colour = (info.state & kCellDisabled) ? info.disabledTextColour : info.textColour;
    info.canvas->DrawCellText(info.rect, UiText(str::AddRowText).left(kMaxResourceText), colour,
                              false, info.backgroundColour);
}

// --- factories ------------------------------------------------------------------------------

LabelCell* CreateLabelCell(const QString& text)
{
    auto* cell = new (std::nothrow) LabelCell;
    if (cell)
        cell->SetValue(QVariant(text));
    return cell;
}

TextCell* CreateTextCell(const QString& text)
{
    auto* cell = new (std::nothrow) TextCell;
    if (cell)
        cell->SetValue(QVariant(text));
    return cell;
}

AddRowCell* CreateAddRowCell()
{
    return new (std::nothrow) AddRowCell;
}

}  // namespace scrivlet
