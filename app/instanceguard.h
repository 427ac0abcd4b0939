#pragma once
// The single-instance guard: held from start to the end of the process, and
// released by the system however the process ends.

#include <QString>
#include <memory>

class InstanceGuard
{
public:
    // Tries to take the guard named name. Check Acquired(): it is false only
    // when another holder has the guard, in this process or another one. When
    // the guard cannot be set up at all the program is not kept from running.
    explicit InstanceGuard(const QString &name);
    // The same with the lock file in directory instead of the user's runtime
    // directory.
    InstanceGuard(const QString &name, const QString &directory);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;
    bool Acquired() const;

private:
    struct Handle;
    std::unique_ptr<Handle> FHandle;
};

inline const char InstanceGuardName[] = "Unique Name of Mutex";
