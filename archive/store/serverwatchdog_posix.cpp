// Cutting a call on a server short on Linux: Qt's PostgreSQL driver hands out
// libpq's connection, and shutting its socket makes the call that waits on
// it return at once (libpq then reports the connection lost). The ODBC
// driver hands out no socket: its thread is given up instead.

#include "archive/store/serverwatchdog.h"

#include "archive/store/driverhandle_posix.h"

#include <sys/socket.h>

std::function<void()> ServerConnectionCutter(QSqlDatabase db)
{
    PGconn *const connection = PostgresHandle(db);
    const int socket = connection ? PQsocket(connection) : -1;
    if (socket < 0)
        return {};
    // The socket stays open until the watch ends (see ServerWatch), so it is
    // this connection's still.
    return [socket] { ::shutdown(socket, SHUT_RDWR); };
}
