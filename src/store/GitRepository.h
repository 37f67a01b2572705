#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

// What a repository needs for a team to work on a project through it: lines in its own files
// (.gitattributes, .gitignore) and values in its configuration, which git does not clone, so
// each clone sets them once. The configuration goes through the git command.

namespace scrivlet {

struct GitRun {
    int code = -1;  // -1: no git, or it did not end
    QByteArray out;
    QString err;
};

// The git command in repository (a folder of its work tree), stdout kept as bytes: blobs are
// documents, not text.
GitRun RunGit(const QString& repository, const QStringList& args);

// Name patterns of the files beside a project file that belong to one computer and are never
// committed: SQLite's journals, the lock and the staged files of an update of the originals.
QStringList ProjectLocalPatterns();

// Appends to file (made when missing) those of lines it does not hold yet, lines compared
// without their outer blanks; written gets the lines appended. The file is replaced whole.
Result AddMissingLines(const QString& file, const QStringList& lines, QStringList* written);

// Sets key to value in the repository's own configuration unless it holds that value
// already; changed tells whether it was set.
Result SetGitConfig(const QString& repository, const QString& key, const QString& value,
                    bool* changed);

}  // namespace scrivlet
