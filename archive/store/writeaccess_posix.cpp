// The file and its folder, as the system grants them to this user.

#include "archive/store/writeaccess.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

bool MayWriteArchiveFile(const QString &path)
{
    const QFileInfo info(path);
    return ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK) == 0 &&
           ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) == 0;
}
