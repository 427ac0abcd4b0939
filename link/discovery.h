#pragma once
// Finding the tester: the system's serial-port table, the port list of a link
// type, and the identification check.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct SerialCommEntry
{
    QString ValueName; // e.g. \Device\Serial0 or \Device\BthModem0
    QString PortName;  // e.g. ttyUSB0, rfcomm0, pts/3
};

// The system's serial-port table. When the environment variable
// KESTRUNE_SERIALCOMM names a file, that file replaces it: one entry a line,
// value name and port name separated by a tab. An unreadable file lists
// nothing; blank lines and lines without a tab are skipped.
QList<SerialCommEntry> ReadSerialCommTable();

// The platform's own table (no override).
QList<SerialCommEntry> SystemSerialCommTable();

#ifndef _WIN32
// The Linux table from a sysfs tty class directory and a device directory,
// sorted by device name: serial devices with hardware behind them under
// \Device\Serial<n>, \Device\VCP<n> (ttyUSB) or \Device\USBSER<nnn> (ttyACM),
// Bluetooth serial ports (rfcomm) under \Device\BthModem<n>. Port names are
// the device names without "/dev/".
QList<SerialCommEntry> SerialCommTableFrom(const QString &sysClassTty, const QString &devDir);
#endif

// Port names of the link type, in table order: characters 9 to 16 of the
// value name are "BthModem" for Bluetooth ports; other modes take nothing.
QStringList PortsOfMode(const QList<SerialCommEntry> &table, int bluetoothMode);

// Sorted by text without regard to case, duplicates (also by case) dropped.
QStringList SortedPortList(const QStringList &ports);

inline const char *const AcceptedModelCodes[3] = {"QX4826", "VKD-7 ", "HWM-5 "};

// Characters 5 to 10 of the identification reply.
QByteArray ModelCode(const QByteArray &reply);
// At least 20 characters and an accepted model code.
bool IsSupportedTester(const QByteArray &reply);
