#include "archive/store/archivepaging.h"

#include "archive/store/archiveorder.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/charttally.h"
#include "records/data/searchfilter.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

const char *const SortIndexes[RecordColumns] = {"records_by_test_no", "records_by_date",
                                                "records_by_time",    "records_by_reading_text",
                                                "records_by_result",  "records_by_sampling"};

// A whole selection up to this size is read through its filter and sorted at
// once when written out; a larger one is read along its sort column's index.
constexpr qint64 SortedAtOnce = 50000;

// How one statement reads the selection.
struct Reading
{
    bool backward = false; // from the end towards the start
    // Only the records past this one in the reading's direction: the sort
    // value (a text column's rank) and the id.
    std::optional<std::pair<QVariant, qint64>> past;
    qint64 skip = 0;
    std::optional<qint64> limit;
};

// Either the selection is gathered through its filter's index and sorted, or
// its sort column's index is walked in order and each record tested. Walking
// reads about (skip + limit) * archived / count records, gathering count.
// The databases judge that by their statistics; SQLite has none of value
// ranges and is told which index to use.
bool Gathered(const PagingContext &c, const ArchiveFilterSql &filter, qint64 count, qint64 reach)
{
    if (filter.drivingIndex.isEmpty())
        return false;
    const double archived = double(c.archived.value_or(count));
    return double(count) * double(count) <= double(reach) * archived;
}

QString IndexedBy(const PagingContext &c, const QString &index)
{
    return c.driver == ArchiveLocation::Driver::Sqlite && !index.isEmpty()
               ? QStringLiteral(" INDEXED BY ") + index
               : QString();
}

using RankBounds = std::pair<qint64, qint64>;

// The ranks a text column's values can have in the selection when the filter
// tests that column itself: a reading range sorted by reading, a result
// sorted by result. Walking the column's order unbounded passes over every
// record the filter turns away first: the last page of low readings read
// from the high end crosses nearly the whole archive.
std::optional<RankBounds> RanksKept(const PagingContext &c, const ArchiveQuery &query,
                                    ArchiveSort sort)
{
    const SearchCriteria &criteria = query.criteria;
    const std::optional<SearchBounds> bounds =
        CellTested(sort.column, criteria) ? PrepareSearch(criteria) : std::nullopt;
    if (!bounds)
        return std::nullopt;
    // No value kept: no rank either.
    return c.orders
        ->RankSpan(
            sort.column,
            [&](const QString &text) { return CellMeets(sort.column, text, criteria, *bounds); })
        .value_or(RankBounds(1, 0));
}

// What RecordOf reads: the six texts, the tester, the id and the sort column.
QString SelectedColumns(const QString &sortColumn)
{
    return QStringLiteral("SELECT r.test_no_text, r.date_text, r.time_text, r.reading_text,"
                          " r.result_text, r.sampling_text, r.tester_id, r.id, r.") +
           sortColumn;
}

QString Direction(bool up)
{
    return up ? QStringLiteral("ASC") : QStringLiteral("DESC");
}

