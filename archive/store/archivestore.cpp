#include "archive/store/archivestore.h"

#include "archive/store/archivechain.h"
#include "archive/store/archiveconnection.h"
#include "archive/store/archiveinsert.h"
#include "archive/store/archiveoutbox.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivesql.h"
#include "archive/store/calibration.h"
#include "archive/store/charttally.h"
#include "archive/store/fingerprintahead.h"
#include "archive/store/sqliteopen.h"
#include "archive/store/sqltransaction.h"
#include "archive/store/storedtext.h"
#include "records/data/recordvalues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

QString DeviceValue(const QString &line)
{
    return line.mid(line.indexOf(QLatin1Char(':')) + 1).trimmed();
}

namespace {

bool Failed(ArchiveError failure, ArchiveError *error)
{
    *error = std::move(failure);
    return false;
}

// Several programs may read while one writes; switched on only once the
// file is known to be an archive of this program's version. A larger page
// cache (32 MB) keeps a million records quick to filter. Statement journals
// and sorts stay in memory: in a temporary file they cost more than the
// records archived.
bool WriteAheadLog(QSqlDatabase db, ArchiveError *error)
{
    QSqlQuery query(db);
    QString reason;
    return (RunSql(query, QStringLiteral("PRAGMA journal_mode = WAL"), {}, &reason) &&
            RunSql(query, QStringLiteral("PRAGMA cache_size = -32768"), {}, &reason) &&
            RunSql(query, QStringLiteral("PRAGMA temp_store = MEMORY"), {}, &reason)) ||
           Failed(DatabaseError(reason), error);
}

} // namespace

ArchiveStore::ArchiveStore(std::unique_ptr<Connection> connection) : db(std::move(connection)) {}

ArchiveStore::~ArchiveStore() = default;

std::unique_ptr<ArchiveStore> ArchiveStore::Open(const ArchiveLocation &where, ArchiveError *error)
{
    if (where.target.isEmpty()) {
        *error = ArchiveError(ArchiveErrorCode::NoLocation);
        return nullptr;
    }
    auto connection = std::make_unique<Connection>(where);
    ArchiveError reason;
    const bool sqlite = where.driver == ArchiveLocation::Driver::Sqlite;
    const bool opened =
        sqlite ? OpenSqliteArchive(connection->Db(), where.target, &connection->readOnly, &reason)
               : OpenServer(connection->Db(), where, &reason);
    // Two programs making the tables of an empty server database at once:
    // the one that loses the race finds them made when it tries again.
    const auto prepare = [&] {
        return connection->readOnly ? ReadableAsItIs(connection->Db(), &reason)
                                    : PrepareArchiveSchema(connection->Db(), where.driver, &reason);
    };
    if (!opened || !(prepare() || (!sqlite && prepare())) ||
        (sqlite && !connection->readOnly && !WriteAheadLog(connection->Db(), &reason))) {
        connection->Fail(reason, error);
        return nullptr;
    }
    return std::unique_ptr<ArchiveStore>(new ArchiveStore(std::move(connection)));
}

