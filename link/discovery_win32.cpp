// The system's serial-port table on Windows: the values of the registry key
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, read only.

#include "link/discovery.h"

#include <windows.h>

#include <string>

QList<SerialCommEntry> SystemSerialCommTable()
{
    QList<SerialCommEntry> table;
    HKEY key = nullptr;
    // A machine without serial ports has no such key: it lists nothing.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return table;
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &longestName, &longestData, nullptr, nullptr) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < count; ++i) {
            std::wstring name(longestName + 1, L'\0');
            std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
            DWORD nameLength = DWORD(name.size());
            DWORD dataBytes = DWORD(data.size() * sizeof(wchar_t));
            DWORD type = 0;
            if (::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE *>(data.data()),
                                &dataBytes) != ERROR_SUCCESS ||
                type != REG_SZ)
                continue;
            // The data need not end in a zero; the byte count says how long it is.
            QString port = QString::fromWCharArray(data.data(), int(dataBytes / sizeof(wchar_t)));
            const qsizetype end = port.indexOf(QChar(0));
            if (end >= 0)
                port.truncate(end);
            table.append({QString::fromWCharArray(name.data(), int(nameLength)), port});
        }
    }
    ::RegCloseKey(key);
    return table;
}
