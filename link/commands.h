#pragma once
// Every command the program sends to the tester, and the acknowledgement rule.

#include <QByteArray>

namespace Cmd {
inline const QByteArray Identify = QByteArrayLiteral("$i0000\n");
inline const QByteArray LinkOk = QByteArrayLiteral("$OK\n");
inline const QByteArray Unlink = QByteArrayLiteral("$U0000\n");
inline const QByteArray Download = QByteArrayLiteral("$D0000\n");
inline const QByteArray ReadClock = QByteArrayLiteral("$R0000\n");
inline const QByteArray CreateData = QByteArrayLiteral("$C500\n");
inline const QByteArray DeleteData = QByteArrayLiteral("$E001\n");
inline const QByteArray FactoryInit = QByteArrayLiteral("$E01E01\n");
inline const QByteArray AdminInit = QByteArrayLiteral("$E02E02\n");
inline const QByteArray SensorInit = QByteArrayLiteral("$E03E03\n");
inline const QByteArray ShippingInit = QByteArrayLiteral("$E04E04\n");
inline const QByteArray MeasurementInit = QByteArrayLiteral("$E05E05\n");
inline const QByteArray AccuracyInit = QByteArrayLiteral("$E06E06\n");
inline const QByteArray DeleteAll = QByteArrayLiteral("$E0000\n");

// The one message a Bluetooth tester sends unasked: it ends the link.
inline const QByteArray UnlinkNotice = QByteArrayLiteral("$U0000");
// The tester's positive acknowledgement, compared as a whole.
inline const QByteArray Acknowledge = QByteArrayLiteral("#OK\n");
} // namespace Cmd

// "$r%04d-%02d-%02d,%02d:%02d.%02d\n"
QByteArray SetClockCommand(int year, int month, int day, int hour, int minute, int second);
// "$r" + date text + "," + time text + "\n"
QByteArray SetClockCommand(const QByteArray &dateText, const QByteArray &timeText);
// "$S" + serial number + "\n"
QByteArray SerialCommand(const QByteArray &serialNumber);
// "$L000" + n in decimal + "\n"
QByteArray CalCommand(int index);

inline bool IsAcknowledged(const QByteArray &reply)
{
    return reply == Cmd::Acknowledge;
}
