#pragma once
// Records going into the records table within the transaction the caller
// holds open, each record kept once (a record already there is left as it
// is). How they are sent is the system's: on Linux SQLite is given them
// through its own C library and a PostgreSQL server by COPY, both on the
// very connection Qt holds (archiveinsert_posix.cpp); elsewhere, and through
// ODBC, they go as prepared statements of Qt SQL.

#include "archive/store/archivelocation.h"
#include "archive/store/fingerprintahead.h"
#include "records/data/recordfields.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

// The columns every way of sending fills, in this order.
extern const char RecordInsertColumns[];
inline constexpr int RecordInsertValues = 15;

// Records between two calls of the progress.
inline constexpr int InsertProgressRecords = 4096;

// What a record's row holds besides its six texts, each read once from them.
struct RecordKeys
{
    qint64 testNo = 0;
    qint64 dateKey = 0;
    bool readingOk = false;
    std::optional<double> reading; // none for a reading that is no number
    QString unit;
};
RecordKeys RecordKeysOf(const GridRow &row, long dateKey);

// The records of one tester, and what is sent with each.
struct RecordBatch
{
    qint64 testerId = 0;
    qint64 archivedAt = 0; // milliseconds since the epoch
    const GridRows *rows = nullptr;
    const QVector<long> *dateKeys = nullptr;  // DateKey of each row
    FingerprintAhead *fingerprints = nullptr; // RecordFingerprint of each row
    qint64 batchId = 0;                       // the batch that adds them
};

struct InsertOutcome
{
    qint64 added = 0;
    bool cancelled = false;  // progress answered false: nothing is to stay
    QByteArray fingerprints; // of the records added, in the order of their ids
    bool tallied = false;    // the records added are counted in the chart's tally
};

// progress, when given, hears the records sent so far every
// InsertProgressRecords and at the end; answering false cancels. std::nullopt
// with the database's reason in *reason.
using InsertProgress = std::function<bool(qint64 sent)>;
std::optional<InsertOutcome> InsertRecords(QSqlDatabase db, ArchiveLocation::Driver driver,
                                           const RecordBatch &batch, const InsertProgress &progress,
                                           QString *reason);

// Through Qt SQL only: prepared INSERTs of perStatement records each.
std::optional<InsertOutcome> InsertRecordsByStatements(QSqlDatabase db, const RecordBatch &batch,
                                                       int perStatement,
                                                       const InsertProgress &progress,
                                                       QString *reason);

// Calls progress when sent is a multiple of InsertProgressRecords or all of
// total; false when it answers false.
bool TellInserted(const InsertProgress &progress, qint64 sent, qint64 total);
