#pragma once
// The chart's data made ready for drawing once, when it arrives: the
// readings in time order and, for days, weeks and months, the tests of each
// period as bars and the readings of each period summed up (median and the
// band from the 10th to the 90th percentile). A paint then only looks up
// what it shows, however many readings there are. Plain data over Qt Core.

#include "archive/store/chartinput.h"

#include <array>
#include <utility>
#include <vector>

enum class ChartPeriod { Day, Week, Month };
inline constexpr int ChartPeriodKinds = 3;

// The first day of the period that holds day (a week starts on Monday), and
// the first day of the period after the one that starts at start.
qint64 PeriodStart(qint64 day, ChartPeriod period);
qint64 PeriodEnd(qint64 start, ChartPeriod period);

// More readings than this in view are drawn as one summary per period.
inline constexpr qint64 MostPointsDrawn = 3000;

// How the readings of a view are drawn, and the period of its bars.
struct ChartStyle
{
    bool summary = false;
    ChartPeriod period = ChartPeriod::Month;
};
// points: the readings in view; spanDays: the length of the view. Days up to
// nine weeks, weeks up to a year (54 weeks), months beyond.
ChartStyle StyleOfView(qint64 points, double spanDays);

// The tests of one period, whatever their unit.
struct PeriodBar
{
    qint64 firstDay = 0;
    qint64 endDay = 0; // the first day of the next period
    qint64 tests = 0;
    qint64 fails = 0;
};
// Every period with tests, in order; days whose key names no day are left
// out.
QVector<PeriodBar> PeriodBars(const QVector<ChartDayCount> &days, ChartPeriod period);

// The readings of one period that has any.
struct PeriodSummary
{
    qint64 firstDay = 0;
    qint64 endDay = 0;
    qint64 readings = 0;
    float low = 0; // 10th percentile
    float median = 0;
    float high = 0; // 90th percentile
};
// One summary per period with readings, in order; sorted is in time order.
QVector<PeriodSummary> PeriodSummaries(const QVector<ChartReading> &sorted, ChartPeriod period);

// The quantile q (0 to 1) of values, between the two nearest values when it
// falls between them (so the median of 1 and 2 is 1.5). values is reordered
// and must not be empty.
float Quantile(std::vector<float> &values, double q);

struct ChartData
{
    QString unit;
    QVector<ChartReading> readings; // in time order
    std::array<QVector<PeriodBar>, ChartPeriodKinds> bars;
    std::array<QVector<PeriodSummary>, ChartPeriodKinds> summaries;
    qint64 firstDay = 0; // the first and last day of any test or reading
    qint64 lastDay = 0;
    float lowest = 0; // of the readings
    float highest = 0;

    const QVector<PeriodBar> &Bars(ChartPeriod p) const { return bars[size_t(p)]; }
    const QVector<PeriodSummary> &Summaries(ChartPeriod p) const { return summaries[size_t(p)]; }
};
// Everything the chart draws from input.
ChartData PrepareChart(ChartInput input);

// The index range [first, end) of the sorted readings whose time (in days)
// lies within from..to.
std::pair<qsizetype, qsizetype> ReadingsBetween(const QVector<ChartReading> &sorted, double from,
                                                double to);
