#pragma once
// A job given to an ArchiveWorker, seen from both ends: the caller cancels
// it, the job asks whether it has been cancelled and tells how far it got.
// Copies share one job.

#include <QtGlobal>

#include <functional>
#include <memory>

// How far a long job got: part (0-based) of parts, and the records of that
// part so far.
struct ArchiveProgress
{
    int part = 0;
    int parts = 0;
    qint64 records = 0;
};

class ArchiveJob
{
public:
    // The progress a job tells reaches its caller at most this often.
    static constexpr int ProgressMs = 100;

    // No job: cancelling it does nothing.
    ArchiveJob() = default;

    // From any thread. A job that has not begun does not begin; one that
    // runs stops where it next asks Cancelled.
    void Cancel() const;
    bool Cancelled() const;
    // From the job, as often as it likes: the caller hears the latest now
    // and then.
    void Progress(const ArchiveProgress &progress) const;
    // The server stopped answering in the middle of it (serverwatchdog.h):
    // what it gives then does not count.
    bool CutShort() const;

private:
    friend class ArchiveWorker;
    struct State;
    // told runs on the job's thread when there is progress to hear.
    explicit ArchiveJob(std::function<void()> told);
    // The latest progress, for the caller.
    ArchiveProgress TakeProgress() const;
    void MarkCutShort() const;

    std::shared_ptr<State> FState;
};
