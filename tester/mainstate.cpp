#include "tester/mainstate.h"

int Connected = 0;
int BluetoothMode = 0;
int IdleTicks = 0;
int AdminUnlocked = 0;
int TraceEnabled = 0;
QString AdminPassword = QString::fromLatin1(DefaultAdminPassword);
int LinkSettings[5] = {1, 0, 7, 0, 0};
TWindowPosition WindowPositions[7];
QString StartDirectory;
QStringList FileLines;

void ResetMainState()
{
    Connected = 0;
    BluetoothMode = 0;
    IdleTicks = 0;
    AdminUnlocked = 0;
    TraceEnabled = 0;
    AdminPassword = QString::fromLatin1(DefaultAdminPassword);
    LinkSettings[AutoSearch] = 1;
    LinkSettings[PortIndex] = 0;
    LinkSettings[BaudIndex] = 7;
    LinkSettings[3] = LinkSettings[4] = 0;
    for (auto &p : WindowPositions)
        p = TWindowPosition{};
    StartDirectory.clear();
    FileLines.clear();
}
