#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QFileDialog;

// The panel below the standard controls of the Open and Save As dialogs: the format (or
// automatic detection) and the encoding of the files chosen there.

namespace scrivlet {

class EdtDocument;
class FormatCatalogue;

// The first entry of the panel's format list. It is not translated: it reads the same in
// every interface language.
QString AutoFormatEntry();

// One entry of the file dialogs' type list: its text and the patterns it shows.
struct FileFilter {
    QString description;
    QStringList patterns;
    QString suffix;  // a name typed without one gets it under this entry; empty: the default
};

// The three entries of the current language: all supported, EDT, text.
QList<FileFilter> FileFilters();
// The names of the file type list: the descriptions of the file dialogs' filters.
QStringList FileTypeNames();
// The names of the five encodings in index order.
QStringList EncodingNames();
// "description (pattern pattern)" for QFileDialog, which reads the patterns from the last
// parentheses.
QString NameFilterOf(const FileFilter& filter);

enum class FileDialogKind { Open, SaveAs };

// What the panel shows when its dialog opens.
struct PanelSetup {
    // False in a Save As dialog without a document: the panel stays empty and writes nothing.
    bool active = false;
    QStringList formats;  // AutoFormatEntry() first, then the catalogue's names
    int formatIndex = 0;  // position in formats
    bool formatEnabled = true;
    QStringList encodings;
    int encodingIndex = 0;
};

// Open: automatic detection and the last encoding. Save As: the document's format (fixed) and
// its encoding.
PanelSetup MakePanelSetup(FileDialogKind kind, const FormatCatalogue& catalogue, int lastEncoding,
                          const EdtDocument* beingSaved);

class FileOptionsPanel : public QWidget {
    Q_OBJECT

public:
    explicit FileOptionsPanel(const PanelSetup& setup, QWidget* parent = nullptr);

    // Positions in the two lists; -1 when a list is empty.
    int FormatIndex() const;
    int EncodingIndex() const;
    QComboBox* FormatList() const { return formatList_; }
    QComboBox* EncodingList() const { return encodingList_; }

    // Adds the panel to a non-native dialog's own layout, in a row of its own below the
    // standard controls; false when the dialog has no grid layout to join.
    bool AttachTo(QFileDialog* dialog);

private:
    QComboBox* formatList_;
    QComboBox* encodingList_;
};

}  // namespace scrivlet
