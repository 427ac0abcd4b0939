#include "base/filelines.h"

#include "base/filesync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

// The system's own words for a failed write; Qt reports only "Unknown error"
// for it.
QString SystemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code != 0 ? code : EIO));
}

// "64 MB", "64 KB", "100 bytes".
QString SizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

QString FileError(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool ReadFileBytes(const QString &path, qint64 maxBytes, QByteArray &bytes, QString *error)
{
    auto refuse = [&](const QString &reason) {
        if (error)
            *error = FileError(path, reason);
        return false;
    };
    const QString notRegular = QStringLiteral("not a regular file");
    // Checked before opening: opening a FIFO waits for a writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(notRegular);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    if (file.isSequential())
        return refuse(notRegular);
    // What the file holds when it is measured, never more than the limit.
    const qint64 size = file.size();
    if (size > maxBytes)
        return refuse(QStringLiteral("larger than %1").arg(SizeText(maxBytes)));
    const QByteArray read = file.read(size);
    if (file.error() != QFileDevice::NoError)
        return refuse(file.errorString());
    bytes = read;
    return true;
}

qsizetype CountLines(QByteArrayView bytes)
{
    qsizetype count = 0;
    ForEachLine(bytes, [&count](QLatin1StringView) {
        ++count;
        return true;
    });
    return count;
}

bool LoadLines(const QString &path, QStringList &lines, QString *error, qint64 maxBytes)
{
    QByteArray bytes;
    if (!ReadFileBytes(path, maxBytes, bytes, error))
        return false;
    QStringList result;
    result.reserve(CountLines(bytes));
    ForEachLine(bytes, [&result](QLatin1StringView line) {
        result.append(line.toString());
        return true;
    });
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
    return SaveBytesAtomically(path, bytes, error);
}

bool SaveBytesAtomically(const QString &path, QByteArrayView bytes, QString *error)
{
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
    const bool written =
        file.write(bytes.data(), bytes.size()) == bytes.size() && SyncFileToDisk(file.handle());
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
