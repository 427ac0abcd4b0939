#pragma once
// What the device dialogs read from the tester and from the operator: the
// information and clock replies, the typed date and time, and the serial
// number.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <optional>

// The dialogs work on date, time and reply fields of at most this length.
inline constexpr int MaxFieldLength = 1023;

// Identification reply: true when its header announces 7 lines. values gets
// the texts of information lines 2, 3 and 4 (serial number, software version,
// last calibration); a line whose line feed is not within 100 characters
// gives no value (the entry stays empty and is flagged absent in present).
struct IdentificationValues
{
    QStringList lines; // index 0..6 = information lines 1..7; missing ones empty
    QVector<bool> present;
};
bool ParseIdentification(const QByteArray &reply, IdentificationValues *values);

// The information dialog reads the identification from a copy of the reply
// of at most this many characters: a line reaching beyond it gives nothing.
inline constexpr int MaxInformationText = 999;
bool ParseInformation(const QByteArray &reply, IdentificationValues *values);

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
