// Cutting a call on a server short on Linux: Qt's PostgreSQL driver hands out
// libpq's connection, and shutting its socket makes the call that waits on
// it return at once (libpq then reports the connection lost). The ODBC
// driver hands out no socket: its thread is given up instead.

#include "archive/store/serverwatchdog.h"

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>
#include <sys/socket.h>

std::function<void()> ServerConnectionCutter(QSqlDatabase db)
{
    if (db.driverName() != QLatin1String("QPSQL") || !db.driver())
        return {};
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return {};
    PGconn *const connection = *static_cast<PGconn *const *>(handle.constData());
    const int socket = connection ? PQsocket(connection) : -1;
    if (socket < 0)
        return {};
    // The socket stays open until the watch ends (see ServerWatch), so it is
    // this connection's still.
    return [socket] { ::shutdown(socket, SHUT_RDWR); };
}
