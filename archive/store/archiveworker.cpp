#include "archive/store/archiveworker.h"

#include "archive/store/serverwatchdog.h"

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {
// How long a worker that goes away waits for a statement on a server.
constexpr qint64 ServerPatienceAtEndMs = 1000;
// Threads given up and not ended yet.
std::atomic<int> ThreadsLeft{0};
} // namespace

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
        // The job was given up on a silent server at this place: it is
        // answered without its result.
        std::optional<QString> silentAt;
    };

    explicit Shared(ArchiveWorker *worker) : owner(worker) {}

    // From the worker's thread: the owner hears it on its own thread. A
    // thread given up tells nothing more.
    void Tell(Answer answer)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (abandoned)
            return;
        answers.push_back(answer);
        ArchiveWorker *const worker = owner;
        QMetaObject::invokeMethod(
            worker, [worker] { worker->FDeliver->start(); }, Qt::QueuedConnection);
    }

    // From the watchdog: the thread waits in job's call, which cannot be cut.
    void Abandon(quint64 job)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (abandoned)
            return;
        abandoned = true;
        abandonedJob = job;
        ++ThreadsLeft;
        ArchiveWorker *const worker = owner;
        QMetaObject::invokeMethod(
            worker, [worker] { worker->Abandoned(); }, Qt::QueuedConnection);
    }

    // Waits for the owner's thread to join this one before it goes, unless
    // the owner gave this thread up.
    ArchiveWorker *const owner;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Command> commands;
    std::deque<Answer> answers;
    bool stopping = false;
    bool abandoned = false;
    quint64 abandonedJob = 0;
    // The location the jobs use, and the watch of the job in hand on a
    // server.
    ArchiveLocation where;
    ServerWatch::Handle watch;
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
    // A job on a server is waited for while the server answers: a call that
    // waits longer than a moment is cut at once, or its thread given up, so
    // that the program ends promptly.
    while (FThread && !FThread->wait(QDeadlineTimer(20))) {
        ServerWatch::Handle watch;
        {
            const std::lock_guard<std::mutex> lock(FShared->mutex);
            if (FShared->abandoned) {
                LetThreadGo();
                break;
            }
            watch = FShared->watch;
        }
        if (watch.WaitedMs() >= ServerPatienceAtEndMs) {
            // The server is silent: what was given after that job on it does
            // not begin.
            watch.RunOutNow();
            CancelAll();
        }
    }
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
    // Nothing was ever given to it: there is no connection to close, and no
    // thread is started for it (the program closes its site's workers at
    // start when no site is chosen).
    if (!FThread)
        return;
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
                                 Fail fail, Told told)
{
    const quint64 id = ++FJobs;
    std::weak_ptr<Shared> shared = FShared;
    const ArchiveJob job([shared, id] {
        if (const std::shared_ptr<Shared> s = shared.lock())
            s->Tell({id, true, {}});
    });
    FPending[id] = {context, std::move(finish), std::move(fail), std::move(told), job};
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
    for (;;) {
        Command command;
        ArchiveLocation where;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->wake.wait(lock, [&] {
                return shared->abandoned || shared->stopping || !shared->commands.empty();
            });
            if (shared->abandoned || shared->commands.empty())
                break;
            command = std::move(shared->commands.front());
            shared->commands.pop_front();
            if (command.kind == Command::Kind::Open)
                shared->where = command.where;
            where = shared->where;
        }
        switch (command.kind) {
        case Command::Kind::Open:
        case Command::Kind::Close:
            store.reset();
            --shared->switching;
            continue;
        case Command::Kind::Job:
            break;
        }
        // A call on a server runs under a watch (serverwatchdog.h): true when
        // the server stopped answering meanwhile.
        const auto watched = [&](std::function<void()> cut, const std::function<void()> &call) {
            const ArchiveJob job = command.job;
            ServerWatch watch(std::move(cut), [job, shared, id = command.id](bool cutting) {
                job.MarkCutShort();
                if (!cutting)
                    shared->Abandon(id);
            });
            {
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->watch = watch.End();
            }
            call();
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->watch = {};
            return watch.RanOut();
        };
        const bool onServer = where.driver != ArchiveLocation::Driver::Sqlite;
        ArchiveError unopened;
        if (command.job.Cancelled()) {
            unopened = ArchiveError(ArchiveErrorCode::Cancelled);
        } else if (!store) {
            // Connecting has time-outs of its own; only a worker that goes
            // away gives up waiting for it sooner.
            const auto open = [&] { store = ArchiveStore::Open(where, &unopened); };
            if (onServer)
                watched({}, open);
            else
                open();
        }
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->abandoned)
                break;
        }
        ArchiveStore *const open = unopened.Failed() ? nullptr : store.get();
        bool silent = false;
        if (open && onServer)
            silent = watched(open->Cutter(), [&] { command.step(open, unopened, command.job); });
        else
            command.step(open, unopened, command.job);
        // A connection cut short or lost to a server is opened anew by the
        // next job.
        if (silent || (store && !store->Alive()))
            store.reset();
        shared->Tell({command.id, false, {}});
    }
    // The store goes on the thread that opened it.
    store.reset();
    const std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->abandoned)
        --ThreadsLeft;
}

int ArchiveWorker::ThreadsGivenUp()
{
    return ThreadsLeft;
}

void ArchiveWorker::Abandoned()
{
    const std::shared_ptr<Shared> old = FShared;
    auto fresh = std::make_shared<Shared>(this);
    {
        const std::lock_guard<std::mutex> lock(old->mutex);
        fresh->commands = std::move(old->commands);
        fresh->answers = std::move(old->answers);
        fresh->where = old->where;
        fresh->switching =
            int(std::count_if(fresh->commands.begin(), fresh->commands.end(),
                              [](const Command &c) { return c.kind != Command::Kind::Job; }));
        // After the answers of the jobs that ended before it.
        fresh->answers.push_back({old->abandonedJob, false, ArchivePlaceText(old->where)});
    }
    FShared = fresh;
    LetThreadGo();
    FDeliver->start();
}

void ArchiveWorker::LetThreadGo()
{
    // It ends by itself once its call returns; it is never waited for, and
    // deleted only once it has ended.
    QThread *const thread = FThread.release();
    if (!thread)
        return;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())
        thread->deleteLater();
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
    if (!pending.context)
        return;
    if (answer.silentAt)
        pending.fail(ArchiveError(ArchiveErrorCode::ServerSilent).At(*answer.silentAt));
    else
        pending.finish();
}
