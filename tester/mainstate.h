#pragma once
// Process-wide state of the main window's unit. Everything here is used from
// the user-interface thread only.

#include <QString>
#include <QStringList>

// LinkSettings entries by name.
enum { AutoSearch = 0, PortIndex = 1, BaudIndex = 2 };

// WindowPositions entries by name. The archive window keeps its size in the
// entry after its place, as left and top: how much wider and higher than
// its smallest size it is (so that the clamp of stored places, which every
// entry goes through, leaves a size that fits the screen as it is), see
// archive/archivelayout.h.
enum { MainWindowPlace = 0, ResultWindowPlace = 1, ArchiveWindowPlace = 2, ArchiveWindowSize = 3 };

struct TWindowPosition
{
    int Left = 0;
    int Top = 0;
};

extern int Connected;         // a recognised tester is linked (0/1)
extern int BluetoothMode;     // 0 = USB virtual COM port, 1 = Bluetooth serial port
extern int IdleTicks;         // seconds since the last exchange
extern int AdminUnlocked;     // password prompt accepted; administration follows
extern int TraceEnabled;      // exchange trace into the service window's log
extern QString AdminPassword; // four decimal digits
extern int LinkSettings[5];   // AutoSearch, PortIndex, BaudIndex, two spare
extern TWindowPosition WindowPositions[7];
extern QString StartDirectory; // the directory current at start, whole
extern QStringList FileLines;  // shared line buffer for text files

inline const char DefaultAdminPassword[] = "5183";

// Puts every value above back to its state at program start (tests use it).
void ResetMainState();
