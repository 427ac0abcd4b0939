#pragma once
// The Windows tests' tester: a simulated tester running on Linux, reached
// here as a COM port. tools/test-windows.sh starts it holding 500 records,
// maps its pseudo-terminal into the Wine prefix and names the port in
// KESTRUNE_TESTER_PORT.

#include "link/comport.h"
#include "tests/comportcode.h"

#include <QElapsedTimer>
#include <QString>
#include <QTest>
// Without the printer interface, whose SetPort macro would rename the port's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

inline QString TesterPort()
{
    const QString port = qEnvironmentVariable("KESTRUNE_TESTER_PORT");
    return port.isEmpty() ? QStringLiteral("COM5") : port;
}

// Wine answers some calls otherwise than Windows does; the tests say where.
inline bool RunningUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Waits until the port's input has been quiet for quietMs; gives the count.
inline int SettledInputCount(TCustomComPort &port, int quietMs = 400)
{
    int count = port.InputCount();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < quietMs) {
        port.WaitForInput(50);
        QTest::qWait(20);
        const int now = port.InputCount();
        if (now != count) {
            count = now;
            quiet.restart();
        }
    }
    return count;
}
