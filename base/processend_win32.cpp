#include "base/processend.h"

#include <cstdio>

#include <windows.h>

int EndProcess(int code)
{
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), UINT(code));
    return code; // not reached
}
