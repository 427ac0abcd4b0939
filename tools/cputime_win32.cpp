#include "tools/exchangemeasure.h"

#include <windows.h>

namespace {

// Kernel and user time, in units of 100 ns.
double Seconds(const FILETIME &kernel, const FILETIME &user)
{
    const auto ticks = [](const FILETIME &t) {
        return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return double(ticks(kernel) + ticks(user)) / 1e7;
}

} // namespace

double ThreadCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user))
        return 0;
    return Seconds(kernel, user);
}

double ProcessCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    return Seconds(kernel, user);
}
