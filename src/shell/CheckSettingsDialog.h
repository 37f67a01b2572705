#pragma once

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;

// The choices of the checks a user writes rather than ticks: the project's own placeholder
// patterns (a game has codes of its own, such as "[PLAYER]" or "<c=red>") and the word list
// the spelling accepts, one per line. A pattern that does not compile is named with the
// library's reason and keeps OK disabled.

namespace scrivlet {

class CheckSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // patterns: null without a project, whose settings alone hold them.
    CheckSettingsDialog(const QStringList* patterns, const QStringList& words,
                        QWidget* parent = nullptr);

    // The lines as written, blank ones left out.
    QStringList Patterns() const;
    QStringList Words() const;

    QPlainTextEdit* PatternsEdit() const { return patterns_; }
    QPlainTextEdit* WordsEdit() const { return words_; }
    QLabel* PatternProblems() const { return problems_; }
    bool CanAccept() const;

private:
    void Validate();

    QPlainTextEdit* patterns_;
    QPlainTextEdit* words_;
    QLabel* problems_;
    QDialogButtonBox* buttons_;
};

}  // namespace scrivlet
