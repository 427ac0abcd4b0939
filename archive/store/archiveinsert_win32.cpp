// Records into the archive on Windows, where Qt's SQLite driver carries
// SQLite inside itself and a server is reached through ODBC: Qt SQL only.
// SQLite takes one prepared single-row INSERT per record (a statement of
// several records keeps a journal of its own per statement); ODBC a few
// records a statement, each statement being a round trip to the server.

#include "archive/store/archiveinsert.h"

std::optional<InsertOutcome> InsertRecords(QSqlDatabase db, ArchiveLocation::Driver driver,
                                           const RecordBatch &batch, const InsertProgress &progress,
                                           QString *reason)
{
    constexpr int ServerRecords = 8;
    const int perStatement = driver == ArchiveLocation::Driver::Sqlite ? 1 : ServerRecords;
    return InsertRecordsByStatements(db, batch, perStatement, progress, reason);
}
