#include "session/MemoryQueue.h"

#include "base/UiText.h"

namespace scrivlet {

MemoryQueue::MemoryQueue(QObject* parent) : QObject(parent)
{
    // One writer: batches keep their order, and two never wait for each other's lock.
    pool_.setMaxThreadCount(1);
}

MemoryQueue::~MemoryQueue()
{
    pool_.waitForDone();
}

void MemoryQueue::Add(const QString& location, const MemoryLanguages& fallback,
                      std::vector<MemoryUnit> units)
{
    if (units.empty())
        return;
    auto shared = std::make_shared<std::vector<MemoryUnit>>(std::move(units));
    Add(location, fallback, [shared] { return std::move(*shared); });
}

void MemoryQueue::Add(const QString& location, const MemoryLanguages& fallback, Gather gather)
{
    if (location.isEmpty())
        return;
    // The destructor waits for the worker, so this outlives it; the posted report is dropped
    // with the queue when that goes first.
    pool_.start([this, location, fallback, gather = std::move(gather)] {
        const std::vector<MemoryUnit> units = gather();
        FeedReport report;
        const Result fed = FeedMemory(location, fallback, units, &report);
        QMetaObject::invokeMethod(
            this,
            [this, location, report, error = fed ? QString() : fed.Error()] {
                Done(location, report, error);
            },
            Qt::QueuedConnection);
    });
}

void MemoryQueue::WaitForDone()
{
    pool_.waitForDone();
}

void MemoryQueue::Done(const QString& location, const FeedReport& report, const QString& error)
{
    if (!error.isEmpty()) {
        emit Status(UiText("memory.feedFailed").arg(error));
    } else if (report.noLanguages) {
        if (!toldNoLanguages_.contains(location)) {
            toldNoLanguages_.insert(location);
            emit Status(UiText("memory.feedNoLanguages"));
        }
    } else if (report.counts.added > 0) {
        emit Status(UiCount("count.memoryAdded", report.counts.added));
    }
}

}  // namespace scrivlet
