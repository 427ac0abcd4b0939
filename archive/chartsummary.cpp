#include "archive/chartsummary.h"

#include <QDate>

#include <algorithm>
#include <cmath>

qint64 PeriodStart(qint64 day, ChartPeriod period)
{
    switch (period) {
    case ChartPeriod::Day:
        return day;
    case ChartPeriod::Week:
        // Julian day 0 was a Monday.
        return day - ((day % 7) + 7) % 7;
    case ChartPeriod::Month: {
        const QDate date = QDate::fromJulianDay(day);
        return QDate(date.year(), date.month(), 1).toJulianDay();
    }
    }
    return day;
}

qint64 PeriodEnd(qint64 start, ChartPeriod period)
{
    switch (period) {
    case ChartPeriod::Day:
        return start + 1;
    case ChartPeriod::Week:
        return start + 7;
    case ChartPeriod::Month:
        return QDate::fromJulianDay(start).addMonths(1).toJulianDay();
    }
    return start + 1;
}

ChartStyle StyleOfView(qint64 points, double spanDays)
{
    ChartStyle style;
    style.summary = points > MostPointsDrawn;
    // A year from a Sunday to a Monday takes 54 whole weeks.
    style.period = spanDays <= 63    ? ChartPeriod::Day
                   : spanDays <= 378 ? ChartPeriod::Week
                                     : ChartPeriod::Month;
    return style;
}

QVector<PeriodBar> PeriodBars(const QVector<ChartDayCount> &days, ChartPeriod period)
{
    std::vector<PeriodBar> counted; // one a day, firstDay the day
    counted.reserve(size_t(days.size()));
    for (const ChartDayCount &count : days)
        if (const std::optional<qint64> day = DayOfDateKey(count.dateKey))
            counted.push_back({*day, *day + 1, count.tests, count.fails});
    std::sort(counted.begin(), counted.end(),
              [](const PeriodBar &a, const PeriodBar &b) { return a.firstDay < b.firstDay; });
    QVector<PeriodBar> bars;
    for (const PeriodBar &day : counted) {
        if (bars.isEmpty() || day.firstDay >= bars.last().endDay) {
            const qint64 start = PeriodStart(day.firstDay, period);
            bars.append({start, PeriodEnd(start, period), 0, 0});
        }
        bars.last().tests += day.tests;
        bars.last().fails += day.fails;
    }
    return bars;
}

float Quantile(std::vector<float> &values, double q)
{
    const double at = std::clamp(q, 0.0, 1.0) * double(values.size() - 1);
    const size_t below = size_t(at);
    std::nth_element(values.begin(), values.begin() + qsizetype(below), values.end());
    const float lower = values[below];
    if (below + 1 >= values.size())
        return lower;
    // Past the nth element lie the greater ones: the least of them is next.
    const float upper = *std::min_element(values.begin() + qsizetype(below) + 1, values.end());
    return float(lower + (at - double(below)) * (upper - lower));
}

namespace {

// The 10th percentile, the median and the 90th percentile of values (not
// empty), each as Quantile gives it: one partition about the median, then
// one within the half below it and one within the half above.
std::array<float, 3> LowMedianHigh(std::vector<float> &values)
{
    const size_t n = values.size();
    const auto at = [n](double q) { return q * double(n - 1); };
    const auto first = values.begin();
    // The value of rank below, drawn toward upper, the next in order.
    const auto between = [&](double rank, size_t below, float upper) {
        const float lower = values[below];
        return below + 1 >= n ? lower : float(lower + (rank - double(below)) * (upper - lower));
    };
    const double medianAt = at(0.5);
    const size_t m = size_t(medianAt);
    std::nth_element(first, first + qsizetype(m), values.end());
    // Past rank m lie the greater ones: the least of them is next.
    const float afterMedian =
        m + 1 < n ? *std::min_element(first + qsizetype(m) + 1, values.end()) : values[m];

    const double lowAt = at(0.1);
    const size_t l = size_t(lowAt);
    float afterLow = afterMedian;
    if (l < m) {
        // The m least lie before rank m.
        std::nth_element(first, first + qsizetype(l), first + qsizetype(m));
        afterLow = l + 1 < m ? *std::min_element(first + qsizetype(l) + 1, first + qsizetype(m))
                             : values[m];
    }
    const float low = between(lowAt, l, afterLow);

    const double highAt = at(0.9);
    const size_t h = size_t(highAt);
    float afterHigh = afterMedian;
    if (h > m) {
        std::nth_element(first + qsizetype(m) + 1, first + qsizetype(h), values.end());
        afterHigh =
            h + 1 < n ? *std::min_element(first + qsizetype(h) + 1, values.end()) : values[h];
    }
    const float high = between(highAt, h, afterHigh);
    return {low, between(medianAt, m, afterMedian), high};
}

} // namespace

