// Reading an archive for its verify: one pass over each table, the records
// streamed in the order of their batches and never held.

#include "archive/store/archiveschema.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/archivetrail.h"
#include "archive/store/archiveverify.h"
#include "archive/store/sqlconnection.h"
#include "archive/store/sqliteopen.h"
#include "archive/store/sqltransaction.h"
#include "archive/store/storedtext.h"

#include <QFileInfo>

#include <algorithm>
#include <future>

namespace {

// A verify of a large archive on a server takes longer than a statement of
// archiving may.
constexpr int VerifyTimeoutSeconds = 3600;
// The first lines of a failed integrity check that are named.
constexpr int DamageLinesNamed = 10;

bool Failed(const QString &reason, ArchiveError *error)
{
    *error = DatabaseError(reason);
    return false;
}

bool Select(QSqlQuery &query, const QString &sql, const QVariantList &values, ArchiveError *error)
{
    QString reason;
    return RunSql(query, sql, values, &reason) || Failed(reason, error);
}

bool Ended(const QSqlQuery &query, ArchiveError *error)
{
    return !query.lastError().isValid() || Failed(SqlReason(query.lastError()), error);
}

// An SQLite file read through a map where it may be, else its pages kept
// once read.
bool ReadInLargePieces(QSqlQuery &query, const QString &path, QString *reason)
{
    return MapArchiveFile(query, path, reason) ||
           (reason->isEmpty() &&
            RunSql(query, QStringLiteral("PRAGMA cache_size = -262144"), {}, reason));
}

// SQLite's own check of the whole file, page by page and index by index:
// the lines naming what is damaged, or why the check could not run. It runs
// on a connection of its own beside the records' pass, which it would
// otherwise double.
struct Integrity
{
    QStringList damage;
    QString failure;
};

Integrity CheckIntegrity(const QString &path)
{
    Integrity found;
    SqlConnection connection(QStringLiteral("QSQLITE"));
    QSqlDatabase db = connection.Db();
    db.setDatabaseName(SqliteReadOnlyUri(path));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1")
            .arg(ArchiveBusyTimeoutMs));
    if (!db.open()) {
        found.failure = SqlReason(db.lastError());
        return found;
    }
    {
        QSqlQuery query(db);
        // The check looks up every index entry of every record: through
        // SQLite's small default cache each lookup would read its pages
        // from the system again, which took more time than the check.
        if (ReadInLargePieces(query, path, &found.failure) &&
            RunSql(query, QStringLiteral("PRAGMA integrity_check"), {}, &found.failure)) {
            while (query.next()) {
                const QString line = query.value(0).toString();
                if (line != QLatin1String("ok") && found.damage.size() < DamageLinesNamed)
                    found.damage << line;
            }
            if (query.lastError().isValid())
                found.failure = SqlReason(query.lastError());
        }
    }
    db.close();
    return found;
}

// The testers, and how many records they say they hold.
std::optional<qint64> ReadTesters(QSqlDatabase db, ArchiveVerifier &verifier, ArchiveError *error)
{
    QSqlQuery query(db);
    if (!Select(query,
                QStringLiteral("SELECT id, serial_number, records FROM testers"
                               " ORDER BY serial_number, id"),
                {}, error))
        return std::nullopt;
    qint64 records = 0;
    while (query.next()) {
        verifier.AddTester(query.value(0).toLongLong(), OriginalText(query.value(1).toString()));
        records += query.value(2).toLongLong();
    }
    if (!Ended(query, error))
        return std::nullopt;
    return records;
}

bool ReadDeletions(QSqlDatabase db, ArchiveVerifier &verifier, ArchiveError *error)
{
    QSqlQuery query(db);
    if (!Select(query, QStringLiteral("SELECT id, tester_id, count FROM audit WHERE kind = ?"),
                {QLatin1String(AuditDeletion)}, error))
        return false;
    while (query.next()) {
        DeletionEntry entry;
        entry.auditId = query.value(0).toLongLong();
        if (!query.value(1).isNull())
            entry.testerId = query.value(1).toLongLong();
        entry.count = query.value(2).toLongLong();
        verifier.AddDeletion(entry);
    }
    if (!Ended(query, error) ||
        !Select(query,
                QStringLiteral("SELECT audit_id, tester_id, fingerprint FROM deleted_records"), {},
                error))
        return false;
    while (query.next())
        verifier.AddDeleted({query.value(0).toLongLong(), query.value(1).toLongLong(),
                             query.value(2).toString().toLatin1()});
    return Ended(query, error);
}

bool ReadBatches(QSqlDatabase db, ArchiveVerifier &verifier, ArchiveError *error)
{
    QSqlQuery query(db);
    if (!Select(query,
                QStringLiteral("SELECT id, tester_id, number, made_at, pc, os_user, kind, source,"
                               " added, already, fingerprints, prev_hash, hash FROM batches"
                               " ORDER BY tester_id, number"),
                {}, error))
        return false;
    while (query.next()) {
        ArchiveBatch b;
        b.id = query.value(0).toLongLong();
        b.testerId = query.value(1).toLongLong();
        b.number = query.value(2).toLongLong();
        b.madeAt = query.value(3).toLongLong();
        b.pc = query.value(4).toString();
        b.osUser = query.value(5).toString();
        b.kind = query.value(6).toString();
        b.source = query.value(7).toString();
        b.added = query.value(8).toLongLong();
        b.already = query.value(9).toLongLong();
        b.fingerprints = query.value(10).toString().toLatin1();
        b.prevHash = query.value(11).toString().toLatin1();
        b.hash = query.value(12).toString().toLatin1();
        verifier.AddBatch(b);
    }
    return Ended(query, error);
}

