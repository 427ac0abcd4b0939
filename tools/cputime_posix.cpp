#include "tools/exchangemeasure.h"

#include <ctime>

namespace {

double Seconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

double ThreadCpuSeconds()
{
    return Seconds(CLOCK_THREAD_CPUTIME_ID);
}

double ProcessCpuSeconds()
{
    return Seconds(CLOCK_PROCESS_CPUTIME_ID);
}
