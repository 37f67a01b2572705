#pragma once

#include <QTabWidget>
#include <QWidget>

#include <memory>

// One open document as a page of the main window's tab view: the document, its GridView and
// the tab's name. The title (name with the modified mark) follows the document's flag.

namespace scrivlet {

class EdtDocument;
class GridView;
class TranslationStatus;

// The modified mark in front of a tab title.
constexpr char16_t kModifiedMark = u'\u2022';
// A tab shows at most kTabTitleMaxChars characters; a longer title shows its first
// kTabTitleKeepChars and "...".
constexpr int kTabTitleMaxChars = 30;
constexpr int kTabTitleKeepChars = 27;

// The text a tab shows for a title.
QString TabDisplayTitle(const QString& title);

class DocumentTab : public QWidget {
    Q_OBJECT

public:
    DocumentTab(std::unique_ptr<EdtDocument> document, const QString& name,
                QWidget* parent = nullptr);
    ~DocumentTab() override;

    EdtDocument* Document() const { return document_.get(); }
    GridView* View() const { return view_; }
    TranslationStatus* Status() const { return status_.get(); }
    // The read-only document the translation is compared with; null for none.
    const EdtDocument* Reference() const { return reference_.get(); }
    void SetReference(std::unique_ptr<EdtDocument> reference);
    QString Name() const { return name_; }
    void SetName(const QString& name);
    // The name, after the modified mark while the document has unsaved changes.
    QString Title() const;

signals:
    void TitleChanged();

private:
    std::unique_ptr<EdtDocument> document_;
    std::unique_ptr<EdtDocument> reference_;
    std::unique_ptr<TranslationStatus> status_;  // goes before the documents it reads
    GridView* view_;
    QString name_;
};

// The tab view: tells when pages come and go, so the window list follows.
class TabView : public QTabWidget {
    Q_OBJECT

public:
    explicit TabView(QWidget* parent = nullptr);

signals:
    void TabsChanged();

protected:
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
};

}  // namespace scrivlet
