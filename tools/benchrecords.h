#pragma once
// Records for the benchmarks: random dates, times, readings in every unit,
// results and sampling types, as testers send them.

#include "records/data/recordfields.h"
#include "records/data/recordvalues.h"

#include <QRandomGenerator>

inline GridRow RandomRecord(QRandomGenerator &random, const QString &testNo)
{
    const int day = 1 + int(random.bounded(28));
    const QString date =
        QString::asprintf("%02d / %s / %04d", day, MonthNames[1 + random.bounded(12)],
                          2005 + int(random.bounded(10)));
    const QString time =
        QString::asprintf("%02d:%02d", int(random.bounded(24)), int(random.bounded(60)));
    const QString reading = QString::asprintf("%.3f ", random.bounded(400) / 1000.0) +
                            UnitText(char('0' + random.bounded(7)));
    return {testNo,
            date,
            time,
            reading,
            ResultText(char('0' + random.bounded(3))),
            SamplingText(char('0' + random.bounded(2)))};
}

// The device lines of tester number tester.
inline QStringList Device(int tester)
{
    return {"Device Information ",
            QStringLiteral("Serial Number         : SN%1").arg(tester, 7, 10, QLatin1Char('0')),
            "Software Version  : V1.07", "Last Calibration      : 2010-01-31"};
}

// count records of one tester with distinct keys, as a tester sends them.
inline GridRows MakeRecords(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    GridRows rows;
    rows.reserve(count);
    for (int r = 0; r < count; ++r)
        rows << RandomRecord(random, QString::number(r + 1).rightJustified(5, '0'));
    return rows;
}
