#include "base/processend.h"

int EndProcess(int code)
{
    return code;
}
