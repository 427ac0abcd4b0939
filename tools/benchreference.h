#pragma once
// What the archive's inserts are measured against: the same records written
// by the databases' own libraries, as plainly as they allow, into an archive
// with the same tables and indexes (made by the store beforehand).

#include "records/data/recordfields.h"

#include <QString>
#include <QStringList>

// What the SQLite reference writes besides the record's six texts and the
// values read from them (its test number, date key, reading, unit) and the
// time it was archived.
enum class ReferenceExtras {
    // Nothing more.
    None,
    // Each record's fingerprint and batch id, taken before the clock starts:
    // the very columns the store writes.
    Fingerprints,
    // The same, fingerprinted as the store does it while the clock runs (on a
    // thread of their own, FingerprintAhead), and the batch row holding them
    // with its hash: all that fingerprinting adds to archiving.
    Fingerprinting,
};

// SQLite's C library: one transaction, one prepared single-row INSERT bound
// by position, the tester's row first. Seconds, or a negative number when
// the file could not be written (the reason on standard error); the
// processor time of the same span (every thread's) in *cpuSeconds when given.
double SqliteReferenceSeconds(const QString &path, const QString &serial, const GridRows &rows,
                              ReferenceExtras extras = ReferenceExtras::None,
                              double *cpuSeconds = nullptr);

// PostgreSQL's COPY of the records straight into the records table, in one
// transaction, on a connection of libpq's own (conninfo as PQconnectdb
// takes it). With throughTable, COPY into a temporary table and then one
// INSERT ... SELECT ... ON CONFLICT DO NOTHING, the way that keeps each
// record once.
double PostgresCopySeconds(const QString &conninfo, const QString &serial, const GridRows &rows,
                           bool throughTable);
