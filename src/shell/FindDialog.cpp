#include "shell/FindDialog.h"

#include "base/UiText.h"
#include "search/Search.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace scrivlet {
namespace {

// The template's size and control rectangles, in dialog units.
constexpr int kDialogWidth = 271;
constexpr int kDialogHeight = 105;
constexpr QRect kFindRect(198, 7, 66, 14);
constexpr QRect kReplaceRect(198, 25, 66, 14);
constexpr QRect kReplaceAllRect(198, 43, 66, 14);
constexpr QRect kCloseRect(198, 84, 66, 14);
constexpr QRect kLabelRect(7, 7, 62, 13);
constexpr QRect kTextRect(72, 7, 119, 14);
constexpr QRect kReplaceLabelRect(7, 25, 62, 13);
constexpr QRect kReplaceTextRect(72, 25, 119, 14);
constexpr int kOptionX = 7;
constexpr int kOptionWidth = 149;
constexpr int kOptionHeight = 10;
constexpr int kOptionGap = 4;  // least room between an option's text and the buttons
// Upper and lower case Latin letters: their mean width is the dialog's character width.
const QString kAverageSample =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

struct Option {
    int id;
    quint32 flag;
    int y;
};
constexpr Option kOptions[] = {
    {kMatchCaseId, kSearchMatchCase, 49},
    {kWholeWordId, kSearchWholeWord, 62},
    {kBackwardsId, kSearchBackwards, 75},
    {kRegexId, kSearchRegex, 88},
};

QString ControlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

QString ControlText(int id)
{
    switch (id) {
    case kFindButtonId: return UiText("find.find");
    case kCloseButtonId: return UiText("find.close");
    case kMatchCaseId: return UiText("find.matchCase");
    case kWholeWordId: return UiText("find.wholeWord");
    case kBackwardsId: return UiText("find.backwards");
    case kRegexId: return UiText("find.regex");
    default: return QString();
    }
}

}  // namespace

FindDialog::FindDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setModal(false);
    setWindowTitle(UiText("find.caption"));

    auto addText = [this](int id, const QString& caption, const QRect& labelUnits,
                          const QRect& textUnits) {
        auto* label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setGeometry(DialogRect(labelUnits));
        auto* text = new QLineEdit(this);
        text->setObjectName(ControlName(id));
        text->setGeometry(DialogRect(textUnits));
        label->setBuddy(text);
        return text;
    };
    searchText_ = addText(kSearchTextId, UiText("find.label"), kLabelRect, kTextRect);
    replaceText_ =
        addText(kReplaceTextId, UiText("replace.label"), kReplaceLabelRect, kReplaceTextRect);

    for (const Option& option : kOptions)
        AddOption(option.id, option.flag, option.y);

    findButton_ = AddButton(kFindButtonId, ControlText(kFindButtonId), kFindRect);
    findButton_->setDefault(true);
    connect(findButton_, &QPushButton::clicked, this, &FindDialog::Find);
    replaceButton_ = AddButton(kReplaceButtonId, UiText("replace.one"), kReplaceRect);
    connect(replaceButton_, &QPushButton::clicked, this,
            [this] { Replace(ReplaceScope::Selected); });
    replaceAllButton_ = AddButton(kReplaceAllButtonId, UiText("replace.all"), kReplaceAllRect);
    connect(replaceAllButton_, &QPushButton::clicked, this, [this] { Replace(ReplaceScope::All); });
    closeButton_ = AddButton(kCloseButtonId, ControlText(kCloseButtonId), kCloseRect);
    closeButton_->setAutoDefault(false);
    connect(closeButton_, &QPushButton::clicked, this, &FindDialog::reject);

    // Tab order: texts, options, buttons.
    setTabOrder(searchText_, replaceText_);
    setTabOrder(replaceText_, OptionBox(kMatchCaseId));
    setTabOrder(OptionBox(kRegexId), findButton_);
    setTabOrder(findButton_, replaceButton_);
    setTabOrder(replaceButton_, replaceAllButton_);
    setTabOrder(replaceAllButton_, closeButton_);

    setFixedSize(DialogRect(QRect(0, 0, kDialogWidth, kDialogHeight)).size());
}

QCheckBox* FindDialog::AddOption(int id, quint32 flag, int y)
{
    auto* box = new QCheckBox(ControlText(id), this);
    box->setObjectName(ControlName(id));
    QRect rect = DialogRect(QRect(kOptionX, y, kOptionWidth, kOptionHeight));
    // The check mark takes more room here than in the template's platform: a long text may
    // use the free space up to the buttons rather than be cut.
    const int limit = DialogRect(QRect(kCloseRect.x() - kOptionGap, 0, 0, 0)).x();
    rect.setWidth(std::max(rect.width(), std::min(box->sizeHint().width(), limit - rect.x())));
    box->setGeometry(rect);
    // The flags change only here, so they always agree with the boxes.
    connect(box, &QCheckBox::toggled, this, [this, flag](bool checked) {
        if (checked)
            searchFlags_ |= flag;
        else
            searchFlags_ &= ~flag;
    });
    return box;
}

QPushButton* FindDialog::AddButton(int id, const QString& text, const QRect& units)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(ControlName(id));
    button->setGeometry(DialogRect(units));
    return button;
}

QCheckBox* FindDialog::OptionBox(int id) const
{
    return findChild<QCheckBox*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

// Dialog units to pixels from the dialog font: a quarter of the average character width
// across, an eighth of the line height down. The average is taken over the Latin letters,
// rounded, as dialog templates expect it; the font's own average is narrower and cuts the
// longer option texts.
QRect FindDialog::DialogRect(const QRect& units) const
{
    const QFontMetrics metrics(font());
    const int cx = (metrics.horizontalAdvance(kAverageSample) / 26 + 1) / 2;
    const int cy = metrics.height();
    return QRect(units.x() * cx / 4, units.y() * cy / 8, units.width() * cx / 4,
                 units.height() * cy / 8);
}

void FindDialog::SetFindRequestHandler(FindRequestHandler handler)
{
    handler_ = std::move(handler);
}

void FindDialog::SetReplaceRequestHandler(ReplaceRequestHandler handler)
{
    replaceHandler_ = std::move(handler);
}

void FindDialog::ShowAndFocus()
{
    show();
    raise();
    activateWindow();
    searchText_->setFocus(Qt::OtherFocusReason);
    searchText_->selectAll();
}

void FindDialog::Find()
{
    // Posted: the owner handles the request once the dialog's own event is done.
    QMetaObject::invokeMethod(
        this,
        [this, query = SearchQuery{searchText_->text(), searchFlags_}] {
            if (handler_)
                handler_(query);
        },
        Qt::QueuedConnection);
}

void FindDialog::Replace(ReplaceScope scope)
{
    // Posted like Find, with the texts as they are now.
    QMetaObject::invokeMethod(
        this,
        [this, query = SearchQuery{searchText_->text(), searchFlags_},
         replacement = replaceText_->text(), scope] {
            if (replaceHandler_)
                replaceHandler_(query, replacement, scope);
        },
        Qt::QueuedConnection);
}

void FindDialog::reject()
{
    hide();
    // The keyboard goes back to the owner, as when any owned window closes; without it some
    // platforms keep the hidden dialog as the focus window and do not activate it again on
    // the next Show.
    if (QWidget* owner = parentWidget())
        owner->window()->activateWindow();
}

}  // namespace scrivlet
