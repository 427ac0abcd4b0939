#pragma once
// The line-event watcher: a thread that waits for line events of an open port
// and hands them to the port's handlers. It never reads received data.

#include "link/comport.h"

#include <QThread>
#include <atomic>
#include <memory>

class ComEventWaiter;
struct ComSyncRequest;

class TComThread
{
public:
    // Starts watching the port's Events; raises EComPort when it cannot.
    explicit TComThread(TCustomComPort *port);
    // Stops the thread and waits until it has ended.
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // Signals the stop and waits until the thread has ended. Safe while an
    // event is being dispatched on the main thread.
    void Stop();

    bool IsRunning() const;
    // True while the thread waits for the main thread to run its handlers.
    bool WaitingForMainThread() const { return FWaitingForMain.load(); }
    // Watcher threads alive in this process.
    static int LiveCount();

private:
    void Execute();
    void Dispatch(TComEvents events);
    void DispatchOnMainThread(TComEvents events);

    TCustomComPort *FComPort;
    std::unique_ptr<ComEventWaiter> FWaiter;
    std::shared_ptr<ComSyncRequest> FPending; // guarded by the request's mutex
    std::shared_ptr<std::atomic<bool>> FAlive;
    std::atomic<bool> FStopping{false};
    std::atomic<bool> FWaitingForMain{false};
    std::unique_ptr<QThread> FThread;
};
