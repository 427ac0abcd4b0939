// How much processor time one exchange costs against the time it takes.
// The simulated tester runs in this process, so the exchange's own thread
// and the whole process are measured apart. The target is below 5 % of the
// wall time for the exchange.

#include "link/commands.h"
#include "link/comport.h"
#include "tools/exchangemeasure.h"
#include "tools/simulator.h"

#include <cstdio>

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
        MeasureExchange("silent tester, USB quiet time", port, Cmd::Identify);

        sim.SetSilent(false);
        sim.SetRecordCount(500);
        sim.SetLineSpeed(960);
        MeasureExchange("500-record download at 960 bytes/s", port, Cmd::Download);
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
