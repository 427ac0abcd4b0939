// Records into the archive on Linux. Qt's SQLite and PostgreSQL drivers here
// load the system's libsqlite3 and libpq, the libraries this file links, so
// the handles Qt holds are used with their own calls: each record bound by
// position into one prepared single-row INSERT (Qt names every bound value
// anew, which costs more than the insert itself), and a server's records sent
// by COPY into a table of this session, then added in one statement.

#include "archive/store/archiveinsert.h"

#include "archive/store/archivechain.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/charttally.h"
#include "archive/store/driverhandle_posix.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QStringEncoder>

#include <array>
#include <memory>

namespace {

// Texts as UTF-8 in buffers kept from record to record.
class Utf8Texts
{
public:
    QByteArrayView Of(int slot, QStringView text)
    {
        QByteArray &buffer = FBuffers[size_t(slot)];
        buffer.resize(FEncoder.requiredSpace(text.size()));
        const char *end = FEncoder.appendToBuffer(buffer.data(), text);
        return QByteArrayView(buffer.constData(), end - buffer.constData());
    }

private:
    QStringEncoder FEncoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    std::array<QByteArray, RecordInsertValues> FBuffers;
};

struct FinalizeStatement
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

// The chart's tally of the records counted as they went in, a row a key.
bool TallyIntoSqlite(sqlite3 *handle, const TallyCounter &counter)
{
    const QByteArray sql = TallyRowSql().toUtf8();
    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &prepared, nullptr) !=
        SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3_stmt, FinalizeStatement> statement(prepared);
    Utf8Texts texts;
    for (const TallyRow &row : counter.Rows()) {
        const QByteArrayView unit = texts.Of(0, row.unit);
        const QByteArrayView result = texts.Of(1, row.result);
        const int bound =
            sqlite3_bind_int64(prepared, 1, row.dateKey) |
            sqlite3_bind_text(prepared, 2, unit.data(), int(unit.size()), SQLITE_STATIC) |
            sqlite3_bind_int(prepared, 3, row.drawn ? 1 : 0) |
            sqlite3_bind_text(prepared, 4, result.data(), int(result.size()), SQLITE_STATIC) |
            sqlite3_bind_int64(prepared, 5, row.tests);
        if (bound != SQLITE_OK || sqlite3_step(prepared) != SQLITE_DONE)
            return false;
        sqlite3_reset(prepared);
    }
    return true;
}

std::optional<InsertOutcome> InsertIntoSqlite(sqlite3 *handle, const RecordBatch &batch,
                                              const InsertProgress &progress, QString *reason)
{
    const QByteArray sql = QByteArray("INSERT INTO records (") + RecordInsertColumns +
                           ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                           " ON CONFLICT (tester_id, test_no_text, date_text, time_text)"
                           " DO NOTHING";
    const auto failed = [&]() -> std::optional<InsertOutcome> {
        *reason = QString::fromUtf8(sqlite3_errmsg(handle));
        return std::nullopt;
    };
    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &prepared, nullptr) !=
        SQLITE_OK)
        return failed();
    const std::unique_ptr<sqlite3_stmt, FinalizeStatement> statement(prepared);
    Utf8Texts texts;
    const auto bindText = [&](int position, const QString &text) {
        const QByteArrayView utf8 = texts.Of(position, text);
        return sqlite3_bind_text(prepared, position, utf8.data(), int(utf8.size()), SQLITE_STATIC);
    };
    const GridRows &rows = *batch.rows;
    InsertOutcome outcome;
    TallyCounter tally;
    bool skipped = false;
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const GridRow &row = rows[at];
        const RecordKeys keys = RecordKeysOf(row, (*batch.dateKeys)[at]);
        int bound = sqlite3_bind_int64(prepared, 1, batch.testerId);
        for (int column = 0; column < RecordColumns; ++column)
            bound |= bindText(2 + column, row.value(column));
        bound |= sqlite3_bind_int64(prepared, 8, keys.testNo);
        bound |= sqlite3_bind_int64(prepared, 9, keys.dateKey);
        bound |= sqlite3_bind_int(prepared, 10, keys.readingOk ? 1 : 0);
        bound |= keys.reading ? sqlite3_bind_double(prepared, 11, *keys.reading)
                              : sqlite3_bind_null(prepared, 11);
        bound |= bindText(12, keys.unit);
        bound |= sqlite3_bind_int64(prepared, 13, batch.archivedAt);
        const QByteArrayView fingerprint = batch.fingerprints->At(at);
        bound |= sqlite3_bind_text(prepared, 14, fingerprint.data(), int(fingerprint.size()),
                                   SQLITE_STATIC);
        bound |= sqlite3_bind_int64(prepared, 15, batch.batchId);
        if (bound != SQLITE_OK || sqlite3_step(prepared) != SQLITE_DONE)
            return failed();
        // While every record is new, their fingerprints are all of them
        // so far, taken in one piece at the end.
        if (sqlite3_changes(handle) == 1) {
            ++outcome.added;
            tally.Count(keys.dateKey, keys.unit, keys.readingOk && keys.reading, row.value(4));
            if (skipped)
                outcome.fingerprints += fingerprint;
        } else if (!skipped) {
            skipped = true;
            outcome.fingerprints = batch.fingerprints->First(at);
        }
        sqlite3_reset(prepared);
        if (!TellInserted(progress, at + 1, rows.size())) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    if (!skipped)
        outcome.fingerprints = batch.fingerprints->First(rows.size());
    if (!TallyIntoSqlite(handle, tally))
        return failed();
    outcome.tallied = true;
    return outcome;
}

