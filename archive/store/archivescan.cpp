// The store's passes over every record of a selection: what the chart is
// drawn from, and each record's values for a report's figures.

#include "archive/store/archiveconnection.h"
#include "archive/store/archivestore.h"
#include "archive/store/chartread.h"
#include "archive/store/charttally.h"

namespace {

const QString FailText = QLatin1String(ChartFailText);

// The query's conditions, and more of them.
ArchiveFilterSql And(ArchiveFilterSql filter, const QString &condition,
                     const QVariantList &values = {})
{
    filter.where += filter.where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    filter.where += condition;
    filter.values += values;
    return filter;
}

// The readings the chart and the search can compare.
const QString Comparable = QStringLiteral("reading_ok = 1 AND reading IS NOT NULL");

// SQLite reads the readings of a unit from the chart's index, which holds
// all it reads, and one tester's from that tester's records. Without
// statistics it would pick the reading range's index and look up every
// record's time, or for one tester look up every record of the unit in the
// date range to find the tester's few.
QString ChartIndexHint(ArchiveLocation::Driver driver, const ArchiveQuery &query,
                       const ArchiveFilterSql &filter)
{
    if (driver != ArchiveLocation::Driver::Sqlite)
        return QString();
    return QStringLiteral(" INDEXED BY ") +
           (query.testerId ? filter.drivingIndex : QLatin1String(ChartReadingIndex));
}

} // namespace

std::optional<ChartInput>
ArchiveStore::Chart(const ArchiveQuery &query,
                    const std::function<QString(const QVector<ChartUnitCount> &counts)> &unitOf,
                    ArchiveError *error, const std::function<bool()> &keepGoing)
{
    const std::optional<ArchiveFilterSql> filter = ArchiveFilterOf(query, error);
    if (!filter)
        return std::nullopt;
    QSqlQuery sql(db->Db());
    QString reason;
    const auto failed = [&]() -> std::optional<ChartInput> {
        db->Fail(reason.isEmpty() ? SqlReason(sql.lastError()) : reason, error);
        return std::nullopt;
    };

    // The bars and the units counted from the day's tally where it tells
    // the selection apart, read in one pass; else from its records.
    const std::optional<ArchiveFilterSql> tally = TallyFilterOf(query);
    const ArchiveFilterSql readings = And(*filter, Comparable);
    ChartInput input;
    if (tally) {
        ChartTallySum sum;
        if (!ReadChartTally(db->Db(), db->where.driver, QStringLiteral("chart_days") + tally->where,
                            tally->values, &sum, &reason))
            return failed();
        input.unit = unitOf(sum.Units());
        input.days = sum.Days();
    } else {
        if (!RunSql(sql,
                    QStringLiteral("SELECT unit, COUNT(*) FROM records") + readings.where +
                        QStringLiteral(" GROUP BY unit"),
                    readings.values, &reason))
            return failed();
        QVector<ChartUnitCount> counts;
        while (sql.next())
            counts.append({sql.value(0).toString(), sql.value(1).toLongLong()});
        input.unit = unitOf(counts);
        if (!RunSql(sql,
                    QStringLiteral("SELECT date_key, COUNT(*),"
                                   " SUM(CASE WHEN result_text = ? THEN 1 ELSE 0 END)"
                                   " FROM records") +
                        filter->where + QStringLiteral(" GROUP BY date_key"),
                    QVariantList{FailText} + filter->values, &reason))
            return failed();
        while (sql.next())
            input.days.append({long(sql.value(0).toLongLong()), sql.value(1).toLongLong(),
                               sql.value(2).toLongLong()});
    }

    const ArchiveFilterSql inUnit =
        And(readings, QStringLiteral("unit = ?"), {SqlText(input.unit)});
    sql.finish();
    // No record has a unit with a NUL in it (a server keeps none in a text),
    // but a server's library would send it cut short at the NUL: another
    // unit.
    if (input.unit.contains(QChar(0)))
        return input;
    switch (ReadChartReadings(db->Db(), db->where.driver,
                              QStringLiteral("records") +
                                  ChartIndexHint(db->where.driver, query, *filter) + inUnit.where,
                              inUnit.values, keepGoing, &input.readings, &reason)) {
    case ChartReadEnd::Read:
        break;
    case ChartReadEnd::Cancelled:
        *error = ArchiveError(ArchiveErrorCode::Cancelled);
        return std::nullopt;
    case ChartReadEnd::Failed:
        return failed();
    }
    return input;
}

bool ArchiveStore::EachRecord(
    const ArchiveQuery &query,
    const std::function<bool(long dateKey, QStringView reading, QStringView result)> &each,
    ArchiveError *error)
{
    const std::optional<ArchiveFilterSql> filter = ArchiveFilterOf(query, error);
    if (!filter)
        return false;
    LongPass pass(db->Db(), db->where.driver);
    QSqlQuery sql(db->Db());
    QString reason;
    if (!pass.Began(&reason) ||
        !RunSql(sql,
                QStringLiteral("SELECT date_key, reading_text, result_text FROM records") +
                    filter->where,
                filter->values, &reason))
        return db->Fail(reason, error);
    while (sql.next()) {
        pass.Row();
        const QString reading = sql.value(1).toString();
        const QString result = sql.value(2).toString();
        if (!each(long(sql.value(0).toLongLong()), reading, result)) {
            *error = ArchiveError(ArchiveErrorCode::Cancelled);
            return false;
        }
    }
    if (sql.lastError().isValid())
        return db->Fail(SqlReason(sql.lastError()), error);
    return true;
}
