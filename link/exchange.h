#pragma once
// The request/response exchange with the tester: one command out, everything
// that comes back until the line has been quiet for the quiet time.

#include <QByteArray>
#include <QString>
#include <functional>

class TCustomComPort;

// Quiet time in ms for the current BluetoothMode and Connected flags.
int QuietTimeMs();

// The longest reply that is collected; the rest is read and thrown away.
inline constexpr int MaxReplyLength = 99999;

// The longest an exchange may take, in ms: the time the longest reply takes
// at bitsPerSecond (ten bits a character) plus the quiet time.
qint64 ExchangeDeadlineMs(int bitsPerSecond, int quietMs);

// Sends command on an open port and returns the collected reply, also stored
// in reply. Collection ends when the line has been quiet for the quiet time,
// or at the exchange's deadline with what came so far. Beyond MaxReplyLength
// the input is discarded until the line is quiet, so the next exchange starts
// clean. Resets IdleTicks. Raises whatever the port raises.
QByteArray RS232Write(TCustomComPort &port, const QByteArray &command, QByteArray &reply);

// Called while an exchange waits for the tester, about every
// ExchangeHookIntervalMs, with the reply collected so far: the program keeps
// its windows painted there. Its time counts towards the quiet time and the
// deadline like any other wait. Nothing is called while it is empty.
inline constexpr int ExchangeHookIntervalMs = 50;
extern std::function<void(const QByteArray &replySoFar)> ExchangeWaitHook;

// Where the exchange trace goes while TraceEnabled is non-zero (the service
// window's log); nothing is traced while it is empty.
extern std::function<void(const QString &line)> ExchangeTraceSink;
