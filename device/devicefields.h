#pragma once
// What the device dialogs read from the tester and from the operator: the
// clock reply, the typed date and time, and the serial number.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

// The dialogs work on date, time and reply fields of at most this length.
inline constexpr int MaxFieldLength = 1023;

struct ClockTexts
{
    QString Date;
    QString Time;
};

// The tester's clock reply: a lead character, the date, a comma or blank,
// then the time up to the next comma or blank. Nothing is validated; a line
// end right after the time stays part of it.
ClockTexts ParseClockReply(const QByteArray &reply);

// "yyyy-mm-dd" and "hh:nn.ss" of the PC's clock.
QString PcDateText(const QDateTime &now);
QString PcTimeText(const QDateTime &now);

// A typed date of at least 10 characters read as "%d-%d-%d": a day that
// exists in a year from 2000 to 3000. Anything else gives no value.
std::optional<QDate> CheckedDate(const QString &text);
// A typed time of at least 8 characters read as "%d:%d.%d": 00:00.00 to
// 23:59.59. Anything else gives no value.
std::optional<QTime> CheckedTime(const QString &text);

// A serial number the tester can store: exactly 9 printable ASCII characters.
bool IsSerialNumber(const QString &text);
inline constexpr int SerialNumberLength = 9;
