#pragma once
// The archive's tables: created on an empty database and upgraded step by
// step, each step with the version it reaches in one transaction.

#include "archive/archivestore.h"

#include <QSqlDatabase>

// The version the database says, 0 for an empty database; std::nullopt with
// the reason when it cannot be read or holds tables of another program.
std::optional<int> ArchiveSchemaVersionOf(QSqlDatabase db, QString *error);

// Brings the database to ArchiveSchemaVersion. Refuses a newer version.
bool PrepareArchiveSchema(QSqlDatabase db, ArchiveLocation::Driver driver, QString *error);

// Runs the steps up to version only (tests make older archives with it).
bool UpgradeArchiveSchema(QSqlDatabase db, ArchiveLocation::Driver driver, int version,
                          QString *error);
