#pragma once
// The arithmetic of the chart of readings: where a test lies in time, the
// ticks of the reading and count axes, the ticks of the date axis and the
// months of the bars. Plain functions over plain data.

#include "archive/chartinput.h"
#include "archive/chartsummary.h"

#include <QString>
#include <QVector>

#include <optional>

struct ChartPoint;

// A test as the chart placed it before it took ChartInput: x in days (Julian
// day number plus the time of day as a fraction), y the reading.
struct PlotPoint
{
    double x = 0;
    float y = 0;
    bool fail = false;
    qint64 testNo = 0;
};

// A record's time text ("hh:mm:ss", "hh:mm.ss" or "hh:mm") as a fraction of
// a day; nullopt when it is not such a time.
std::optional<double> FractionOfDay(const QString &time);
// The points of the readings; a reading without a valid date is left out.
QVector<PlotPoint> PlotPoints(const QVector<ChartPoint> &readings);
// The chart's input from such points: their readings in unit, and as many
// tests of each day as there are points (the points are all the chart knows).
ChartInput InputOfPoints(const QVector<PlotPoint> &points, const QString &unit);

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

// The number of tests of one month.
struct MonthBar
{
    int year = 0;
    int month = 0;       // 1..12
    qint64 firstDay = 0; // Julian day of its 1st
    qint64 endDay = 0;   // Julian day of the next month's 1st
    qint64 tests = 0;
};
// Every month from the earliest to the latest point, empty months included,
// in order.
QVector<MonthBar> MonthBars(const QVector<PlotPoint> &points);

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
