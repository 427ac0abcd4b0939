#include "archive/store/charttally.h"

#include "archive/store/archivesql.h"

#include <algorithm>
#include <tuple>

namespace {

// A record's key in the tally, as columns of records. A reading is one the
// chart draws when it reads as a number.
const QString TallyKey =
    QStringLiteral("date_key, unit,"
                   " CASE WHEN reading_ok = 1 AND reading IS NOT NULL THEN 1 ELSE 0 END,"
                   " result_text");
const QString TallyColumns =
    QStringLiteral("INSERT INTO chart_days (date_key, unit, drawn, result_text, tests) SELECT ");
// Grouped and taken in the key's order: two programs adding to the same days
// of a server's tally lock its rows in the same order and never wait for
// each other in a circle.
const QString TallyGroups = QStringLiteral(" GROUP BY 1, 2, 3, 4 ORDER BY 1, 2, 3, 4");
const QString TallyAdds =
    QStringLiteral(" ON CONFLICT (date_key, unit, drawn, result_text)"
                   " DO UPDATE SET tests = chart_days.tests + excluded.tests");

int IndexOf(QStringList &texts, const QString &text)
{
    const qsizetype at = texts.indexOf(text);
    if (at >= 0)
        return int(at);
    texts << text;
    return int(texts.size() - 1);
}

} // namespace

QStringList ChartTallyStatements()
{
    return {QStringLiteral("CREATE TABLE chart_days (date_key BIGINT NOT NULL,"
                           " unit TEXT NOT NULL, drawn INTEGER NOT NULL,"
                           " result_text TEXT NOT NULL, tests BIGINT NOT NULL,"
                           " PRIMARY KEY (date_key, unit, drawn, result_text))"),
            TallyColumns + TallyKey + QStringLiteral(", COUNT(*) FROM records") + TallyGroups,
            // The chart's readings of a unit, read from the index alone.
            QStringLiteral("CREATE INDEX ") + QLatin1String(ChartReadingIndex) +
                QStringLiteral(" ON records (unit, date_key, time_text, test_no, reading,"
                               " result_text) WHERE reading_ok = 1 AND reading IS NOT NULL")};
}

std::optional<qint64> HighestRecordId(QSqlDatabase db, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM records"), {}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool TallyArchived(QSqlDatabase db, qint64 testerId, qint64 afterId, QString *reason)
{
    // Ids above afterId of other testers may be another program's records,
    // archived at once on a server and counted by that program. The records
    // are found by their ids ("+" keeps the tester's index, which holds all
    // of the tester's records, out of it).
    QSqlQuery query(db);
    return RunSql(query,
                  TallyColumns + TallyKey +
                      QStringLiteral(", COUNT(*) FROM records WHERE id > ? AND +tester_id = ?") +
                      TallyGroups + TallyAdds,
                  {afterId, testerId}, reason);
}

void TallyCounter::Count(qint64 dateKey, const QString &unit, bool drawn, const QString &result)
{
    FKeys.push_back({dateKey, IndexOf(FUnits, unit), drawn, IndexOf(FResults, result)});
}

std::vector<TallyRow> TallyCounter::Rows() const
{
    const auto key = [](const Key &k) { return std::tie(k.dateKey, k.unit, k.drawn, k.result); };
    std::vector<Key> keys = FKeys;
    std::sort(keys.begin(), keys.end(),
              [&](const Key &a, const Key &b) { return key(a) < key(b); });
    std::vector<TallyRow> rows;
    for (size_t at = 0; at < keys.size(); ++at) {
        const Key &k = keys[at];
        if (at == 0 || key(k) != key(keys[at - 1]))
            rows.push_back({k.dateKey, FUnits[k.unit], k.drawn, FResults[k.result], 0});
        ++rows.back().tests;
    }
    return rows;
}

QString TallyRowSql()
{
    return QStringLiteral("INSERT INTO chart_days (date_key, unit, drawn, result_text, tests)"
                          " VALUES (?, ?, ?, ?, ?)") +
           TallyAdds;
}

bool TallyAfterDeleting(QSqlDatabase db, long dateKey, QString *reason)
{
    // Records whose date cannot be read (key 0) are never old.
    QSqlQuery query(db);
    return RunSql(query,
                  QStringLiteral("DELETE FROM chart_days WHERE date_key > 0 AND date_key < ?"),
                  {qint64(dateKey)}, reason) &&
           RunSql(query,
                  TallyColumns + TallyKey +
                      QStringLiteral(", COUNT(*) FROM records WHERE date_key > 0"
                                     " AND date_key < ?") +
                      TallyGroups,
                  {qint64(dateKey)}, reason);
}

std::optional<ArchiveFilterSql> TallyFilterOf(const ArchiveQuery &query)
{
    // A date range and a result are tested on columns of the same names.
    const SearchCriteria &c = query.criteria;
    if (query.testerId || c.byTestNo || c.byReading)
        return std::nullopt;
    ArchiveError refused;
    return ArchiveFilterOf(query, &refused);
}
