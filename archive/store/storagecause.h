#pragma once
// Why an SQLite archive could not be written, as the system tells it: SQLite
// says only "disk I/O error" or "database or disk is full".

#include "archive/store/archiveerror.h"

#include <QSqlDatabase>
#include <QString>

// DiskFull or FileSizeLimit when the last failure on db (an SQLite
// connection to the file at path, which failed with reason) came from the
// disk being full or from the user's file-size limit; None otherwise.
ArchiveErrorCode StorageCause(QSqlDatabase db, const QString &path, const QString &reason);
