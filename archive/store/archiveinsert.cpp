#include "archive/store/archiveinsert.h"

#include "archive/store/archivechain.h"
#include "archive/store/archivesql.h"
#include "records/data/recordvalues.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cmath>

const char RecordInsertColumns[] =
    "tester_id, test_no_text, date_text, time_text, reading_text, result_text, sampling_text,"
    " test_no, date_key, reading_ok, reading, unit, archived_at, fingerprint, batch_id";

RecordKeys RecordKeysOf(const GridRow &row, long dateKey)
{
    RecordKeys keys;
    const QString &reading = row.value(3);
    keys.testNo = TextToLong(row.value(0));
    keys.dateKey = dateKey;
    keys.readingOk = ReadingComparable(reading);
    if (keys.readingOk) {
        const float value = ReadingValue(reading);
        if (!std::isnan(value))
            keys.reading = double(value);
    }
    keys.unit = ReadingUnit(reading).toString();
    return keys;
}

bool TellInserted(const InsertProgress &progress, qint64 sent, qint64 total)
{
    if (!progress || (sent % InsertProgressRecords != 0 && sent != total))
        return true;
    return progress(sent);
}

namespace {

QString InsertSql(int records)
{
    QString group = QStringLiteral("(?");
    for (int i = 1; i < RecordInsertValues; ++i)
        group += QStringLiteral(", ?");
    group += QLatin1Char(')');
    QStringList groups;
    for (int i = 0; i < records; ++i)
        groups << group;
    return QStringLiteral("INSERT INTO records (") + QLatin1String(RecordInsertColumns) +
           QStringLiteral(") VALUES ") + groups.join(QStringLiteral(", ")) +
           QStringLiteral(
               " ON CONFLICT (tester_id, test_no_text, date_text, time_text) DO NOTHING");
}

// Binds the record's values from position first on.
void BindRecord(QSqlQuery &query, int first, const RecordBatch &batch, qsizetype at)
{
    const GridRow &row = (*batch.rows)[at];
    const RecordKeys keys = RecordKeysOf(row, (*batch.dateKeys)[at]);
    const QVariant values[RecordInsertValues] = {
        batch.testerId,
        SqlText(row.value(0)),
        SqlText(row.value(1)),
        SqlText(row.value(2)),
        SqlText(row.value(3)),
        SqlText(row.value(4)),
        SqlText(row.value(5)),
        keys.testNo,
        keys.dateKey,
        keys.readingOk ? 1 : 0,
        keys.reading ? QVariant(*keys.reading) : QVariant(QMetaType(QMetaType::Double)),
        SqlText(keys.unit),
        batch.archivedAt,
        QString::fromLatin1(batch.fingerprints->At(at)),
        batch.batchId};
    for (int i = 0; i < RecordInsertValues; ++i)
        query.bindValue(first + i, values[i]);
}

} // namespace

std::optional<InsertOutcome> InsertRecordsByStatements(QSqlDatabase db, const RecordBatch &batch,
                                                       int perStatement,
                                                       const InsertProgress &progress,
                                                       QString *reason)
{
    const GridRows &rows = *batch.rows;
    InsertOutcome outcome;
    QSqlQuery full(db);
    if (!rows.isEmpty() && !full.prepare(InsertSql(perStatement))) {
        *reason = SqlReason(full.lastError());
        return std::nullopt;
    }
    qint64 sent = 0;
    while (sent < rows.size()) {
        const int records = int(std::min<qint64>(perStatement, rows.size() - sent));
        QSqlQuery partial(db);
        QSqlQuery &query = records == perStatement ? full : partial;
        if (records != perStatement && !query.prepare(InsertSql(records))) {
            *reason = SqlReason(query.lastError());
            return std::nullopt;
        }
        for (int i = 0; i < records; ++i)
            BindRecord(query, i * RecordInsertValues, batch, sent + i);
        if (!query.exec()) {
            *reason = SqlReason(query.lastError());
            return std::nullopt;
        }
        const int added = query.numRowsAffected();
        outcome.added += added;
        // A record a statement: the statement says whether it was new.
        if (records == 1 && added == 1)
            outcome.fingerprints += batch.fingerprints->At(sent);
        // Told at each multiple of the progress step that this statement passed.
        const qint64 before = sent;
        sent += records;
        const bool passed = sent / InsertProgressRecords != before / InsertProgressRecords;
        if (progress && (passed || sent == rows.size()) && !progress(sent)) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    // Several records a statement (a server): the server lists those added.
    if (perStatement > 1 && outcome.added > 0) {
        const std::optional<QByteArray> added = BatchFingerprints(db, batch.batchId, reason);
        if (!added)
            return std::nullopt;
        outcome.fingerprints = *added;
    }
    return outcome;
}
