#include "link/discovery.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// No table file is larger.
constexpr qint64 MaxTableFileBytes = 64 * 1024 * 1024;

// The whole of a regular file of at most MaxTableFileBytes, or nothing:
// neither a device nor a FIFO nor a huge file can hold up the program.
QByteArray TableFileBytes(const QString &path)
{
    // Checked before opening: opening a FIFO waits for a writer.
    if (!QFileInfo(path).isFile())
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() || file.size() > MaxTableFileBytes)
        return QByteArray();
    // A buffer of the file's own size: QIODevice::read(n) reserves all of n
    // first, and the supervision timer reads this table every second.
    return file.read(file.size());
}

} // namespace

QList<SerialCommEntry> ReadSerialCommTable()
{
    const QString overridePath = qEnvironmentVariable("KESTRUNE_SERIALCOMM");
    if (overridePath.isEmpty())
        return SystemSerialCommTable();

    // An unreadable table file lists no ports, as a missing system table does.
    // A line ends at CR LF, at a lone CR or at a lone LF; one byte a character.
    QByteArray text = TableFileBytes(overridePath);
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<SerialCommEntry> table;
    for (const QByteArray &bytes : text.split('\n')) {
        const QString line = QString::fromLatin1(bytes);
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (line.trimmed().isEmpty() || tab < 0)
            continue;
        table.append({line.left(tab), line.mid(tab + 1)});
    }
    return table;
}

QStringList PortsOfMode(const QList<SerialCommEntry> &table, int bluetoothMode)
{
    QStringList ports;
    if (bluetoothMode != 0 && bluetoothMode != 1)
        return ports;
    for (const SerialCommEntry &entry : table) {
        const bool bluetooth = entry.ValueName.mid(8, 8) == QLatin1String("BthModem");
        if (bluetooth == (bluetoothMode == 1))
            ports.append(entry.PortName);
    }
    return ports;
}

QStringList SortedPortList(const QStringList &ports)
{
    QStringList sorted;
    QSet<QString> seen;
    for (const QString &port : ports) {
        const QString key = port.toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        sorted.append(port);
    }
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return sorted;
}

QByteArray ModelCode(const QByteArray &reply)
{
    return reply.mid(4, 6);
}

bool IsSupportedTester(const QByteArray &reply)
{
    if (reply.size() < 20)
        return false;
    const QByteArray code = ModelCode(reply);
    return std::any_of(std::begin(AcceptedModelCodes), std::end(AcceptedModelCodes),
                       [&code](const char *accepted) { return code == accepted; });
}
