#pragma once
// The line-event watcher: a thread that waits for line events of an open port
// and hands them to the port's handlers. It never reads received data.

#include "link/comport.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class ComEventWaiter;
struct ComSyncRequest;

class TComThread
{
public:
    // Prepares watching the port's Events; raises EComPort when it cannot.
    explicit TComThread(TCustomComPort *port);
    // Stops the thread and waits until it has ended.
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    void Start();
    // Signals the stop and waits until the thread has ended. Safe while an
    // event is being dispatched on the main thread.
    void Stop();

    bool IsRunning() const { return FRunning.load(); }
    bool IsCurrentThread() const;
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
    std::mutex FPendingMutex;
    std::shared_ptr<ComSyncRequest> FPending;
    std::shared_ptr<std::atomic<bool>> FAlive;
    std::atomic<bool> FStopping{false};
    std::atomic<bool> FWaitingForMain{false};
    std::atomic<bool> FRunning{false};
    std::thread FThread;
};
