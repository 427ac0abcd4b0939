// The chart's readings on Windows, where Qt's SQLite driver carries SQLite
// inside itself and a server is reached through ODBC: Qt SQL only.

#include "archive/store/chartread.h"

ChartReadEnd ReadChartReadings(QSqlDatabase db, ArchiveLocation::Driver, const QString &from,
                               const QVariantList &values, const ChartKeepGoing &keepGoing,
                               QVector<ChartReading> *readings, QString *reason)
{
    return ReadChartReadingsByQt(db, from, values, keepGoing, readings, reason);
}

bool ReadChartTally(QSqlDatabase db, ArchiveLocation::Driver, const QString &from,
                    const QVariantList &values, ChartTallySum *sum, QString *reason)
{
    return ReadChartTallyByQt(db, from, values, sum, reason);
}
