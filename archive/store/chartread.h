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

#include <QHash>
#include <QMap>

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

// The columns of the day tally every way of reading it selects, in this order.
inline constexpr char ChartTallyColumns[] = "date_key, unit, drawn, result_text, tests";

// The rows of the day tally summed up as the chart takes them: the readings
// the chart draws by unit, the tests and FAILs by day.
class ChartTallySum
{
public:
    void Add(long dateKey, QByteArrayView unit, bool drawn, QByteArrayView result, qint64 tests);
    QVector<ChartUnitCount> Units() const; // in the units' order
    QVector<ChartDayCount> Days() const;   // in any order

private:
    QMap<QByteArray, qint64> FUnits;
    QHash<long, ChartDayCount> FDays;
};

// The statement "SELECT " ChartTallyColumns from, with values bound in
// order, each row added to *sum; false with the database's words in *reason.
bool ReadChartTally(QSqlDatabase db, ArchiveLocation::Driver driver, const QString &from,
                    const QVariantList &values, ChartTallySum *sum, QString *reason);
bool ReadChartTallyByQt(QSqlDatabase db, const QString &from, const QVariantList &values,
                        ChartTallySum *sum, QString *reason);
