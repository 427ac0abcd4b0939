#pragma once
// Which archived records a window asks for: those of one tester or all,
// filtered as the search dialog filters, in the order of one column.

#include "archive/store/archiveerror.h"
#include "records/data/searchfilter.h"

#include <QString>
#include <QVariantList>

#include <optional>

struct ArchiveQuery
{
    std::optional<qint64> testerId; // nullopt = all testers
    SearchCriteria criteria;        // same meaning as the search dialog
};

// Sort column: 0..5 the six record columns (TestNo, Date, Time, Reading,
// Result, Sampling).
struct ArchiveSort
{
    int column = 0;
    bool ascending = true;
};

// The query as conditions on the records table.
struct ArchiveFilterSql
{
    QString where; // " WHERE ..." or empty
    QVariantList values;
    // The index that holds the records of the filter closest together, and
    // every other column the filter tests: a tester, else a reading range,
    // else a date range, else a test-number range, else the result. Empty
    // without a filter. SQLite is told to count and gather from it: without
    // statistics of value ranges it would guess.
    QString drivingIndex;
};

// Conditions that keep exactly the records FilterRecords keeps; std::nullopt
// with SettingsIncorrect for the test-number range the search dialog refuses.
std::optional<ArchiveFilterSql> ArchiveFilterOf(const ArchiveQuery &query, ArchiveError *error);

// " ORDER BY <column> ASC|DESC, id" for the sort.
QString ArchiveOrderSql(ArchiveSort sort);
