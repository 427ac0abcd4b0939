#pragma once
// Finding the tester: the port list of the current link type, and the
// identification probe of one listed port or of every one in turn.

#include <QStringList>

// Port names of the current link type, in the system table's order.
void BuildPortList(QStringList &list);

// Refills the port list with the ports of the current link type, sorted and
// without duplicates, and selects the first one when there is one.
void RefreshPortList();

// Refreshes the port list and probes for a supported tester: with automatic
// search every listed port in turn at the baud list's speed, else the stored
// port at 9600 baud. When one answers, the port list selects its port,
// PortIndex holds its index and the port keeps the settings that succeeded (a
// Bluetooth link that probed its stored port keeps it open). Raises
// ExchangeStopped when the operator cancels a probe.
bool FindTester();
