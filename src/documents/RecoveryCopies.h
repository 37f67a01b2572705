#pragma once

#include "base/Result.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentFiles.h"

#include <QDateTime>
#include <QList>
#include <QLockFile>
#include <QString>

#include <memory>

// Recovery copies of documents with unsaved changes, so that a crash or a killed session loses
// at most the last few seconds of work. A copy is <id>.edt (a record file in the Unicode
// encoding, so no character is lost whatever the document's own encoding) and <id>.json with
// what the document was: path, title, format, encoding, file type, time of the copy.
//
// Every process owns the copies whose id starts with its owner name and holds <owner>.lock
// while it runs, so one process never offers another running one's copies.

namespace scrivlet {

class EdtDocument;

struct RecoveryInfo {
    QString id;
    QString path;
    QString title;
    QString format;  // the format's name in the catalogue
    int encoding = 0;
    int fileType = kFileTypeEdt;
    QDateTime savedAt;
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
    Result Write(const EdtDocument& document, const QString& id, const QString& title) const;
    void Remove(const QString& id) const;
    // Removes every copy of this process: the program ends normally.
    void RemoveOwn() const;

    // Copies no running process owns, newest first.
    QList<RecoveryInfo> Orphans() const;
    // Loads a copy as a modified document with its original path, type and encoding and
    // makes the copy this process's own (info.id changes). The copy stays on failure.
    LoadResult Restore(RecoveryInfo& info, const EdtFormat& format, int formatIndex);

private:
    QString FilePath(const QString& id, const char* suffix) const;

    QString folder_;
    QString owner_;
    std::unique_ptr<QLockFile> lock_;
    int next_ = 0;
};

}  // namespace scrivlet
