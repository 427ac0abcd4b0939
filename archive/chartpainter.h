#pragma once
// Drawing the chart of readings onto any painter (the screen, a picture, a
// document, paper): the title and key, the axes, the tests of each period as
// bars split into PASS and FAIL, and the readings as dots or, when there are
// too many to tell apart, as one summary per period (the median, the band
// from the 10th to the 90th percentile and the fail rate). And what lies
// under a place of a drawn chart.

#include "archive/chartscale.h"
#include "archive/chartsummary.h"

#include <QRect>
#include <QString>

#include <optional>
#include <utility>

class QPainter;

// What the title says besides the unit, in the window's words.
struct ChartTitle
{
    QString tester; // "SN0012345", or empty for "all testers"
    QString period; // empty: the first and last day of the data
    QString filter; // "FAIL only", ...; empty: no filter
};

// The stretch of time shown, in days (Julian day numbers and the time of
// day as a fraction).
struct ChartView
{
    double first = 0;
    double last = 1;

    double Span() const { return last - first; }
    bool operator==(const ChartView &o) const { return first == o.first && last == o.last; }
};
// All of the data, from the start of the period of its first day to the
// end of the period of its last.
ChartView FullView(const ChartData &data);
// A view no shorter than the shortest zoom and inside the full view.
ChartView FittedView(ChartView view, const ChartView &full);
inline constexpr double ShortestView = 10.0 / 1440; // ten minutes

// Where a paint put things.
struct ChartFrame
{
    QRect plot;
    ChartView view;
    ChartStyle style;
    ValueTicks readings;
    ValueTicks counts;
    ValueTicks rates;                            // percent, shown with summaries only
    std::pair<qsizetype, qsizetype> shown{0, 0}; // the readings in view

    double X(double day) const;
    double DayAt(double x) const;
    double Y(double reading) const;
    double CountY(double count) const;
    double RateY(double percent) const;
};

// The first line of the title: "Readings in %BAC, all testers".
QString ChartHeading(const QString &unit, const ChartTitle &title);
// The second: the period (zoomed, the stretch shown) and the filter.
QString ChartSubheading(const ChartData &data, const ChartView &view, const ChartTitle &title);

// Draws the chart of data over view into area; the painter's font sets the
// size of every text.
ChartFrame PaintChart(QPainter &painter, const QRect &area, const ChartData &data,
                      const ChartView &view, const ChartTitle &title);

// The reading drawn nearest to pos in frame, within radius pixels; at equal
// distance a FAIL (drawn on top) wins.
std::optional<qsizetype> ReadingAt(const ChartData &data, const ChartFrame &frame,
                                   const QPoint &pos, int radius);
// What a period holds, one line each: its name, its tests, and with
// readings their median and band; empty when no period of the frame's bars
// lies under pos (with summaries: anywhere above the period; with dots: on
// its bar).
QString PeriodTipAt(const ChartData &data, const ChartFrame &frame, const QPoint &pos);
