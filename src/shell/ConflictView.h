#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

// The part of the editing pane that shows a field a git merge changed two ways: mine (what the
// field holds), theirs and the base, with Keep Mine and Take Theirs; an edit of the translation
// resolves it too. It counts once the document is saved; the file is staged after its last
// conflict. Hidden for every other field.

namespace scrivlet {

class DocumentTab;
class ProjectConflicts;

class ConflictView : public QWidget {
    Q_OBJECT

public:
    explicit ConflictView(QWidget* parent = nullptr);

    // The open project's conflicts; null for none.
    void Follow(ProjectConflicts* conflicts);
    // The field (record, document column) of tab; hidden when it is in no conflict.
    void Show(DocumentTab* tab, int record, int column);

    QLabel* Mine() const { return mine_; }
    QLabel* Theirs() const { return theirs_; }
    QLabel* Base() const { return base_; }
    QLabel* Note() const { return note_; }
    QPushButton* KeepMine() const { return keepMine_; }
    QPushButton* TakeTheirs() const { return takeTheirs_; }

private:
    void Again();
    void Keep();
    void Take();

    QPointer<ProjectConflicts> conflicts_;
    QPointer<DocumentTab> tab_;
    int record_ = -1, column_ = -1;
    QString staged_;  // the file last staged, told until a field of another is shown
    QWidget* fields_;
    QLabel* mine_;
    QLabel* theirs_;
    QLabel* base_;
    QLabel* note_;
    QPushButton* keepMine_;
    QPushButton* takeTheirs_;
};

}  // namespace scrivlet
