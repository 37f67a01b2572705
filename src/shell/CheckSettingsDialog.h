#pragma once

#include "translation/Checks.h"

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;

// The choices of the checks a user writes rather than ticks: the project's own placeholder
// and tag patterns (a game has codes of its own, such as "[PLAYER]" or "[b]"), the length
// ratio, the fields that may start in lower case, and the word list the spelling accepts, one
// per line. A pattern that does not compile is named with the library's reason and keeps OK
// disabled.

namespace scrivlet {

class FormatCatalogue;

class CheckSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // patterns: null without a project, whose settings alone hold them.
    CheckSettingsDialog(const QStringList* patterns, const QStringList& words,
                        QWidget* parent = nullptr);

    // The project's other choices, its fields listed from catalogue (which need not outlive
    // the dialog); only with patterns.
    void SetTuning(const CheckTuning& tuning, const FormatCatalogue& catalogue);

    // The lines as written, blank ones left out.
    QStringList Patterns() const;
    QStringList Words() const;
    // The project's choices as the dialog holds them; fields of formats not listed stay.
    CheckTuning Tuning() const;

    QPlainTextEdit* PatternsEdit() const { return patterns_; }
    QPlainTextEdit* TagsEdit() const { return tags_; }
    QDoubleSpinBox* RatioEdit() const { return ratio_; }
    QListWidget* StartCaseList() const { return startCase_; }
    QPlainTextEdit* WordsEdit() const { return words_; }
    QLabel* PatternProblems() const { return problems_; }
    bool CanAccept() const;

private:
    void Validate();

    QPlainTextEdit* patterns_;
    QPlainTextEdit* tags_;
    QDoubleSpinBox* ratio_;
    QListWidget* startCase_;
    QStringList unlistedFields_;
    QPlainTextEdit* words_;
    QLabel* problems_;
    QDialogButtonBox* buttons_;
};

}  // namespace scrivlet
