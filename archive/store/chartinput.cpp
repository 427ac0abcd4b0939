#include "archive/store/chartinput.h"

#include "records/data/recordfields.h"
#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<qint64> DayOfDateKey(long dateKey)
{
    const QDate date(int(dateKey / 10000), int(dateKey / 100 % 100), int(dateKey % 100));
    if (dateKey <= 0 || !date.isValid())
        return std::nullopt;
    return date.toJulianDay();
}

namespace {

// A reading at day and second; nullopt without a day or a finite reading.
std::optional<ChartReading> ReadingAt(std::optional<qint64> day, std::optional<int> second,
                                      float reading, qint64 testNo, bool fail)
{
    if (!day || !std::isfinite(reading))
        return std::nullopt;
    constexpr qint64 lowest = std::numeric_limits<qint32>::min();
    constexpr qint64 highest = std::numeric_limits<qint32>::max();
    return ChartReading{qint32(*day),
                        reading,
                        qint32(std::clamp(testNo, lowest, highest)),
                        quint32(second.value_or(0)),
                        second ? 1u : 0u,
                        fail ? 1u : 0u};
}

} // namespace

std::optional<ChartReading> ChartReadingOf(long dateKey, QStringView time, float reading,
                                           qint64 testNo, bool fail)
{
    const std::optional<qint64> day = DayOfDateKey(dateKey);
    return day ? ReadingAt(day, TimeOfDaySeconds(time), reading, testNo, fail) : std::nullopt;
}

std::optional<int> TimeOfDaySecondsUtf8(QByteArrayView time)
{
    // A time of ASCII characters is read from a copy on the stack; any
    // other, as long or with letters beyond ASCII, as a text of its own.
    constexpr qsizetype Longest = 32;
    if (time.size() <= Longest) {
        char16_t wide[Longest];
        bool ascii = true;
        for (qsizetype i = 0; i < time.size() && ascii; ++i) {
            ascii = uchar(time[i]) < 0x80;
            wide[i] = char16_t(uchar(time[i]));
        }
        if (ascii)
            return TimeOfDaySeconds(QStringView(wide, time.size()));
    }
    return TimeOfDaySeconds(QString::fromUtf8(time));
}

std::optional<qint64> ChartReadingMaker::DayOf(long dateKey)
{
    if (dateKey != FDateKey) {
        FDateKey = dateKey;
        FDay = DayOfDateKey(dateKey);
    }
    return FDay;
}

std::optional<ChartReading> ChartReadingMaker::Of(long dateKey, QByteArrayView time, float reading,
                                                  qint64 testNo, bool fail)
{
    const std::optional<qint64> day = DayOf(dateKey);
    return day ? ReadingAt(day, TimeOfDaySecondsUtf8(time), reading, testNo, fail) : std::nullopt;
}

std::optional<ChartReading> ChartReadingMaker::Of(long dateKey, QStringView time, float reading,
                                                  qint64 testNo, bool fail)
{
    const std::optional<qint64> day = DayOf(dateKey);
    return day ? ReadingAt(day, TimeOfDaySeconds(time), reading, testNo, fail) : std::nullopt;
}

qint64 ReadingsIn(const QVector<ChartUnitCount> &counts, const QString &unit)
{
    qint64 readings = 0;
    for (const ChartUnitCount &count : counts)
        if (count.unit == unit)
            readings += count.readings;
    return readings;
}

QString MostCommonUnit(const QVector<ChartUnitCount> &counts)
{
    // The unit list's order, %BAC first.
    QVector<QString> order{UnitText(UnitRanges[BacUnit].unitCode)};
    for (const UnitRange &range : UnitRanges)
        if (UnitText(range.unitCode) != order.first())
            order.append(UnitText(range.unitCode));
    QString best = order.first();
    qint64 most = 0;
    for (const QString &unit : order) {
        const qint64 readings = ReadingsIn(counts, unit);
        if (readings > most) {
            most = readings;
            best = unit;
        }
    }
    return best;
}

QString ChooseChartUnit(const QVector<ChartUnitCount> &counts, const ChartUnitChoice &choice)
{
    if (choice.filterUnit)
        return *choice.filterUnit;
    if (choice.picked && (!choice.remembered || ReadingsIn(counts, *choice.picked) > 0))
        return *choice.picked;
    return MostCommonUnit(counts);
}
