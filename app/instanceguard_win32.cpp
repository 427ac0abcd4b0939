#include "app/instanceguard.h"

#include <windows.h>

// A named mutex: the system drops it with the last handle, when the process
// ends however it ends.
struct InstanceGuard::Handle
{
    HANDLE Mutex = nullptr;
    bool Acquired = false;

    ~Handle()
    {
        if (Mutex)
            ::CloseHandle(Mutex);
    }
};

InstanceGuard::InstanceGuard(const QString &name) : FHandle(std::make_unique<Handle>())
{
    const std::wstring wide = name.toStdWString();
    FHandle->Mutex = ::CreateMutexW(nullptr, FALSE, wide.c_str());
    // Without a mutex nobody can be told apart; that does not keep the
    // program from running.
    FHandle->Acquired = !FHandle->Mutex || ::GetLastError() != ERROR_ALREADY_EXISTS;
    if (!FHandle->Acquired) {
        ::CloseHandle(FHandle->Mutex);
        FHandle->Mutex = nullptr;
    }
}

// Mutex names share one namespace per session; the directory has no part in it.
InstanceGuard::InstanceGuard(const QString &name, const QString &) : InstanceGuard(name) {}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::Acquired() const
{
    return FHandle->Acquired;
}
