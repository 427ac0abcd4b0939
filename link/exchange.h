#pragma once
// The request/response exchange with the tester: one command out, everything
// that comes back until the line has been quiet for the quiet time.

#include <QByteArray>
#include <QString>
#include <functional>
#include <stdexcept>

class TCustomComPort;

// Quiet time in ms for the link type (0 = USB, anything else Bluetooth) and
// whether a tester is linked.
int QuietTimeMs(int bluetoothMode, int connected);
inline constexpr int UsbQuietMs = 300;

// The longest reply that is collected; the rest is read and thrown away.
inline constexpr int MaxReplyLength = 99999;

// The longest an exchange may take, in ms: the time the longest reply takes
// at bitsPerSecond (ten bits a character) plus the quiet time.
qint64 ExchangeDeadlineMs(int bitsPerSecond, int quietMs);

// How often the exchange calls its wait callback while it waits, in ms.
inline constexpr int ExchangeHookIntervalMs = 50;

// Told of the reply collected so far while an exchange runs.
using ReplyProgress = std::function<void(const QByteArray &replySoFar)>;

// What the wait callback tells the exchange: wait on, or give up at once.
enum class WaitVerdict { GoOn, Stop };
using ExchangeWait = std::function<WaitVerdict(const QByteArray &replySoFar)>;

// Raised by an exchange whose wait callback said Stop; nothing of the reply
// is kept.
class ExchangeStopped : public std::runtime_error
{
public:
    ExchangeStopped() : std::runtime_error("The exchange was cancelled") {}
};

// What an exchange takes from the program around it.
struct ExchangeContext
{
    // Milliseconds without a new byte after which the reply is complete.
    int quietMs = UsbQuietMs;
    // Told ">" and the command just before the write and "<" and the reply
    // after collection. Nothing is traced while it is empty.
    std::function<void(const QString &line)> trace;
    // Called while the exchange waits for the tester, about every
    // ExchangeHookIntervalMs, with the reply collected so far: the program
    // keeps its windows painted there. Its time counts towards the quiet time
    // and the deadline like any other wait. When it says Stop the exchange
    // ends at once with ExchangeStopped. Nothing is called while it is empty.
    ExchangeWait wait;
};

// Sends command on an open port and returns the collected reply, also stored
// in reply. Collection ends when the line has been quiet for the quiet time,
// or at the exchange's deadline with what came so far. Beyond MaxReplyLength
// the input is discarded until the line is quiet, so the next exchange starts
// clean. Raises whatever the port raises, and ExchangeStopped when the wait
// callback stops it (reply is empty then).
QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply,
                      const ExchangeContext &context);
