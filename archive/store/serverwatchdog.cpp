#include "archive/store/serverwatchdog.h"

#include "archive/store/archiveconnection.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

struct ServerWatch::Entry
{
    std::function<void()> cut;
    std::function<void(bool)> ranOut;
    std::atomic<int> seconds{ServerSilenceSeconds};
    std::atomic<qint64> deadline{0}; // ms of the steady clock
    std::atomic<bool> ran{false};
    // Held while it runs out: the watch's end waits for it, so that the
    // connection is still open when it is cut.
    std::mutex firing;
    bool gone = false; // under firing

    void RunOut()
    {
        const std::lock_guard<std::mutex> lock(firing);
        if (gone || ran)
            return;
        ran = true;
        if (ranOut)
            ranOut(bool(cut));
        if (cut)
            cut();
    }
};

namespace {

qint64 NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One thread for every watch of the program. It is never destroyed: a
// thread abandoned in a call may still end its watch while the program
// ends.
class Watchdog
{
public:
    static Watchdog &Instance()
    {
        static Watchdog *const watchdog = new Watchdog;
        return *watchdog;
    }

    void Add(const std::shared_ptr<ServerWatch::Entry> &entry)
    {
        {
            const std::lock_guard<std::mutex> lock(FMutex);
            FEntries.push_back(entry);
            if (!FStarted) {
                FStarted = true;
                std::thread([this] { Run(); }).detach();
            }
        }
        FWake.notify_all();
    }

    void Remove(const ServerWatch::Entry *entry)
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FEntries.erase(std::remove_if(FEntries.begin(), FEntries.end(),
                                      [entry](const auto &e) { return e.get() == entry; }),
                       FEntries.end());
    }

    void Moved() { FWake.notify_all(); }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(FMutex);
        for (;;) {
            qint64 next = std::numeric_limits<qint64>::max();
            for (const auto &e : FEntries)
                if (!e->ran)
                    next = std::min(next, qint64(e->deadline));
            if (next == std::numeric_limits<qint64>::max())
                FWake.wait(lock);
            else
                FWake.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(
                                         1, std::min<qint64>(next - NowMs(), 1000))));
            const qint64 now = NowMs();
            std::vector<std::shared_ptr<ServerWatch::Entry>> due;
            for (const auto &e : FEntries)
                if (!e->ran && e->deadline <= now)
                    due.push_back(e);
            if (due.empty())
                continue;
            lock.unlock();
            for (const auto &e : due)
                e->RunOut();
            lock.lock();
        }
    }

    std::mutex FMutex;
    std::condition_variable FWake;
    std::vector<std::shared_ptr<ServerWatch::Entry>> FEntries;
    bool FStarted = false;
};

thread_local ServerWatch::Entry *CurrentWatch = nullptr;

} // namespace

ServerWatch::ServerWatch(std::function<void()> cut, std::function<void(bool cut)> ranOut,
                         int seconds)
    : FEntry(std::make_shared<Entry>())
{
    FEntry->cut = std::move(cut);
    FEntry->ranOut = std::move(ranOut);
    FEntry->seconds = seconds;
    FEntry->deadline = NowMs() + qint64(seconds) * 1000;
    CurrentWatch = FEntry.get();
    Watchdog::Instance().Add(FEntry);
}

ServerWatch::~ServerWatch()
{
    {
        const std::lock_guard<std::mutex> lock(FEntry->firing);
        FEntry->gone = true;
    }
    if (CurrentWatch == FEntry.get())
        CurrentWatch = nullptr;
    Watchdog::Instance().Remove(FEntry.get());
}

ServerWatch::Handle ServerWatch::End() const
{
    Handle handle;
    handle.FEntry = FEntry;
    return handle;
}

bool ServerWatch::RanOut() const
{
    return FEntry->ran;
}

void ServerWatch::Handle::RunOutNow() const
{
    if (FEntry)
        FEntry->RunOut();
}

qint64 ServerWatch::Handle::WaitedMs() const
{
    return FEntry ? NowMs() - (FEntry->deadline - qint64(FEntry->seconds) * 1000) : 0;
}

void ServerWatchRestart()
{
    if (CurrentWatch)
        CurrentWatch->deadline = NowMs() + qint64(CurrentWatch->seconds) * 1000;
}

void ServerWatchAllow(int seconds)
{
    if (!CurrentWatch)
        return;
    CurrentWatch->seconds = seconds;
    ServerWatchRestart();
    Watchdog::Instance().Moved();
}

const ArchiveLocation &ArchiveStore::Where() const
{
    return db->where;
}

bool ArchiveStore::Alive() const
{
    return db->Db().isOpen();
}

std::function<void()> ArchiveStore::Cutter() const
{
    return ServerConnectionCutter(db->Db());
}
