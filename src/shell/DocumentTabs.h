#pragma once

#include <QString>

#include <memory>

class QWidget;

// What the document commands need of the window that shows the open documents: a row of
// tabs, one document each, of which one is active.

namespace scrivlet {

class DocumentSession;
class EdtDocument;
class FormatCatalogue;

class DocumentTabs {
public:
    virtual ~DocumentTabs() = default;

    virtual int TabCount() const = 0;
    // Null for an index outside the tabs.
    virtual EdtDocument* DocumentAt(int index) const = 0;
    // The session of a tab; null for an index outside the tabs.
    virtual DocumentSession* SessionAt(int index) const = 0;
    // -1 without a tab.
    virtual int ActiveIndex() const = 0;
    // Shows the document in a new last tab named name and makes it active; returns its index.
    // unsaved: it differs from its file from the start (new, restored, read with bytes left
    // out), so it counts as modified.
    virtual int AddDocument(std::unique_ptr<EdtDocument> document, const QString& name,
                            bool unsaved = false) = 0;
    // Removes the tab and destroys its document, without asking.
    virtual void CloseTab(int index) = 0;
    // A tab's name: a file name or "New", without the modified mark.
    virtual QString TabName(int index) const = 0;
    virtual void SetTabName(int index, const QString& name) = 0;
    // The formats documents are read in.
    virtual const FormatCatalogue& Catalogue() const = 0;
    // A line in the status bar, until the next one.
    virtual void ShowStatus(const QString& text) = 0;
    // The window the commands' dialogs belong to.
    virtual QWidget* Window() = 0;
};

}  // namespace scrivlet
