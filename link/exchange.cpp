#include "link/exchange.h"

#include "link/comport.h"

#include <algorithm>
#include <chrono>
#include <thread>

int QuietTimeMs(int bluetoothMode, int connected)
{
    if (bluetoothMode == 0)
        return UsbQuietMs;
    return connected == 1 ? 500 : 1000;
}

namespace {

void Trace(const ExchangeContext &context, const QByteArray &line)
{
    if (context.trace)
        context.trace(QString::fromLatin1(line));
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

QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply,
                      const ExchangeContext &context)
{
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;

    std::this_thread::sleep_for(milliseconds(100));
    DiscardPendingInput(port);
    DiscardPendingInput(port);

    auto lastActivity = Clock::now();
    const milliseconds quiet(context.quietMs);
    const auto deadline =
        lastActivity + milliseconds(ExchangeDeadlineMs(port.BitsPerSecond(), context.quietMs));
    Trace(context, ">" + command);
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
        const auto quietEnd = lastActivity + quiet;
        const auto now = Clock::now();
        if (now > quietEnd || now >= deadline)
            break;
        if (context.wait && now >= nextHook) {
            if (context.wait(reply) == WaitVerdict::Stop) {
                reply.clear();
                Trace(context, "<");
                throw ExchangeStopped();
            }
            nextHook = Clock::now() + milliseconds(ExchangeHookIntervalMs);
            continue; // what came meanwhile is read before the quiet time is judged
        }
        auto waitEnd = std::min(quietEnd, deadline);
        if (context.wait)
            waitEnd = std::min(waitEnd, nextHook);
        const auto left = std::chrono::ceil<milliseconds>(waitEnd - now).count();
        port.WaitForInput(std::max<int>(1, int(left)));
    }
    Trace(context, "<" + reply);
    return reply;
}
