#include "archive/chartscale.h"

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

} // namespace

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

QVector<TimeTick> TimeTicks(double from, double to, int maxTicks)
{
    if (from > to)
        std::swap(from, to);
    maxTicks = std::max(1, maxTicks);
    QVector<TimeTick> ticks;
    const QVector<DateTick> days =
        DateTicks(qint64(std::ceil(from)), qint64(std::floor(to)), maxTicks);
    if (days.size() >= 3 || to - from > 3) {
        for (const DateTick &day : days)
            ticks.append({double(day.day), day.label});
        return ticks;
    }
    // Within a few days: every so many minutes from midnight.
    const double first = from * 1440;
    const double last = to * 1440;
    for (int step : {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720, 1440}) {
        const qint64 start = qint64(std::ceil(first / step - 1e-9)) * step;
        if (double(start) <= last && (last - double(start)) / step + 1 > maxTicks)
            continue;
        for (qint64 minute = start; double(minute) <= last + 1e-9; minute += step) {
            const qint64 ofDay = ((minute % 1440) + 1440) % 1440;
            const qint64 day = (minute - ofDay) / 1440;
            const QDate d = QDate::fromJulianDay(day);
            const QString label =
                ofDay == 0 ? TwoDigits(d.day()) + u' ' + MonthName(d.month())
                           : TwoDigits(int(ofDay / 60)) + u':' + TwoDigits(int(ofDay % 60));
            ticks.append({double(minute) / 1440, label});
        }
        return ticks;
    }
    return ticks;
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

QString TimeText(int seconds)
{
    return TwoDigits(seconds / 3600) + u':' + TwoDigits(seconds / 60 % 60) + u'.' +
           TwoDigits(seconds % 60);
}

QString MomentText(double at)
{
    const double day = std::floor(at);
    const int minutes = int(std::lround((at - day) * 1440));
    QString text = DayText(qint64(day) + minutes / 1440);
    if (minutes % 1440 != 0)
        text += u' ' + TwoDigits(minutes / 60 % 24) + u':' + TwoDigits(minutes % 60);
    return text;
}

QString PeriodText(qint64 firstDay, ChartPeriod period)
{
    switch (period) {
    case ChartPeriod::Day:
        break;
    case ChartPeriod::Week:
        return QStringLiteral("week of ") + DayText(firstDay);
    case ChartPeriod::Month: {
        const QDate d = QDate::fromJulianDay(firstDay);
        return MonthName(d.month()) + u' ' + QString::number(d.year());
    }
    }
    return DayText(firstDay);
}

QString PeriodName(ChartPeriod period)
{
    switch (period) {
    case ChartPeriod::Day:
        break;
    case ChartPeriod::Week:
        return QStringLiteral("week");
    case ChartPeriod::Month:
        return QStringLiteral("month");
    }
    return QStringLiteral("day");
}
