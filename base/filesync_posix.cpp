#include "base/filesync.h"

#include <unistd.h>

bool SyncFileToDisk(int fd)
{
    return ::fsync(fd) == 0;
}
