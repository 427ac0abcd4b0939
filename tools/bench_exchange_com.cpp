// The download benchmark against a tester on a named serial port, for
// systems where the simulator cannot run in the same process (Windows): the
// tester on the port is expected to hold 500 records and to send at
// 960 bytes/s, the pace of 9600 baud ("kestrune-sim --records 500 --speed 960").

#include "link/commands.h"
#include "link/comport.h"
#include "tools/exchangemeasure.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_exchange_com PORT\n");
        return 2;
    }
    try {
        TComPort port;
        port.SetPort(QString::fromLocal8Bit(argv[1]));
        port.Timeouts().SetReadInterval(200);
        port.Timeouts().SetReadTotalC(200);
        port.Open();
        MeasureExchange("500-record download at 960 bytes/s", port, Cmd::Download);
        port.Close();
    } catch (const EComPort &e) {
        std::fprintf(stderr, "bench_exchange_com: %s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
