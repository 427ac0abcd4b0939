// Qt's SQLite driver on Windows carries SQLite inside itself, out of the
// program's reach: a failure that SQLite puts down to the disk is the disk
// being full when the archive's drive has no room left.

#include "archive/store/storagecause.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {
// Less room than this is none for SQLite, which writes whole pages.
constexpr qint64 NoRoomBytes = 1024 * 1024;
} // namespace

ArchiveErrorCode StorageCause(QSqlDatabase, const QString &path, const QString &reason)
{
    if (!reason.contains(QLatin1String("disk"), Qt::CaseInsensitive))
        return ArchiveErrorCode::None;
    const QStorageInfo drive(QFileInfo(path).absolutePath());
    return drive.isValid() && drive.bytesAvailable() < NoRoomBytes ? ArchiveErrorCode::DiskFull
                                                                   : ArchiveErrorCode::None;
}
