#include "archive/store/archivejob.h"

#include <QElapsedTimer>

#include <atomic>
#include <mutex>

struct ArchiveJob::State
{
    explicit State(std::function<void()> heard) : told(std::move(heard)) {}

    std::atomic<bool> cancelled{false};
    std::atomic<bool> cutShort{false};
    const std::function<void()> told;
    std::mutex mutex;
    ArchiveProgress latest;
    bool waiting = false; // told and not taken yet
    QElapsedTimer since;  // the last telling
};

ArchiveJob::ArchiveJob(std::function<void()> told)
    : FState(std::make_shared<State>(std::move(told)))
{
}

void ArchiveJob::Cancel() const
{
    if (FState)
        FState->cancelled = true;
}

bool ArchiveJob::Cancelled() const
{
    return FState && FState->cancelled;
}

bool ArchiveJob::CutShort() const
{
    return FState && FState->cutShort;
}

void ArchiveJob::MarkCutShort() const
{
    if (FState)
        FState->cutShort = true;
}

void ArchiveJob::Progress(const ArchiveProgress &progress) const
{
    if (!FState)
        return;
    {
        const std::lock_guard<std::mutex> lock(FState->mutex);
        FState->latest = progress;
        if (FState->waiting || (FState->since.isValid() && FState->since.elapsed() < ProgressMs))
            return;
        FState->waiting = true;
        FState->since.start();
    }
    FState->told();
}

ArchiveProgress ArchiveJob::TakeProgress() const
{
    const std::lock_guard<std::mutex> lock(FState->mutex);
    FState->waiting = false;
    return FState->latest;
}
