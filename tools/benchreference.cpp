#include "tools/benchreference.h"

#include "archive/store/fingerprintahead.h"
#include "archive/store/recordfingerprint.h"
#include "records/data/recordvalues.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace {

const char Columns[] = "tester_id, test_no_text, date_text, time_text, reading_text, result_text,"
                       " sampling_text, test_no, date_key, reading_ok, reading, unit, archived_at";

// What a row holds besides its texts.
struct Derived
{
    qint64 testNo;
    qint64 dateKey;
    bool comparable;
    double reading; // NaN: none
    QByteArray unit;
};

Derived DerivedOf(const GridRow &row)
{
    const QString &reading = row.value(3);
    const bool comparable = ReadingComparable(reading);
    return {TextToLong(row.value(0)), DateKey(row.value(1)), comparable,
            comparable ? double(ReadingValue(reading)) : std::nan(""),
            ReadingUnit(reading).toUtf8()};
}

// The reference's batch: far above the few ids of the archive it is given.
constexpr qint64 ReferenceBatchId = 1000000;

double Failed(const char *what, const char *why)
{
    std::fprintf(stderr, "%s: %s\n", what, why);
    return -1;
}

// PostgreSQL's text form of COPY: backslash, tab and line ends escaped.
QByteArray CopyText(const QString &text)
{
    return text.toUtf8()
        .replace('\\', "\\\\")
        .replace('\t', "\\t")
        .replace('\n', "\\n")
        .replace('\r', "\\r");
}

} // namespace

