// The file system the file is on, as the kernel names it.

#include "archive/store/filemapping.h"

#include <QFile>

#include <sys/vfs.h>

#include <algorithm>
#include <iterator>

namespace {

// File systems whose files live elsewhere: NFS, SMB, CIFS, SMB2, FUSE (sshfs
// and the like), 9P, Coda, AFS, Ceph.
constexpr unsigned long RemoteFileSystems[] = {0x6969,     0x517B,     0xFF534D42,
                                               0xFE534D42, 0x65735546, 0x01021997,
                                               0x73757245, 0x5346414F, 0x00C36400};

} // namespace

bool MayMapArchiveFile(const QString &path)
{
    struct statfs system = {};
    if (::statfs(QFile::encodeName(path).constData(), &system) != 0)
        return false;
    const auto type = static_cast<unsigned long>(system.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(RemoteFileSystems), std::end(RemoteFileSystems), type) ==
           std::end(RemoteFileSystems);
}
