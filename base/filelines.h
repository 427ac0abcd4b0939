#pragma once
// Text files of lines in the program's single-byte code page: settings file,
// data files and export files.

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <memory>

// No text file of the program is larger.
inline constexpr qint64 MaxTextFileBytes = 64 * 1024 * 1024;

// "<path>: <reason>", the path as the system writes it.
QString FileError(const QString &path, const QString &reason);

// Reads a whole regular file of at most maxBytes bytes into bytes. Anything
// else is refused without being read, so that neither a device such as
// /dev/zero nor a FIFO nor a huge file can hold up the program: false with
// the reason in *error, bytes left as it was.
bool ReadFileBytes(const QString &path, qint64 maxBytes, QByteArray &bytes, QString *error);

// The lines of bytes, handed to visit one by one as Latin-1 text until visit
// returns false. A line ends at CR LF, at a lone CR or at a lone LF; a final
// line end adds no empty line.
template <class Visit> void ForEachLine(QByteArrayView bytes, Visit &&visit)
{
    const char *const begin = bytes.data();
    const char *const end = begin + bytes.size();
    const char *start = begin;
    for (const char *p = begin; p != end; ++p) {
        if (*p != '\r' && *p != '\n')
            continue;
        if (!visit(QLatin1StringView(start, p - start)))
            return;
        if (*p == '\r' && p + 1 != end && p[1] == '\n')
            ++p;
        start = p + 1;
    }
    if (start != end)
        visit(QLatin1StringView(start, end - start));
}

qsizetype CountLines(QByteArrayView bytes);

// Reads a whole file (see ReadFileBytes) as lines (see ForEachLine); every
// byte becomes the character of the same code (Latin-1). Returns false with
// the reason in *error; lines is then left as it was.
bool LoadLines(const QString &path, QStringList &lines, QString *error,
               qint64 maxBytes = MaxTextFileBytes);

// Appends line and CR LF to bytes, one byte a character (characters beyond
// Latin-1 become '?').
void AppendFileLine(QByteArray &bytes, const QString &line);

// Writes every line as AppendFileLine does. The file is replaced
// atomically: a new file is written beside it and renamed over it, so a
// failed save leaves the old file as it was. Returns false with the reason
// in *error.
bool SaveLinesAtomically(const QString &path, const QStringList &lines, QString *error);

// Writes bytes as the whole file at path, replaced as SaveLinesAtomically
// replaces it.
bool SaveBytesAtomically(const QString &path, QByteArrayView bytes, QString *error);

// A file written piece by piece that replaces the file at path only once it
// is whole, as SaveBytesAtomically replaces it: a file too large to be held
// in memory at once. Dropped, leaving any old file as it was, unless
// committed. Failures say "<path>: <reason>".
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const QString &path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    // Makes the new file beside path.
    bool Open(QString *error);
    // Bytes after those written before; they reach the disk in large pieces.
    bool Write(QByteArrayView bytes, QString *error);
    // Everything written through to the disk, then put in place of the file
    // at path.
    bool Commit(QString *error);

private:
    bool Flush(QString *error);

    struct Saving;
    std::unique_ptr<Saving> d;
};
