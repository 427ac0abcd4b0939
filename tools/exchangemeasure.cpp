#include "tools/exchangemeasure.h"

#include "link/exchange.h"

#include <QElapsedTimer>
#include <QSysInfo>

#include <cstdio>

void MeasureExchange(const char *title, TCustomComPort &port, const QByteArray &command)
{
    QElapsedTimer clock;
    clock.start();
    const double thread0 = ThreadCpuSeconds();
    const double process0 = ProcessCpuSeconds();
    QByteArray reply;
    RS232Write(port, command, reply, {});
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const double thread = ThreadCpuSeconds() - thread0;
    const double process = ProcessCpuSeconds() - process0;

    std::printf("%s (%s): %lld bytes in %.3f s wall\n", title,
                qPrintable(QSysInfo::prettyProductName()), static_cast<long long>(reply.size()),
                wall);
    std::printf("  exchange thread CPU %.4f s = %.2f %% of wall (target below 5 %%)\n", thread,
                100.0 * thread / wall);
    std::printf("  whole process CPU   %.4f s = %.2f %% of wall\n", process,
                100.0 * process / wall);
    std::fflush(stdout);
}