// A page of a text column's order on PostgreSQL, walked value by value.
// Joined plainly, the server does not see that each value's records come in
// id order along the index and sorts each value's records whole: half a
// million for a result of a million records, a quarter of a second. Asking
// each value for no more records than the page can use keeps that sort to a
// page's worth.
QString LateralSql(const ArchiveFilterSql &filter, ArchiveSort sort,
                   const std::optional<RankBounds> &ranks, const Reading &reading,
                   QVariantList *values)
{
    const int column = sort.column;
    const QString name = QLatin1String(SortColumnName(column));
    const bool up = sort.ascending != reading.backward;
    const bool idUp = !reading.backward;
    QStringList inner = {QStringLiteral("r.") + name + QStringLiteral(" = k.text")};
    if (!filter.where.isEmpty())
        inner << filter.where.mid(int(QStringLiteral(" WHERE ").size()));
    *values = filter.values;
    // A column number from 2 to 5 names the order's rows.
    QStringList outer = {QStringLiteral("k.col = %1").arg(column)};
    QVariantList outerValues;
    if (ranks) {
        outer << QStringLiteral("k.rank >= ? AND k.rank <= ?");
        outerValues << ranks->first << ranks->second;
    }
    if (reading.past) {
        // The value's records past the last one read, and every record of
        // the values after it, as one bound on the index's ids: with an OR
        // of the two the server reads the value's records from its first.
        inner << QStringLiteral("r.id %1 CASE WHEN k.rank = ? THEN CAST(? AS BIGINT)"
                                " ELSE CAST(? AS BIGINT) END")
                     .arg(idUp ? QStringLiteral(">") : QStringLiteral("<"));
        *values << reading.past->first << reading.past->second
                << (idUp ? qint64(0) : std::numeric_limits<qint64>::max());
        outer
            << QStringLiteral("k.rank %1 ?").arg(up ? QStringLiteral(">=") : QStringLiteral("<="));
        outerValues << reading.past->first;
    }
    *values << *reading.limit + reading.skip;
    *values += outerValues;
    *values << *reading.limit << reading.skip;
    return SelectedColumns(name) +
           QStringLiteral(" FROM kestrune_order k CROSS JOIN LATERAL (SELECT * FROM records r"
                          " WHERE ") +
           inner.join(QStringLiteral(" AND ")) + QStringLiteral(" ORDER BY r.id ") +
           Direction(idUp) + QStringLiteral(" LIMIT ?) r WHERE ") +
           outer.join(QStringLiteral(" AND ")) + QStringLiteral(" ORDER BY k.rank ") +
           Direction(up) + QStringLiteral(", r.id ") + Direction(idUp) +
           QStringLiteral(" LIMIT ? OFFSET ?");
}

QString SelectSql(const PagingContext &c, const ArchiveFilterSql &filter, ArchiveSort sort,
                  bool gathered, const std::optional<RankBounds> &ranks, const Reading &reading,
                  QVariantList *values)
{
    const int column = std::clamp(sort.column, 0, RecordColumns - 1);
    const QString name = QLatin1String(SortColumnName(column));
    const bool text = IsTextSortColumn(column);
    if (text && !gathered && reading.limit && c.driver == ArchiveLocation::Driver::Postgres)
        return LateralSql(filter, {column, sort.ascending}, ranks, reading, values);
    const QString key = text ? QStringLiteral("k.rank") : QStringLiteral("r.") + name;
    const QString index = gathered ? filter.drivingIndex : QLatin1String(SortIndexes[column]);
    QString from = QStringLiteral("records r") + IndexedBy(c, index);
    if (text) {
        // A column number from 2 to 5 names the order's rows.
        const QString order = QStringLiteral("kestrune_order k");
        const QString join =
            QStringLiteral(" ON k.col = %1 AND k.text = r.%2").arg(column).arg(name);
        // SQLite joins a CROSS JOIN in the order written: the ranks first
        // when walking. PostgreSQL takes no ON after a CROSS JOIN.
        const QString joined = c.driver == ArchiveLocation::Driver::Sqlite
                                   ? QStringLiteral(" CROSS JOIN ")
                                   : QStringLiteral(" JOIN ");
        from = gathered ? from + joined + order + join : order + joined + from + join;
    }
    QStringList terms;
    if (!filter.where.isEmpty())
        terms << filter.where.mid(int(QStringLiteral(" WHERE ").size()));
    *values = filter.values;
    if (text && ranks) {
        terms << QStringLiteral("k.rank >= ? AND k.rank <= ?");
        *values << ranks->first << ranks->second;
    }
    const bool up = sort.ascending != reading.backward;
    const bool idUp = !reading.backward;
    if (reading.past) {
        // Bounded by the value too, so that the index is entered there.
        terms << QStringLiteral("%1 %2 ? AND (%1 %3 ? OR r.id %4 ?)")
                     .arg(key, up ? QStringLiteral(">=") : QStringLiteral("<="),
                          up ? QStringLiteral(">") : QStringLiteral("<"),
                          idUp ? QStringLiteral(">") : QStringLiteral("<"));
        *values << reading.past->first << reading.past->first << reading.past->second;
    }
    QString sql = SelectedColumns(name) + QStringLiteral(" FROM ") + from;
    if (!terms.isEmpty())
        sql += QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY %1 %2, r.id %3").arg(key, Direction(up), Direction(idUp));
    if (reading.limit) {
        sql += QStringLiteral(" LIMIT ? OFFSET ?");
        *values << *reading.limit << reading.skip;
    }
    return sql;
}

