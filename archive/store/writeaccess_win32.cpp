// The file's own read-only mark. A folder's read-only mark means nothing to
// Windows (the shell sets it on folders it has customised), and its -wal and
// -shm files take the folder's permissions, which the owner keeps.

#include "archive/store/writeaccess.h"

#include <QFileInfo>

bool MayWriteArchiveFile(const QString &path)
{
    return QFileInfo(path).isWritable();
}
