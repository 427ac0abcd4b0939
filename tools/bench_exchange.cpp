// How much processor time one exchange costs against the time it takes.
// The simulated tester runs in this process, so the exchange's own thread
// and the whole process are measured apart. The target is below 5 % of the
// wall time for the exchange.

#include "app/mainstate.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/exchange.h"
#include "tools/simulator.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double Seconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void Measure(const char *title, TComPort &port, const QByteArray &command)
{
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    const double thread0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
    const double process0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    QByteArray reply;
    RS232Write(port, command, reply);
    const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
    const double thread = Seconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    const double process = Seconds(CLOCK_PROCESS_CPUTIME_ID) - process0;

    std::printf("%s: %lld bytes in %.3f s wall\n", title, static_cast<long long>(reply.size()),
                wall);
    std::printf("  exchange thread CPU %.4f s = %.2f %% of wall (target below 5 %%)\n", thread,
                100.0 * thread / wall);
    std::printf("  whole process CPU   %.4f s = %.2f %% of wall (simulator included)\n", process,
                100.0 * process / wall);
    std::fflush(stdout);
}

} // namespace

int main()
{
    try {
        TesterSimulator sim;
        TComPort port;
        port.SetPort(sim.PortName());
        port.Timeouts().SetReadInterval(200);
        port.Timeouts().SetReadTotalC(200);
        port.Open();

        sim.SetSilent(true);
        Measure("silent tester, USB quiet time", port, Cmd::Identify);

        sim.SetSilent(false);
        sim.SetRecordCount(500);
        sim.SetLineSpeed(960);
        Measure("500-record download at 960 bytes/s", port, Cmd::Download);
        port.Close();
    } catch (const EComPort &e) {
        std::fprintf(stderr, "bench_exchange: %s\n", e.Message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_exchange: %s\n", e.what());
        return 1;
    }
    return 0;
}
