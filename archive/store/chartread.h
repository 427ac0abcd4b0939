#pragma once
// The readings of the chart's unit read from the archive, a row a reading.
// How they are read is the system's: on Linux SQLite's own library and
// libpq read them on the very connection Qt holds (chartread_posix.cpp), a
// few hundred thousand rows without a QVariant for each value; elsewhere,
// and through ODBC, Qt SQL reads them.

#include "archive/store/archivelocation.h"
#include "archive/store/chartinput.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>

// The columns every way of reading selects, in this order.
inline constexpr char ChartReadingColumns[] = "test_no, date_key, time_text, reading, result_text";

// Rows between two questions whether to go on.
inline constexpr qint64 ChartRowsAsked = 4096;

enum class ChartReadEnd { Read, Cancelled, Failed };

// The statement "SELECT " ChartReadingColumns from, with values bound to its
// placeholders in order: each row whose date names a day and whose reading
// is a finite number appended to *readings. keepGoing, when given, is asked
// every ChartRowsAsked rows. Failed with the database's words in *reason.
using ChartKeepGoing = std::function<bool()>;
ChartReadEnd ReadChartReadings(QSqlDatabase db, ArchiveLocation::Driver driver, const QString &from,
                               const QVariantList &values, const ChartKeepGoing &keepGoing,
                               QVector<ChartReading> *readings, QString *reason);

// The same through Qt SQL only.
ChartReadEnd ReadChartReadingsByQt(QSqlDatabase db, const QString &from, const QVariantList &values,
                                   const ChartKeepGoing &keepGoing, QVector<ChartReading> *readings,
                                   QString *reason);

// Whether to stop after the rows read so far: asked every ChartRowsAsked.
inline bool ChartReadStopped(qint64 rows, const ChartKeepGoing &keepGoing)
{
    return rows % ChartRowsAsked == 0 && keepGoing && !keepGoing();
}

// The result text that makes a reading a FAIL.
inline constexpr char ChartFailText[] = "FAIL";
