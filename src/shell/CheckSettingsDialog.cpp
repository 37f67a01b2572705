#include "shell/CheckSettingsDialog.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivlet {
namespace {

QStringList Lines(const QPlainTextEdit* edit)
{
    QStringList lines;
    for (const QString& line : edit->toPlainText().split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines.push_back(line);
    }
    return lines;
}

}  // namespace

CheckSettingsDialog::CheckSettingsDialog(const QStringList* patterns, const QStringList& words,
                                         QWidget* parent)
    : QDialog(parent),
      patterns_(new QPlainTextEdit(this)),
      words_(new QPlainTextEdit(this)),
      problems_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(UiText("checkSettings.title"));
    patterns_->setObjectName(QStringLiteral("placeholderPatterns"));
    words_->setObjectName(QStringLiteral("wordList"));
    for (QPlainTextEdit* edit : {patterns_, words_}) {
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setTabChangesFocus(true);
    }
    patterns_->setPlainText(patterns ? patterns->join(u'\n') : QString());
    patterns_->setEnabled(patterns != nullptr);
    patterns_->setPlaceholderText(
        UiText(patterns ? "checkSettings.patternsExample" : "checkSettings.patternsNeedProject"));
    words_->setPlainText(words.join(u'\n'));
    problems_->setWordWrap(true);
    problems_->setStyleSheet(QStringLiteral("color: #b00020"));
    problems_->hide();

    auto* form = new QVBoxLayout(this);
    form->addWidget(new QLabel(UiText("checkSettings.patterns"), this));
    form->addWidget(patterns_, 1);
    form->addWidget(problems_);
    form->addWidget(new QLabel(UiText("checkSettings.words"), this));
    form->addWidget(words_, 1);
    form->addWidget(buttons_);
    resize(520, 460);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(patterns_, &QPlainTextEdit::textChanged, this, &CheckSettingsDialog::Validate);
    Validate();
}

QStringList CheckSettingsDialog::Patterns() const
{
    return patterns_->isEnabled() ? Lines(patterns_) : QStringList();
}

QStringList CheckSettingsDialog::Words() const
{
    QStringList words = Lines(words_);
    for (QString& word : words)
        word = word.trimmed();
    return words;
}

bool CheckSettingsDialog::CanAccept() const
{
    return buttons_->button(QDialogButtonBox::Ok)->isEnabled();
}

void CheckSettingsDialog::Validate()
{
    // Compiled as the checks compile them: a line refused here would be dropped there.
    QStringList problems;
    int number = 0;
    for (const QString& line : patterns_->toPlainText().split(u'\n')) {
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        GuardedRegex regex;
        if (!regex.Compile(line, true)) {
            const QString reason = regex.Error();
            problems.push_back(UiText("checkSettings.badPattern")
                                   .arg(number)
                                   .arg(reason.isEmpty() ? UiText("find.badPattern") : reason));
        }
    }
    problems_->setText(problems.join(u'\n'));
    problems_->setVisible(!problems.isEmpty());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(problems.isEmpty());
}

}  // namespace scrivlet