ArchivedRecord RecordOf(const QSqlQuery &query)
{
    ArchivedRecord r;
    r.cells.reserve(RecordColumns);
    for (int i = 0; i < RecordColumns; ++i)
        r.cells << query.value(i).toString();
    r.testerId = query.value(RecordColumns).toLongLong();
    r.id = query.value(RecordColumns + 1).toLongLong();
    r.sortValue = query.value(RecordColumns + 2);
    return r;
}

std::optional<ArchiveFilterSql> Filter(const ArchiveQuery &query, ArchiveError *error)
{
    return ArchiveFilterOf(query, error);
}

bool Failed(const QString &reason, ArchiveError *error)
{
    *error = DatabaseError(reason);
    return false;
}

bool PrepareOrder(PagingContext &c, ArchiveSort sort, bool recheck, ArchiveError *error)
{
    QString reason;
    if (!IsTextSortColumn(sort.column) ||
        c.orders->Prepare(c.db, c.driver, sort.column, recheck, &reason))
        return true;
    return Failed(reason, error);
}

bool ReadArchived(PagingContext &c, ArchiveError *error)
{
    if (c.archived)
        return true;
    QSqlQuery query(c.db);
    QString reason;
    if (!RunSql(query, QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM records"), {}, &reason) ||
        !query.next())
        return Failed(reason.isEmpty() ? SqlReason(query.lastError()) : reason, error);
    c.archived = query.value(0).toLongLong();
    return true;
}

// The key of an anchor as the statement compares it; none for a text no
// longer among the column's values.
std::optional<std::pair<QVariant, qint64>> Past(const PagingContext &c, ArchiveSort sort,
                                                const ArchiveRowKey &key)
{
    if (!IsTextSortColumn(sort.column))
        return std::pair(key.value, key.id);
    const std::optional<qint64> rank = c.orders->RankOf(sort.column, key.value.toString());
    if (!rank)
        return std::nullopt;
    return std::pair(QVariant(*rank), key.id);
}

// The reading that passes over the fewest records on the way to the page.
Reading NearestStart(const PagingContext &c, ArchiveSort sort, const ArchivePageAsk &ask,
                     qint64 limit)
{
    Reading best;
    best.skip = ask.first;
    best.limit = limit;
    const auto consider = [&](bool backward, qint64 skip,
                              const std::optional<std::pair<QVariant, qint64>> &past) {
        if (skip < 0 || skip >= best.skip)
            return;
        best.backward = backward;
        best.skip = skip;
        best.past = past;
    };
    consider(true, ask.count - (ask.first + limit), std::nullopt);
    if (ask.before)
        if (const auto past = Past(c, sort, ask.before->key))
            consider(false, ask.first - ask.before->row - 1, past);
    if (ask.after)
        if (const auto past = Past(c, sort, ask.after->key))
            consider(true, ask.after->row - (ask.first + limit), past);
    return best;
}

} // namespace

ArchiveRowKey KeyOf(const ArchivedRecord &record)
{
    return {record.sortValue, record.id};
}