// A value of COPY's text format: backslash, tab and line breaks escaped.
void AppendCopyText(QByteArray &line, Utf8Texts &texts, const QString &text)
{
    const QByteArrayView utf8 = texts.Of(0, text);
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

void AppendCopyLine(QByteArray &data, Utf8Texts &texts, qint64 seq, const RecordBatch &batch,
                    qsizetype at)
{
    const GridRow &row = (*batch.rows)[at];
    const RecordKeys keys = RecordKeysOf(row, (*batch.dateKeys)[at]);
    data += QByteArray::number(seq);
    data += '\t';
    data += QByteArray::number(batch.testerId);
    for (int column = 0; column < RecordColumns; ++column) {
        data += '\t';
        AppendCopyText(data, texts, row.value(column));
    }
    data += '\t';
    data += QByteArray::number(keys.testNo);
    data += '\t';
    data += QByteArray::number(keys.dateKey);
    data += keys.readingOk ? "\t1\t" : "\t0\t";
    // 17 digits read back as the very same double.
    data += keys.reading ? QByteArray::number(*keys.reading, 'g', 17) : QByteArray("\\N");
    data += '\t';
    AppendCopyText(data, texts, keys.unit);
    data += '\t';
    data += QByteArray::number(batch.archivedAt);
    data += '\t';
    data += batch.fingerprints->At(at); // hex: nothing to escape
    data += '\t';
    data += QByteArray::number(batch.batchId);
    data += '\n';
}

struct ClearResult
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

// The results of the command in hand, until there are none; false with the
// server's words in *reason when one failed.
bool DrainResults(PGconn *connection, QString *reason)
{
    bool fine = true;
    while (const Result result{PQgetResult(connection)}) {
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && fine) {
            *reason = QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed();
            fine = false;
        }
    }
    return fine;
}

// A server's COPY of the records in download order into this session's
// table kestrune_incoming; false with the reason, or with *cancelled set.
bool CopyToServer(PGconn *connection, const RecordBatch &batch, const InsertProgress &progress,
                  bool *cancelled, QString *reason)
{
    const QByteArray copy =
        QByteArray("COPY kestrune_incoming (seq, ") + RecordInsertColumns + ") FROM STDIN";
    {
        const Result started{PQexec(connection, copy.constData())};
        if (PQresultStatus(started.get()) != PGRES_COPY_IN) {
            *reason = QString::fromUtf8(PQresultErrorMessage(started.get())).trimmed();
            DrainResults(connection, reason);
            return false;
        }
    }
    constexpr qsizetype ChunkBytes = 256 * 1024;
    const GridRows &rows = *batch.rows;
    Utf8Texts texts;
    QByteArray data;
    data.reserve(ChunkBytes + 4096);
    const auto send = [&] {
        const bool sent = PQputCopyData(connection, data.constData(), int(data.size())) == 1;
        data.clear();
        return sent;
    };
    const char *refusal = nullptr;
    for (qsizetype at = 0; at < rows.size() && !refusal; ++at) {
        AppendCopyLine(data, texts, at, batch, at);
        if (data.size() >= ChunkBytes && !send())
            refusal = "";
        if (!TellInserted(progress, at + 1, rows.size())) {
            *cancelled = true;
            refusal = "cancelled";
        }
    }
    if (!refusal && !data.isEmpty() && !send())
        refusal = "";
    // A COPY ended with an error message leaves nothing behind.
    const bool ended = PQputCopyEnd(connection, refusal) == 1;
    const bool fine = DrainResults(connection, reason) && ended;
    if (!ended && reason->isEmpty())
        *reason = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    return fine && !refusal;
}

