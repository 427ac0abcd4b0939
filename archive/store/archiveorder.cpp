#include "archive/store/archiveorder.h"

#include "archive/store/archivesql.h"
#include "records/data/recordfields.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

const char *const SortColumns[RecordColumns] = {"test_no",      "date_key",    "time_text",
                                                "reading_text", "result_text", "sampling_text"};

// Ranks sent in one statement (three values each).
constexpr int RanksPerStatement = 300;

// What changes whenever records come or go: the greatest id (ids are never
// given twice on a server, and SQLite gives the greatest one plus one) and
// the testers' record counts.
std::optional<QString> Fingerprint(QSqlDatabase db, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("SELECT (SELECT MAX(id) FROM records),"
                               " (SELECT COALESCE(SUM(records), 0) FROM testers)"),
                {}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toString() + QLatin1Char('|') + query.value(1).toString();
}

// The column's distinct values, one index step each.
std::optional<QStringList> DistinctValues(QSqlDatabase db, const QString &column, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("WITH RECURSIVE d(v) AS (SELECT MIN(%1) FROM records UNION ALL"
                               " SELECT (SELECT MIN(%1) FROM records WHERE %1 > d.v) FROM d"
                               " WHERE d.v IS NOT NULL) SELECT v FROM d WHERE v IS NOT NULL")
                    .arg(column),
                {}, reason))
        return std::nullopt;
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    if (query.lastError().isValid()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return values;
}

bool FillRanks(QSqlDatabase db, int column, const QStringList &ordered, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("DELETE FROM kestrune_order WHERE col = ?"), {column},
                reason))
        return false;
    for (qsizetype first = 0; first < ordered.size(); first += RanksPerStatement) {
        const qsizetype count = std::min<qsizetype>(RanksPerStatement, ordered.size() - first);
        QStringList rows;
        QVariantList values;
        for (qsizetype i = first; i < first + count; ++i) {
            rows << QStringLiteral("(?, ?, ?)");
            values << column << qint64(i + 1) << SqlText(ordered[i]);
        }
        if (!RunSql(query,
                    QStringLiteral("INSERT INTO kestrune_order (col, rank, text) VALUES ") +
                        rows.join(QStringLiteral(", ")),
                    values, reason))
            return false;
    }
    return true;
}

} // namespace

bool IsTextSortColumn(int column)
{
    return column >= 2 && column < RecordColumns;
}

const char *SortColumnName(int column)
{
    return SortColumns[std::clamp(column, 0, RecordColumns - 1)];
}

QStringList LocaleOrdered(QStringList texts)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (const QString &text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<qsizetype> order(size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byKey = keys[size_t(a)].compare(keys[size_t(b)]);
        return byKey != 0 ? byKey < 0 : texts[a] < texts[b];
    });
    QStringList ordered;
    ordered.reserve(texts.size());
    for (const qsizetype i : order)
        ordered << texts[i];
    return ordered;
}

bool TextOrders::Prepare(QSqlDatabase db, ArchiveLocation::Driver driver, int column, bool recheck,
                         QString *reason)
{
    Ranks &ranks = FRanks[size_t(std::clamp(column, 0, RecordColumns - 1))];
    if (ranks.read && !recheck)
        return true;
    const std::optional<QString> now = Fingerprint(db, reason);
    if (!now)
        return false;
    if (ranks.read && ranks.fingerprint == *now)
        return true;
    ranks.read = false;
    if (!Read(db, driver, column, ranks, reason))
        return false;
    ranks.fingerprint = *now;
    ranks.read = true;
    return true;
}

bool TextOrders::Read(QSqlDatabase db, ArchiveLocation::Driver driver, int column, Ranks &ranks,
                      QString *reason)
{
    QSqlQuery query(db);
    if (!FTable &&
        !RunSql(query,
                QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS kestrune_order"
                               " (col INTEGER NOT NULL, rank BIGINT NOT NULL, text TEXT NOT NULL,"
                               " PRIMARY KEY (col, rank), UNIQUE (col, text))"),
                {}, reason))
        return false;
    FTable = true;
    const std::optional<QStringList> values =
        DistinctValues(db, QLatin1String(SortColumnName(column)), reason);
    if (!values)
        return false;
    const QStringList ordered = LocaleOrdered(*values);
    if (!FillRanks(db, column, ordered, reason))
        return false;
    // A server plans with what it knows of a table: of a temporary one only
    // what it is told.
    if (driver != ArchiveLocation::Driver::Sqlite &&
        !RunSql(query, QStringLiteral("ANALYZE kestrune_order"), {}, reason))
        return false;
    ranks.ofText.clear();
    ranks.ofText.reserve(ordered.size());
    for (qsizetype i = 0; i < ordered.size(); ++i)
        ranks.ofText.insert(ordered[i], i + 1);
    return true;
}

std::optional<qint64> TextOrders::RankOf(int column, const QString &text) const
{
    const Ranks &ranks = FRanks[size_t(std::clamp(column, 0, RecordColumns - 1))];
    const auto found = ranks.ofText.constFind(text);
    if (found == ranks.ofText.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<std::pair<qint64, qint64>>
TextOrders::RankSpan(int column, const std::function<bool(const QString &text)> &keep) const
{
    const Ranks &ranks = FRanks[size_t(std::clamp(column, 0, RecordColumns - 1))];
    std::optional<std::pair<qint64, qint64>> span;
    for (auto value = ranks.ofText.constBegin(); value != ranks.ofText.constEnd(); ++value) {
        if (!keep(value.key()))
            continue;
        const qint64 rank = value.value();
        span = span ? std::pair(std::min(span->first, rank), std::max(span->second, rank))
                    : std::pair(rank, rank);
    }
    return span;
}
