#pragma once
// Search criteria written short in a test's data rows.

#include "records/data/searchfilter.h"

// "from|to" switches a range on; for the reading "unit|from|to".
inline SearchCriteria Criteria(const QString &testNo, const QString &dates, const QString &reading,
                               const QString &result)
{
    SearchCriteria c;
    c.byTestNo = !testNo.isEmpty();
    c.testNoFrom = testNo.section('|', 0, 0);
    c.testNoTo = testNo.section('|', 1, 1);
    c.byDate = !dates.isEmpty();
    c.dateFrom = dates.section('|', 0, 0);
    c.dateTo = dates.section('|', 1, 1);
    c.byReading = !reading.isEmpty();
    c.unit = reading.section('|', 0, 0);
    c.readingFrom = reading.section('|', 1, 1);
    c.readingTo = reading.section('|', 2, 2);
    c.byResult = !result.isEmpty();
    c.result = result;
    return c;
}
