#include "archive/store/chartread.h"

#include "archive/store/archivesql.h"

#include <QSqlError>
#include <QSqlQuery>

ChartReadEnd ReadChartReadingsByQt(QSqlDatabase db, const QString &from, const QVariantList &values,
                                   const ChartKeepGoing &keepGoing, QVector<ChartReading> *readings,
                                   QString *reason)
{
    QSqlQuery sql(db);
    sql.setForwardOnly(true);
    if (!RunSql(sql,
                QStringLiteral("SELECT ") + QLatin1String(ChartReadingColumns) +
                    QStringLiteral(" FROM ") + from,
                values, reason)) {
        if (reason->isEmpty())
            *reason = SqlReason(sql.lastError());
        return ChartReadEnd::Failed;
    }
    const QString fail = QLatin1String(ChartFailText);
    ChartReadingMaker maker;
    qint64 rows = 0;
    while (sql.next()) {
        if (ChartReadStopped(++rows, keepGoing))
            return ChartReadEnd::Cancelled;
        const std::optional<ChartReading> reading =
            maker.Of(long(sql.value(1).toLongLong()), QStringView(sql.value(2).toString()),
                     float(sql.value(3).toDouble()), sql.value(0).toLongLong(),
                     sql.value(4).toString() == fail);
        if (reading)
            readings->append(*reading);
    }
    if (sql.lastError().isValid()) {
        *reason = SqlReason(sql.lastError());
        return ChartReadEnd::Failed;
    }
    return ChartReadEnd::Read;
}
