#include "link/comthread.h"

#include "link/comport_p.h"

#include <QMetaObject>
#include <condition_variable>
#include <mutex>

// One hand-over of a set of events to the main thread (smThreadSync).
struct ComSyncRequest
{
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Finished = false;
    bool Abandoned = false; // the watcher stopped waiting; run nothing
};

namespace {

std::atomic<int> liveWatchers{0};
thread_local const TComThread *currentWatcher = nullptr;

// Handlers run from the event loop or from the watcher's own loop, neither of
// which can carry an exception further.
void RunHandlers(TCustomComPort *port, TComEvents events)
{
    try {
        port->DispatchComEvents(events);
    } catch (const EComPort &e) {
        qWarning("Line-event handler failed: %s", qPrintable(e.Message()));
    } catch (const std::exception &e) {
        qWarning("Line-event handler failed: %s", e.what());
    }
}

} // namespace

TComThread::TComThread(TCustomComPort *port)
    : FComPort(port), FWaiter(new ComEventWaiter(*port->FDevice, port->Events())),
      FAlive(std::make_shared<std::atomic<bool>>(true))
{
}

void TComThread::Start()
{
    if (FThread.joinable())
        return;
    ++liveWatchers;
    FRunning = true;
    FThread = std::thread([this, priority = FComPort->EventThreadPriority()] {
        currentWatcher = this;
        SetWatcherThreadPriority(priority);
        Execute();
        FRunning = false;
        --liveWatchers;
    });
}

TComThread::~TComThread()
{
    Stop();
}

void TComThread::Stop()
{
    FStopping = true;
    FAlive->store(false);
    std::shared_ptr<ComSyncRequest> pending;
    {
        std::lock_guard<std::mutex> lock(FPendingMutex);
        pending = FPending;
    }
    if (pending) {
        {
            std::lock_guard<std::mutex> lock(pending->Mutex);
            pending->Abandoned = true;
        }
        pending->Changed.notify_all();
    }
    FWaiter->Stop();
    if (FThread.joinable())
        FThread.join();
}

bool TComThread::IsCurrentThread() const
{
    return currentWatcher == this;
}

int TComThread::LiveCount()
{
    return liveWatchers.load();
}

void TComThread::Execute()
{
    TComEvents events = 0;
    while (!FStopping && FWaiter->Wait(events)) {
        if (events != 0)
            Dispatch(events);
    }
}

void TComThread::Dispatch(TComEvents events)
{
    switch (FComPort->SyncMethod()) {
    case smNone:
        RunHandlers(FComPort, events);
        break;
    case smWindowSync:
        QMetaObject::invokeMethod(
            FComPort,
            [port = FComPort, events, alive = FAlive] {
                if (alive->load())
                    RunHandlers(port, events);
            },
            Qt::QueuedConnection);
        break;
    case smThreadSync:
        DispatchOnMainThread(events);
        break;
    }
}

void TComThread::DispatchOnMainThread(TComEvents events)
{
    auto request = std::make_shared<ComSyncRequest>();
    {
        std::lock_guard<std::mutex> lock(FPendingMutex);
        if (FStopping)
            return;
        FPending = request;
    }
    FWaitingForMain = true;
    QMetaObject::invokeMethod(
        FComPort,
        [port = FComPort, events, request] {
            {
                std::lock_guard<std::mutex> lock(request->Mutex);
                if (request->Abandoned)
                    return;
            }
            RunHandlers(port, events);
            {
                std::lock_guard<std::mutex> lock(request->Mutex);
                request->Finished = true;
            }
            request->Changed.notify_all();
        },
        Qt::QueuedConnection);
    {
        std::unique_lock<std::mutex> lock(request->Mutex);
        request->Changed.wait(lock, [&] { return request->Finished || request->Abandoned; });
    }
    FWaitingForMain = false;
    std::lock_guard<std::mutex> lock(FPendingMutex);
    FPending.reset();
}
