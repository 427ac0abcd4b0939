#pragma once
// The way a window reaches the archive: a thread of its own that holds the
// store open there (Qt SQL keeps a connection for the thread that opened
// it), runs the jobs given one after another in the order given, and hands
// each job's result back on the caller's thread. No window then waits on a
// database or a server.
//
// A job on a server is watched (serverwatchdog.h): when the server stops
// answering it, the job is answered with ServerSilent; its connection is cut
// where the driver allows, else its thread is given up (it ends by itself
// whenever its call returns) and the jobs after it run on a new one.

#include "archive/store/archiveerror.h"
#include "archive/store/archivejob.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archiveresult.h"
#include "archive/store/archivestore.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <map>
#include <memory>
#include <type_traits>

class QTimer;

class ArchiveWorker : public QObject
{
    Q_OBJECT
public:
    // The thread starts with the first job (or Open), at priority.
    explicit ArchiveWorker(QObject *parent = nullptr,
                           QThread::Priority priority = QThread::InheritPriority);
    // Waits for the jobs given to end (a job cancelled before it began does
    // not begin), closes the store on its thread and answers nothing more;
    // a statement on a server that keeps it waiting longer than a moment is
    // cut short (or its thread given up), and the jobs after it do not
    // begin. Not from within one of its own answers.
    ~ArchiveWorker() override;
    ArchiveWorker(const ArchiveWorker &) = delete;
    ArchiveWorker &operator=(const ArchiveWorker &) = delete;

    // The jobs given after this use the archive at where: the store open
    // before closes at once, and where opens when the next job comes. An
    // opening that fails answers that job with why; the next job tries again.
    void Open(const ArchiveLocation &where);
    // Closes the store once the jobs given before have run; a job after it
    // opens the same archive again.
    void Close();

    // Runs, on the worker's thread,
    //     std::optional<T> job(ArchiveStore &store, const ArchiveJob &self,
    //                          ArchiveError *error)
    // and then calls done(ArchiveResult<T>) on this object's thread, queued,
    // unless context (of this thread too) has gone by then. A store that
    // could not be opened, or a job cancelled before it began, is answered
    // without running it. The job is destroyed on the worker's thread: it
    // holds copies of plain data. told, when given, hears what the job tells
    // through ArchiveJob::Progress, on this object's thread.
    //
    // Answers and progress come as ticks of a timer of this object, so that
    // whatever holds back timer ticks holds them back too.
    template <class Job, class Done> ArchiveJob Run(QObject *context, Job job, Done done)
    {
        return Run(context, std::move(job), std::move(done), Told());
    }
    template <class Job, class Done, class Heard>
    ArchiveJob Run(QObject *context, Job job, Done done, Heard told);

    // Jobs given and not yet answered, or an Open or Close not yet done.
    bool Busy() const;
    // Cancels every job given and not yet answered.
    void CancelAll();

    // Threads given up on a silent server that have not ended yet: the
    // program ends without waiting for them (or for anything else that would
    // run after them).
    static int ThreadsGivenUp();

private:
    using Step = std::function<void(ArchiveStore *store, const ArchiveError &unopened,
                                    const ArchiveJob &self)>;
    using Told = std::function<void(const ArchiveProgress &progress)>;
    using Fail = std::function<void(const ArchiveError &error)>;
    struct Pending
    {
        QPointer<QObject> context;
        std::function<void()> finish;
        Fail fail; // answers without the job's own result
        Told told;
        ArchiveJob job;
    };
    struct Shared;
    struct Command;

    ArchiveJob Submit(QObject *context, Step step, std::function<void()> finish, Fail fail,
                      Told told);
    void Post(Command command);
    void Deliver();
    // The thread in hand waits on a silent server: the jobs not begun go to
    // a new one.
    void Abandoned();
    void LetThreadGo();
    static void Serve(const std::shared_ptr<Shared> &shared);

    std::shared_ptr<Shared> FShared;
    const QThread::Priority FPriority;
    std::unique_ptr<QThread> FThread;
    QTimer *FDeliver;
    std::map<quint64, Pending> FPending;
    quint64 FJobs = 0;
};

template <class Job, class Done, class Heard>
ArchiveJob ArchiveWorker::Run(QObject *context, Job job, Done done, Heard told)
{
    using Answer = std::invoke_result_t<Job &, ArchiveStore &, const ArchiveJob &, ArchiveError *>;
    using Value = typename Answer::value_type;
    // Written on the worker's thread, read on this one once it is answered.
    auto result = std::make_shared<ArchiveResult<Value>>();
    Step step = [job = std::move(job), result](ArchiveStore *store, const ArchiveError &unopened,
                                               const ArchiveJob &self) mutable {
        if (store)
            result->value = job(*store, self, &result->error);
        else
            result->error = unopened;
        if (store && self.CutShort()) {
            result->value.reset();
            result->error =
                ArchiveError(ArchiveErrorCode::ServerSilent).At(ArchivePlaceText(store->Where()));
        }
    };
    auto answer = std::make_shared<Done>(std::move(done));
    std::function<void()> finish = [answer, result] { (*answer)(std::move(*result)); };
    Fail fail = [answer](const ArchiveError &error) {
        ArchiveResult<Value> failed;
        failed.error = error;
        (*answer)(std::move(failed));
    };
    return Submit(context, std::move(step), std::move(finish), std::move(fail),
                  Told(std::move(told)));
}
