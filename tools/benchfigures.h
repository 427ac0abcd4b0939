#pragma once
// Figures of the benchmarks: time taken, and memory from /proc/self (Linux).

#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <thread>

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
// what stays resident after it. The peak counts the pages of files the
// program maps (the archive's, while a long pass reads it so); anonPeakKb,
// sampled every few milliseconds, counts only the program's own memory.
struct MemoryUse
{
    long peakKb = 0;
    long heldKb = 0;
    long anonPeakKb = 0;
};
inline MemoryUse MeasureMemory(const std::function<void()> &work)
{
    RestartPeak();
    const long before = StatusKb("VmRSS");
    const long anonBefore = StatusKb("RssAnon");
    std::atomic<bool> done{false};
    std::atomic<long> anonPeak{anonBefore};
    std::thread sampler([&] {
        while (!done) {
            anonPeak = std::max(anonPeak.load(), StatusKb("RssAnon"));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    work();
    done = true;
    sampler.join();
    const long peak = StatusKb("VmHWM");
    malloc_trim(0);
    return {peak - before, StatusKb("VmRSS") - before, anonPeak - anonBefore};
}

inline void ReportMemory(const char *what, const std::function<void()> &work)
{
    const MemoryUse use = MeasureMemory(work);
    std::printf("%-46s peak +%.1f MB, held +%.1f MB\n", what, use.peakKb / 1024.0,
                use.heldKb / 1024.0);
}
