// Windows keeps a file that any program has mapped from being made shorter,
// which SQLite does after a checkpoint; the archive is read through SQLite's
// page cache there.

#include "archive/store/filemapping.h"

bool MayMapArchiveFile(const QString &)
{
    return false;
}
