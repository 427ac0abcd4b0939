#pragma once
// The connection a Qt SQL driver holds, for the calls of the database's own
// library (linked on Linux only). Qt 6 names libpq's connection by its
// struct, "pg_conn*", not by libpq's "PGconn*": a handle asked for under the
// other name never comes, and the work quietly takes Qt's slower way.

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace driverhandle {
template <class Handle> Handle *Of(QSqlDatabase db, const char *typeName)
{
    if (!db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), typeName) != 0)
        return nullptr;
    return *static_cast<Handle *const *>(handle.constData());
}
} // namespace driverhandle

// libpq's connection behind a QPSQL connection; nullptr behind any other.
inline PGconn *PostgresHandle(QSqlDatabase db)
{
    return driverhandle::Of<PGconn>(db, "pg_conn*");
}

// SQLite's connection behind a QSQLITE connection; nullptr behind any other.
inline sqlite3 *SqliteHandle(QSqlDatabase db)
{
    return driverhandle::Of<sqlite3>(db, "sqlite3*");
}
