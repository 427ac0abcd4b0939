#include "base/filesync.h"

#include <io.h>

bool SyncFileToDisk(int fd)
{
    return ::_commit(fd) == 0;
}