std::optional<InsertOutcome> InsertIntoServer(QSqlDatabase db, PGconn *connection,
                                              const RecordBatch &batch,
                                              const InsertProgress &progress, QString *reason)
{
    // Within this transaction: the records of a whole data file go as one
    // COPY and one INSERT, which take longer than a statement of archiving.
    constexpr int RecordsPerSecond = 20000;
    const int seconds =
        ArchiveServerTimeoutSeconds + int(batch.rows->size() / RecordsPerSecond) * 2;
    QSqlQuery query(db);
    // From the second batch of a session on, the server would tell its
    // standard error that the table is there already.
    if (!LongerStatements(db, ArchiveLocation::Driver::Postgres, seconds, reason) ||
        !RunSql(query, QStringLiteral("SET LOCAL client_min_messages TO WARNING"), {}, reason) ||
        !RunSql(query,
                QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS kestrune_incoming"
                               " (seq BIGINT NOT NULL, tester_id BIGINT NOT NULL,"
                               " test_no_text TEXT NOT NULL, date_text TEXT NOT NULL,"
                               " time_text TEXT NOT NULL, reading_text TEXT NOT NULL,"
                               " result_text TEXT NOT NULL, sampling_text TEXT NOT NULL,"
                               " test_no BIGINT NOT NULL, date_key BIGINT NOT NULL,"
                               " reading_ok INTEGER NOT NULL, reading DOUBLE PRECISION,"
                               " unit TEXT NOT NULL, archived_at BIGINT NOT NULL,"
                               " fingerprint TEXT NOT NULL, batch_id BIGINT NOT NULL)"
                               " ON COMMIT DELETE ROWS"),
                {}, reason) ||
        !RunSql(query, QStringLiteral("TRUNCATE kestrune_incoming"), {}, reason))
        return std::nullopt;
    query.finish();
    InsertOutcome outcome;
    if (!CopyToServer(connection, batch, progress, &outcome.cancelled, reason))
        return outcome.cancelled ? std::optional(outcome) : std::nullopt;
    // In download order, so that ids follow it as they always have.
    if (!RunSql(query,
                QStringLiteral("INSERT INTO records (") + QLatin1String(RecordInsertColumns) +
                    QStringLiteral(") SELECT ") + QLatin1String(RecordInsertColumns) +
                    QStringLiteral(" FROM kestrune_incoming ORDER BY seq"
                                   " ON CONFLICT (tester_id, test_no_text, date_text,"
                                   " time_text) DO NOTHING"),
                {}, reason))
        return std::nullopt;
    outcome.added = query.numRowsAffected();
    if (outcome.added > 0) {
        std::optional<QByteArray> added = BatchFingerprints(db, batch.batchId, reason);
        if (!added)
            return std::nullopt;
        outcome.fingerprints = std::move(*added);
    }
    return outcome;
}

} // namespace

std::optional<InsertOutcome> InsertRecords(QSqlDatabase db, ArchiveLocation::Driver driver,
                                           const RecordBatch &batch, const InsertProgress &progress,
                                           QString *reason)
{
    if (batch.rows->isEmpty())
        return InsertOutcome{};
    switch (driver) {
    case ArchiveLocation::Driver::Sqlite:
        if (sqlite3 *handle = SqliteHandle(db))
            return InsertIntoSqlite(handle, batch, progress, reason);
        break;
    case ArchiveLocation::Driver::Postgres:
        if (PGconn *connection = PostgresHandle(db))
            return InsertIntoServer(db, connection, batch, progress, reason);
        break;
    case ArchiveLocation::Driver::Odbc:
        break;
    }
    // ODBC sends a few records a statement: each statement is a round trip.
    constexpr int OdbcRecords = 8;
    return InsertRecordsByStatements(db, batch, OdbcRecords, progress, reason);
}
