#include "records/workbook/workbookcheck.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>

#include <zlib.h>

#include <algorithm>

namespace {

constexpr qint64 EndRecordSize = 22;
constexpr qint64 LongestComment = 0xffff;
constexpr qint64 DirectoryRecordSize = 46;
constexpr qint64 LocalHeaderSize = 30;
constexpr qint64 InputPiece = 64 * 1024;
constexpr qint64 OutputPiece = 256 * 1024;

quint32 Le(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

struct Entry
{
    QString name;
    quint32 method = 0;
    quint32 crc = 0;
    qint64 packed = 0;
    qint64 size = 0;
    qint64 local = 0;
};

bool Fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

QByteArray ReadAt(QFile &file, qint64 at, qint64 size)
{
    if (at < 0 || size < 0 || at + size > file.size() || !file.seek(at))
        return QByteArray();
    const QByteArray bytes = file.read(size);
    return bytes.size() == size ? bytes : QByteArray();
}

bool ReadDirectory(QFile &file, QList<Entry> &entries, QString *reason)
{
    const qint64 tailSize = std::min(file.size(), EndRecordSize + LongestComment);
    const QByteArray tail = ReadAt(file, file.size() - tailSize, tailSize);
    const qsizetype end = tail.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + EndRecordSize > tail.size())
        return Fail(reason, QStringLiteral("no zip file"));
    const quint32 count = Le(tail, end + 10, 2);
    const QByteArray directory = ReadAt(file, Le(tail, end + 16, 4), Le(tail, end + 12, 4));
    qsizetype at = 0;
    for (quint32 i = 0; i < count; ++i) {
        if (at + DirectoryRecordSize > directory.size() || Le(directory, at, 4) != 0x02014b50)
            return Fail(reason, QStringLiteral("damaged zip directory"));
        Entry entry;
        entry.method = Le(directory, at + 10, 2);
        entry.crc = Le(directory, at + 16, 4);
        entry.packed = Le(directory, at + 20, 4);
        entry.size = Le(directory, at + 24, 4);
        entry.local = Le(directory, at + 42, 4);
        const quint32 nameSize = Le(directory, at + 28, 2);
        entry.name = QString::fromUtf8(directory.mid(at + DirectoryRecordSize, nameSize));
        entries << entry;
        at +=
            DirectoryRecordSize + nameSize + Le(directory, at + 30, 2) + Le(directory, at + 32, 2);
    }
    return true;
}

// Inflates (or copies) the entry's bytes piece by piece into take.
bool ReadEntry(QFile &file, const Entry &entry, const ZipPieceTaker &take, QString *reason)
{
    const QString damaged = QStringLiteral("damaged zip entry ") + entry.name;
    const QByteArray header = ReadAt(file, entry.local, LocalHeaderSize);
    if (header.isEmpty() || Le(header, 0, 4) != 0x04034b50 ||
        (entry.method != 0 && entry.method != Z_DEFLATED))
        return Fail(reason, damaged);
    if (!file.seek(entry.local + LocalHeaderSize + Le(header, 26, 2) + Le(header, 28, 2)))
        return Fail(reason, damaged);

    take(entry.name, QByteArrayView());
    uLong crc = crc32(0, nullptr, 0);
    qint64 size = 0;
    const auto hand = [&](const char *bytes, qint64 count) {
        crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes), uInt(count));
        size += count;
        take(entry.name, QByteArrayView(bytes, count));
    };
    z_stream stream{};
    if (entry.method == Z_DEFLATED && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return Fail(reason, damaged);
    QByteArray out(OutputPiece, Qt::Uninitialized);
    int state = Z_OK;
    for (qint64 left = entry.packed; left > 0 || (entry.method == Z_DEFLATED && state == Z_OK);) {
        const QByteArray in = file.read(std::min(left, InputPiece));
        left -= in.size();
        if (in.isEmpty() && left > 0)
            break;
        if (entry.method != Z_DEFLATED) {
            hand(in.constData(), in.size());
            continue;
        }
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        stream.avail_in = uInt(in.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out.data());
            stream.avail_out = uInt(out.size());
            state = inflate(&stream, Z_NO_FLUSH);
            hand(out.constData(), out.size() - stream.avail_out);
        } while (state == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
        if (state == Z_OK && left == 0 && stream.avail_in == 0)
            state = Z_DATA_ERROR; // the data ended before the stream did
    }
    if (entry.method == Z_DEFLATED)
        inflateEnd(&stream);
    const bool whole = (entry.method != Z_DEFLATED || state == Z_STREAM_END) &&
                       size == entry.size && crc == entry.crc;
    return whole || Fail(reason, damaged);
}

// The root element's name: the first tag after the declaration.
QByteArray RootName(const QByteArray &head)
{
    for (qsizetype at = head.indexOf('<'); at >= 0; at = head.indexOf('<', at + 1)) {
        const char next = at + 1 < head.size() ? head.at(at + 1) : '\0';
        if (next == '?' || next == '!')
            continue;
        qsizetype end = at + 1;
        while (end < head.size() && !QByteArray(" \t\r\n/>").contains(head.at(end)))
            ++end;
        return head.mid(at + 1, end - at - 1);
    }
    return QByteArray();
}

} // namespace

bool ReadZipEntries(const QString &path, const ZipPieceTaker &take, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(reason, file.errorString());
    QList<Entry> entries;
    if (!ReadDirectory(file, entries, reason))
        return false;
    for (const Entry &entry : entries) {
        if (!ReadEntry(file, entry, take, reason))
            return false;
    }
    return true;
}

QString WorkbookDamage(const QString &path)
{
    constexpr qsizetype HeadSize = 512;
    constexpr qsizetype TailSize = 64;
    struct Ends
    {
        QByteArray head;
        QByteArray tail;
    };
    QHash<QString, Ends> parts;
    QList<QString> order;
    QString reason;
    const bool read = ReadZipEntries(
        path,
        [&](const QString &name, QByteArrayView piece) {
            if (!parts.contains(name))
                order << name;
            Ends &ends = parts[name];
            if (ends.head.size() < HeadSize)
                ends.head += piece.first(std::min(piece.size(), HeadSize - ends.head.size()));
            if (piece.size() >= TailSize)
                ends.tail = piece.last(TailSize).toByteArray();
            else
                ends.tail = ends.tail.append(piece).right(TailSize);
        },
        &reason);
    if (!read)
        return reason;
    if (!parts.contains(QStringLiteral("xl/worksheets/sheet1.xml")))
        return QStringLiteral("no sheet");
    for (const QString &name : order) {
        if (!name.endsWith(QLatin1String(".xml")) && !name.endsWith(QLatin1String(".rels")))
            continue;
        const Ends &ends = parts[name];
        const QByteArray root = RootName(ends.head);
        if (root.isEmpty() || !ends.tail.trimmed().endsWith("</" + root + '>'))
            return name + QStringLiteral(" ends early");
    }
    return QString();
}
