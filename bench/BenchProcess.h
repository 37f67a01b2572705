#pragma once

// Shared by the benchmarks that time a program as a user runs it: one process, its wall time,
// processor time and peak resident memory.

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace scrivlet::bench {

struct Measured {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system, all threads: what a loaded machine cannot hide
    long peakMb = 0;
};

// Runs program with args, its standard output into outFile, and waits for it.
inline Measured RunTimed(const char* program, const QStringList& args, const QString& outFile)
{
    std::vector<QByteArray> bytes{QByteArray(program)};
    for (const QString& arg : args)
        bytes.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Measured measured;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        measured.seconds = timer.nsecsElapsed() / 1e9;
        measured.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        measured.peakMb = usage.ru_maxrss / 1024;
        measured.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    posix_spawn_file_actions_destroy(&actions);
    return measured;
}

}  // namespace scrivlet::bench
