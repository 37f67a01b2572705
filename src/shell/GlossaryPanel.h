#pragma once

#include "translation/GlossaryIndex.h"

#include <QDockWidget>
#include <QPointer>

#include <memory>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The Glossary dock: the project's terms found in the selected field's source (the reference's
// text), each with its translations and note, found as the glossary check finds them. A
// double-click on a translation while the cell editor is open puts it in at the caret.

namespace scrivlet {

class DocumentTab;
class Project;

class GlossaryPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit GlossaryPanel(QWidget* parent = nullptr);
    ~GlossaryPanel() override;

    // The glossary to look in (indexed here, once); hasProject false: there is none to use.
    void SetGlossary(bool hasProject, const std::vector<GlossaryTerm>& terms);
    // Shows the project's glossary as it is read or changed; project must outlive the panel.
    void FollowProject(const Project& project);
    // The tab whose selected field is followed; null for none.
    void Follow(DocumentTab* tab);
    // Lists the terms standing in source now.
    void ShowTermsOf(const QString& source);
    // The target of a row into the followed tab's open cell editor; false, doing nothing,
    // when no editor is open.
    bool Insert(QTreeWidgetItem* item);

    QTreeWidget* List() const { return list_; }
    QLabel* Note() const { return note_; }

    enum Column { kSource, kTarget, kNote, kColumns };

private:
    void ShowSelected();

    QTreeWidget* list_;
    QLabel* note_;
    QPointer<DocumentTab> tab_;
    bool hasProject_ = false;
    std::vector<GlossaryTerm> terms_;
    std::unique_ptr<GlossaryIndex> index_;
    bool stale_ = false;  // the selection moved while the panel was hidden
};

}  // namespace scrivlet
