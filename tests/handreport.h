#pragma once
// A small selection whose report figures are worked out by hand.

#include "archive/chartscale.h"
#include "archive/chartsummary.h"
#include "archive/report.h"
#include "archive/store/chartinput.h"
#include "records/data/recordvalues.h"

inline GridRow Record(int testNo, const char *date, const char *time, const char *reading,
                      const char *result)
{
    return {QString::number(testNo).rightJustified(5, u'0'),
            QLatin1String(date),
            QLatin1String(time),
            QLatin1String(reading),
            QLatin1String(result),
            QStringLiteral("Manual")};
}

// The chart of records' readings in unit, as the archive would give it.
inline ChartData ChartOf(const GridRows &records, const QString &unit)
{
    ChartInput input;
    input.unit = unit;
    for (const GridRow &r : records) {
        const long dateKey = DateKey(r[1]);
        const bool fail = r[4] == QLatin1String("FAIL");
        input.days.append({dateKey, 1, fail ? 1 : 0});
        const ReadingParts parts = SplitReading(r[3]);
        const std::optional<double> value = ReadingNumber(parts.value);
        if (parts.unit == unit && value)
            if (const auto reading =
                    ChartReadingOf(dateKey, r[2], float(*value), TextToLong(r[0]), fail))
                input.readings.append(*reading);
    }
    return PrepareChart(std::move(input));
}

// Six records worked out by hand: PASS 4, FAIL 2; in %BAC 0.000, 0.045,
// 0.020, 0.020 (median at rank 2 of 4: 0.020; 90th percentile at rank 4:
// 0.045) and one that is no number; one in mg/L. Three tests in March 2010
// and three in April, one FAIL in each.
inline ReportInput HandReport()
{
    ReportInput input;
    input.testers = {
        {QStringLiteral("SN-77"), QStringLiteral("V1.02"), QStringLiteral("2009-03-15")}};
    input.criteria.byDate = true;
    input.criteria.dateFrom = QStringLiteral("2010-04-30");
    input.criteria.dateTo = QStringLiteral("2010-03-01");
    input.criteria.byTestNo = true;
    input.criteria.testNoFrom = QStringLiteral("1");
    input.criteria.testNoTo = QStringLiteral("6");
    input.records = {Record(1, "11 - Mar - 2010", "08:00.00", "0.000 %BAC", "PASS"),
                     Record(2, "11 - Mar - 2010", "09:10.00", "0.045 %BAC", "FAIL"),
                     Record(3, "12 - Mar - 2010", "10:00.00", "0.020 %BAC", "PASS"),
                     Record(4, "02 - Apr - 2010", "11:00.00", "----- %BAC", "FAIL"),
                     Record(5, "02 - Apr - 2010", "12:00.00", "0.210 mg/L", "PASS"),
                     Record(6, "03 - Apr - 2010", "13:00.00", "0.020 %BAC", "PASS")};
    input.figures = FiguresOf(input.records);
    input.chart = ChartOf(input.records, QStringLiteral("%BAC"));
    input.chartTitle.tester = QStringLiteral("SN-77");
    input.made = QDateTime(QDate(2010, 4, 5), QTime(14, 30));
    return input;
}
