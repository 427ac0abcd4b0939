#pragma once
// A report's input as the archive window would give it, for the benchmark
// and the tests: the records of a chart sample as the tester writes them
// (a tenth of them in mg/L), their figures, the chart and two testers.

#include "archive/chartscale.h"
#include "archive/report.h"
#include "tools/chartsamples.h"

#include <algorithm>

// The records of input's readings, in time order, as the tester writes them.
inline GridRows RecordsOf(const ChartInput &input)
{
    GridRows rows;
    rows.reserve(input.readings.size());
    for (const ChartReading &r : input.readings) {
        // Every tenth test in another unit, as a site with two kinds of tester.
        const bool other = r.testNo % 10 == 0;
        rows.append({QString::number(r.testNo).rightJustified(5, u'0'), DayText(r.day),
                     TimeText(int(r.second)),
                     other ? ReadingText(r.reading * 4.76f, QStringLiteral("mg/L"))
                           : ReadingText(r.reading, input.unit),
                     QLatin1String(r.fail ? "FAIL" : "PASS"), QStringLiteral("Manual")});
    }
    return rows;
}

// A selection of readings tests over days from first.
inline ReportInput SampleReport(int readings, const QDate &first, int days)
{
    ChartSample sample;
    sample.readings = readings;
    sample.first = first;
    sample.days = days;
    ChartInput chart = MakeChartInput(sample);
    ReportInput input;
    input.testers = {
        {QStringLiteral("SN0012345"), QStringLiteral("V2.14"), QStringLiteral("2021-02-15")},
        {QStringLiteral("SN0012977"), QStringLiteral("V2.10"), QStringLiteral("2019-11-02")}};
    input.allTesters = true;
    input.records = RecordsOf(chart);
    input.figures = FiguresOf(input.records);
    // The chart is of %BAC only.
    chart.readings.erase(std::remove_if(chart.readings.begin(), chart.readings.end(),
                                        [](const ChartReading &r) { return r.testNo % 10 == 0; }),
                         chart.readings.end());
    input.chart = PrepareChart(std::move(chart));
    input.made = QDateTime(QDate(2022, 3, 1), QTime(9, 30));
    return input;
}
