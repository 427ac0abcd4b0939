#include "archive/store/archivetrail.h"

#include <QSysInfo>
#include <QtGlobal>

const ArchiveWorkstation &ThisWorkstation()
{
    static const ArchiveWorkstation here = [] {
        ArchiveWorkstation w;
        w.pc = QSysInfo::machineHostName();
        // Unix names the user USER (LOGNAME for some shells); Windows USERNAME.
        for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
            w.user = qEnvironmentVariable(name);
            if (!w.user.isEmpty())
                break;
        }
        return w;
    }();
    return here;
}
