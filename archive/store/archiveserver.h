#pragma once
// An archive on a PostgreSQL server: reached through Qt's PostgreSQL driver
// with a libpq connection URI, or through Qt's ODBC driver with an ODBC
// connection string or DSN. Passwords never pass through the program: libpq
// takes them from its password file (PGPASSFILE or ~/.pgpass) or service
// file, ODBC from the DSN.

#include "archive/store/archiveerror.h"
#include "archive/store/archivelocation.h"
#include "archive/store/sqltransaction.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

inline const char OdbcPrefix[] = "odbc:";

// How long connecting and each statement may take before the program gives
// up, and how soon a silent server is noticed.
inline constexpr int ArchiveServerTimeoutSeconds = 5;
// How long the server lets a transaction of this program stay idle.
inline constexpr int ServerIdleTransactionSeconds = 30;

// A connection as Qt's drivers take it.
struct ServerSettings
{
    QString host, databaseName, userName;
    int port = -1;          // -1: the driver's default
    QString connectOptions; // "key=value;key=value" as the driver reads them
};

// "postgresql://" or "postgres://" URIs and "odbc:" texts as a location;
// std::nullopt with the reason in *error for one that carries a password or
// cannot be read, and for any other text (error then None).
std::optional<ArchiveLocation> ParseServerLocation(const QString &text, ArchiveError *error);

// The settings of a libpq URI for Qt's PostgreSQL driver: the query
// parameters become connect options, with time-outs and TCP keepalives
// added unless the URI sets them.
std::optional<ServerSettings> PostgresSettings(const QString &uri, ArchiveError *error);
// The settings of an ODBC connection string or DSN for Qt's ODBC driver.
ServerSettings OdbcSettings(const QString &connection);

// The text with every password in it replaced by "****": the values of
// password keys (ODBC's, and libpq's in braces or parameters) and the
// password of a URI's user part.
QString MaskedPasswords(const QString &text);

// The name of Qt's driver for the location.
QString ArchiveDriverName(ArchiveLocation::Driver driver);

// Opens db (a connection of ArchiveDriverName(where.driver)) on the server,
// limits each statement to ArchiveServerTimeoutSeconds and an idle
// transaction to ServerIdleTransactionSeconds.
bool OpenServer(QSqlDatabase db, const ArchiveLocation &where, ArchiveError *error);

// Within the transaction open on db: statements may take up to seconds. Does
// nothing on SQLite, whose waits are bounded by its busy time-out. False with
// the database's reason in *reason.
bool LongerStatements(QSqlDatabase db, ArchiveLocation::Driver driver, int seconds,
                      QString *reason);

// One statement whose rows the program reads at its own pace: a pass over a
// whole selection. A server counts the time the program takes over the rows
// as the statement's, so a million records saved to a file ran out of the
// statement's usual time; the pass has a read-only transaction of its own
// in which it may take up to an hour. The watch over a silent server (see
// serverwatchdog.h) starts anew as long as rows come. Nothing on SQLite.
class LongPass
{
public:
    LongPass(QSqlDatabase db, ArchiveLocation::Driver driver);
    // False with the database's reason in *reason.
    bool Began(QString *reason);
    // Tells the pass that a row came.
    void Row()
    {
        if (++FRows % RowsWatched == 0)
            Heard();
    }

private:
    static constexpr qint64 RowsWatched = 1024;
    void Heard();

    QSqlDatabase FDb;
    ArchiveLocation::Driver FDriver;
    std::optional<SqlTransaction> FTransaction;
    qint64 FRows = 0;
};
