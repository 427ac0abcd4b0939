#pragma once
// What the chart of readings is drawn from, as the archive reads it for a
// selection: the readings in one unit, the number of tests of every day in
// any unit, and how many readings each unit has, from which the chart's unit
// is chosen. Plain data over Qt Core and the record's values only, so that
// whatever thread reads the archive can fill it.

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVector>

#include <optional>

// One test with a reading in the chart's unit, in 16 bytes: a million of
// them take 16 MB.
struct ChartReading
{
    qint32 day;          // Julian day number of the test's date
    float reading;       // in the chart's unit
    qint32 testNo;       // as the test number reads as a number
    quint32 second : 17; // time of day in seconds, 0 when it could not be read
    quint32 timed : 1;   // the time of day could be read
    quint32 fail : 1;    // the test's result is FAIL
};
static_assert(sizeof(ChartReading) == 16, "a chart reading stays small");

// The time of a reading in days: its Julian day and the time of day as a
// fraction. A test without a readable time stands at the start of its day.
inline double ReadingTime(const ChartReading &r)
{
    return r.day + r.second / 86400.0;
}

// The Julian day number of a date key yyyymmdd; nullopt when it names no day.
std::optional<qint64> DayOfDateKey(long dateKey);

// An archived record's reading as the chart takes it, from the record's date
// key, time text, reading value, test number and result; nullopt when the
// date names no day or the reading is no finite number.
std::optional<ChartReading> ChartReadingOf(long dateKey, QStringView time, float reading,
                                           qint64 testNo, bool fail);

// The time of day in seconds of a time text given as UTF-8, as
// TimeOfDaySeconds reads it; nullopt when it is no time.
std::optional<int> TimeOfDaySecondsUtf8(QByteArrayView time);

// Readings made one after another from rows the archive gives by unit and
// date, as ChartReadingOf makes them: the day of a date key is worked out
// once for the rows of that date, the time read without a copy.
class ChartReadingMaker
{
public:
    std::optional<ChartReading> Of(long dateKey, QByteArrayView time, float reading, qint64 testNo,
                                   bool fail);
    std::optional<ChartReading> Of(long dateKey, QStringView time, float reading, qint64 testNo,
                                   bool fail);

private:
    std::optional<qint64> DayOf(long dateKey);
    long FDateKey = 0; // 0 names no day
    std::optional<qint64> FDay;
};

// The tests of one day of the selection, whatever their unit.
struct ChartDayCount
{
    long dateKey = 0; // yyyymmdd
    qint64 tests = 0;
    qint64 fails = 0; // of them with the result FAIL
};

// The readings of the selection in one unit (the unit as the unit list
// writes it: "o/oo ", "%BAC", "mg/L", ...).
struct ChartUnitCount
{
    QString unit;
    qint64 readings = 0;
};

struct ChartInput
{
    QString unit;
    QVector<ChartReading> readings; // in unit, in any order
    QVector<ChartDayCount> days;    // in any order; counts of one day given twice add up
};

// The unit with the most readings. A tie goes to %BAC, the unit the chart
// starts with, then to the one earlier in the unit list; units the list
// does not hold never count. %BAC when no unit has a reading.
QString MostCommonUnit(const QVector<ChartUnitCount> &counts);

// The readings of counts in unit.
qint64 ReadingsIn(const QVector<ChartUnitCount> &counts, const QString &unit);

// What decides the chart's unit besides the counts.
struct ChartUnitChoice
{
    // The selection is filtered by a reading range in this unit.
    std::optional<QString> filterUnit;
    // The operator picked this unit from the chart's unit list. Picked for
    // this very selection it is drawn whatever the selection holds.
    std::optional<QString> picked;
    // It was picked for another selection, or before the program last
    // started: it stays chosen, but a selection without readings in it is
    // drawn in its most common unit instead.
    bool remembered = false;
};
// The filter's unit, else the operator's (a remembered one where counts
// have readings in it), else the most common of counts.
QString ChooseChartUnit(const QVector<ChartUnitCount> &counts, const ChartUnitChoice &choice);
