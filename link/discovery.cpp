#include "link/discovery.h"

#include "kit/filelines.h"

#include <QSet>

#include <algorithm>

QList<SerialCommEntry> ReadSerialCommTable()
{
    const QString overridePath = qEnvironmentVariable("KESTRUNE_SERIALCOMM");
    if (overridePath.isEmpty())
        return SystemSerialCommTable();

    QList<SerialCommEntry> table;
    QStringList lines;
    // An unreadable table file lists no ports, as a missing system table does.
    if (!LoadLines(overridePath, lines, nullptr))
        return table;
    for (const QString &line : lines) {
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