namespace {

// The tester's id, added when new; its device lines replaced when the
// records that come are at least as recent as those archived.
std::optional<qint64> TesterFor(QSqlDatabase d, const QStringList &deviceInfo, long newestDate,
                                QString *reason)
{
    const QVariant serial = SqlText(DeviceValue(deviceInfo.value(1)));
    const QVariantList lines = {SqlText(DeviceValue(deviceInfo.value(2))),
                                SqlText(DeviceValue(deviceInfo.value(3))),
                                SqlText(deviceInfo.value(0)),
                                SqlText(deviceInfo.value(1)),
                                SqlText(deviceInfo.value(2)),
                                SqlText(deviceInfo.value(3))};
    QSqlQuery query(d);
    if (!RunSql(query,
                QStringLiteral("INSERT INTO testers (serial_number, software_version,"
                               " last_calibration, device_heading, serial_line, software_line,"
                               " calibration_line, records, last_download)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?, 0, 0)"
                               " ON CONFLICT (serial_number) DO NOTHING"),
                QVariantList{serial} + lines, reason) ||
        !RunSql(query, QStringLiteral("SELECT id FROM testers WHERE serial_number = ?"), {serial},
                reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.value(0).toLongLong();
    // The tester's row stays held until this transaction ends: programs
    // archiving one tester at once take turns instead of each waiting for
    // records the other holds.
    if (!RunSql(query, QStringLiteral("UPDATE testers SET records = records WHERE id = ?"), {id},
                reason) ||
        !RunSql(query,
                QStringLiteral("UPDATE testers SET software_version = ?, last_calibration = ?,"
                               " device_heading = ?, serial_line = ?, software_line = ?,"
                               " calibration_line = ?"
                               " WHERE id = ? AND (last_date IS NULL OR last_date <= ?)"),
                lines + QVariantList{id, qint64(newestDate)}, reason))
        return std::nullopt;
    return id;
}

} // namespace

std::optional<ArchiveCounts> ArchiveStore::Add(const QStringList &deviceInfo, const GridRows &rows,
                                               ArchiveError *error,
                                               const std::function<bool(qint64)> &progress)
{
    return Add(deviceInfo, rows, ArchiveOrigin(), error, progress);
}

std::optional<ArchiveCounts> ArchiveStore::Add(const QStringList &deviceInfo, const GridRows &rows,
                                               const ArchiveOrigin &origin, ArchiveError *error,
                                               const std::function<bool(qint64)> &progress)
{
    QSqlDatabase d = db->Db();
    QString reason;
    const auto fail = [&]() -> std::optional<ArchiveCounts> {
        db->Fail(reason, error);
        return std::nullopt;
    };
    // The texts as every database keeps them (storedtext.h).
    const GridRows stored = StoredTexts(rows);
    const QStringList storedInfo = StoredTexts(deviceInfo);
    // Each record's date read once: for the tester's span and for its row.
    QVector<long> dateKeys;
    dateKeys.reserve(rows.size());
    long firstDate = 0;
    long lastDate = 0;
    for (const GridRow &row : rows) {
        const long key = DateKey(row.value(1));
        dateKeys.append(key);
        if (key <= 0)
            continue;
        firstDate = firstDate == 0 ? key : std::min(firstDate, key);
        lastDate = std::max(lastDate, key);
    }
    // Each record's fingerprint taken on a thread of its own meanwhile.
    const QString serialNumber = DeviceValue(deviceInfo.value(1));
    FingerprintAhead fingerprints(serialNumber, rows);
    SqlTransaction transaction(d);
    if (!transaction.Began(&reason))
        return fail();
    const std::optional<qint64> testerId = TesterFor(d, storedInfo, lastDate, &reason);
    if (!testerId)
        return fail();
    // The records new here wait in this PC's outbox for the site's server.
    const std::optional<qint64> queueAfter = ArchiveOutbox::Mark(d, db->where.driver, &reason);
    if (!queueAfter)
        return fail();
    const std::optional<qint64> highest = HighestRecordId(d, &reason);
    if (!highest)
        return fail();
    const std::optional<qint64> batchId = NewBatchId(d, db->where.driver, &reason);
    if (!batchId)
        return fail();
    // The batch closes the tester's chain under its lock; its link is read
    // now so that its hash is taken while the records go in.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    ArchiveBatch batch;
    batch.id = *batchId;
    batch.testerId = *testerId;
    batch.serialNumber = serialNumber;
    batch.madeAt = now;
    batch.pc = origin.pc;
    batch.osUser = origin.user;
    batch.kind = origin.kind;
    batch.source = origin.source;
    if (!NextLink(d, batch, &reason))
        return fail();
    fingerprints.HashBatch(batch);
    const std::optional<InsertOutcome> inserted = InsertRecords(
        d, db->where.driver, {*testerId, now, &stored, &dateKeys, &fingerprints, *batchId},
        progress, &reason);
    if (!inserted)
        return fail();
    if (inserted->cancelled) {
        *error = ArchiveError(ArchiveErrorCode::Cancelled);
        return std::nullopt;
    }
    ArchiveCounts counts;
    counts.added = inserted->added;
    counts.already = rows.size() - counts.added;
    // Records sent again to a server that has them make no batch there.
    batch.added = counts.added;
    batch.already = counts.already;
    batch.fingerprints = inserted->fingerprints;
    if (counts.added > 0 || origin.kind != QLatin1String(BatchSent)) {
        batch.hash = fingerprints.BatchHashOf(batch);
        if (!WriteBatch(d, batch, &reason))
            return fail();
    }
    const QVariant first =
        firstDate > 0 ? QVariant(qint64(firstDate)) : QVariant(QMetaType(QMetaType::LongLong));
    const QVariant last =
        lastDate > 0 ? QVariant(qint64(lastDate)) : QVariant(QMetaType(QMetaType::LongLong));
    QSqlQuery stats(d);
    if (!RunSql(stats,
                QStringLiteral("UPDATE testers SET records = records + ?, last_download = ?,"
                               " first_date = CASE WHEN first_date IS NULL OR first_date > ?"
                               " THEN ? ELSE first_date END,"
                               " last_date = CASE WHEN last_date IS NULL OR last_date < ?"
                               " THEN ? ELSE last_date END WHERE id = ?"),
                {counts.added, now, first, first, last, last, *testerId}, &reason) ||
        (!inserted->tallied && !TallyArchived(d, *testerId, *highest, &reason)) ||
        (*queueAfter >= 0 && !ArchiveOutbox::Queue(d, *queueAfter, now, &reason)) ||
        !transaction.Commit(&reason))
        return fail();
    return counts;
}

std::optional<QVector<ArchiveTester>> ArchiveStore::Testers(ArchiveError *error)
{
    QSqlQuery query(db->Db());
    QString reason;
    if (!RunSql(query,
                QStringLiteral("SELECT id, serial_number, software_version, last_calibration,"
                               " device_heading, serial_line, software_line, calibration_line,"
                               " records, first_date, last_date, last_download FROM testers"
                               " ORDER BY serial_number, id"),
                {}, &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    QVector<ArchiveTester> testers;
    while (query.next()) {
        ArchiveTester t;
        t.id = query.value(0).toLongLong();
        t.serialNumber = query.value(1).toString();
        t.softwareVersion = query.value(2).toString();
        t.lastCalibration = query.value(3).toString();
        for (int i = 4; i < 8; ++i)
            t.deviceInfo << query.value(i).toString();
        t.records = query.value(8).toLongLong();
        t.firstDateKey = long(query.value(9).toLongLong());
        t.lastDateKey = long(query.value(10).toLongLong());
        t.lastDownload = QDateTime::fromMSecsSinceEpoch(query.value(11).toLongLong());
        testers << t;
    }
    return testers;
}

std::optional<qint64> ArchiveStore::Count(const ArchiveQuery &query, ArchiveError *error)
{
    const std::optional<qint64> count = CountRecords(db->paging, query, error);
    if (!count)
        db->FailPaging(*error, error);
    return count;
}

std::optional<qint64> ArchiveStore::Select(const ArchiveQuery &query, ArchiveSort sort,
                                           ArchiveError *error)
{
    const std::optional<qint64> count = SelectRecords(db->paging, query, sort, error);
    if (!count)
        db->FailPaging(*error, error);
    return count;
}

std::optional<QVector<ArchivedRecord>> ArchiveStore::Page(const ArchiveQuery &query,
                                                          ArchiveSort sort, qint64 offset,
                                                          int limit, ArchiveError *error)
{
    const std::optional<qint64> count = Select(query, sort, error);
    if (!count)
        return std::nullopt;
    ArchivePageAsk ask;
    ask.first = std::max<qint64>(0, offset);
    ask.limit = limit;
    ask.count = *count;
    return Page(query, sort, ask, error);
}

std::optional<QVector<ArchivedRecord>> ArchiveStore::Page(const ArchiveQuery &query,
                                                          ArchiveSort sort,
                                                          const ArchivePageAsk &ask,
                                                          ArchiveError *error)
{
    std::optional<QVector<ArchivedRecord>> page =
        PageOfRecords(db->paging, query, sort, ask, error);
    if (!page)
        db->FailPaging(*error, error);
    return page;
}

bool ArchiveStore::ForEachRecord(const ArchiveQuery &query, ArchiveSort sort, qint64 count,
                                 const std::function<bool(const ArchivedRecord &)> &visit,
                                 ArchiveError *error)
{
    std::optional<MappedPass> mapped;
    if (db->where.driver == ArchiveLocation::Driver::Sqlite)
        mapped.emplace(db->Db(), db->where.target);
    return ::EachRecord(db->paging, query, sort, count, visit, error) ||
           db->FailPaging(*error, error);
}

std::optional<QVector<ChartPoint>> ArchiveStore::Readings(const ArchiveQuery &query,
                                                          const QString &unit, ArchiveError *error)
{
    std::optional<ArchiveFilterSql> filter = ArchiveFilterOf(query, error);
    if (!filter)
        return std::nullopt;
    filter->where += filter->where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    filter->where += QStringLiteral("reading_ok = 1 AND reading IS NOT NULL AND unit = ?");
    filter->values << SqlText(unit);
    QSqlQuery sql(db->Db());
    QString reason;
    if (!RunSql(sql,
                QStringLiteral("SELECT test_no, date_key, time_text, reading, result_text"
                               " FROM records") +
                    filter->where + QStringLiteral(" ORDER BY date_key, time_text, id"),
                filter->values, &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    QVector<ChartPoint> points;
    while (sql.next())
        points.append({sql.value(0).toLongLong(), long(sql.value(1).toLongLong()),
                       sql.value(2).toString(), float(sql.value(3).toDouble()),
                       sql.value(4).toString() == QLatin1String("FAIL")});
    return points;
}
