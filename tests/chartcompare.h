#pragma once
// The chart of a selection as the store draws it, against the same chart
// worked out in the test from every record of the selection, read one by
// one: the readings counted in each unit, the tests and FAILs of every day,
// and the bars and summaries of days, weeks and months.

#include "archive/chartsummary.h"
#include "archive/store/archiveinsert.h"
#include "archive/store/archivestore.h"
#include "records/data/recordvalues.h"

#include <QTest>

#include <map>

struct ChartBothWays
{
    ChartData store, records;
    std::map<QString, qint64> storeUnits, recordUnits;
};

// The chart of query in the unit it comes in, both ways; false with the
// reason in *error when the store fails.
inline bool DrawBothWays(ArchiveStore &store, const ArchiveQuery &query, ChartBothWays *both,
                         ArchiveError *error)
{
    std::optional<ChartInput> drawn = store.Chart(
        query,
        [both](const QVector<ChartUnitCount> &counts) {
            for (const ChartUnitCount &c : counts)
                both->storeUnits[c.unit] += c.readings;
            return MostCommonUnit(counts);
        },
        error);
    const ArchiveSort byDate{1, true};
    const std::optional<qint64> count = drawn ? store.Select(query, byDate, error) : std::nullopt;
    if (!count)
        return false;
    ChartInput input;
    input.unit = drawn->unit;
    std::map<long, ChartDayCount> days;
    const bool read = store.ForEachRecord(
        query, byDate, *count,
        [&](const ArchivedRecord &r) {
            const long dateKey = DateKey(r.cells[1]);
            const RecordKeys keys = RecordKeysOf(r.cells, dateKey);
            const bool fail = r.cells[4] == QLatin1String("FAIL");
            ChartDayCount &day = days[dateKey];
            day.dateKey = dateKey;
            ++day.tests;
            day.fails += fail ? 1 : 0;
            if (!keys.readingOk || !keys.reading)
                return true;
            ++both->recordUnits[keys.unit];
            if (keys.unit == input.unit)
                if (const auto reading = ChartReadingOf(dateKey, r.cells[2], float(*keys.reading),
                                                        keys.testNo, fail))
                    input.readings.append(*reading);
            return true;
        },
        error);
    if (!read)
        return false;
    for (const auto &[key, day] : days)
        input.days.append(day);
    both->store = PrepareChart(std::move(*drawn));
    both->records = PrepareChart(std::move(input));
    return true;
}

inline bool operator==(const PeriodBar &a, const PeriodBar &b)
{
    return a.firstDay == b.firstDay && a.endDay == b.endDay && a.tests == b.tests &&
           a.fails == b.fails;
}
inline bool operator==(const PeriodSummary &a, const PeriodSummary &b)
{
    return a.firstDay == b.firstDay && a.endDay == b.endDay && a.readings == b.readings &&
           a.low == b.low && a.median == b.median && a.high == b.high;
}

// Fails the test where the two charts differ.
inline void CompareBothWays(const ChartBothWays &both)
{
    QCOMPARE(both.store.unit, both.records.unit);
    QVERIFY(both.storeUnits == both.recordUnits);
    QCOMPARE(both.store.readings.size(), both.records.readings.size());
    QCOMPARE(both.store.firstDay, both.records.firstDay);
    QCOMPARE(both.store.lastDay, both.records.lastDay);
    for (int kind = 0; kind < ChartPeriodKinds; ++kind) {
        const auto period = ChartPeriod(kind);
        QVERIFY(both.store.Bars(period) == both.records.Bars(period));
        QVERIFY(both.store.Summaries(period) == both.records.Summaries(period));
    }
}