QVector<PeriodSummary> PeriodSummaries(const QVector<ChartReading> &sorted, ChartPeriod period)
{
    QVector<PeriodSummary> summaries;
    std::vector<float> values;
    for (qsizetype i = 0; i < sorted.size();) {
        const qint64 start = PeriodStart(sorted[i].day, period);
        const qint64 end = PeriodEnd(start, period);
        values.clear();
        for (; i < sorted.size() && sorted[i].day < end; ++i)
            values.push_back(sorted[i].reading);
        const auto [low, median, high] = LowMedianHigh(values);
        summaries.append({start, end, qint64(values.size()), low, median, high});
    }
    return summaries;
}

ChartData PrepareChart(ChartInput input)
{
    ChartData data;
    data.unit = input.unit;
    data.readings = std::move(input.readings);
    QVector<ChartReading> &readings = data.readings;
    readings.erase(std::remove_if(readings.begin(), readings.end(),
                                  [](const ChartReading &r) { return !std::isfinite(r.reading); }),
                   readings.end());
    auto earlier = [](const ChartReading &a, const ChartReading &b) {
        if (a.day != b.day)
            return a.day < b.day;
        if (a.second != b.second)
            return a.second < b.second;
        return a.testNo < b.testNo;
    };
    // The archive gives them nearly in order already.
    if (!std::is_sorted(readings.begin(), readings.end(), earlier))
        std::sort(readings.begin(), readings.end(), earlier);
    for (int kind = 0; kind < ChartPeriodKinds; ++kind) {
        data.bars[size_t(kind)] = PeriodBars(input.days, ChartPeriod(kind));
        data.summaries[size_t(kind)] = PeriodSummaries(readings, ChartPeriod(kind));
    }
    const QVector<PeriodBar> &days = data.Bars(ChartPeriod::Day);
    bool any = false;
    auto cover = [&](qint64 first, qint64 last) {
        data.firstDay = any ? std::min(data.firstDay, first) : first;
        data.lastDay = any ? std::max(data.lastDay, last) : last;
        any = true;
    };
    if (!days.isEmpty())
        cover(days.first().firstDay, days.last().firstDay);
    if (!readings.isEmpty())
        cover(readings.first().day, readings.last().day);
    if (!readings.isEmpty()) {
        const auto [lowest, highest] = std::minmax_element(
            readings.begin(), readings.end(),
            [](const ChartReading &a, const ChartReading &b) { return a.reading < b.reading; });
        data.lowest = lowest->reading;
        data.highest = highest->reading;
    }
    return data;
}

std::pair<qsizetype, qsizetype> ReadingsBetween(const QVector<ChartReading> &sorted, double from,
                                                double to)
{
    const auto first =
        std::lower_bound(sorted.begin(), sorted.end(), from,
                         [](const ChartReading &r, double t) { return ReadingTime(r) < t; });
    const auto end = std::upper_bound(first, sorted.end(), to, [](double t, const ChartReading &r) {
        return t < ReadingTime(r);
    });
    return {first - sorted.begin(), end - sorted.begin()};
}
