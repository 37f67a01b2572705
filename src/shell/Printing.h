#pragma once

#include "base/Result.h"
#include "shell/FrameMenus.h"

#include <QPageLayout>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

// Printing and PDF export of a document's grid as its view shows it: the format's columns, the
// reference's column beside each text column while a reference is shown, long texts wrapped in
// their cells. Each page has the document's name and "page N of M" at its head and the column
// captions under it. Records are laid out page by page, so a long document never has all its
// pages in memory; only the first record of each page is kept between the passes.

namespace scrivlet {

class DialogHost;
class DocumentTab;
class GridModel;

struct PrintSource {
    const GridModel* model = nullptr;  // not owned
    // By view column, in screen pixels; a missing one takes the field's width. A column of
    // width 0 is left out.
    std::vector<int> columnWidths;
    QString title;  // the header's name
};

// The active view of a tab with its column widths; the title is the file's name, or the tab's
// for a document never saved.
PrintSource PrintSourceOf(const DocumentTab& tab);

// Prints the source on device; with fromPage > 0 only pages fromPage..toPage (counted from 1)
// are printed, numbered as in the whole. Returns the page count of the whole print, 0 when the
// device cannot be painted on.
int PrintGrid(const PrintSource& source, QPagedPaintDevice& device, int fromPage = 0,
              int toPage = 0);

// Writes the print as a PDF at path on pages of layout, the PDF's title being the source's.
// The file is replaced only once the whole PDF is written.
Result ExportPdf(const PrintSource& source, const QString& path, const QPageLayout& layout);

// The frame's print commands. One printer keeps the paper and orientation the user last chose
// for Print, Print Preview, Page Setup and Export PDF alike.
class PrintCommands {
public:
    explicit PrintCommands(QWidget* parent);
    ~PrintCommands();

    void Print(const PrintSource& source);
    void Preview(const PrintSource& source);
    void PageSetup();
    // Asks the host for a file (beside documentPath, when there is one) and writes the PDF
    // there; a failure is told through the host.
    void ExportPdf(DialogHost& host, const PrintSource& source, const QString& documentPath);
    // The File menu's printing actions on the tab activeTab gives (null: nothing to print),
    // asking through the host that host gives at the time. Page Setup needs no document: the
    // paper it sets is kept for the next print or PDF.
    void Connect(const CommandActions& actions, std::function<DialogHost&()> host,
                 std::function<const DocumentTab*()> activeTab);

private:
    QPrinter& Printer();

    QWidget* parent_;
    // Made on first use: looking for printers can take a moment.
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace scrivlet
