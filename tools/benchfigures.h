#pragma once
// Figures of the benchmarks: time taken, and memory from /proc/self (Linux).

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <functional>
#include <malloc.h>

// Milliseconds that work takes.
inline double Measure(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"), 0 when unknown.
inline long StatusKb(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Gives back freed memory and starts the peak ("VmHWM") again from what is
// resident now.
inline void RestartPeak()
{
    malloc_trim(0);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// Memory that work takes, in kB: the peak above what was resident before, and
// what stays resident after it.
struct MemoryUse
{
    long peakKb = 0;
    long heldKb = 0;
};
inline MemoryUse MeasureMemory(const std::function<void()> &work)
{
    RestartPeak();
    const long before = StatusKb("VmRSS");
    work();
    const long peak = StatusKb("VmHWM");
    malloc_trim(0);
    return {peak - before, StatusKb("VmRSS") - before};
}

inline void ReportMemory(const char *what, const std::function<void()> &work)
{
    const MemoryUse use = MeasureMemory(work);
    std::printf("%-46s peak +%.1f MB, held +%.1f MB\n", what, use.peakKb / 1024.0,
                use.heldKb / 1024.0);
}
