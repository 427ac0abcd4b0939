#include "archive/store/chartread.h"

#include "archive/store/archivesql.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// "SELECT " columns " FROM " from run forward only with values bound; false
// with the database's words in *reason.
bool SelectByQt(QSqlQuery &sql, const char *columns, const QString &from,
                const QVariantList &values, QString *reason)
{
    sql.setForwardOnly(true);
    if (RunSql(sql,
               QStringLiteral("SELECT ") + QLatin1String(columns) + QStringLiteral(" FROM ") + from,
               values, reason))
        return true;
    if (reason->isEmpty())
        *reason = SqlReason(sql.lastError());
    return false;
}

} // namespace

ChartReadEnd ReadChartReadingsByQt(QSqlDatabase db, const QString &from, const QVariantList &values,
                                   const ChartKeepGoing &keepGoing, QVector<ChartReading> *readings,
                                   QString *reason)
{
    QSqlQuery sql(db);
    if (!SelectByQt(sql, ChartReadingColumns, from, values, reason))
        return ChartReadEnd::Failed;
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

void ChartTallySum::Add(long dateKey, QByteArrayView unit, bool drawn, QByteArrayView result,
                        qint64 tests)
{
    if (drawn)
        FUnits[unit.toByteArray()] += tests;
    ChartDayCount &day = FDays[dateKey];
    day.dateKey = dateKey;
    day.tests += tests;
    if (result == QByteArrayView(ChartFailText))
        day.fails += tests;
}

QVector<ChartUnitCount> ChartTallySum::Units() const
{
    QVector<ChartUnitCount> units;
    for (auto at = FUnits.cbegin(); at != FUnits.cend(); ++at)
        units.append({QString::fromUtf8(at.key()), at.value()});
    return units;
}

QVector<ChartDayCount> ChartTallySum::Days() const
{
    QVector<ChartDayCount> days;
    days.reserve(FDays.size());
    for (const ChartDayCount &day : FDays)
        days.append(day);
    return days;
}

bool ReadChartTallyByQt(QSqlDatabase db, const QString &from, const QVariantList &values,
                        ChartTallySum *sum, QString *reason)
{
    QSqlQuery sql(db);
    if (!SelectByQt(sql, ChartTallyColumns, from, values, reason))
        return false;
    while (sql.next())
        sum->Add(long(sql.value(0).toLongLong()), sql.value(1).toString().toUtf8(),
                 sql.value(2).toLongLong() != 0, sql.value(3).toString().toUtf8(),
                 sql.value(4).toLongLong());
    if (sql.lastError().isValid()) {
        *reason = SqlReason(sql.lastError());
        return false;
    }
    return true;
}
