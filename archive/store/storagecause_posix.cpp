// The cause from SQLite's own record of the last failure on the connection
// Qt holds: SQLITE_FULL is a full disk, and a failed write keeps the system's
// errno (EFBIG once the file-size limit is reached: the program ignores the
// signal that would otherwise end it).

#include "archive/store/storagecause.h"

#include "archive/store/driverhandle_posix.h"

#include <cerrno>

ArchiveErrorCode StorageCause(QSqlDatabase db, const QString &, const QString &)
{
    sqlite3 *handle = SqliteHandle(db);
    if (!handle)
        return ArchiveErrorCode::None;
    const int code = sqlite3_errcode(handle) & 0xff;
    if (code == SQLITE_FULL)
        return ArchiveErrorCode::DiskFull;
    if (code != SQLITE_IOERR)
        return ArchiveErrorCode::None;
    switch (sqlite3_system_errno(handle)) {
    case ENOSPC:
    case EDQUOT:
        return ArchiveErrorCode::DiskFull;
    case EFBIG:
        return ArchiveErrorCode::FileSizeLimit;
    default:
        return ArchiveErrorCode::None;
    }
}
