#include "link/exchange.h"

#include "app/mainstate.h"
#include "link/comport.h"

#include <algorithm>
#include <chrono>
#include <thread>

std::function<void(const QString &line)> ExchangeTraceSink;
std::function<void(const QByteArray &replySoFar)> ExchangeWaitHook;

int QuietTimeMs()
{
    if (BluetoothMode == 0)
        return 300;
    return Connected == 1 ? 500 : 1000;
}

namespace {

void Trace(const QByteArray &line)
{
    if (TraceEnabled != 0 && ExchangeTraceSink)
        ExchangeTraceSink(QString::fromLatin1(line));
}

void DiscardPendingInput(TCustomComPort &port)
{
    const int pending = port.InputCount();
    if (pending > 0) {
        QByteArray stale;
        port.ReadStr(stale, pending);
    }
}

} // namespace

qint64 ExchangeDeadlineMs(int bitsPerSecond, int quietMs)
{
    constexpr qint64 BitsPerCharacter = 10;
    const qint64 bits = qint64(MaxReplyLength) * BitsPerCharacter * 1000;
    const qint64 speed = std::max(1, bitsPerSecond);
    return (bits + speed - 1) / speed + quietMs;
}

QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply)
{
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;

    std::this_thread::sleep_for(milliseconds(100));
    IdleTicks = 0;
    DiscardPendingInput(port);
    DiscardPendingInput(port);

    auto lastActivity = Clock::now();
    const auto deadline =
        lastActivity + milliseconds(ExchangeDeadlineMs(port.BitsPerSecond(), QuietTimeMs()));
    Trace(">" + command);
    port.WriteStr(command);

    reply.clear();
    auto nextHook = Clock::now() + milliseconds(ExchangeHookIntervalMs);
    for (;;) {
        const int pending = port.InputCount();
        if (pending > 0) {
            QByteArray chunk;
            const int room = MaxReplyLength - int(reply.size());
            port.ReadStr(chunk, room > 0 ? std::min(pending, room) : pending);
            if (room > 0)
                reply += chunk;
            lastActivity = Clock::now();
        }
        const auto quietEnd = lastActivity + milliseconds(QuietTimeMs());
        const auto now = Clock::now();
        if (now > quietEnd || now >= deadline)
            break;
        if (ExchangeWaitHook && now >= nextHook) {
            ExchangeWaitHook(reply);
            nextHook = Clock::now() + milliseconds(ExchangeHookIntervalMs);
            continue; // what came meanwhile is read before the quiet time is judged
        }
        auto waitEnd = std::min(quietEnd, deadline);
        if (ExchangeWaitHook)
            waitEnd = std::min(waitEnd, nextHook);
        const auto left = std::chrono::ceil<milliseconds>(waitEnd - now).count();
        port.WaitForInput(std::max<int>(1, int(left)));
    }
    Trace("<" + reply);
    return reply;
}
