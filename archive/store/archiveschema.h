#pragma once
// The archive's tables: created on an empty database and upgraded step by
// step, each step with the version it reaches in one transaction.

#include "archive/store/archiveerror.h"
#include "archive/store/archivelocation.h"

#include <QSqlDatabase>

#include <optional>

// The version of the archive's tables that this program writes.
// 6: records.fingerprint and records.batch_id; the tables batches, audit,
// deleted_records and deletion_gate (see recordfingerprint.h).
inline constexpr int ArchiveSchemaVersion = 6;

// The version the database says, 0 for an empty database; std::nullopt with
// the reason when it cannot be read or holds tables of another program.
std::optional<int> ArchiveSchemaVersionOf(QSqlDatabase db, ArchiveError *error);

// Brings the database to ArchiveSchemaVersion. Refuses a newer version.
bool PrepareArchiveSchema(QSqlDatabase db, ArchiveLocation::Driver driver, ArchiveError *error);

// Runs the steps up to version only (tests make older archives with it).
bool UpgradeArchiveSchema(QSqlDatabase db, ArchiveLocation::Driver driver, int version,
                          ArchiveError *error);
