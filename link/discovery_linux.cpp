#include "link/discovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Orders "ttyUSB2" before "ttyUSB10": the name without its trailing number,
// then the number.
bool DeviceNameLess(const QString &a, const QString &b)
{
    auto split = [](const QString &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        const QString tail = name.mid(digits);
        return std::make_pair(name.left(digits), tail.isEmpty() ? -1LL : tail.toLongLong());
    };
    const auto ka = split(a);
    const auto kb = split(b);
    if (ka.first != kb.first)
        return ka.first < kb.first;
    if (ka.second != kb.second)
        return ka.second < kb.second;
    return a < b;
}

// A port of the serial core reports its UART in "type"; 0 is a placeholder
// the kernel registers whether or not there is hardware behind it.
bool HasHardware(const QDir &ttyDir)
{
    if (!ttyDir.exists(QStringLiteral("device")))
        return false;
    QFile type(ttyDir.filePath(QStringLiteral("type")));
    if (!type.exists())
        return true;
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok && value != 0;
}

} // namespace

QList<SerialCommEntry> SerialCommTableFrom(const QString &sysClassTty, const QString &devDir)
{
    const QDir::Filters filters = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    QStringList bluetooth;
    QStringList wired;
    const QDir classDir(sysClassTty);
    for (const QString &name : classDir.entryList(filters)) {
        if (name.startsWith(QLatin1String("rfcomm")))
            bluetooth.append(name);
        else if (HasHardware(QDir(classDir.filePath(name))))
            wired.append(name);
    }
    // Bound Bluetooth ports have their node in /dev even before the link is up.
    const QStringList nodes = QDir(devDir).entryList({QStringLiteral("rfcomm*")}, filters);
    for (const QString &name : nodes) {
        if (!bluetooth.contains(name))
            bluetooth.append(name);
    }

    QStringList all = bluetooth + wired;
    std::sort(all.begin(), all.end(), DeviceNameLess);

    QList<SerialCommEntry> table;
    int bthCount = 0;
    int vcpCount = 0;
    int acmCount = 0;
    int serialCount = 0;
    for (const QString &name : all) {
        QString value;
        if (bluetooth.contains(name))
            value = QStringLiteral("\\Device\\BthModem%1").arg(bthCount++);
        else if (name.startsWith(QLatin1String("ttyUSB")))
            value = QStringLiteral("\\Device\\VCP%1").arg(vcpCount++);
        else if (name.startsWith(QLatin1String("ttyACM")))
            value = QStringLiteral("\\Device\\USBSER%1").arg(acmCount++, 3, 10, QLatin1Char('0'));
        else
            value = QStringLiteral("\\Device\\Serial%1").arg(serialCount++);
        table.append({value, name});
    }
    return table;
}

QList<SerialCommEntry> SystemSerialCommTable()
{
    return SerialCommTableFrom(QStringLiteral("/sys/class/tty"), QStringLiteral("/dev"));
}
