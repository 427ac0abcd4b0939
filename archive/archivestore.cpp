#include "archive/archivestore.h"

#include "archive/archiveconnection.h"
#include "archive/archiveschema.h"
#include "archive/archivesql.h"
#include "kit/texts.h"
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

// Records sent in one statement. Qt's SQLite driver looks up every bound
// value by its place, which costs more the more values a statement has: a
// few records at a time send fastest.
constexpr int BatchRecords = 8;
constexpr int RecordValues = 13;
// Records between two calls of an Add's progress.
constexpr int ProgressRecords = 4096;

const QString RecordColumnsSql = QStringLiteral(
    "tester_id, test_no_text, date_text, time_text, reading_text, result_text, sampling_text,"
    " test_no, date_key, reading_ok, reading, unit, archived_at");

// Sort columns of the six record columns, each followed by the archive's order.
const char *const SortColumns[RecordColumns] = {"test_no",      "date_key",    "time_text",
                                                "reading_text", "result_text", "sampling_text"};

// A new archive file: the folder made, the file created empty (an empty
// SQLite database) and readable by its owner only.
bool CreateArchiveFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot make the folder %1")
                     .arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    QFile file(path);
    // Another program may have made it meanwhile: then it is used as it is.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        !QFileInfo::exists(path)) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool OpenSqlite(QSqlDatabase db, const QString &path, QString *error)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        *error = QStringLiteral("the SQLite driver of Qt is missing");
        return false;
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("not a file");
        return false;
    }
    if (!info.exists() && !CreateArchiveFile(path, error))
        return false;
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ArchiveBusyTimeoutMs));
    if (!db.open()) {
        *error = SqlReason(db.lastError());
        return false;
    }
    // The first statement reads the file: one that is no database stops here
    // untouched.
    QSqlQuery query(db);
    return RunSql(query, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), {}, error);
}

// Several programs may read while one writes; switched on only once the
// file is known to be an archive of this program's version. A larger page
// cache (32 MB) keeps a million records quick to filter.
bool WriteAheadLog(QSqlDatabase db, QString *error)
{
    QSqlQuery query(db);
    return RunSql(query, QStringLiteral("PRAGMA journal_mode = WAL"), {}, error) &&
           RunSql(query, QStringLiteral("PRAGMA cache_size = -32768"), {}, error);
}

struct Filter
{
    QString sql; // " WHERE ..." or empty
    QVariantList values;
};

// The query as SQL conditions that keep exactly the records FilterRecords
// keeps; std::nullopt for the test-number range the search dialog refuses.
std::optional<Filter> FilterOf(const ArchiveQuery &query, QString *error)
{
    const SearchCriteria &c = query.criteria;
    const std::optional<SearchBounds> b = PrepareSearch(c);
    if (!b) {
        *error = QString::fromLatin1(MsgSettingsIncorrect);
        return std::nullopt;
    }
    QStringList terms;
    Filter filter;
    const auto add = [&](const char *term, const QVariantList &values) {
        terms << QLatin1String(term);
        filter.values += values;
    };
    if (query.testerId)
        add("tester_id = ?", {*query.testerId});
    if (c.byTestNo)
        add("test_no >= ? AND test_no <= ?", {qint64(b->testNoLo), qint64(b->testNoHi)});
    if (c.byDate)
        add("date_key >= ? AND date_key <= ?", {qint64(b->dateLo), qint64(b->dateHi)});
    if (c.byReading) {
        add("reading_ok = 1 AND unit = ?", {SqlText(c.unit)});
        // A reading that is no number passes both bounds, and a bound that is
        // no number lets every reading pass, as with the search dialog.
        if (!std::isnan(b->readingLo))
            add("(reading IS NULL OR reading >= ?)", {double(b->readingLo)});
        if (!std::isnan(b->readingHi))
            add("(reading IS NULL OR reading <= ?)", {double(b->readingHi)});
    }
    if (c.byResult)
        add("result_text = ?", {SqlText(c.result)});
    if (!terms.isEmpty())
        filter.sql = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    return filter;
}

QString InsertSql(int records)
{
    QString group = QStringLiteral("(?");
    for (int i = 1; i < RecordValues; ++i)
        group += QStringLiteral(", ?");
    group += QLatin1Char(')');
    QStringList groups;
    for (int i = 0; i < records; ++i)
        groups << group;
    return QStringLiteral("INSERT INTO records (") + RecordColumnsSql +
           QStringLiteral(") VALUES ") + groups.join(QStringLiteral(", ")) +
           QStringLiteral(
               " ON CONFLICT (tester_id, test_no_text, date_text, time_text) DO NOTHING");
}

