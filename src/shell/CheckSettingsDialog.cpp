#include "shell/CheckSettingsDialog.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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

// Plain text: the explanations name tags such as <b>, which a rich text label would take.
QLabel* Label(const char* key, QWidget* parent)
{
    auto* label = new QLabel(UiText(key), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// Each line of edit that does not compile as the checks compile it, named by key.
void AddProblems(const QPlainTextEdit* edit, const char* key, QStringList* problems)
{
    int number = 0;
    for (const QString& line : edit->toPlainText().split(u'\n')) {
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        GuardedRegex regex;
        if (!regex.Compile(line, true)) {
            const QString reason = regex.Error();
            problems->push_back(
                UiText(key).arg(number).arg(reason.isEmpty() ? UiText("find.badPattern") : reason));
        }
    }
}

}  // namespace

CheckSettingsDialog::CheckSettingsDialog(const QStringList* patterns, const QStringList& words,
                                         QWidget* parent)
    : QDialog(parent),
      patterns_(new QPlainTextEdit(this)),
      tags_(new QPlainTextEdit(this)),
      ratio_(new QDoubleSpinBox(this)),
      startCase_(new QListWidget(this)),
      words_(new QPlainTextEdit(this)),
      problems_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(UiText("checkSettings.title"));
    patterns_->setObjectName(QStringLiteral("placeholderPatterns"));
    tags_->setObjectName(QStringLiteral("tagPatterns"));
    ratio_->setObjectName(QStringLiteral("lengthRatio"));
    startCase_->setObjectName(QStringLiteral("startCaseOff"));
    words_->setObjectName(QStringLiteral("wordList"));
    for (QPlainTextEdit* edit : {patterns_, tags_, words_}) {
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setTabChangesFocus(true);
    }
    patterns_->setPlainText(patterns ? patterns->join(u'\n') : QString());
    patterns_->setPlaceholderText(
        UiText(patterns ? "checkSettings.patternsExample" : "checkSettings.patternsNeedProject"));
    tags_->setPlaceholderText(
        UiText(patterns ? "checkSettings.tagsExample" : "checkSettings.tagsNeedProject"));
    // Only a project keeps these.
    for (QWidget* edit : std::initializer_list<QWidget*>{patterns_, tags_, ratio_, startCase_})
        edit->setEnabled(patterns != nullptr);
    ratio_->setRange(1.5, 100);
    ratio_->setDecimals(1);
    ratio_->setSingleStep(0.5);
    ratio_->setValue(kDefaultLengthRatio);
    words_->setPlainText(words.join(u'\n'));
    problems_->setWordWrap(true);
    problems_->setStyleSheet(QStringLiteral("color: #b00020"));
    problems_->hide();

    auto* form = new QVBoxLayout(this);
    form->addWidget(Label("checkSettings.patterns", this));
    form->addWidget(patterns_, 1);
    form->addWidget(Label("checkSettings.tags", this));
    form->addWidget(tags_, 1);
    form->addWidget(problems_);
    auto* ratio = new QHBoxLayout;
    ratio->addWidget(Label("checkSettings.lengthRatio", this), 1);
    ratio->addWidget(ratio_);
    form->addLayout(ratio);
    form->addWidget(Label("checkSettings.startCaseOff", this));
    form->addWidget(startCase_, 1);
    form->addWidget(Label("checkSettings.words", this));
    form->addWidget(words_, 1);
    form->addWidget(buttons_);
    resize(560, 680);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(patterns_, &QPlainTextEdit::textChanged, this, &CheckSettingsDialog::Validate);
    connect(tags_, &QPlainTextEdit::textChanged, this, &CheckSettingsDialog::Validate);
    Validate();
}

void CheckSettingsDialog::SetTuning(const CheckTuning& tuning, const FormatCatalogue& catalogue)
{
    tags_->setPlainText(tuning.tags.join(u'\n'));
    ratio_->setValue(tuning.lengthRatio);
    startCase_->clear();
    unlistedFields_ = tuning.startCaseOff;
    for (int f = 0; f < catalogue.Count(); ++f) {
        const EdtFormat& format = *catalogue.At(f);
        for (int column = 0, field = 0; column < format.FieldCount(); ++column) {
            const FieldDef& def = format.fields[static_cast<size_t>(column)];
            if (def.type != kTextField)
                continue;
            const QString name = FormatFieldName({f, field++});
            auto* item = new QListWidgetItem(
                QStringLiteral("%1: %2").arg(format.name, def.caption), startCase_);
            item->setData(Qt::UserRole, name);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(unlistedFields_.removeAll(name) > 0 ? Qt::Checked
                                                                    : Qt::Unchecked);
        }
    }
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

CheckTuning CheckSettingsDialog::Tuning() const
{
    CheckTuning tuning;
    tuning.placeholders = Patterns();
    tuning.tags = tags_->isEnabled() ? Lines(tags_) : QStringList();
    tuning.lengthRatio = ratio_->value();
    tuning.startCaseOff = unlistedFields_;
    for (int row = 0; row < startCase_->count(); ++row) {
        if (startCase_->item(row)->checkState() == Qt::Checked)
            tuning.startCaseOff << startCase_->item(row)->data(Qt::UserRole).toString();
    }
    return tuning;
}

bool CheckSettingsDialog::CanAccept() const
{
    return buttons_->button(QDialogButtonBox::Ok)->isEnabled();
}

void CheckSettingsDialog::Validate()
{
    // Compiled as the checks compile them: a line refused here would be dropped there.
    QStringList problems;
    AddProblems(patterns_, "checkSettings.badPattern", &problems);
    AddProblems(tags_, "checkSettings.badTagPattern", &problems);
    problems_->setText(problems.join(u'\n'));
    problems_->setVisible(!problems.isEmpty());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(problems.isEmpty());
}

}  // namespace scrivlet
