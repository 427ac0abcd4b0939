#pragma once
// The single-instance guard: held from start to the end of the process, and
// released by the system however the process ends.

#include <QString>
#include <memory>

class InstanceGuard
{
public:
    // Tries to take the guard named name. Check Acquired().
    explicit InstanceGuard(const QString &name);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;
    bool Acquired() const;

private:
    struct Handle;
    std::unique_ptr<Handle> FHandle;
};

inline const char InstanceGuardName[] = "Unique Name of Mutex";
