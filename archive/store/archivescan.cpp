// The store's passes over every record of a selection: what the chart is
// drawn from, and each record's values for a report's figures.

#include "archive/store/archiveconnection.h"
#include "archive/store/archivestore.h"
#include "archive/store/charttally.h"

namespace {

// Rows between two questions whether to go on.
constexpr int RowsAsked = 4096;
const QString FailText = QStringLiteral("FAIL");

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
// all it reads, unless one tester's records are fewer to look up. Without
// statistics it would pick the reading range's index and look up every
// record's time.
QString ChartIndexHint(ArchiveLocation::Driver driver, const ArchiveQuery &query)
{
    if (driver != ArchiveLocation::Driver::Sqlite || query.testerId)
        return QString();
    return QStringLiteral(" INDEXED BY ") + QLatin1String(ChartReadingIndex);
}

// The readings of a day in one text, one after the other: the test number,
// the reading, 1 for FAIL, the length of the time text and the time text
// itself, with blanks between them. A row for each reading would cost the
// drivers more than the reading itself.
QString DayOfReadings(ArchiveLocation::Driver driver)
{
    const QString item = QStringLiteral("test_no || ' ' || reading || ' ' ||"
                                        " (CASE WHEN result_text = ? THEN 1 ELSE 0 END) || ' ' ||"
                                        " length(time_text) || ' ' || time_text");
    return driver == ArchiveLocation::Driver::Sqlite
               ? QStringLiteral("group_concat(") + item + QStringLiteral(", '')")
               : QStringLiteral("string_agg(") + item + QStringLiteral(", '')");
}

struct ReadingItem
{
    qint64 testNo = 0;
    float reading = 0;
    bool fail = false;
    QStringView time;
};

// The items of a day's text in turn.
class ReadingsOfDay
{
public:
    explicit ReadingsOfDay(QStringView text) : FText(text) {}
    bool Done() const { return FAt >= FText.size(); }
    std::optional<ReadingItem> Next()
    {
        ReadingItem item;
        bool ok = false;
        const QStringView testNo = Word();
        item.testNo = testNo.toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        item.reading = float(Word().toDouble(&ok));
        if (!ok)
            return std::nullopt;
        item.fail = Word() == u"1";
        const qsizetype length = Word().toLongLong(&ok);
        if (!ok || length < 0)
            return std::nullopt;
        // The databases count characters, and a character beyond the
        // first 65,536 takes two places in the text.
        const qsizetype from = FAt;
        for (qsizetype n = 0; n < length && FAt < FText.size(); ++n)
            FAt += FText[FAt].isHighSurrogate() && FAt + 1 < FText.size() ? 2 : 1;
        item.time = FText.mid(from, FAt - from);
        return item;
    }

private:
    QStringView Word()
    {
        const qsizetype blank = FText.indexOf(u' ', FAt);
        const qsizetype end = blank < 0 ? FText.size() : blank;
        const QStringView word = FText.mid(FAt, end - FAt);
        FAt = blank < 0 ? end : end + 1;
        return word;
    }

    QStringView FText;
    qsizetype FAt = 0;
};

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
    const auto stopped = [&](qint64 rows) {
        if (rows % RowsAsked != 0 || !keepGoing || keepGoing())
            return false;
        *error = ArchiveError(ArchiveErrorCode::Cancelled);
        return true;
    };

    // The bars and the units counted from the day's tally where it tells
    // the selection apart, else from its records.
    const std::optional<ArchiveFilterSql> tally = TallyFilterOf(query);
    const ArchiveFilterSql readings = And(*filter, Comparable);
    const bool counted =
        tally ? RunSql(sql,
                       QStringLiteral("SELECT unit, CAST(SUM(tests) AS BIGINT) FROM chart_days") +
                           And(*tally, QStringLiteral("drawn = 1")).where +
                           QStringLiteral(" GROUP BY unit"),
                       tally->values, &reason)
              : RunSql(sql,
                       QStringLiteral("SELECT unit, COUNT(*) FROM records") + readings.where +
                           QStringLiteral(" GROUP BY unit"),
                       readings.values, &reason);
    if (!counted)
        return failed();
    QVector<ChartUnitCount> counts;
    while (sql.next())
        counts.append({sql.value(0).toString(), sql.value(1).toLongLong()});

    ChartInput input;
    input.unit = unitOf(counts);
    const bool days =
        tally ? RunSql(sql,
                       QStringLiteral("SELECT date_key, CAST(SUM(tests) AS BIGINT),"
                                      " CAST(SUM(CASE WHEN result_text = ? THEN tests ELSE 0 END)"
                                      " AS BIGINT) FROM chart_days") +
                           tally->where + QStringLiteral(" GROUP BY date_key"),
                       QVariantList{FailText} + tally->values, &reason)
              : RunSql(sql,
                       QStringLiteral("SELECT date_key, COUNT(*),"
                                      " SUM(CASE WHEN result_text = ? THEN 1 ELSE 0 END)"
                                      " FROM records") +
                           filter->where + QStringLiteral(" GROUP BY date_key"),
                       QVariantList{FailText} + filter->values, &reason);
    if (!days)
        return failed();
    while (sql.next())
        input.days.append({long(sql.value(0).toLongLong()), sql.value(1).toLongLong(),
                           sql.value(2).toLongLong()});

    const ArchiveFilterSql inUnit =
        And(readings, QStringLiteral("unit = ?"), {SqlText(input.unit)});
    if (!RunSql(sql,
                QStringLiteral("SELECT date_key, ") + DayOfReadings(db->where.driver) +
                    QStringLiteral(" FROM records") + ChartIndexHint(db->where.driver, query) +
                    inUnit.where + QStringLiteral(" GROUP BY date_key"),
                QVariantList{FailText} + inUnit.values, &reason))
        return failed();
    qint64 rows = 0;
    while (sql.next()) {
        const long dateKey = long(sql.value(0).toLongLong());
        const QString day = sql.value(1).toString();
        for (ReadingsOfDay items{day}; !items.Done();) {
            const std::optional<ReadingItem> item = items.Next();
            if (!item) {
                reason = QStringLiteral("the chart's readings of %1 cannot be read").arg(dateKey);
                return failed();
            }
            if (stopped(++rows))
                return std::nullopt;
            if (const std::optional<ChartReading> reading =
                    ChartReadingOf(dateKey, item->time, item->reading, item->testNo, item->fail))
                input.readings.append(*reading);
        }
    }
    if (sql.lastError().isValid())
        return failed();
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
    QSqlQuery sql(db->Db());
    QString reason;
    if (!RunSql(sql,
                QStringLiteral("SELECT date_key, reading_text, result_text FROM records") +
                    filter->where,
                filter->values, &reason))
        return db->Fail(reason, error);
    while (sql.next()) {
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
