#pragma once
// The error of a serial port operation, as a test compares it.

#include "link/comport.h"

#include <functional>

// Runs op and gives the EComPort code it raised, 0 when it raised nothing.
inline int CodeOf(const std::function<void()> &op, int *winCode = nullptr)
{
    try {
        op();
    } catch (const EComPort &e) {
        if (winCode)
            *winCode = e.WinCode;
        return e.Code;
    }
    return 0;
}
