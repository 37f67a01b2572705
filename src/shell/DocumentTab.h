#pragma once

#include <QTabWidget>
#include <QWidget>

// One open document as a page of the main window's tab view: its GridView (whose grid
// carries path, file type, encoding, format and modified flag) and the tab's full title.

namespace scrivlet {

class GridView;
class RecordGrid;

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
    // Takes ownership of view.
    DocumentTab(GridView* view, const QString& title, QWidget* parent = nullptr);

    GridView* View() const { return view_; }
    RecordGrid* Grid() const;
    // The full title, modified mark included.
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

private:
    GridView* view_;
    QString title_;
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
