#include "base/filesync.h"

#include <QString>

#include <io.h>
#include <windows.h>

bool SyncFileToDisk(int fd)
{
    return ::_commit(fd) == 0;
}

namespace {
// The system's words for a Windows error code.
QString WindowsReason(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString reason = length ? QString::fromWCharArray(text, int(length)).trimmed()
                                  : QStringLiteral("Windows error %1").arg(code);
    ::LocalFree(text);
    return reason;
}
} // namespace

bool RenameOver(const QString &from, const QString &to, QString *reason)
{
    // Through to the disk before it counts as done, as the file's own bytes.
    if (::MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                      reinterpret_cast<const wchar_t *>(to.utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (reason)
        *reason = WindowsReason(::GetLastError());
    return false;
}
