#include "link/commands.h"

#include <cstdio>

QByteArray SetClockCommand(int year, int month, int day, int hour, int minute, int second)
{
    char text[96];
    std::snprintf(text, sizeof text, "$r%04d-%02d-%02d,%02d:%02d.%02d\n", year, month, day, hour,
                  minute, second);
    return QByteArray(text);
}

QByteArray SetClockCommand(const QByteArray &dateText, const QByteArray &timeText)
{
    return "$r" + dateText + ',' + timeText + '\n';
}

QByteArray SerialCommand(const QByteArray &serialNumber)
{
    return "$S" + serialNumber + '\n';
}

QByteArray CalCommand(int index)
{
    return "$L000" + QByteArray::number(index) + '\n';
}
