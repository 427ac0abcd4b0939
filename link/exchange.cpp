#include "link/exchange.h"

#include "app/mainstate.h"
#include "link/comport.h"

#include <algorithm>
#include <chrono>
#include <thread>

std::function<void(const QString &line)> ExchangeTraceSink;

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

QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply)
{
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;

    std::this_thread::sleep_for(milliseconds(100));
    IdleTicks = 0;
    DiscardPendingInput(port);
    DiscardPendingInput(port);

    auto lastActivity = Clock::now();
    Trace(">" + command);
    port.WriteStr(command);

    reply.clear();
    for (;;) {
        const int pending = port.InputCount();
        if (pending > 0) {
            QByteArray chunk;
            port.ReadStr(chunk, std::min(pending, MaxReplyLength - int(reply.size())));
            reply += chunk;
            lastActivity = Clock::now();
            // Anything beyond the longest reply stays queued; the next
            // exchange throws it away with the other stale input.
            if (reply.size() >= MaxReplyLength)
                break;
        }
        const auto quietEnd = lastActivity + milliseconds(QuietTimeMs());
        const auto now = Clock::now();
        if (now > quietEnd)
            break;
        const auto left = std::chrono::ceil<milliseconds>(quietEnd - now).count();
        port.WaitForInput(std::max<int>(1, int(left)));
    }
    Trace("<" + reply);
    return reply;
}
