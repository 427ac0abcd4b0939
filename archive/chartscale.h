#pragma once
// The arithmetic of the chart of readings: the ticks of the reading and
// count axes and of the date axis, and the texts of days, times and
// readings. Plain functions over plain data.

#include "archive/chartsummary.h"
#include "archive/store/chartinput.h"

#include <QString>
#include <QVector>

#include <optional>

// Ticks of a value axis: first, first + step, ... up to last, which cover
// the range asked for; steps are 1, 2, 2.5 or 5 times a power of ten.
struct ValueTicks
{
    double first = 0;
    double last = 1;
    double step = 1;
    int decimals = 0; // enough to tell the ticks apart
    QVector<double> values;
};
// At most maxTicks intervals (at least 1) covering lo..hi (in any order); an
// empty range is widened around its value. With wholeSteps every step is a
// whole number (for counts).
ValueTicks NiceTicks(double lo, double hi, int maxTicks, bool wholeSteps = false);
QString TickText(double value, int decimals);

// A tick of the date axis at the start of a day.
struct DateTick
{
    qint64 day = 0;
    QString label;
};
// Ticks inside firstDay..lastDay (Julian day numbers, inclusive), at most
// maxTicks of them, on the first sensible step of days, weeks (Mondays),
// months or years: "05 Jan", "Jan 2010" or "2010".
QVector<DateTick> DateTicks(qint64 firstDay, qint64 lastDay, int maxTicks);

// A tick of the time axis, at any time of a day.
struct TimeTick
{
    double at = 0; // days
    QString label;
};
// Ticks inside from..to (days with the time of day): the date ticks when at
// least three fit, else hours or minutes ("06:00", "06:30") with the day's
// date ("05 Jan") at midnight; at most maxTicks of them.
QVector<TimeTick> TimeTicks(double from, double to, int maxTicks);

// The texts the chart shows for a point: "05 - Jan - 2010" (the records' own
// date form) and the reading with its unit as the tester writes it.
QString DayText(qint64 day);
QString ReadingText(float reading, const QString &unit);
// A time of day in seconds as the tester's clock writes it, "hh:mm.ss".
QString TimeText(int seconds);
// A moment in days as "05 - Jan - 2010", with " 06:30" when it is not
// midnight.
QString MomentText(double at);
// What a period is called: "05 - Jan - 2010", "week of 04 - Jan - 2010" or
// "Jan 2010".
QString PeriodText(qint64 firstDay, ChartPeriod period);
// "day", "week" or "month".
QString PeriodName(ChartPeriod period);
