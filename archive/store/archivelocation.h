#pragma once
// Where the archive is: an SQLite file, or a database on a PostgreSQL server
// reached through Qt's PostgreSQL driver or its ODBC driver.

#include "archive/store/archiveerror.h"

#include <QString>

#include <optional>

struct ArchiveLocation
{
    enum class Driver { Sqlite, Postgres, Odbc };
    Driver driver = Driver::Sqlite;
    QString target; // file path, libpq URI, or ODBC connection string / DSN
};

// The environment variable that moves the archive.
inline const char ArchiveEnvironment[] = "KESTRUNE_ARCHIVE";

// "sqlite:<path>", "postgresql://..." or "postgres://..." (a libpq URI) and
// "odbc:<connection string or DSN>"; std::nullopt with the reason in *error
// for anything else.
std::optional<ArchiveLocation> ParseArchiveLocation(const QString &text, ArchiveError *error);
// <AppDataLocation>/archive.sqlite
ArchiveLocation DefaultArchiveLocation();

// The location as it is written in KESTRUNE_ARCHIVE and Kestrune.ARC.
QString ArchiveLocationText(const ArchiveLocation &where);
// The location as the operator reads it: a file's native path, else the text.
QString ArchivePlaceText(const ArchiveLocation &where);
