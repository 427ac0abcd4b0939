#pragma once
// The request/response exchange with the tester: one command out, everything
// that comes back until the line has been quiet for the quiet time.

#include <QByteArray>
#include <QString>
#include <functional>

class TCustomComPort;

// Quiet time in ms for the current BluetoothMode and Connected flags.
int QuietTimeMs();

// The longest reply that is collected; the rest stays in the input queue.
inline constexpr int MaxReplyLength = 99999;

// Sends command on an open port and returns the collected reply, also stored
// in reply. Resets IdleTicks. Raises whatever the port raises.
QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply);

// Where the exchange trace goes while TraceEnabled is non-zero (the service
// window's log); nothing is traced while it is empty.
extern std::function<void(const QString &line)> ExchangeTraceSink;
