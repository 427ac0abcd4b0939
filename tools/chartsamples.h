#pragma once
// Chart inputs as a site's archive gives them, for the benchmarks and the
// tests: tests through the day (fewer at weekends), readings that drift
// upwards over the years, FAIL above a limit (so the fail rate rises with
// the drift), and a tenth of the tests in another unit (counted in the bars,
// not drawn).

#include "archive/store/chartinput.h"

#include <QDate>
#include <QRandomGenerator>

#include <cmath>

struct ChartSample
{
    int readings = 1000;
    QDate first = QDate(2021, 1, 4);
    int days = 3 * 365;
    double startMean = 0.020; // %BAC
    double endMean = 0.034;
    double failAbove = 0.050;
    quint32 seed = 1;
};

inline ChartInput MakeChartInput(const ChartSample &s)
{
    QRandomGenerator random(s.seed);
    ChartInput input;
    input.unit = QStringLiteral("%BAC");
    input.readings.reserve(s.readings);
    const qint64 firstDay = s.first.toJulianDay();
    // Working days take three times the tests of a weekend day.
    QVector<double> weight(s.days);
    double total = 0;
    for (int d = 0; d < s.days; ++d)
        total += weight[d] = (firstDay + d) % 7 >= 5 ? 1 : 3;
    qint32 testNo = 0;
    double before = 0; // the weight of the days before
    for (int d = 0; d < s.days; ++d) {
        const qint64 day = firstDay + d;
        const QDate date = QDate::fromJulianDay(day);
        const long dateKey = date.year() * 10000L + date.month() * 100L + date.day();
        const int count = int(std::lround(s.readings * (before + weight[d]) / total) -
                              std::lround(s.readings * before / total));
        before += weight[d];
        ChartDayCount counted{dateKey, 0, 0};
        const double mean = s.startMean + (s.endMean - s.startMean) * d / s.days;
        for (int i = 0; i < count; ++i) {
            // Spread like real breath readings: skewed, never below zero.
            const double u1 = std::max(1e-12, random.generateDouble());
            const double gauss =
                std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * random.generateDouble());
            const float reading = float(std::round(mean * std::exp(0.55 * gauss) * 1000) / 1000);
            const int second = 6 * 3600 + int(random.bounded(16 * 3600));
            const bool fail = reading > s.failAbove;
            testNo = testNo % 99999 + 1;
            input.readings.append(
                {qint32(day), reading, testNo, quint32(second), 1u, fail ? 1u : 0u});
            ++counted.tests;
            counted.fails += fail ? 1 : 0;
            if (random.bounded(10) == 0) // a test in another unit
                ++counted.tests;
        }
        if (counted.tests > 0)
            input.days.append(counted);
    }
    return input;
}
