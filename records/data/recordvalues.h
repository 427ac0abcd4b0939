#pragma once
// What a record's texts mean where they are compared: the test number and
// the date as numbers, the reading's value and unit. The results window's
// sort, the search filter and the archive all read them here.

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

inline const char *const MonthNames[13] = {"000", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The C library's decimal text-to-long conversion of the text.
long TextToLong(const QString &text);
// The C library's decimal text-to-floating-point conversion (leading blanks,
// sign, digits, point, exponent; 0 when nothing converts) whatever the
// locale, held as a 32-bit float.
float TextToFloat(QStringView text);
// Year (characters 12-15), month number (characters 6-8 in MonthNames), day
// (characters 1-2), converted like a test number.
long DateKey(const QString &date);
// A date as the date picker gives it, "yyyy-mm-dd", as the number yyyymmdd
// (characters 1-4, 6-7 and 9-10 joined).
long PickedDateKey(const QString &text);
// The day a record's date text names when it reads as one date and nothing
// else: the day (characters 1-2), the month (characters 6-8, one of
// MonthNames' "Jan" to "Dec") and the year (characters 12-15), with only
// blanks and punctuation between them ("11 - Mar - 2010") and blanks after
// it; nothing for any other text or a day its month does not have.
std::optional<QDate> DateOfRecord(QStringView date);

// A reading counts only when its first character is a blank or '0'..'5';
// its value is characters 1-5, its unit characters 7-15.
bool ReadingComparable(const QString &reading);
float ReadingValue(const QString &reading);
QStringView ReadingUnit(const QString &reading);

// A record's time of day in seconds after midnight, read from "hh:mm:ss",
// "hh:mm.ss" (as the tester's clock writes it) or "hh:mm", blanks around it
// allowed; nothing for any other text or a time past 23:59:59.
std::optional<int> TimeOfDaySeconds(QStringView time);

// The reading split where its unit begins: the value text and the unit text
// (one of UnitText's) that ends it; the unit is empty when none does.
struct ReadingParts
{
    QStringView value;
    QStringView unit;
};
ReadingParts SplitReading(QStringView reading);
// The value text as a number (C conventions whatever the locale: a full
// stop, blanks around it); nothing unless the whole text is one number.
std::optional<double> ReadingNumber(QStringView value);
