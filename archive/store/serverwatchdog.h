#pragma once
// A server that stops answering is given up by the program itself. The
// server's own time-outs cannot help against a server whose process is
// stopped (a frozen machine), and keepalives notice nothing on a local
// socket or for a long while on a dead network path. So a call on a server
// connection that hears nothing for ServerSilenceSeconds is cut short where
// the driver lets the program do so (the connection's socket is shut: the
// call returns at once with the connection lost), or else the thread that
// waits in it is abandoned by its owner.

#include <QSqlDatabase>

#include <functional>
#include <memory>

inline constexpr int ServerSilenceSeconds = 10;

// Cuts the calls on db short from any thread; empty where the driver offers
// no way. One per operating system.
std::function<void()> ServerConnectionCutter(QSqlDatabase db);

// A watch over the calls that this thread makes on one server connection
// while the watch lives. Every statement begun (ServerWatchRestart) gives
// the server its time anew.
class ServerWatch
{
public:
    struct Entry;
    // The end of a watch, from any thread.
    class Handle
    {
    public:
        Handle() = default;
        // Runs out at once unless it ran out or its watch went.
        void RunOutNow() const;
        bool Empty() const { return !FEntry; }
        // How long the statement in hand has waited for the server.
        qint64 WaitedMs() const;

    private:
        friend class ServerWatch;
        std::shared_ptr<Entry> FEntry;
    };

    // When the watch runs out: ranOut hears whether cut is given (else the
    // caller gives up the thread), then cut is called. Both run on the
    // thread that found it out (the watchdog's, or RunOutNow's); the
    // connection stays open meanwhile, as the watch's end waits for them.
    ServerWatch(std::function<void()> cut, std::function<void(bool cut)> ranOut,
                int seconds = ServerSilenceSeconds);
    ~ServerWatch();
    ServerWatch(const ServerWatch &) = delete;
    ServerWatch &operator=(const ServerWatch &) = delete;

    Handle End() const;
    bool RanOut() const;

private:
    std::shared_ptr<Entry> FEntry;
};

// A statement begins on this thread: its watch, if any, waits anew.
void ServerWatchRestart();
// This thread's watch, if any, allows seconds of silence from now on (a
// statement that may take longer than a minute).
void ServerWatchAllow(int seconds);