// Binds the record's values from position first on.
void BindRecord(QSqlQuery &query, int first, qint64 testerId, const GridRow &row, qint64 now)
{
    const QString &reading = row.value(3);
    const bool comparable = ReadingComparable(reading);
    const float value = comparable ? ReadingValue(reading) : 0.0f;
    const QVariant readingValue = comparable && !std::isnan(value)
                                      ? QVariant(double(value))
                                      : QVariant(QMetaType(QMetaType::Double));
    const QVariant values[RecordValues] = {testerId,
                                           SqlText(row.value(0)),
                                           SqlText(row.value(1)),
                                           SqlText(row.value(2)),
                                           SqlText(reading),
                                           SqlText(row.value(4)),
                                           SqlText(row.value(5)),
                                           qint64(TextToLong(row.value(0))),
                                           qint64(DateKey(row.value(1))),
                                           comparable ? 1 : 0,
                                           readingValue,
                                           SqlText(ReadingUnit(reading).toString()),
                                           now};
    for (int i = 0; i < RecordValues; ++i)
        query.bindValue(first + i, values[i]);
}

} // namespace

ArchiveStore::ArchiveStore(std::unique_ptr<Connection> connection) : db(std::move(connection)) {}

ArchiveStore::~ArchiveStore() = default;

std::unique_ptr<ArchiveStore> ArchiveStore::Open(const ArchiveLocation &where, QString *error)
{
    if (where.target.isEmpty()) {
        *error = QStringLiteral("no archive location");
        return nullptr;
    }
    auto connection = std::make_unique<Connection>(where);
    QString reason;
    const bool sqlite = where.driver == ArchiveLocation::Driver::Sqlite;
    const bool opened = sqlite ? OpenSqlite(connection->Db(), where.target, &reason)
                               : OpenServer(connection->Db(), where, &reason);
    // Two programs making the tables of an empty server database at once:
    // the one that loses the race finds them made when it tries again.
    const auto prepare = [&] {
        return PrepareArchiveSchema(connection->Db(), where.driver, &reason);
    };
    if (!opened || !(prepare() || (!sqlite && prepare())) ||
        (sqlite && !WriteAheadLog(connection->Db(), &reason))) {
        connection->Fail(reason, error);
        return nullptr;
    }
    return std::unique_ptr<ArchiveStore>(new ArchiveStore(std::move(connection)));
}

namespace {

// The tester's id, added when new; its device lines replaced when the
// records that come are at least as recent as those archived.
std::optional<qint64> TesterFor(QSqlDatabase d, const QStringList &deviceInfo, long newestDate,
                                QString *error)
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
                QVariantList{serial} + lines, error) ||
        !RunSql(query, QStringLiteral("SELECT id FROM testers WHERE serial_number = ?"), {serial},
                error))
        return std::nullopt;
    if (!query.next()) {
        *error = SqlReason(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.value(0).toLongLong();
    // The tester's row stays held until this transaction ends: programs
    // archiving one tester at once take turns instead of each waiting for
    // records the other holds.
    if (!RunSql(query, QStringLiteral("UPDATE testers SET records = records WHERE id = ?"), {id},
                error) ||
        !RunSql(query,
                QStringLiteral("UPDATE testers SET software_version = ?, last_calibration = ?,"
                               " device_heading = ?, serial_line = ?, software_line = ?,"
                               " calibration_line = ?"
                               " WHERE id = ? AND (last_date IS NULL OR last_date <= ?)"),
                lines + QVariantList{id, qint64(newestDate)}, error))
        return std::nullopt;
    return id;
}

} // namespace