bool ReadRecords(QSqlDatabase db, ArchiveVerifier &verifier, qint64 total,
                 const VerifyProgress &progress, ArchiveError *error)
{
    QSqlQuery query(db);
    if (!Select(query,
                QStringLiteral("SELECT id, tester_id, batch_id, fingerprint, test_no_text,"
                               " date_text, time_text, reading_text, result_text, sampling_text"
                               " FROM records ORDER BY id"),
                {}, error))
        return false;
    qint64 read = 0;
    while (query.next()) {
        const QByteArray fingerprint = query.value(3).toString().toLatin1();
        QString texts[RecordColumns];
        VerifyRecord r;
        r.id = query.value(0).toLongLong();
        r.testerId = query.value(1).toLongLong();
        if (!query.value(2).isNull())
            r.batchId = query.value(2).toLongLong();
        r.fingerprint = fingerprint;
        for (int i = 0; i < RecordColumns; ++i) {
            // Fingerprints were taken of the tester's own texts.
            texts[i] = OriginalText(query.value(4 + i).toString());
            r.texts[size_t(i)] = texts[i];
        }
        verifier.AddRecord(r);
        if (++read % VerifyProgressRecords == 0 && progress &&
            !progress(read, std::max(read, total))) {
            *error = ArchiveError(ArchiveErrorCode::Cancelled);
            return false;
        }
    }
    return Ended(query, error);
}

} // namespace

std::optional<ArchiveVerdict> VerifyArchive(QSqlDatabase db, const ArchiveLocation &where,
                                            const VerifyProgress &progress, ArchiveError *error)
{
    const ArchiveLocation::Driver driver = where.driver;
    std::future<Integrity> integrity;
    if (driver == ArchiveLocation::Driver::Sqlite)
        integrity = std::async(std::launch::async, CheckIntegrity, where.target);
    ArchiveVerifier verifier;
    // Every table as it stood at one moment, whatever other programs archive
    // meanwhile; nothing is written.
    SqlTransaction transaction(db);
    QString reason;
    QSqlQuery query(db);
    if (!transaction.Began(&reason) ||
        (driver != ArchiveLocation::Driver::Sqlite &&
         !RunSql(query,
                 QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"), {},
                 &reason)) ||
        !LongerStatements(db, driver, VerifyTimeoutSeconds, &reason)) {
        Failed(reason, error);
        return std::nullopt;
    }
    const std::optional<qint64> total = ReadTesters(db, verifier, error);
    if (!total || !ReadDeletions(db, verifier, error) || !ReadBatches(db, verifier, error) ||
        !ReadRecords(db, verifier, *total, progress, error))
        return std::nullopt;
    if (integrity.valid()) {
        const Integrity checked = integrity.get();
        if (!checked.failure.isEmpty()) {
            Failed(checked.failure, error);
            return std::nullopt;
        }
        for (const QString &line : checked.damage)
            verifier.AddDamage(line);
    }
    if (progress)
        progress(*total, *total);
    return verifier.Finish();
}

namespace {

bool OpenToRead(QSqlDatabase db, const ArchiveLocation &where, ArchiveError *error)
{
    if (where.driver != ArchiveLocation::Driver::Sqlite) {
        QSqlQuery query(db);
        QString reason;
        return OpenServer(db, where, error) &&
               (RunSql(query,
                       QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"), {},
                       &reason) ||
                Failed(reason, error));
    }
    const QString driver = ArchiveDriverName(where.driver);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = ArchiveError(ArchiveErrorCode::DriverMissing).About(driver);
        return false;
    }
    const QFileInfo file(where.target);
    if (!file.exists()) {
        *error = ArchiveError(ArchiveErrorCode::NoArchiveFile);
        return false;
    }
    if (!file.isFile()) {
        *error = ArchiveError(ArchiveErrorCode::NotAFile);
        return false;
    }
    db.setDatabaseName(SqliteReadOnlyUri(where.target));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1")
            .arg(ArchiveBusyTimeoutMs));
    if (!db.open())
        return Failed(SqlReason(db.lastError()), error);
    QSqlQuery query(db);
    QString reason;
    return ReadInLargePieces(query, where.target, &reason) || Failed(reason, error);
}

} // namespace

std::optional<ArchiveVerdict> VerifyArchiveAt(const ArchiveLocation &where,
                                              const VerifyProgress &progress, ArchiveError *error)
{
    std::optional<ArchiveVerdict> verdict;
    {
        SqlConnection connection(ArchiveDriverName(where.driver));
        QSqlDatabase db = connection.Db();
        if (OpenToRead(db, where, error)) {
            const std::optional<int> version = ArchiveSchemaVersionOf(db, error);
            if (version && *version > ArchiveSchemaVersion)
                *error = ArchiveError(ArchiveErrorCode::NewerArchive).OfVersion(*version);
            else if (version && *version == 0)
                *error = ArchiveError(ArchiveErrorCode::NotAnArchive);
            else if (version && *version < ArchiveSchemaVersion)
                *error = ArchiveError(ArchiveErrorCode::UnverifiableArchive).OfVersion(*version);
            else if (version)
                verdict = VerifyArchive(db, where, progress, error);
        }
        db.close();
    }
    if (!verdict)
        error->place = ArchivePlaceText(where);
    return verdict;
}
