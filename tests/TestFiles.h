#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <climits>
#include <csignal>
#include <functional>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Files written and read whole, the converter run as a user runs it, and work done in a child
// process under limits of its own.

namespace scrivlet::test {

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct ToolRun {
    int code = -1;  // -1: it crashed or did not end within a minute
    QByteArray out;
    QString err;
};

inline ToolRun RunTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// True when work, run in a child (clear of the heap other tests left, under a file-size limit of
// its own, safe from a runaway allocation), answers true growing by less than maxGrowthKb.
inline bool RunInChild(const std::function<bool()>& work, long maxGrowthKb = LONG_MAX,
                       rlim_t fileSizeLimit = RLIM_INFINITY)
{
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        struct rusage before = {}, after = {};
        getrusage(RUSAGE_SELF, &before);  // a child starts at its parent's resident size
        const bool answer = work();
        getrusage(RUSAGE_SELF, &after);
        _exit(answer && after.ru_maxrss - before.ru_maxrss < maxGrowthKb ? 0 : 1);
    }
    int status = -1;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Mounts a small file system of its own on folder, seen by this process only (call it in a
// child): a full disk without filling a real one.
inline bool MountSmallDisk(const QString& folder)
{
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0;
}

}  // namespace scrivlet::test
