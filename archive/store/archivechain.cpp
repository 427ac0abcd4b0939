#include "archive/store/archivechain.h"

#include "archive/store/archivesql.h"
#include "archive/store/archivetrail.h"

#include <QDateTime>
#include <QSqlQuery>

#include <array>
#include <map>
#include <memory>
#include <vector>

std::optional<qint64> NewBatchId(QSqlDatabase db, ArchiveLocation::Driver driver, QString *reason)
{
    // SQLite: the caller holds the archive's write lock, so the next id is
    // nobody else's. A server hands ids out of the column's sequence, through
    // the schema's function for users who may add rows but not use it.
    const QString sql = driver == ArchiveLocation::Driver::Sqlite
                            ? QStringLiteral("SELECT COALESCE(MAX(id), 0) + 1 FROM batches")
                            : QStringLiteral("SELECT kestrune_next_batch_id()");
    QSqlQuery query(db);
    if (!RunSql(query, sql, {}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool NextLink(QSqlDatabase db, ArchiveBatch &batch, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("SELECT number, hash FROM batches WHERE tester_id = ?"
                               " ORDER BY number DESC LIMIT 1"),
                {batch.testerId}, reason))
        return false;
    if (query.next()) {
        batch.number = query.value(0).toLongLong() + 1;
        batch.prevHash = query.value(1).toString().toLatin1();
    } else if (query.lastError().isValid()) {
        *reason = SqlReason(query.lastError());
        return false;
    } else {
        batch.number = 1;
        batch.prevHash = FirstPrevHash();
    }
    return true;
}

bool WriteBatch(QSqlDatabase db, const ArchiveBatch &batch, QString *reason)
{
    const QVariantList values = {batch.id,
                                 batch.testerId,
                                 batch.number,
                                 batch.madeAt,
                                 SqlText(batch.pc),
                                 SqlText(batch.osUser),
                                 SqlText(batch.kind),
                                 SqlText(batch.source),
                                 batch.added,
                                 batch.already,
                                 SqlText(QString::fromLatin1(batch.fingerprints)),
                                 QString::fromLatin1(batch.prevHash),
                                 QString::fromLatin1(batch.hash)};
    QSqlQuery query(db);
    return RunSql(
        query,
        QStringLiteral("INSERT INTO batches (id, tester_id, number, made_at, pc,"
                       " os_user, kind, source, added, already, fingerprints,"
                       " prev_hash, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        values, reason);
}

bool AppendBatch(QSqlDatabase db, ArchiveBatch &batch, QString *reason)
{
    if (!NextLink(db, batch, reason))
        return false;
    batch.hash = BatchHash(batch);
    return WriteBatch(db, batch, reason);
}

std::optional<QByteArray> BatchFingerprints(QSqlDatabase db, qint64 batchId, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("SELECT string_agg(fingerprint, '' ORDER BY id) FROM records"
                               " WHERE batch_id = ?"),
                {batchId}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toString().toLatin1();
}

namespace {

// Records read, and fingerprints written, a chunk at a time.
constexpr int CarryReadRecords = 20000;
// Two values a row, within the 999 values an older SQLite takes a statement.
constexpr int CarryRowsPerStatement = 400;

struct CarriedTester
{
    QString serialNumber;
    std::unique_ptr<RecordFingerprinter> fingerprinter;
    QByteArray fingerprints;
    qint64 records = 0;
    qint64 batchId = 0;
};

// The testers in id order; std::nullopt with the reason.
std::optional<std::map<qint64, CarriedTester>> TestersToCarry(QSqlDatabase db, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT id, serial_number FROM testers ORDER BY id"), {},
                reason))
        return std::nullopt;
    std::map<qint64, CarriedTester> testers;
    while (query.next()) {
        CarriedTester &t = testers[query.value(0).toLongLong()];
        t.serialNumber = query.value(1).toString();
        t.fingerprinter = std::make_unique<RecordFingerprinter>(t.serialNumber);
    }
    if (query.lastError().isValid()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return testers;
}

// (record id, fingerprint, batch id) rows into kestrune_carried.
class CarriedRows
{
public:
    explicit CarriedRows(QSqlDatabase db) : FDb(std::move(db)) {}

    bool Add(qint64 id, const QByteArray &fingerprint, qint64 batchId, QString *reason)
    {
        FValues << id << QString::fromLatin1(fingerprint) << batchId;
        return FValues.size() < CarryRowsPerStatement * 3 || Flush(reason);
    }

    bool Flush(QString *reason)
    {
        if (FValues.isEmpty())
            return true;
        QStringList rows(FValues.size() / 3, QStringLiteral("(?, ?, ?)"));
        QSqlQuery query(FDb);
        const bool done = RunSql(
            query,
            QStringLiteral("INSERT INTO kestrune_carried (id, fingerprint, batch_id) VALUES ") +
                rows.join(QStringLiteral(", ")),
            FValues, reason);
        FValues.clear();
        return done;
    }

private:
    QSqlDatabase FDb;
    QVariantList FValues;
};

} // namespace

bool CarryOverRecords(QSqlDatabase db, ArchiveLocation::Driver driver, QString *reason)
{
    std::optional<std::map<qint64, CarriedTester>> testers = TestersToCarry(db, reason);
    if (!testers)
        return false;
    QSqlQuery query(db);
    const bool sqlite = driver == ArchiveLocation::Driver::Sqlite;
    if (!RunSql(query,
                QStringLiteral("CREATE TEMP TABLE kestrune_carried (id BIGINT PRIMARY KEY,"
                               " fingerprint TEXT NOT NULL, batch_id BIGINT NOT NULL)") +
                    (sqlite ? QString() : QStringLiteral(" ON COMMIT DROP")),
                {}, reason))
        return false;
    // Each tester's batch id first: its records are written with it.
    std::optional<qint64> next;
    for (auto &entry : *testers) {
        // SQLite's next id stays the same until a batch row is there: the
        // ids count on from the first.
        if (sqlite && next) {
            entry.second.batchId = ++*next;
            continue;
        }
        next = NewBatchId(db, driver, reason);
        if (!next)
            return false;
        entry.second.batchId = *next;
    }
    CarriedRows carried(db);
    qint64 after = 0;
    for (;;) {
        if (!RunSql(query,
                    QStringLiteral("SELECT id, tester_id, test_no_text, date_text, time_text,"
                                   " reading_text, result_text, sampling_text FROM records"
                                   " WHERE id > ? ORDER BY id LIMIT ?"),
                    {after, CarryReadRecords}, reason))
            return false;
        // The chunk read whole first: a server's rows come one by one and
        // would be lost to the statements that write.
        struct Read
        {
            qint64 id, testerId;
            std::array<QString, RecordColumns> texts;
        };
        std::vector<Read> chunk;
        while (query.next()) {
            Read r{query.value(0).toLongLong(), query.value(1).toLongLong(), {}};
            for (int i = 0; i < RecordColumns; ++i)
                r.texts[size_t(i)] = query.value(2 + i).toString();
            chunk.push_back(std::move(r));
        }
        if (query.lastError().isValid()) {
            *reason = SqlReason(query.lastError());
            return false;
        }
        query.finish();
        for (const Read &r : chunk) {
            after = r.id;
            const auto tester = testers->find(r.testerId);
            if (tester == testers->end())
                continue; // no tester: the records table's key forbids it
            std::array<QStringView, RecordColumns> views;
            for (int i = 0; i < RecordColumns; ++i)
                views[size_t(i)] = r.texts[size_t(i)];
            const QByteArray fingerprint = tester->second.fingerprinter->Of(views);
            tester->second.fingerprints += fingerprint;
            ++tester->second.records;
            if (!carried.Add(r.id, fingerprint, tester->second.batchId, reason))
                return false;
        }
        if (chunk.size() < size_t(CarryReadRecords))
            break;
    }
    if (!carried.Flush(reason) ||
        !RunSql(query,
                QStringLiteral("UPDATE records SET fingerprint = kestrune_carried.fingerprint,"
                               " batch_id = kestrune_carried.batch_id FROM kestrune_carried"
                               " WHERE records.id = kestrune_carried.id"),
                {}, reason))
        return false;
    const ArchiveWorkstation &here = ThisWorkstation();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (auto &[id, tester] : *testers) {
        ArchiveBatch batch;
        batch.id = tester.batchId;
        batch.testerId = id;
        batch.serialNumber = tester.serialNumber;
        batch.madeAt = now;
        batch.pc = here.pc;
        batch.osUser = here.user;
        batch.kind = QLatin1String(BatchCarriedOver);
        batch.added = tester.records;
        batch.fingerprints = std::move(tester.fingerprints);
        if (!AppendBatch(db, batch, reason))
            return false;
    }
    return !sqlite || RunSql(query, QStringLiteral("DROP TABLE kestrune_carried"), {}, reason);
}

std::optional<qint64> AppendAudit(QSqlDatabase db, const ArchiveAuditEntry &entry, QString *reason)
{
    const QVariant none{QMetaType(QMetaType::LongLong)};
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("INSERT INTO audit (at, pc, os_user, kind, tester_id, details,"
                               " cutoff, count, fingerprint) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"
                               " RETURNING id"),
                {entry.at, SqlText(entry.pc), SqlText(entry.osUser), SqlText(entry.kind),
                 entry.testerId ? QVariant(*entry.testerId) : none, SqlText(entry.details),
                 entry.cutoff ? QVariant(*entry.cutoff) : none, entry.count,
                 SqlText(QString::fromLatin1(entry.fingerprint))},
                reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}
