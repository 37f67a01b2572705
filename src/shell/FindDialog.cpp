#include "shell/FindDialog.h"

#include "base/UiText.h"
#include "search/Search.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <iterator>

namespace scrivlet {

namespace {
const QColor kProblemColor(0xb0, 0x00, 0x20);
}  // namespace

FindDialog::FindDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setModal(false);
    setWindowTitle(UiText("find.caption"));
    searchText_ = new QLineEdit(this);
    searchText_->setObjectName(QStringLiteral("searchText"));
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    QPalette warning = problem_->palette();
    warning.setColor(QPalette::WindowText, kProblemColor);
    problem_->setPalette(warning);
    problem_->hide();
    connect(searchText_, &QLineEdit::textEdited, this, [this] { ShowProblem(QString()); });
    replaceText_ = new QLineEdit(this);
    replaceText_->setObjectName(QStringLiteral("replaceText"));
    options_[int(FindOption::MatchCase)] =
        AddOption("matchCase", UiText("find.matchCase"), kSearchMatchCase);
    options_[int(FindOption::WholeWord)] =
        AddOption("wholeWord", UiText("find.wholeWord"), kSearchWholeWord);
    options_[int(FindOption::Backwards)] =
        AddOption("backwards", UiText("find.backwards"), kSearchBackwards);
    options_[int(FindOption::Regex)] = AddOption("regex", UiText("find.regex"), kSearchRegex);

    findButton_ = AddButton("find", UiText("find.find"));
    findButton_->setDefault(true);
    connect(findButton_, &QPushButton::clicked, this, &FindDialog::Find);
    replaceButton_ = AddButton("replace", UiText("replace.one"));
    connect(replaceButton_, &QPushButton::clicked, this,
            [this] { Replace(ReplaceScope::Selected); });
    replaceAllButton_ = AddButton("replaceAll", UiText("replace.all"));
    connect(replaceAllButton_, &QPushButton::clicked, this, [this] { Replace(ReplaceScope::All); });
    closeButton_ = AddButton("close", UiText("find.close"));
    closeButton_->setAutoDefault(false);
    connect(closeButton_, &QPushButton::clicked, this, &FindDialog::reject);
    BuildLayout();
}

void FindDialog::BuildLayout()
{
    // Labels and texts in a form, the options under them, the buttons in a column on the
    // right: every text takes the room its language needs.
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(UiText("find.label"), searchText_);
    form->addRow(QString(), problem_);
    form->addRow(UiText("replace.label"), replaceText_);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    for (QCheckBox* box : options_)
        left->addWidget(box);
    left->addStretch(1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {findButton_, replaceButton_, replaceAllButton_})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab order: texts, options, buttons.
    QWidget* order[] = {searchText_, replaceText_, options_[0],    options_[1],       options_[2],
                        options_[3], findButton_,  replaceButton_, replaceAllButton_, closeButton_};
    for (size_t k = 1; k < std::size(order); ++k)
        setTabOrder(order[k - 1], order[k]);
}

QCheckBox* FindDialog::AddOption(const char* name, const QString& text, quint32 flag)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QString::fromLatin1(name));
    // The flags change only here, so they always agree with the boxes.
    connect(box, &QCheckBox::toggled, this, [this, flag](bool checked) {
        if (checked)
            searchFlags_ |= flag;
        else
            searchFlags_ &= ~flag;
        ShowProblem(QString());
    });
    return box;
}

QPushButton* FindDialog::AddButton(const char* name, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox* FindDialog::OptionBox(FindOption option) const
{
    return options_[int(option)];
}

void FindDialog::ShowProblem(const QString& text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
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
