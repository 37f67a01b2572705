#include "shell/DocumentTab.h"
#include "shell/Autosave.h"

#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "translation/TranslationStatus.h"

#include <QVBoxLayout>

namespace scrivlet {

QString TabDisplayTitle(const QString& title)
{
    if (title.size() <= kTabTitleMaxChars)
        return title;
    qsizetype keep = kTabTitleKeepChars;
    // Never split a surrogate pair.
    if (title[keep - 1].isHighSurrogate())
        --keep;
    return title.left(keep) + QStringLiteral("...");
}

DocumentTab::DocumentTab(std::unique_ptr<EdtDocument> document, const QString& name,
                         QWidget* parent)
    : QWidget(parent),
      document_(std::move(document)),
      status_(std::make_unique<TranslationStatus>(*document_)),
      name_(name)
{
    view_ = new GridView(document_.get(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
    view_->SetTranslationStatus(status_.get());
    connect(document_.get(), &EdtDocument::ModifiedChanged, this, &DocumentTab::TitleChanged);
    if (Autosave* autosave = Autosave::Instance())
        autosave->Track(this);
}

DocumentTab::~DocumentTab()
{
    // The view reads the document up to its end.
    delete view_;
}

void DocumentTab::SetReference(std::unique_ptr<EdtDocument> reference)
{
    // The status lets go of the old reference before it is freed.
    status_->SetReference(reference.get());
    reference_ = std::move(reference);
}

void DocumentTab::SetName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    emit TitleChanged();
}

QString DocumentTab::Title() const
{
    return document_->IsModified() ? QChar(kModifiedMark) + name_ : name_;
}

TabView::TabView(QWidget* parent) : QTabWidget(parent)
{
    setDocumentMode(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
}

void TabView::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    emit TabsChanged();
}

void TabView::tabRemoved(int index)
{
    QTabWidget::tabRemoved(index);
    emit TabsChanged();
}

}  // namespace scrivlet
