#include "archive/chartscale.h"

#include "archive/store/archivestore.h"
#include "records/data/recordvalues.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace {

QString MonthName(int month)
{
    return QLatin1String(MonthNames[month]);
}

QString TwoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

// Months counted from year 0: year * 12 + month - 1.
int MonthIndex(const QDate &date)
{
    return date.year() * 12 + date.month() - 1;
}

QDate MonthStart(int index)
{
    return QDate(index / 12, index % 12 + 1, 1);
}

// A whole number of the text's characters, or -1 when any is not a digit.
int Digits(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<qint64> DayOfDateKey(long dateKey)
{
    const QDate date(int(dateKey / 10000), int(dateKey / 100 % 100), int(dateKey % 100));
    if (dateKey <= 0 || !date.isValid())
        return std::nullopt;
    return date.toJulianDay();
}

std::optional<double> FractionOfDay(const QString &time)
{
    if (time.size() != 8 || time.at(2) != u':' || time.at(5) != u'.')
        return std::nullopt;
    const int hours = Digits(time, 0, 2);
    const int minutes = Digits(time, 3, 2);
    const int seconds = Digits(time, 6, 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
        return std::nullopt;
    return (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

QVector<PlotPoint> PlotPoints(const QVector<ChartPoint> &readings)
{
    QVector<PlotPoint> points;
    points.reserve(readings.size());
    for (const ChartPoint &reading : readings) {
        const std::optional<qint64> day = DayOfDateKey(reading.dateKey);
        if (!day)
            continue;
        // A test without a readable time stands at the start of its day.
        const double x = double(*day) + FractionOfDay(reading.time).value_or(0);
        points.append({x, reading.reading, reading.fail, reading.testNo});
    }
    return points;
}

ValueTicks NiceTicks(double lo, double hi, int maxTicks, bool wholeSteps)
{
    if (lo > hi)
        std::swap(lo, hi);
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    }
    if (lo == hi) {
        const double half = lo == 0 ? 0.5 : std::abs(lo) / 2;
        lo = lo == 0 ? 0 : lo - half;
        hi += half;
    }
    maxTicks = std::max(1, maxTicks);
    const double rough = (hi - lo) / maxTicks;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    if (wholeSteps)
        power = std::max(power, 1.0);
    ValueTicks ticks;
    // The smallest nice step that needs at most maxTicks intervals; a range
    // that straddles a step boundary may need the next decade.
    bool fits = false;
    for (int decade = 0; decade < 4 && !fits; ++decade, power *= 10) {
        for (double factor : {1.0, 2.0, 2.5, 5.0}) {
            ticks.step = factor * power;
            if (wholeSteps && ticks.step != std::floor(ticks.step))
                continue;
            // A bound on a tick (within rounding) stays on it.
            ticks.first = std::floor(lo / ticks.step + 1e-9) * ticks.step;
            ticks.last = std::ceil(hi / ticks.step - 1e-9) * ticks.step;
            fits = (ticks.last - ticks.first) / ticks.step <= maxTicks + 1e-9;
            if (fits)
                break;
        }
    }
    const int intervals = int(std::lround((ticks.last - ticks.first) / ticks.step));
    const int exponent = int(std::floor(std::log10(ticks.step) + 1e-9));
    const double mantissa = ticks.step / std::pow(10.0, exponent);
    ticks.decimals = std::max(0, -exponent + (std::abs(mantissa - 2.5) < 1e-9 ? 1 : 0));
    for (int i = 0; i <= intervals; ++i) {
        // Rounded to the ticks' decimals, so that no sum drifts.
        const double scale = std::pow(10.0, ticks.decimals);
        ticks.values.append(std::round((ticks.first + i * ticks.step) * scale) / scale);
    }
    return ticks;
}

QString TickText(double value, int decimals)
{
    if (value == 0)
        value = 0; // no "-0"
    return QString::number(value, 'f', decimals);
}

QVector<DateTick> DateTicks(qint64 firstDay, qint64 lastDay, int maxTicks)
{
    if (firstDay > lastDay)
        std::swap(firstDay, lastDay);
    maxTicks = std::max(1, maxTicks);
    QVector<DateTick> ticks;
    auto dayLabel = [](const QDate &d) { return TwoDigits(d.day()) + u' ' + MonthName(d.month()); };
    // Days, every second day, weeks from Monday.
    for (int step : {1, 2, 7}) {
        const qint64 start = step == 7 ? firstDay + (7 - (firstDay % 7)) % 7 : firstDay;
        if ((lastDay - start) / step + 1 > maxTicks)
            continue;
        for (qint64 day = start; day <= lastDay; day += step)
            ticks.append({day, dayLabel(QDate::fromJulianDay(day))});
        return ticks;
    }
    // Months and years: the first of a month whose index is a multiple of
    // the step.
    const QDate first = QDate::fromJulianDay(firstDay);
    const QDate last = QDate::fromJulianDay(lastDay);
    const int firstMonth = MonthIndex(first) + (first.day() == 1 ? 0 : 1);
    const int lastMonth = MonthIndex(last);
    for (int step : {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200}) {
        const int start = (firstMonth + step - 1) / step * step;
        if (start <= lastMonth && (lastMonth - start) / step + 1 > maxTicks)
            continue;
        for (int month = start; month <= lastMonth; month += step) {
            const QDate d = MonthStart(month);
            const QString label = step >= 12
                                      ? QString::number(d.year())
                                      : MonthName(d.month()) + u' ' + QString::number(d.year());
            ticks.append({d.toJulianDay(), label});
        }
        return ticks;
    }
    return ticks;
}

QVector<MonthBar> MonthBars(const QVector<PlotPoint> &points)
{
    QVector<MonthBar> bars;
    if (points.isEmpty())
        return bars;
    auto monthOf = [](const PlotPoint &p) {
        return MonthIndex(QDate::fromJulianDay(qint64(std::floor(p.x))));
    };
    int first = monthOf(points.first());
    int last = first;
    for (const PlotPoint &p : points) {
        const int m = monthOf(p);
        first = std::min(first, m);
        last = std::max(last, m);
    }
    for (int m = first; m <= last; ++m) {
        const QDate start = MonthStart(m);
        bars.append({start.year(), start.month(), start.toJulianDay(),
                     start.addMonths(1).toJulianDay(), 0});
    }
    for (const PlotPoint &p : points)
        ++bars[monthOf(p) - first].tests;
    return bars;
}

QString DayText(qint64 day)
{
    const QDate d = QDate::fromJulianDay(day);
    return TwoDigits(d.day()) + QStringLiteral(" - ") + MonthName(d.month()) +
           QStringLiteral(" - ") + QString::number(d.year());
}

QString ReadingText(float reading, const QString &unit)
{
    // Micrograms come as whole numbers, the other units with three decimals.
    const int decimals = unit.startsWith(QLatin1String("ug")) ? 0 : 3;
    return QString::number(double(reading), 'f', decimals) + u' ' + unit;
}
