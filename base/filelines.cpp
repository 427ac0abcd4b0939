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

void AppendFileLine(QByteArray &bytes, const QString &line)
{
    bytes += line.toLatin1();
    bytes += "\r\n";
}

bool SaveLinesAtomically(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &line : lines)
        AppendFileLine(bytes, line);
    return SaveBytesAtomically(path, bytes, error);
}

bool SaveBytesAtomically(const QString &path, QByteArrayView bytes, QString *error)
{
    AtomicFileWriter file(path);
    return file.Open(error) && file.Write(bytes, error) && file.Commit(error);
}

// QSaveFile writes a temporary file beside the target and renames it over
// the target on commit; it never writes in place. Unbuffered, so that a write
// the disk refuses (disk full, file too large) fails here, where it is seen:
// a buffered write fails inside commit(), which still renames the short file
// over the old one and reports success. The pieces are gathered here instead.
struct AtomicFileWriter::Saving
{
    explicit Saving(const QString &at) : path(at), file(at) {}
    QString path;
    QSaveFile file;
    QByteArray pending;
};

namespace {
constexpr qsizetype WriteBytes = 1024 * 1024;
} // namespace

AtomicFileWriter::AtomicFileWriter(const QString &path) : d(std::make_unique<Saving>(path)) {}

// An uncommitted QSaveFile removes what it wrote.
AtomicFileWriter::~AtomicFileWriter() = default;

bool AtomicFileWriter::Open(QString *error)
{
    d->file.setDirectWriteFallback(false);
    if (d->file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    if (error)
        *error = FileError(d->path, d->file.errorString());
    return false;
}

bool AtomicFileWriter::Write(QByteArrayView bytes, QString *error)
{
    // A large piece goes as it is, without a copy.
    if (d->pending.isEmpty() && bytes.size() >= WriteBytes) {
        d->pending = QByteArray::fromRawData(bytes.data(), bytes.size());
        return Flush(error);
    }
    d->pending.append(bytes.data(), bytes.size());
    return d->pending.size() < WriteBytes || Flush(error);
}

bool AtomicFileWriter::Flush(QString *error)
{
    errno = 0;
    const bool written =
        d->file.write(d->pending.constData(), d->pending.size()) == d->pending.size();
    const int code = errno;
    d->pending.clear();
    if (written)
        return true;
    d->file.cancelWriting();
    if (error)
        *error = FileError(d->path, SystemReason(code));
    return false;
}

bool AtomicFileWriter::Commit(QString *error)
{
    if (!d->pending.isEmpty() && !Flush(error))
        return false;
    errno = 0;
    if (!SyncFileToDisk(d->file.handle())) {
        const int code = errno;
        d->file.cancelWriting();
        if (error)
            *error = FileError(d->path, SystemReason(code));
        return false;
    }
    if (!d->file.commit()) {
        if (error)
            *error = FileError(d->path, d->file.errorString());
        return false;
    }
    return true;
}
