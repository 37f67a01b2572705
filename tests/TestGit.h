#pragma once

#include "TestFiles.h"

#include <QDir>
#include <QStringList>

// Real git for the tests: a configuration of the test's own (no user's or system's), a fixed
// author, and a repository left with a file unmerged as a pull of two changes would leave it.

namespace scrivlet::test {

// From now on git in this process (and the programs it starts) reads only a configuration kept
// in folder, which makes "main" the first branch.
inline bool IsolateGit(const QString& folder)
{
    const QString config = QDir(folder).filePath(QStringLiteral("gitconfig"));
    if (!WriteAll(config, "[init]\n\tdefaultBranch = main\n"))
        return false;
    qputenv("GIT_CONFIG_GLOBAL", config.toUtf8());
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
    for (const char* name : {"GIT_AUTHOR_NAME", "GIT_COMMITTER_NAME"})
        qputenv(name, "Translator");
    for (const char* name : {"GIT_AUTHOR_EMAIL", "GIT_COMMITTER_EMAIL"})
        qputenv(name, "translator@example.invalid");
    return true;
}

inline ToolRun Git(const QString& repository, const QStringList& args)
{
    return RunTool(QStringLiteral("git"), QStringList{"-C", repository} + args);
}

// Makes folder a repository in which relative is unmerged: base committed, theirs on a branch,
// ours on main, the branch merged into main by git's own merge (which keeps ours whole).
inline bool MakeUnmerged(const QString& folder, const QString& relative, const QByteArray& base,
                         const QByteArray& ours, const QByteArray& theirs)
{
    const QString file = QDir(folder).filePath(relative);
    const auto commit = [&](const QByteArray& bytes) {
        return WriteAll(file, bytes) && Git(folder, {"add", "--", relative}).code == 0 &&
               Git(folder, {"commit", "-qm", "edit"}).code == 0;
    };
    return Git(folder, {"init", "-q"}).code == 0 && commit(base) &&
           Git(folder, {"checkout", "-qb", "theirs"}).code == 0 && commit(theirs) &&
           Git(folder, {"checkout", "-q", "main"}).code == 0 && commit(ours) &&
           Git(folder, {"merge", "-q", "theirs"}).code == 1;
}

}  // namespace scrivlet::test
