#include "app/filelines.h"

#include "app/filesync.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

QString FileError(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// The system's own words for a failed write; Qt reports only "Unknown error"
// for it.
QString SystemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code != 0 ? code : EIO));
}

} // namespace

bool LoadLines(const QString &path, QStringList &lines, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = FileError(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = FileError(path, file.errorString());
        return false;
    }

    QStringList result;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        result.append(QString::fromLatin1(bytes.constData() + start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        result.append(QString::fromLatin1(bytes.constData() + start, size - start));
    lines = result;
    return true;
}

bool SaveLinesAtomically(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }

    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit; it never writes in place. Unbuffered, so that a
    // write the disk refuses (disk full, file too large) fails here, where it
    // is seen: a buffered write fails inside commit(), which still renames the
    // short file over the old one and reports success.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = FileError(path, file.errorString());
        return false;
    }
    errno = 0;
    const bool written = file.write(bytes) == bytes.size() && SyncFileToDisk(file.handle());
    const int code = errno;
    if (!written) {
        file.cancelWriting();
        if (error)
            *error = FileError(path, SystemReason(code));
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = FileError(path, file.errorString());
        return false;
    }
    return true;
}