std::optional<qint64> CountRecords(PagingContext &c, const ArchiveQuery &query, ArchiveError *error)
{
    const std::optional<ArchiveFilterSql> filter = Filter(query, error);
    if (!filter)
        return std::nullopt;
    QSqlQuery sql(c.db);
    QString reason;
    // All records, a date range or a result: the chart's tally of every
    // day's tests holds the count in a few thousand rows.
    const std::optional<ArchiveFilterSql> tally = TallyFilterOf(query);
    if (!(tally ? RunSql(sql,
                         QStringLiteral(
                             "SELECT CAST(COALESCE(SUM(tests), 0) AS BIGINT) FROM chart_days") +
                             tally->where,
                         tally->values, &reason)
                : RunSql(sql,
                         QStringLiteral("SELECT COUNT(*) FROM records") +
                             IndexedBy(c, filter->drivingIndex) + filter->where,
                         filter->values, &reason)) ||
        !sql.next()) {
        Failed(reason.isEmpty() ? SqlReason(sql.lastError()) : reason, error);
        return std::nullopt;
    }
    return sql.value(0).toLongLong();
}

std::optional<qint64> SelectRecords(PagingContext &c, const ArchiveQuery &query, ArchiveSort sort,
                                    ArchiveError *error)
{
    // Read again for each selection: the archive may have grown since.
    c.archived.reset();
    const std::optional<qint64> count = CountRecords(c, query, error);
    if (!count || !PrepareOrder(c, sort, true, error) || !ReadArchived(c, error))
        return std::nullopt;
    return count;
}

std::optional<QVector<ArchivedRecord>> PageOfRecords(PagingContext &c, const ArchiveQuery &query,
                                                     ArchiveSort sort, const ArchivePageAsk &ask,
                                                     ArchiveError *error)
{
    const std::optional<ArchiveFilterSql> filter = Filter(query, error);
    if (!filter || !PrepareOrder(c, sort, false, error) || !ReadArchived(c, error))
        return std::nullopt;
    const qint64 limit = std::min<qint64>(std::max(0, ask.limit), ask.count - ask.first);
    if (limit <= 0 || ask.first < 0)
        return QVector<ArchivedRecord>();
    const Reading reading = NearestStart(c, sort, ask, limit);
    QVariantList values;
    const QString sql =
        SelectSql(c, *filter, sort, Gathered(c, *filter, ask.count, reading.skip + limit),
                  RanksKept(c, query, sort), reading, &values);
    QSqlQuery rows(c.db);
    QString reason;
    if (!RunSql(rows, sql, values, &reason)) {
        Failed(reason, error);
        return std::nullopt;
    }
    QVector<ArchivedRecord> records;
    records.reserve(limit);
    while (rows.next())
        records << RecordOf(rows);
    if (rows.lastError().isValid()) {
        Failed(SqlReason(rows.lastError()), error);
        return std::nullopt;
    }
    if (reading.backward)
        std::reverse(records.begin(), records.end());
    return records;
}

bool EachRecord(PagingContext &c, const ArchiveQuery &query, ArchiveSort sort, qint64 count,
                const std::function<bool(const ArchivedRecord &record)> &visit, ArchiveError *error)
{
    const std::optional<ArchiveFilterSql> filter = Filter(query, error);
    if (!filter || !PrepareOrder(c, sort, false, error) || !ReadArchived(c, error))
        return false;
    QVariantList values;
    const bool gathered = !filter->drivingIndex.isEmpty() && count <= SortedAtOnce;
    const QString sql =
        SelectSql(c, *filter, sort, gathered, RanksKept(c, query, sort), {}, &values);
    LongPass pass(c.db, c.driver);
    QSqlQuery records(c.db);
    QString reason;
    if (!pass.Began(&reason) || !RunSql(records, sql, values, &reason))
        return Failed(reason, error);
    while (records.next()) {
        pass.Row();
        if (!visit(RecordOf(records)))
            return true;
    }
    if (records.lastError().isValid())
        return Failed(SqlReason(records.lastError()), error);
    return true;
}
