#pragma once
// A tester's chain of batches, extended within the transaction of the
// caller, which holds the tester's row (ArchiveStore::Add takes it before
// anything else): the next batch's number and previous hash are read under
// it, so two programs archiving one tester take turns and never fork the
// chain. UNIQUE (tester_id, prev_hash) refuses a second link after one hash
// should anything write without the lock.

#include "archive/store/archivelocation.h"
#include "archive/store/archivetrail.h"
#include "archive/store/recordfingerprint.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

// The id the next batch row will have, taken before its records go in with
// it (the batch row itself follows them, holding their fingerprints).
std::optional<qint64> NewBatchId(QSqlDatabase db, ArchiveLocation::Driver driver, QString *reason);

// Fills batch's number and prevHash from the tester's last batch and its
// hash, and adds its row with batch.id (from NewBatchId). false with the
// reason.
bool AppendBatch(QSqlDatabase db, ArchiveBatch &batch, QString *reason);
// AppendBatch in two steps, for a caller that hashes the batch itself:
// batch's number and prevHash filled, then its row added as it is.
bool NextLink(QSqlDatabase db, ArchiveBatch &batch, QString *reason);
bool WriteBatch(QSqlDatabase db, const ArchiveBatch &batch, QString *reason);

// The fingerprints of the records of batchId in id order, concatenated, as
// a server adds them up.
std::optional<QByteArray> BatchFingerprints(QSqlDatabase db, qint64 batchId, QString *reason);

// Within the schema step that brings in batches: every record already
// archived gets its fingerprint, and each tester one batch of kind
// BatchCarriedOver holding its records in id order, made by this PC and
// user. Records are read and written in chunks; a server gets the
// fingerprints as rows of a temporary table and takes them in one UPDATE.
bool CarryOverRecords(QSqlDatabase db, ArchiveLocation::Driver driver, QString *reason);

// Adds the audit row (entry.id is ignored) and gives its id; std::nullopt
// with the reason.
std::optional<qint64> AppendAudit(QSqlDatabase db, const ArchiveAuditEntry &entry, QString *reason);
