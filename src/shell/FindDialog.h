#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The modeless find dialog: a search text, a replacement and four options. Find, Replace and
// Replace All post the texts and the options to the owner; Close only hides the dialog, so
// texts and options stay for the next Show.

namespace scrivlet {

struct SearchQuery;

// The search options, one check box each (named "matchCase", "wholeWord", ...).
enum class FindOption { MatchCase, WholeWord, Backwards, Regex };

class FindDialog : public QDialog {
    Q_OBJECT

public:
    using FindRequestHandler = std::function<void(const SearchQuery& query)>;
    enum class ReplaceScope { Selected, All };
    using ReplaceRequestHandler = std::function<void(
        const SearchQuery& query, const QString& replacement, ReplaceScope scope)>;

    // owner is the main window; the dialog stays on top of it and dies with it.
    explicit FindDialog(QWidget* owner);

    // Where Find posts its requests (called later from the event loop).
    void SetFindRequestHandler(FindRequestHandler handler);
    void SetReplaceRequestHandler(ReplaceRequestHandler handler);

    // Shows the dialog with the whole search text selected and focused.
    void ShowAndFocus();

    quint32 SearchFlags() const { return searchFlags_; }
    // Why the search text cannot be searched for, under the field; empty hides it. Goes
    // when the text or an option changes.
    void ShowProblem(const QString& text);
    QLabel* Problem() const { return problem_; }

    QLineEdit* SearchText() const { return searchText_; }
    QPushButton* FindButton() const { return findButton_; }
    QPushButton* CloseButton() const { return closeButton_; }
    QLineEdit* ReplaceText() const { return replaceText_; }
    QPushButton* ReplaceButton() const { return replaceButton_; }
    QPushButton* ReplaceAllButton() const { return replaceAllButton_; }
    QCheckBox* OptionBox(FindOption option) const;

public slots:
    void Find();
    void Replace(ReplaceScope scope);
    // Escape and the Close button: hide, never destroy.
    void reject() override;

private:
    QCheckBox* AddOption(const char* name, const QString& text, quint32 flag);
    QPushButton* AddButton(const char* name, const QString& text);
    void BuildLayout();

    QLineEdit* searchText_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* findButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLineEdit* replaceText_ = nullptr;
    QPushButton* replaceButton_ = nullptr;
    QPushButton* replaceAllButton_ = nullptr;
    QCheckBox* options_[4] = {};
    quint32 searchFlags_ = 0;
    FindRequestHandler handler_;
    ReplaceRequestHandler replaceHandler_;
};

}  // namespace scrivlet
