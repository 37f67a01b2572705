#include "store/GitRepository.h"

#include "base/UiText.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>

namespace scrivlet {

GitRun RunGit(const QString& repository, const QStringList& args)
{
    constexpr int kGitTimeoutMs = 30000;
    QProcess process;
    process.start(QStringLiteral("git"), QStringList{"-C", repository} + args);
    GitRun run;
    if (!process.waitForFinished(kGitTimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        run.err = process.errorString();
        return run;
    }
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

QStringList ProjectLocalPatterns()
{
    return {QStringLiteral("*.scrivlet-wal"),         QStringLiteral("*.scrivlet-shm"),
            QStringLiteral("*.scrivlet-journal"),     QStringLiteral("*.scrivlet.part"),
            QStringLiteral("*.scrivlet.update-lock"), QStringLiteral("*.scrivlet-new"),
            QStringLiteral("*.scrivlet-cache*")};
}

Result AddMissingLines(const QString& file, const QStringList& lines, QStringList* written)
{
    written->clear();
    QByteArray bytes;
    if (QFile old(file); old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            return Result::Failure(UiText(str::OpenFailed).arg(file) + u' ' + old.errorString());
        bytes = old.readAll();
    }
    QStringList held;
    for (const QString& line : QString::fromUtf8(bytes).split(u'\n'))
        held << line.trimmed();
    for (const QString& line : lines) {
        if (!held.contains(line.trimmed()) && !written->contains(line))
            *written << line;
    }
    if (written->isEmpty())
        return {};
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes += (written->join(u'\n') + u'\n').toUtf8();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        written->clear();
        return Result::Failure(UiText(str::SaveFailed).arg(file) + u' ' + out.errorString());
    }
    return {};
}

Result SetGitConfig(const QString& repository, const QString& key, const QString& value,
                    bool* changed)
{
    *changed = false;
    // Status 1: the key is not set.
    const GitRun got = RunGit(repository, {"config", "--local", "--get", key});
    const QString held = QString::fromUtf8(got.out);
    if (got.code == 0 && held.chopped(held.endsWith(u'\n') ? 1 : 0) == value)
        return {};
    if (got.code != 0 && got.code != 1)
        return Result::Failure(UiText("git.failed").arg(QStringLiteral("config"), got.err));
    const GitRun set = RunGit(repository, {"config", "--local", key, value});
    if (set.code != 0)
        return Result::Failure(UiText("git.failed").arg(QStringLiteral("config"), set.err));
    *changed = true;
    return {};
}

}  // namespace scrivlet
