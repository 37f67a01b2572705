#pragma once

#include "store/MemoryFeed.h"

#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <functional>

// Translations on their way to a memory, written off the GUI thread: a server that is away or
// a file another program holds locked never holds up a save or the typing after it.

namespace scrivlet {

class MemoryQueue : public QObject {
    Q_OBJECT

public:
    explicit MemoryQueue(QObject* parent = nullptr);
    // Waits for the batch in hand: what was saved reaches the memory.
    ~MemoryQueue() override;

    // Adds units to the memory at location (see FeedMemory), one batch after another, each on a
    // connection of its own.
    void Add(const QString& location, const MemoryLanguages& fallback,
             std::vector<MemoryUnit> units);
    // The same with the units gathered on the writer's thread: a large batch is made there
    // from copies taken now.
    using Gather = std::function<std::vector<MemoryUnit>()>;
    void Add(const QString& location, const MemoryLanguages& fallback, Gather gather);
    // Until every batch given so far is written (or failed); its status comes after.
    void WaitForDone();

signals:
    // A line for the status bar: what went in, or why nothing did.
    void Status(const QString& text);

private:
    void Done(const QString& location, const FeedReport& report, const QString& error);

    QThreadPool pool_;
    // Told once per memory: a save after save would only repeat it.
    QSet<QString> toldNoLanguages_;
};

}  // namespace scrivlet
