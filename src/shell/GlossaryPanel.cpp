#include "shell/GlossaryPanel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "shell/DocumentTab.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace scrivlet {

GlossaryPanel::GlossaryPanel(QWidget* parent)
    : QDockWidget(UiText("glossary.panel"), parent),
      list_(new QTreeWidget),
      note_(new QLabel),
      index_(std::make_unique<GlossaryIndex>(terms_))
{
    setObjectName(QStringLiteral("glossaryPanel"));
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels(
        {UiText("glossary.source"), UiText("glossary.target"), UiText("glossary.note")});
    list_->setRootIsDecorated(false);
    list_->setToolTip(UiText("glossary.insertTip"));
    // A click here must not take the focus from the cell editor: losing it ends the edit.
    list_->setFocusPolicy(Qt::NoFocus);
    list_->viewport()->setFocusPolicy(Qt::NoFocus);
    note_->setWordWrap(true);
    note_->setStyleSheet(QStringLiteral("color: gray"));
    note_->setMargin(4);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(note_);
    layout->addWidget(list_, 1);
    setWidget(body);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Insert(item); });
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && stale_)
            ShowSelected();
    });
    ShowTermsOf(QString());
}

GlossaryPanel::~GlossaryPanel() = default;

void GlossaryPanel::SetGlossary(bool hasProject, const std::vector<GlossaryTerm>& terms)
{
    hasProject_ = hasProject;
    terms_ = terms;
    index_ = std::make_unique<GlossaryIndex>(terms_);
    ShowSelected();
}

void GlossaryPanel::FollowProject(const Project& project)
{
    connect(&project, &Project::GlossaryChanged, this,
            [this, &project] { SetGlossary(project.IsOpen(), project.Glossary()); });
}

void GlossaryPanel::Follow(DocumentTab* tab)
{
    if (tab_ == tab)
        return;
    if (tab_)
        disconnect(tab_, nullptr, this, nullptr);
    tab_ = tab;
    if (tab)
        connect(tab, &DocumentTab::SourceChanged, this, &GlossaryPanel::ShowSelected);
    ShowSelected();
}

void GlossaryPanel::ShowSelected()
{
    // Hidden, it waits until it is shown again.
    stale_ = isHidden();
    if (stale_)
        return;
    const QString source = tab_ ? tab_->SelectedSource() : QString();
    ShowTermsOf(source);
}

void GlossaryPanel::ShowTermsOf(const QString& source)
{
    list_->clear();
    const std::vector<int> found = index_->TermsIn(source);
    for (const int at : found) {
        const GlossaryTerm& term = terms_[static_cast<size_t>(at)];
        for (const QString& target : term.targets)
            list_->addTopLevelItem(new QTreeWidgetItem({term.source, target, term.note}));
    }
    // The list, when it has rows, gets all the room; its tool tip tells how to use it.
    const char* note = !hasProject_       ? "glossary.noProject"
                       : terms_.empty()   ? "glossary.empty"
                       : source.isEmpty() ? "glossary.noSource"
                                          : "glossary.none";
    note_->setText(UiText(note));
    note_->setVisible(found.empty());
    list_->setVisible(!found.empty());
}

bool GlossaryPanel::Insert(QTreeWidgetItem* item)
{
    InplaceEdit* editor = tab_ && item ? tab_->View()->Editor() : nullptr;
    if (!editor)
        return false;
    editor->InsertText(item->text(kTarget));
    return true;
}

}  // namespace scrivlet