std::optional<ArchiveCounts> ArchiveStore::Add(const QStringList &deviceInfo, const GridRows &rows,
                                               QString *error,
                                               const std::function<bool(qint64)> &progress)
{
    QSqlDatabase d = db->Db();
    QString reason;
    const auto fail = [&]() -> std::optional<ArchiveCounts> {
        db->Fail(reason, error);
        return std::nullopt;
    };
    long firstDate = 0;
    long lastDate = 0;
    for (const GridRow &row : rows) {
        const long key = DateKey(row.value(1));
        if (key <= 0)
            continue;
        firstDate = firstDate == 0 ? key : std::min(firstDate, key);
        lastDate = std::max(lastDate, key);
    }
    SqlTransaction transaction(d);
    if (!transaction.Began(&reason))
        return fail();
    const std::optional<qint64> testerId = TesterFor(d, deviceInfo, lastDate, &reason);
    if (!testerId)
        return fail();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    ArchiveCounts counts;
    QSqlQuery full(d);
    if (!rows.isEmpty() && !full.prepare(InsertSql(BatchRecords))) {
        reason = SqlReason(full.lastError());
        return fail();
    }
    qint64 sent = 0;
    qint64 told = 0;
    while (sent < rows.size()) {
        const int batch = int(std::min<qint64>(BatchRecords, rows.size() - sent));
        QSqlQuery partial(d);
        QSqlQuery &query = batch == BatchRecords ? full : partial;
        if (batch != BatchRecords && !query.prepare(InsertSql(batch))) {
            reason = SqlReason(query.lastError());
            return fail();
        }
        for (int i = 0; i < batch; ++i)
            BindRecord(query, i * RecordValues, *testerId, rows[sent + i], now);
        if (!query.exec()) {
            reason = SqlReason(query.lastError());
            return fail();
        }
        counts.added += query.numRowsAffected();
        sent += batch;
        if (progress && (sent - told >= ProgressRecords || sent == rows.size())) {
            told = sent;
            if (!progress(sent)) {
                *error = QString::fromLatin1(ArchiveCancelled);
                return std::nullopt;
            }
        }
    }
    counts.already = rows.size() - counts.added;
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
        !transaction.Commit(&reason))
        return fail();
    return counts;
}

std::optional<QVector<ArchiveTester>> ArchiveStore::Testers(QString *error)
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

std::optional<qint64> ArchiveStore::Count(const ArchiveQuery &query, QString *error)
{
    const std::optional<Filter> filter = FilterOf(query, error);
    if (!filter)
        return std::nullopt;
    QSqlQuery sql(db->Db());
    QString reason;
    if (!RunSql(sql, QStringLiteral("SELECT COUNT(*) FROM records") + filter->sql, filter->values,
                &reason) ||
        !sql.next()) {
        db->Fail(reason.isEmpty() ? SqlReason(sql.lastError()) : reason, error);
        return std::nullopt;
    }
    return sql.value(0).toLongLong();
}

std::optional<QVector<ArchivedRecord>> ArchiveStore::Page(const ArchiveQuery &query,
                                                          ArchiveSort sort, qint64 offset,
                                                          int limit, QString *error)
{
    const std::optional<Filter> filter = FilterOf(query, error);
    if (!filter)
        return std::nullopt;
    const int column = std::clamp(sort.column, 0, RecordColumns - 1);
    QSqlQuery sql(db->Db());
    QString reason;
    // The page's records picked first by their ids, from the filter index
    // alone where it holds the sort column, then read whole.
    const QString order = QStringLiteral(" ORDER BY %1 %2, id")
                              .arg(QLatin1String(SortColumns[column]),
                                   sort.ascending ? QStringLiteral("ASC") : QStringLiteral("DESC"));
    if (!RunSql(sql,
                QStringLiteral("SELECT test_no_text, date_text, time_text, reading_text,"
                               " result_text, sampling_text, tester_id FROM records"
                               " WHERE id IN (SELECT id FROM records") +
                    filter->sql + order + QStringLiteral(" LIMIT ? OFFSET ?)") + order,
                filter->values +
                    QVariantList{qint64(std::max(0, limit)), std::max<qint64>(0, offset)},
                &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    QVector<ArchivedRecord> records;
    while (sql.next()) {
        ArchivedRecord r;
        for (int i = 0; i < RecordColumns; ++i)
            r.cells << sql.value(i).toString();
        r.testerId = sql.value(RecordColumns).toLongLong();
        records << r;
    }
    return records;
}

std::optional<QVector<ChartPoint>> ArchiveStore::Readings(const ArchiveQuery &query,
                                                          const QString &unit, QString *error)
{
    std::optional<Filter> filter = FilterOf(query, error);
    if (!filter)
        return std::nullopt;
    filter->sql += filter->sql.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    filter->sql += QStringLiteral("reading_ok = 1 AND reading IS NOT NULL AND unit = ?");
    filter->values << SqlText(unit);
    QSqlQuery sql(db->Db());
    QString reason;
    if (!RunSql(sql,
                QStringLiteral("SELECT test_no, date_key, time_text, reading, result_text"
                               " FROM records") +
                    filter->sql + QStringLiteral(" ORDER BY date_key, time_text, id"),
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
