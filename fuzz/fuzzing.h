#pragma once
// Shared by the fuzz targets. A failed check aborts, so that libFuzzer keeps
// the input that broke it.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline QByteArray InputBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The reply cut where its reader stops looking (the first zero byte, or
// limit characters) and followed by a zero byte and more text: the reader
// must take it exactly as the reply itself.
inline QByteArray WithIgnoredTail(const QByteArray &reply, qsizetype limit)
{
    const qsizetype zero = reply.indexOf('\0');
    const qsizetype end = zero >= 0 && zero < limit ? zero : limit;
    return reply.left(end) + QByteArray("\0"
                                        "9\n1,2,3\n",
                                        9);
}

// Lines as the program writes them to a file: one byte a character, CR LF
// after each.
inline QByteArray FileBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

// One scratch directory for the whole run, removed at its end; in memory
// where the system offers it, so that the disk does not set the pace.
inline QString ScratchDir()
{
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/kestrune-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/kestrune-fuzz-XXXXXX"));
    FUZZ_CHECK(dir.isValid());
    return dir.path();
}

// Readers that take a path read the input from this file.
inline QString WriteScratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = ScratchDir() + QLatin1Char('/') + name;
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    return path;
}
