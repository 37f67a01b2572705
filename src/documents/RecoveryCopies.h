#pragma once

#include "base/Result.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"

#include <QDateTime>
#include <QList>
#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

// Recovery copies of documents with unsaved changes, so that a crash or a killed session loses
// at most the last few seconds of work. A copy is <id>.edt (a record file in the Unicode
// encoding, so no character is lost whatever the document's own encoding) and <id>.json with
// what the document was: path, title, format, encoding, file type, time of the copy. The format
// is named by its catalogue section and described whole, as its name changes with the
// interface language. Only the user can read the folder and the copies.
//
// Every process owns the copies whose id starts with its owner name and holds <owner>.lock
// while it runs, so one process never offers another running one's copies.

namespace scrivlet {

class EdtDocument;

// Where a document belonged besides its file: the project it was a translation of and the
// reference it was compared with, so that a restore puts it back there.
struct RecoveryPlace {
    QString project;
    QString reference;
    int referenceEncoding = 0;
    int referenceFileType = kFileTypeEdt;
};

struct RecoveryInfo {
    QString id;
    QString path;
    QString title;
    QString format;     // the format's name in the language the copy was made in
    QString formatKey;  // its catalogue section ("FORMAT3"); empty in copies of older versions
    std::optional<EdtFormat> layout;  // the format as the copy was made; none in older copies
    int encoding = 0;
    int fileType = kFileTypeEdt;
    QDateTime savedAt;
    RecoveryPlace place;
    // Set by FindFormats: the format's place in the catalogue, or -1 and why not. A copy whose
    // description cannot be read has its reason here from the start.
    int formatIndex = -1;
    QString problem;
    bool described = true;  // false: the .json could not be read, title is its file name
};

class RecoveryStore {
public:
    // Under AppDataLocation: recovery/.
    static QString DefaultFolder();

    // Creates the folder and takes this process's lock in it.
    explicit RecoveryStore(const QString& folder);
    ~RecoveryStore();

    QString Folder() const { return folder_; }
    // A fresh id of this process.
    QString NewId();

    // Writes the .edt, then the .json, each replacing the old one only when complete. Touches
    // nothing but the files: safe on a worker thread with a snapshot.
    Result Write(const EdtDocument& document, const QString& id, const QString& title,
                 const RecoveryPlace& place = {}) const;
    void Remove(const QString& id) const;
    // Removes every copy of this process: the program ends normally.
    void RemoveOwn() const;

    // Copies no running process owns, newest first.
    QList<RecoveryInfo> Orphans() const;
    // Finds each copy's format in the catalogue: by section and layout; by name for older
    // copies, also by the name in the bundled catalogues of the other languages.
    static void FindFormats(QList<RecoveryInfo>& copies, const FormatCatalogue& catalogue);
    // Writes the copy's texts to path as a Unicode .txt, also when it cannot be restored: in
    // its format where one is known, otherwise every text of the copy, one per line.
    Result SaveTexts(const RecoveryInfo& info, const FormatCatalogue& catalogue,
                     const QString& path) const;
    bool HasTexts(const RecoveryInfo& info) const;
    // Loads a copy as a document with its original path, type and encoding (its session counts
    // it as modified: it is not what the file holds) and makes the copy this process's own
    // (info.id changes). The copy stays on failure.
    LoadResult Restore(RecoveryInfo& info, const EdtFormat& format, int formatIndex);

private:
    RecoveryInfo ReadInfo(const QString& id) const;
    QString FilePath(const QString& id, const char* suffix) const;

    QString folder_;
    QString owner_;
    std::unique_ptr<QLockFile> lock_;
    int next_ = 0;
};

}  // namespace scrivlet
