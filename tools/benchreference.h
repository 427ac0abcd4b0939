#pragma once
// What the archive's inserts are measured against: the same records written
// by the databases' own libraries, as plainly as they allow, into an archive
// with the same tables and indexes (made by the store beforehand).

#include "records/data/recordfields.h"

#include <QString>
#include <QStringList>

// SQLite's C library: one transaction, one prepared single-row INSERT bound
// by position, the tester's row first. Seconds, or a negative number when
// the file could not be written (the reason on standard error). With
// fingerprinted, each record's fingerprint is taken and written with it and
// a batch id, as the store does; without, nothing more than the record.
double SqliteReferenceSeconds(const QString &path, const QString &serial, const GridRows &rows,
                              bool fingerprinted = false);

// PostgreSQL's COPY of the records straight into the records table, in one
// transaction, on a connection of libpq's own (conninfo as PQconnectdb
// takes it). With throughTable, COPY into a temporary table and then one
// INSERT ... SELECT ... ON CONFLICT DO NOTHING, the way that keeps each
// record once.
double PostgresCopySeconds(const QString &conninfo, const QString &serial, const GridRows &rows,
                           bool throughTable);