namespace {

// The fingerprints of the records, as the reference is told to take them.
class ReferenceFingerprints
{
public:
    ReferenceFingerprints(ReferenceExtras extras, const QString &serial, const GridRows &rows)
    {
        if (extras == ReferenceExtras::Fingerprinting) {
            FAhead = std::make_unique<FingerprintAhead>(serial, rows);
        } else if (extras == ReferenceExtras::Fingerprints) {
            RecordFingerprinter fingerprinter(serial);
            for (const GridRow &row : rows)
                FGiven += fingerprinter.Of(row);
        }
    }
    QByteArrayView At(qsizetype at)
    {
        return FAhead
                   ? FAhead->At(at)
                   : QByteArrayView(FGiven.constData() + at * FingerprintLength, FingerprintLength);
    }
    FingerprintAhead *Ahead() const { return FAhead.get(); }

private:
    std::unique_ptr<FingerprintAhead> FAhead;
    QByteArray FGiven;
};

// The batch of the records, its hash taken as the store takes it.
bool AddReferenceBatch(sqlite3 *db, FingerprintAhead &ahead, ArchiveBatch &batch)
{
    batch.added = ahead.Size();
    batch.fingerprints = ahead.First(ahead.Size());
    batch.hash = ahead.BatchHashOf(batch);
    sqlite3_stmt *insert = nullptr;
    const char sql[] = "INSERT INTO batches (id, tester_id, number, made_at, pc, os_user, kind,"
                       " source, added, already, fingerprints, prev_hash, hash)"
                       " VALUES (?, ?, 1, ?, '', '', 'download', '', ?, 0, ?, ?, ?)";
    if (sqlite3_prepare_v2(db, sql, -1, &insert, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_int64(insert, 1, batch.id);
    sqlite3_bind_int64(insert, 2, batch.testerId);
    sqlite3_bind_int64(insert, 3, batch.madeAt);
    sqlite3_bind_int64(insert, 4, batch.added);
    int at = 5;
    for (const QByteArray *text : {&batch.fingerprints, &batch.prevHash, &batch.hash})
        sqlite3_bind_text(insert, at++, text->constData(), int(text->size()), SQLITE_STATIC);
    const bool added = sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_finalize(insert);
    return added;
}

} // namespace

double SqliteReferenceSeconds(const QString &path, const QString &serial, const GridRows &rows,
                              ReferenceExtras extras, double *cpuSeconds)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        return Failed("reference", sqlite3_errmsg(db));
    sqlite3_exec(db, "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    const bool fingerprinted = extras != ReferenceExtras::None;
    // Fingerprints given are taken before the clock starts.
    std::optional<ReferenceFingerprints> fingerprints;
    if (extras == ReferenceExtras::Fingerprints)
        fingerprints.emplace(extras, serial, rows);
    QElapsedTimer timer;
    const std::clock_t cpu = std::clock();
    timer.start();
    if (!fingerprints)
        fingerprints.emplace(extras, serial, rows);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const QByteArray tester =
        "INSERT INTO testers (serial_number, software_version, last_calibration, device_heading,"
        " serial_line, software_line, calibration_line, records, last_download)"
        " VALUES ('" +
        serial.toUtf8() + "', '', '', '', '', '', '', 0, 0)";
    if (sqlite3_exec(db, tester.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failed("reference", sqlite3_errmsg(db));
    ArchiveBatch batch;
    batch.testerId = sqlite3_last_insert_rowid(db);
    batch.id = ReferenceBatchId;
    batch.serialNumber = serial;
    batch.number = 1;
    batch.madeAt = QDateTime::currentMSecsSinceEpoch();
    batch.kind = QStringLiteral("download");
    batch.prevHash = FirstPrevHash();
    if (FingerprintAhead *ahead = fingerprints->Ahead())
        ahead->HashBatch(batch);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql =
        QByteArray("INSERT INTO records (") + Columns +
        (fingerprinted ? ", fingerprint, batch_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                         " ?, ?)"
                       : ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr) != SQLITE_OK)
        return Failed("reference", sqlite3_errmsg(db));
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const GridRow &row = rows[at];
        const Derived d = DerivedOf(row);
        sqlite3_bind_int64(insert, 1, batch.testerId);
        for (int column = 0; column < RecordColumns; ++column) {
            const QByteArray text = row.value(column).toUtf8();
            sqlite3_bind_text(insert, 2 + column, text.constData(), int(text.size()),
                              SQLITE_TRANSIENT);
        }
        sqlite3_bind_int64(insert, 8, d.testNo);
        sqlite3_bind_int64(insert, 9, d.dateKey);
        sqlite3_bind_int(insert, 10, d.comparable ? 1 : 0);
        if (std::isnan(d.reading))
            sqlite3_bind_null(insert, 11);
        else
            sqlite3_bind_double(insert, 11, d.reading);
        sqlite3_bind_text(insert, 12, d.unit.constData(), int(d.unit.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 13, batch.madeAt);
        if (fingerprinted) {
            const QByteArrayView fingerprint = fingerprints->At(at);
            sqlite3_bind_text(insert, 14, fingerprint.data(), int(fingerprint.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(insert, 15, batch.id);
        }
        if (sqlite3_step(insert) != SQLITE_DONE)
            return Failed("reference", sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (FingerprintAhead *ahead = fingerprints->Ahead();
        ahead && !AddReferenceBatch(db, *ahead, batch))
        return Failed("reference", sqlite3_errmsg(db));
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failed("reference", sqlite3_errmsg(db));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (cpuSeconds)
        *cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    fingerprints.reset();
    sqlite3_close(db);
    return seconds;
}

double PostgresCopySeconds(const QString &conninfo, const QString &serial, const GridRows &rows,
                           bool throughTable)
{
    PGconn *pg = PQconnectdb(conninfo.toUtf8().constData());
    const auto run = [pg](const QByteArray &sql, ExecStatusType expected) {
        PGresult *result = PQexec(pg, sql.constData());
        const bool done = PQresultStatus(result) == expected;
        if (!done)
            std::fprintf(stderr, "reference: %s\n", PQresultErrorMessage(result));
        PQclear(result);
        return done;
    };
    if (PQstatus(pg) != CONNECTION_OK) {
        const double failed = Failed("reference", PQerrorMessage(pg));
        PQfinish(pg);
        return failed;
    }
    QElapsedTimer timer;
    timer.start();
    run("BEGIN", PGRES_COMMAND_OK);
    PGresult *tester =
        PQexec(pg, QByteArray("INSERT INTO testers (serial_number, software_version,"
                              " last_calibration, device_heading, serial_line, software_line,"
                              " calibration_line, records, last_download) VALUES ('" +
                              serial.toUtf8() + "', '', '', '', '', '', '', 0, 0) RETURNING id")
                       .constData());
    // A failed statement fails the transaction, whose COMMIT is then a
    // ROLLBACK that PostgreSQL reports as done: each step is checked.
    const bool added = PQresultStatus(tester) == PGRES_TUPLES_OK;
    const QByteArray testerId = added ? QByteArray(PQgetvalue(tester, 0, 0)) : QByteArray();
    if (!added)
        std::fprintf(stderr, "reference: %s\n", PQresultErrorMessage(tester));
    PQclear(tester);
    if (!added) {
        PQfinish(pg);
        return -1;
    }
    const QByteArray table = throughTable ? "reference_incoming" : "records";
    if (throughTable)
        run(QByteArray("CREATE TEMP TABLE reference_incoming ON COMMIT DROP AS SELECT ") + Columns +
                " FROM records WITH NO DATA",
            PGRES_COMMAND_OK);
    run("COPY " + table + " (" + Columns + ") FROM STDIN", PGRES_COPY_IN);
    const QByteArray now = QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    QByteArray data;
    for (const GridRow &row : rows) {
        const Derived d = DerivedOf(row);
        data += testerId;
        for (int column = 0; column < RecordColumns; ++column)
            data += '\t' + CopyText(row.value(column));
        data +=
            '\t' + QByteArray::number(d.testNo) + '\t' + QByteArray::number(d.dateKey) +
            (d.comparable ? "\t1\t" : "\t0\t") +
            (std::isnan(d.reading) ? QByteArray("\\N") : QByteArray::number(d.reading, 'g', 17)) +
            '\t' + d.unit + '\t' + now + '\n';
        if (data.size() > 256 * 1024) {
            PQputCopyData(pg, data.constData(), int(data.size()));
            data.clear();
        }
    }
    PQputCopyData(pg, data.constData(), int(data.size()));
    PQputCopyEnd(pg, nullptr);
    bool copied = true;
    while (PGresult *result = PQgetResult(pg)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "reference: %s\n", PQresultErrorMessage(result));
            copied = false;
        }
        PQclear(result);
    }
    if (throughTable)
        run(QByteArray("INSERT INTO records (") + Columns + ") SELECT " + Columns +
                " FROM reference_incoming ON CONFLICT (tester_id, test_no_text, date_text,"
                " time_text) DO NOTHING",
            PGRES_COMMAND_OK);
    const bool committed = copied && run("COMMIT", PGRES_COMMAND_OK);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    PQfinish(pg);
    return committed ? seconds : -1;
}
