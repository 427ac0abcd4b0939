#include "archive/store/archiveworker.h"

#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

struct ArchiveWorker::Command
{
    enum class Kind { Open, Close, Job };
    Kind kind = Kind::Job;
    ArchiveLocation where; // Open
    quint64 id = 0;        // Job
    Step step;
    ArchiveJob job;
};

// What the caller's thread and the worker's thread share, under its mutex.
struct ArchiveWorker::Shared
{
    struct Answer
    {
        quint64 id = 0;
        bool progress = false; // else the job has ended
    };

    explicit Shared(ArchiveWorker *worker) : owner(worker) {}

    // From the worker's thread: the owner hears it on its own thread.
    void Tell(Answer answer)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            answers.push_back(answer);
        }
        ArchiveWorker *const worker = owner;
        QMetaObject::invokeMethod(
            worker, [worker] { worker->FDeliver->start(); }, Qt::QueuedConnection);
    }

    // Waits for the owner's thread to join this one before it goes.
    ArchiveWorker *const owner;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Command> commands;
    std::deque<Answer> answers;
    bool stopping = false;
    // Opens and closes given and not done yet.
    std::atomic<int> switching{0};
};

ArchiveWorker::ArchiveWorker(QObject *parent, QThread::Priority priority)
    : QObject(parent), FShared(std::make_shared<Shared>(this)), FPriority(priority),
      FDeliver(new QTimer(this))
{
    FDeliver->setSingleShot(true);
    FDeliver->setInterval(0);
    connect(FDeliver, &QTimer::timeout, this, &ArchiveWorker::Deliver);
}

ArchiveWorker::~ArchiveWorker()
{
    {
        const std::lock_guard<std::mutex> lock(FShared->mutex);
        FShared->stopping = true;
    }
    FShared->wake.notify_all();
    if (FThread)
        FThread->wait();
    // What the callers gave goes here, on their thread.
    FPending.clear();
}

void ArchiveWorker::Open(const ArchiveLocation &where)
{
    Command command;
    command.kind = Command::Kind::Open;
    command.where = where;
    Post(std::move(command));
}

void ArchiveWorker::Close()
{
    Command command;
    command.kind = Command::Kind::Close;
    Post(std::move(command));
}

bool ArchiveWorker::Busy() const
{
    return !FPending.empty() || FShared->switching > 0;
}

void ArchiveWorker::CancelAll()
{
    for (const auto &pending : FPending)
        pending.second.job.Cancel();
}

ArchiveJob ArchiveWorker::Submit(QObject *context, Step step, std::function<void()> finish,
                                 Told told)
{
    const quint64 id = ++FJobs;
    const std::weak_ptr<Shared> shared = FShared;
    const ArchiveJob job([shared, id] {
        if (const std::shared_ptr<Shared> s = shared.lock())
            s->Tell({id, true});
    });
    FPending[id] = {context, std::move(finish), std::move(told), job};
    Command command;
    command.id = id;
    command.step = std::move(step);
    command.job = job;
    Post(std::move(command));
    return job;
}

void ArchiveWorker::Post(Command command)
{
    if (command.kind != Command::Kind::Job)
        ++FShared->switching;
    {
        const std::lock_guard<std::mutex> lock(FShared->mutex);
        FShared->commands.push_back(std::move(command));
    }
    FShared->wake.notify_one();
    if (!FThread) {
        FThread.reset(QThread::create(&ArchiveWorker::Serve, FShared));
        FThread->setObjectName(QStringLiteral("ArchiveWorker"));
        FThread->start(FPriority);
    }
}

void ArchiveWorker::Serve(const std::shared_ptr<Shared> &shared)
{
    std::unique_ptr<ArchiveStore> store;
    ArchiveLocation where;
    for (;;) {
        Command command;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->commands.empty(); });
            if (shared->commands.empty())
                break;
            command = std::move(shared->commands.front());
            shared->commands.pop_front();
        }
        switch (command.kind) {
        case Command::Kind::Open:
            store.reset();
            where = command.where;
            --shared->switching;
            continue;
        case Command::Kind::Close:
            store.reset();
            --shared->switching;
            continue;
        case Command::Kind::Job:
            break;
        }
        ArchiveError unopened;
        if (command.job.Cancelled())
            unopened = ArchiveError(ArchiveErrorCode::Cancelled);
        else if (!store)
            store = ArchiveStore::Open(where, &unopened);
        command.step(unopened.Failed() ? nullptr : store.get(), unopened, command.job);
        shared->Tell({command.id, false});
    }
}

void ArchiveWorker::Deliver()
{
    Shared::Answer answer;
    {
        const std::lock_guard<std::mutex> lock(FShared->mutex);
        if (FShared->answers.empty())
            return;
        answer = FShared->answers.front();
        FShared->answers.pop_front();
        // One at a time: an answer that opens a dialog does not hold back
        // those after it, and they still come in order.
        if (!FShared->answers.empty())
            FDeliver->start();
    }
    const auto found = FPending.find(answer.id);
    if (found == FPending.end())
        return;
    if (answer.progress) {
        const ArchiveProgress progress = found->second.job.TakeProgress();
        const Told told = found->second.told;
        if (found->second.context && told)
            told(progress);
        return;
    }
    const Pending pending = std::move(found->second);
    FPending.erase(found);
    if (pending.context)
        pending.finish();
}
