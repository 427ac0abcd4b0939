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
// "odbc:<connection string or DSN>", without surrounding blanks; std::nullopt
// with the reason in *error for anything else, for a text with a control
// character (a line break among them) and for one that holds a password.
std::optional<ArchiveLocation> ParseArchiveLocation(const QString &text, ArchiveError *error);
// SQLite's name of a database in memory, which keeps nothing once closed.
bool IsMemoryDatabase(const QString &target);
// <AppDataLocation>/archive.sqlite
ArchiveLocation DefaultArchiveLocation();

// The location as it is written in KESTRUNE_ARCHIVE and Kestrune.ARC.
QString ArchiveLocationText(const ArchiveLocation &where);
// The location as the operator reads it: a file's native path, else the text;
// as LocationInMessage shows it.
QString ArchivePlaceText(const ArchiveLocation &where);
// A location's text as a message may show it: every password masked, and
// cut to a readable length.
QString LocationInMessage(const QString &text);
